#pragma once
// Owners for the GDI objects the window makes: deleted with their owner.
#include <windows.h>

#include "UniqueHandle.h"

inline void DeleteFontOwned(HFONT font) { ::DeleteObject(font); }
using UniqueFont = UniqueOwner<HFONT, 0, DeleteFontOwned>;

// Tahoma with the given character height (not cell height, hence negative),
// already scaled to the screen.
inline UniqueFont MakeTahoma(int characterHeight, bool bold) {
    return UniqueFont(CreateFontW(-characterHeight, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                  ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));
}

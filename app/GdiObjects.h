#pragma once
// Owners for the GDI objects the window and the dialogs make or borrow:
// released with their owner, whatever way the scope is left.
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

// A window's device context (the screen's for nullptr), from GetDC to ReleaseDC.
class ScopedDC {
public:
    explicit ScopedDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ~ScopedDC() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    ScopedDC(const ScopedDC&) = delete;
    ScopedDC& operator=(const ScopedDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a device context until the scope ends, when the
// one it replaced goes back.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~ScopedSelection() {
        if (previous_) ::SelectObject(dc_, previous_);
    }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

#include "LibraryText.h"

#include <windows.h>

#include "gnugettext.h"

std::wstring LoadResString(unsigned id) {
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW hands out a pointer into the resource.
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
    const std::wstring loaded =
        length > 0 && text ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
    return TranslateLibraryText(loaded);
}

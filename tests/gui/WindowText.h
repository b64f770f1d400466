#pragma once
// What a window of another program shows, read without sending it a
// message, so a busy wizard cannot hold the reader up.
#include <windows.h>

#include <string>

inline std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

inline std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    InternalGetWindowText(window, text, 1024);
    return text;
}

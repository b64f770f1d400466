#pragma once
// Saves what the screen shows in a rectangle as a 24-bit BMP file.
#include <windows.h>

#include <string>

bool SaveScreenRect(const RECT& area, const std::wstring& file);
// The rectangle that holds all the given windows.
RECT Around(std::initializer_list<HWND> windows);

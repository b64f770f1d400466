#pragma once
#include <windows.h>

#include <string>

// The operating system's description of an error code, as FormatMessage gives
// it, with trailing blanks, line ends and full stops removed. Empty when the
// system has no text for the code.
std::wstring SystemErrorText(DWORD code);

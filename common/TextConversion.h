#pragma once
// Conversions between the program's UTF-16 text and 8-bit text: UTF-8 for
// protocol and catalogue bytes, the system's ANSI code page where Windows
// takes or gives no other (WinExec, the texts of std::exception).
#include <string>
#include <string_view>

std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);
std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view text);

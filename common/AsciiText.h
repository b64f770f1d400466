#pragma once
// ASCII-only text rules for protocol and file-format text (header names,
// cookie attributes, catalogue headers): no locale, no code page.
#include <string_view>

char AsciiLower(char c);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool ContainsNoCase(std::string_view text, std::string_view word);
// Without leading and trailing blanks (spaces and tabs).
std::string_view TrimBlanks(std::string_view text);

#pragma once
// Rules for the bare name an entry is written under.
#include <string_view>

// Codes 0-31, the double quote, "<", ">" and "|": no Windows path holds them.
bool HasInvalidPathCharacters(std::wstring_view bareName);

// Names Windows takes as a device wherever they stand: CON, PRN, AUX, NUL,
// COM1-9, LPT1-9 (also with the superscript digits 1-3), CONIN$ and CONOUT$,
// with or without an extension and trailing blanks, in any letter case.
bool IsDeviceName(std::wstring_view bareName);

// Names that would not stay a file in the target folder once Windows drops
// trailing dots and blanks: ".", "..", "...", " ." and the like.
bool IsOnlyDotsAndBlanks(std::wstring_view bareName);

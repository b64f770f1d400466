#pragma once
// Rules for the bare name an entry is written under.
#include <string>
#include <string_view>
#include <vector>

// Codes 0-31, the double quote, "<", ">" and "|": no Windows path holds them.
bool HasInvalidPathCharacters(std::wstring_view bareName);

// Names Windows takes as a device wherever they stand: CON, PRN, AUX, NUL,
// COM1-9, LPT1-9 (also with the superscript digits 1-3), CONIN$ and CONOUT$,
// with or without an extension and trailing blanks, in any letter case.
bool IsDeviceName(std::wstring_view bareName);

// Names that would not stay a file in the target folder once Windows drops
// trailing dots and blanks: ".", "..", "...", " ." and the like.
bool IsOnlyDotsAndBlanks(std::wstring_view bareName);

// The names under which the archive file can be reached: as given, long and
// short (8.3), each made absolute as Windows resolves a path.
std::vector<std::wstring> ArchiveNames(const std::wstring& archive);

// True when target resolves to one of those names.
bool IsArchiveItself(const std::wstring& target, const std::vector<std::wstring>& archiveNames);

// Wildcard match of a bare name, letter case ignored; "*.*" matches every
// name, with or without a dot, as on DOS.
bool MatchesMask(std::wstring mask, std::wstring name);

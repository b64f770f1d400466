#pragma once
// Rules for the bare name an entry is written under.
#include <windows.h>

#include <optional>
#include <string>
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

// A file as the file system knows it, whichever of its names (long, short,
// a hard or symbolic link) reaches it.
struct FileIdentity {
    DWORD volumeSerialNumber;
    DWORD fileIndexHigh;
    DWORD fileIndexLow;
    bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> IdentityOf(HANDLE file);
// Of the file that path reaches, if there is one; opened for its attributes only.
std::optional<FileIdentity> IdentityOf(const std::wstring& path);

// Wildcard match of a bare name, letter case ignored; "*.*" matches every
// name, with or without a dot, as on DOS.
bool MatchesMask(std::wstring mask, std::wstring name);

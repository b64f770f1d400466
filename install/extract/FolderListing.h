#pragma once
// The files of the target folder with their attributes, read once before
// extraction and kept up to date with what it writes. Asking the file system
// for every entry's name costs a directory search each time (for a name not
// yet there, a full one on some file systems); one listing answers them all.
#include <windows.h>

#include <string>
#include <string_view>
#include <unordered_map>

class FolderListing {
public:
    explicit FolderListing(const std::wstring& folder);

    // The attributes of the file a bare name reaches (long or short name,
    // any letter case, trailing dots and blanks dropped as Windows drops
    // them), or INVALID_FILE_ATTRIBUTES.
    DWORD Attributes(std::wstring_view bareName) const;
    void Remember(std::wstring_view bareName, DWORD attributes);
    void Forget(std::wstring_view bareName);

    // The same for every bare name that reaches the same file here.
    static std::wstring Key(std::wstring_view bareName);

private:
    std::unordered_map<std::wstring, DWORD> files_;
};

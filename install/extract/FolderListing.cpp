#include "FolderListing.h"

FolderListing::FolderListing(const std::wstring& folder) {
    const std::wstring pattern = folder + (folder.empty() || folder.ends_with(L'\\') ? L"*" : L"\\*");
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        files_[Key(found.cFileName)] = found.dwFileAttributes;
        if (found.cAlternateFileName[0]) files_[Key(found.cAlternateFileName)] = found.dwFileAttributes;
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

std::wstring FolderListing::Key(std::wstring_view bareName) {
    while (!bareName.empty() && (bareName.back() == L'.' || bareName.back() == L' '))
        bareName.remove_suffix(1);
    std::wstring key(bareName);
    ::CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    return key;
}

DWORD FolderListing::Attributes(std::wstring_view bareName) const {
    const auto found = files_.find(Key(bareName));
    return found == files_.end() ? INVALID_FILE_ATTRIBUTES : found->second;
}

void FolderListing::Remember(std::wstring_view bareName, DWORD attributes) { files_[Key(bareName)] = attributes; }

void FolderListing::Forget(std::wstring_view bareName) { files_.erase(Key(bareName)); }

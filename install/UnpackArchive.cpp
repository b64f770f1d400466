#include "UnpackArchive.h"

#include <windows.h>

#include <utility>

namespace {

void ExtractAll(TAbUnZipper& AbUnZipper1) {
    try {
        AbUnZipper1.ExtractFiles(L"*.*");
    } catch (...) {
        // Closed at once, so that the archive can be deleted or replaced
        // while the failure shows.
        AbUnZipper1.CloseArchive();
        throw;
    }
}

std::wstring FolderOf(const std::wstring& file) { return file.substr(0, file.find_last_of(L'\\') + 1); }

}  // namespace

void UnpackArchive(TAbUnZipper& AbUnZipper1, const std::wstring& file) {
    AbUnZipper1.SetBaseDirectory(FolderOf(file));
    AbUnZipper1.OpenArchive(file);
    ExtractAll(AbUnZipper1);
    // Closed first: the open archive is not shared with deleters.
    AbUnZipper1.CloseArchive();
    ::DeleteFileW(file.c_str());
}

void UnpackArchive(TAbUnZipper& AbUnZipper1, const std::wstring& file, UniqueFile archive) {
    AbUnZipper1.SetBaseDirectory(FolderOf(file));
    AbUnZipper1.OpenArchive(std::move(archive));
    ExtractAll(AbUnZipper1);
    AbUnZipper1.DeleteArchive();
}

#include "UnpackArchive.h"

#include <windows.h>

void UnpackArchive(TAbUnZipper& AbUnZipper1, const std::wstring& file) {
    AbUnZipper1.SetBaseDirectory(file.substr(0, file.find_last_of(L'\\') + 1));
    AbUnZipper1.OpenArchive(file);
    try {
        AbUnZipper1.ExtractFiles(L"*.*");
    } catch (...) {
        // Closed at once, so that the archive can be deleted or replaced
        // while the failure shows.
        AbUnZipper1.CloseArchive();
        throw;
    }
    // Closed first: the open archive is not shared with deleters.
    AbUnZipper1.CloseArchive();
    ::DeleteFileW(file.c_str());
}

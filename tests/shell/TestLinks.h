#pragma once
// Helpers for the shell tests: read a link file back through the system's own
// shell link object, and a scratch folder that is removed afterwards.
#include <windows.h>

#include <string>

struct LinkContents {
    std::wstring path, workingDirectory, description, arguments, iconFile;
    int iconIndex = 0;
    int showCommand = 0;
    WORD hotKey = 0;
};

// Loads the link through IPersistFile::Load and reads it with IShellLinkW
// (the show command excepted, see there); the calling thread must have COM
// started.
LinkContents ReadLink(const std::wstring& file);
bool FileExists(const std::wstring& file);

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // The folder's path, ending in a backslash.
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

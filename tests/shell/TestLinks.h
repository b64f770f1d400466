#pragma once
// Reads a link file back through the system's own shell link object.
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

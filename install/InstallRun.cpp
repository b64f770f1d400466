#include "InstallRun.h"

#include <windows.h>
#include <shlobj.h>

#include "DownloadArchive.h"
#include "UnpackArchive.h"

namespace {

struct Archive {
    const wchar_t* serverPath;
    const wchar_t* localName;
};
// upgrade.zip comes second: its files replace those of main.zip.
constexpr Archive kArchives[] = {
    {L"venkor/Files/main.zip", L"main.zip"},
    {L"venkor/Files/upgrade.zip", L"upgrade.zip"},
};

}  // namespace

void RunInstallation(wchar_t drive, std::wstring& Pad, TIdHTTP& IdHTTP1, TAbUnZipper& AbUnZipper1,
                     const std::wstring& fileServer) {
    Pad = std::wstring(1, drive) + L":\\VENKOR\\";
    // Not examined: a folder that cannot be made shows up as the failure to
    // create the first archive file.
    const DWORD attributes = ::GetFileAttributesW(Pad.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        ::SHCreateDirectoryExW(nullptr, Pad.c_str(), nullptr);

    for (const Archive& archive : kArchives) {
        const std::wstring localFile = Pad + archive.localName;
        DownloadArchive(IdHTTP1, fileServer, archive.serverPath, localFile);
        UnpackArchive(AbUnZipper1, localFile);
    }
}

#include "InstallRun.h"

#include <windows.h>
#include <shlobj.h>

#include "DownloadArchive.h"
#include "InstallPlan.h"
#include "SignedArchive.h"
#include "UnpackArchive.h"

void RunInstallation(const std::wstring& Pad, TIdHTTP& IdHTTP1, TAbUnZipper& AbUnZipper1, const InstallSource& source) {
    // Not examined: a folder that cannot be made shows up as the failure to
    // create the first archive file.
    const DWORD attributes = ::GetFileAttributesW(Pad.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        ::SHCreateDirectoryExW(nullptr, Pad.c_str(), nullptr);

    for (const InstallPlan::Archive& archive : InstallPlan::kArchives) {
        const std::wstring localFile = Pad + archive.localName;
        DownloadArchive(IdHTTP1, source.fileServer, archive.serverPath, localFile);
        if (!source.signingKey.empty())
            VerifyArchiveSignature(IdHTTP1, source.fileServer + archive.serverPath, localFile, archive.localName,
                                   source.signingKey);
        UnpackArchive(AbUnZipper1, localFile);
    }
}

#include "InstallRun.h"

#include <windows.h>
#include <shlobj.h>

#include "DownloadArchive.h"
#include "Failure.h"
#include "HttpTextIds.h"
#include "InstallPlan.h"
#include "LibraryText.h"
#include "SignedArchive.h"
#include "TlsSettings.h"
#include "UnpackArchive.h"

void RunInstallation(const std::wstring& Pad, TIdHTTP& IdHTTP1, TAbUnZipper& AbUnZipper1, const InstallSource& source) {
    if (Pad.size() < 3 || !IsDriveLetter(Pad[0]) || Pad[1] != L':' || Pad[2] != L'\\')
        throw Failure(LoadResString(IDS_INSTALL_NO_DRIVE));
    // Not examined: a folder that cannot be made shows up as the failure to
    // create the first archive file.
    const DWORD attributes = ::GetFileAttributesW(Pad.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        ::SHCreateDirectoryExW(nullptr, Pad.c_str(), nullptr);

    IdHTTP1.SetTls(TlsSettingsFor(source.fileServer, source.trustedCertificates));
    for (const InstallPlan::Archive& archive : InstallPlan::kArchives) {
        const std::wstring localFile = Pad + archive.localName;
        if (source.signingKey.empty())
            DownloadArchive(IdHTTP1, source.fileServer, archive.serverPath, localFile);
        else
            DownloadSignedArchive(IdHTTP1, source.fileServer, archive.serverPath, localFile, archive.localName,
                                  source.signingKey);
        UnpackArchive(AbUnZipper1, localFile);
    }
}

#include "InstallRun.h"

#include <windows.h>
#include <shlobj.h>

#include <optional>

#include "DownloadArchive.h"
#include "Failure.h"
#include "HttpTextIds.h"
#include "InstallPlan.h"
#include "LibraryText.h"
#include "LocalArchive.h"
#include "ReleaseTextIds.h"
#include "SignedArchive.h"
#include "TargetFolder.h"
#include "TlsSettings.h"
#include "UnpackArchive.h"
#include "WindowsProxy.h"

void RunInstallation(const std::wstring& Pad, TIdHTTP& IdHTTP1, TAbUnZipper& AbUnZipper1, const InstallSource& source) {
    if (Pad.size() < 3 || !IsDriveLetter(Pad[0]) || Pad[1] != L':' || Pad[2] != L'\\')
        throw Failure(LoadResString(IDS_INSTALL_NO_DRIVE));
    // A signed release holds its folder for the whole run and only writes
    // into one that no other account can change (TargetFolder.h). Otherwise
    // not examined: a folder that cannot be made shows up as the failure to
    // create the first archive file.
    const bool signedArchives = !source.signingKey.empty();
    std::optional<HeldTargetFolder> held;
    if (signedArchives) {
        held.emplace(Pad);
    } else {
        const DWORD attributes = ::GetFileAttributesW(Pad.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            ::SHCreateDirectoryExW(nullptr, Pad.c_str(), nullptr);
    }

    IdHTTP1.SetTls(TlsSettingsFor(source.fileServer, source.trustedCertificates, signedArchives));
    // A signed release goes the way the user's Windows settings name: the
    // signatures, not the road, vouch for the archives. The default build
    // connects directly.
    if (signedArchives)
        IdHTTP1.SetProxy({WindowsProxyFor(source.fileServer, IdHTTP1.OnBusy()), LoadResString(IDS_PROXY_REFUSED)});
    // A signed release starts nothing that it did not unpack itself.
    AbUnZipper1.SetRefuseForeignFiles(signedArchives);
    AbUnZipper1.ForgetOwnFiles();
    for (const InstallPlan::Archive& archive : InstallPlan::kArchives) {
        const std::wstring localFile = Pad + archive.localName;
        if (!signedArchives) {
            DownloadArchive(IdHTTP1, source.fileServer, archive.serverPath, localFile);
            UnpackArchive(AbUnZipper1, localFile);
        } else {
            const auto local = FindLocalArchive(source.archiveFolder, archive.localName);
            UniqueFile checked = local ? CopySignedArchive(IdHTTP1, *local, localFile, archive.localName, source)
                                       : DownloadSignedArchive(IdHTTP1, source.fileServer, archive.serverPath,
                                                               localFile, archive.localName, source);
            UnpackArchive(AbUnZipper1, localFile, std::move(checked));
        }
    }
}

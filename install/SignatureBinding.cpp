#include "SignatureBinding.h"

#include "ArchiveSignature.h"
#include "FormatText.h"
#include "LibraryText.h"
#include "ReleaseTextIds.h"
#include "TextConversion.h"
#include "UniqueHandle.h"

Failure ArchiveNotSigned(const std::wstring& archiveName) {
    return Failure(FormatText(LoadResString(IDS_ARCHIVE_NOT_SIGNED), {archiveName}));
}

void BindSignature(HANDLE file, const std::vector<std::uint8_t>& signature, const BackgroundHash::Hash& hash,
                   const std::wstring& archiveName, const InstallSource& source) {
    // Signed by the maker, for this archive, by this release or a later one.
    if (!CheckArchiveSignature(source.signingKey, signature, hash, ToUtf8(archiveName), source.signaturesNotBefore)
             .Holds())
        throw ArchiveNotSigned(archiveName);
    // The maker's: kept like any archive from here on. Should the mark stay,
    // the extraction still reads through this handle.
    KeepWhenClosed(file);
}

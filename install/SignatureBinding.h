#pragma once
// The last step for a signed release's archive file, however its bytes came
// (downloaded, or copied from beside Setup.exe): the maker's signature binds
// them, or nothing is installed from them.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "BackgroundHash.h"
#include "Failure.h"
#include "InstallSource.h"

// The failure of an archive that the maker's signature does not vouch for.
Failure ArchiveNotSigned(const std::wstring& archiveName);

// file: made by CreateArchiveFile with OnClose::Delete; hash: of every byte
// written to it. Throws ArchiveNotSigned unless signature shows those bytes
// to be the maker's for archiveName, made no earlier than
// source.signaturesNotBefore; then takes the deletion mark away.
void BindSignature(HANDLE file, const std::vector<std::uint8_t>& signature, const BackgroundHash::Hash& hash,
                   const std::wstring& archiveName, const InstallSource& source);

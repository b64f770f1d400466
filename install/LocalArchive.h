#pragma once
// A signed release's archives may lie beside Setup.exe, for an office whose
// network blocks or crawls, or for many PCs served from one stick or share:
// an archive whose signature file lies beside it too is copied into the
// target folder instead of fetched, through the same file handle, hash and
// signature rules as a download. A copy the signature does not bind is
// refused; the server is not asked instead.
#include <optional>
#include <string>

#include "IdHTTP.h"
#include "InstallSource.h"
#include "UniqueHandle.h"

struct LocalArchive {
    std::wstring archive;    // full paths
    std::wstring signature;  // the archive's + kSignatureSuffix
};

// name and name + kSignatureSuffix in folder (ending in a backslash), when
// both are files; otherwise none. An empty folder: none.
std::optional<LocalArchive> FindLocalArchive(const std::wstring& folder, const std::wstring& name);

// Copies local.archive into localFile as DownloadSignedArchive downloads
// (the same creation, deletion mark and signature check), reporting the copy
// through the client's progress events and busy hook as a download would.
// Throws Failure: the file cannot be created or the copy read (naming the
// copy), or ArchiveNotSigned naming archiveName.
UniqueFile CopySignedArchive(const TIdHTTP& IdHTTP1, const LocalArchive& local, const std::wstring& localFile,
                             const std::wstring& archiveName, const InstallSource& source);

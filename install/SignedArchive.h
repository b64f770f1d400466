#pragma once
// The download of a signed release's archive: the archive is fetched as
// DownloadArchive fetches it, its BLAKE2b-512 hash is computed on the way
// (BackgroundHash), then its detached minisign signature (the archive's URL
// + ".minisig") is fetched over the same client and checked against the
// hash and the maker's public key, before anything is unpacked from it.
#include <string>
#include <string_view>

#include "IdHTTP.h"

inline constexpr wchar_t kSignatureSuffix[] = L".minisig";

// DownloadArchive of fileServer + serverPath into localFile, then the
// signature with the same exchange rules and failure texts. Throws Failure
// naming archiveName when the signature does not show the file to be the
// maker's (missing its mark in any way: malformed, larger than a signature
// file can be, another key, another file); returns when it does.
void DownloadSignedArchive(TIdHTTP& IdHTTP1, const std::wstring& fileServer, const std::wstring& serverPath,
                           const std::wstring& localFile, const std::wstring& archiveName, std::string_view signingKey);

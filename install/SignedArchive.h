#pragma once
// The signature check of a signed release: after an archive is downloaded,
// its detached minisign signature (the archive's URL + ".minisig") is fetched
// over the same client, and the archive file is checked against it and the
// maker's public key before anything is unpacked from it.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "IdHTTP.h"

inline constexpr wchar_t kSignatureSuffix[] = L".minisig";

// Fetches archiveUrl + ".minisig" with the download's exchange rules and
// failure texts, then reads localFile in blocks through the verifier. Throws
// Failure naming archiveName when the signature is missing its mark in any
// way (malformed, too large, another key, another file); returns when the
// file is the maker's.
void VerifyArchiveSignature(TIdHTTP& IdHTTP1, const std::wstring& archiveUrl, const std::wstring& localFile,
                            const std::wstring& archiveName, std::string_view signingKey);

// The check alone: localFile, read in blocks, against the signature file's
// bytes and the key. Throws Failure naming archiveName unless it verifies.
void CheckArchiveSignature(const std::wstring& localFile, std::span<const std::uint8_t> signatureFile,
                           std::string_view signingKey, const std::wstring& archiveName);

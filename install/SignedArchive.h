#pragma once
// The download of a signed release's archive: the archive is fetched as
// DownloadArchive fetches it, but tried again from where it broke off
// when a transfer breaks off (ResumingDownload.h, source.retryPause); its
// BLAKE2b-512 hash is computed on the way
// (BackgroundHash), then its detached minisign signature (the archive's URL
// + ".minisig") is fetched over the same client and checked against the
// hash and the maker's public key, before anything is unpacked from it.
#include <string>
#include <string_view>

#include "IdHTTP.h"
#include "InstallSource.h"
#include "ThreadTimes.h"
#include "UniqueHandle.h"

inline constexpr wchar_t kSignatureSuffix[] = L".minisig";

// Fetches fileServer + serverPath into localFile as DownloadArchive does,
// then the signature with the same exchange rules and failure texts (bounded
// to kMaxSignatureFile bytes and 60 s), and returns the archive still open,
// shared with nobody, for the extraction to read and delete. Throws Failure
// naming archiveName when the signature does not show the file to be the
// maker's for that name, made no earlier than source.signaturesNotBefore
// (malformed, too large, another key, another file, an older release). Until
// the signature binds, the archive is marked for deletion: it is gone after
// any failure here, and after a process ended meanwhile by whatever means.
// With times (benchmarks), the receiving and hashing threads' processor time
// and waits are added to it.
UniqueFile DownloadSignedArchive(TIdHTTP& IdHTTP1, const std::wstring& fileServer, const std::wstring& serverPath,
                                 const std::wstring& localFile, const std::wstring& archiveName,
                                 const InstallSource& source, PipelineTimes* times = nullptr);

#pragma once
// Where the installation run fetches from, and what it trusts: the file
// server's base URL, compiled in; for a signed release the maker's public
// key, which every archive must be signed with, and the time before which its
// signatures belong to an older release, the folder (Setup.exe's own)
// whose signed archives are used instead of the server's, and how long a
// broken download of its archives waits before it tries again; and, for
// test builds of an
// https server, the certificates that replace Windows' trust store.
#include <chrono>
#include <cstdint>
#include <string>

struct InstallSource {
    // Implicit on purpose: the default build is a file server and nothing else.
    InstallSource(std::wstring fileServer) : fileServer(std::move(fileServer)) {}

    std::wstring fileServer;                     // http:// or https://, path "/"
    std::string signingKey;                      // base64 line of a minisign.pub; empty: archives are not checked
    std::int64_t signaturesNotBefore = 0;        // seconds since 1970
    std::string trustedCertificates;             // PEM; empty: Windows' trust store
    std::wstring archiveFolder;                  // signed only: archives found here are not fetched (LocalArchive.h)
    std::chrono::milliseconds retryPause{1000};  // then twice and four times as long (ResumingDownload.h)
};

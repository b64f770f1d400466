#pragma once
// The TLS side of the HTTP client, for a file server reached over https:
// libcurl on Schannel (the system's TLS) verifies the server's certificate
// chain and host name against Windows' trust store, or against the
// certificates that a test build brings instead. Requests may use only the
// scheme of the configured file server, so an http build never speaks TLS
// and an https build never falls back to plain http.
#include <curl/curl.h>

#include <optional>
#include <string>

struct TlsSettings {
    std::string scheme = "http";      // the one scheme allowed: "http" or "https"
    std::string trustedCertificates;  // PEM; empty: Windows' trust store
    // Whether a revocation server that cannot be reached, or a certificate
    // that names none, still lets the connection through.
    bool revocationBestEffort = false;
};

// For the file server's base URL: https when it starts with "https://".
// Revocation is checked strictly, unless the archives are signed (their
// signatures protect them whatever the connection) or the certificates are
// a test build's own (a private test CA has no revocation server).
TlsSettings TlsSettingsFor(const std::wstring& fileServer, std::string trustedCertificates, bool signedArchives);

// The scheme's own port (80, 443), which the Host header leaves out.
long DefaultPort(const TlsSettings& settings);

// Sets the allowed scheme and, for https, the verification options.
void ApplyTlsSettings(CURL* easy, const TlsSettings& settings);

// The failure text of a TLS failure (a certificate that is not trusted, a
// host name it does not name, a handshake that fails), carrying libcurl's
// reason; nothing for any other result.
std::optional<std::wstring> TlsFailureText(CURLcode result, const char* curlMessage);

#include "TlsSettings.h"

#include <utility>

#include "FormatText.h"
#include "HttpTextIds.h"
#include "LibraryText.h"
#include "TextConversion.h"

TlsSettings TlsSettingsFor(const std::wstring& fileServer, std::string trustedCertificates, bool signedArchives) {
    TlsSettings settings;
    if (fileServer.starts_with(L"https://")) settings.scheme = "https";
    settings.revocationBestEffort = signedArchives || !trustedCertificates.empty();
    settings.trustedCertificates = std::move(trustedCertificates);
    return settings;
}

long DefaultPort(const TlsSettings& settings) { return settings.scheme == "https" ? 443 : 80; }

void ApplyTlsSettings(CURL* easy, const TlsSettings& settings) {
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, settings.scheme.c_str());
    if (settings.scheme != "https") return;
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(easy, CURLOPT_SSL_OPTIONS,
                     settings.revocationBestEffort ? static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT) : 0L);
    if (!settings.trustedCertificates.empty()) {
        // Replaces the system's store; libcurl keeps its own copy.
        curl_blob blob{const_cast<char*>(settings.trustedCertificates.data()), settings.trustedCertificates.size(),
                       CURL_BLOB_COPY};
        curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &blob);
    }
}

std::optional<std::wstring> TlsFailureText(CURLcode result, const char* curlMessage) {
    switch (result) {
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_USE_SSL_FAILED: break;
    default: return std::nullopt;
    }
    const char* reason = curlMessage && *curlMessage ? curlMessage : curl_easy_strerror(result);
    return FormatText(LoadResString(IDS_TLS_FAILURE), {FromUtf8(reason)});
}

#include "IdHTTP.h"

#include <winsock2.h>
#include <windows.h>

#include <curl/curl.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>

#include "Failure.h"
#include "HttpExchange.h"
#include "TextConversion.h"

// The request head is exactly: request line, Host, Accept, User-Agent and,
// when cookies apply, Cookie; a resumed download adds Range and If-Range.
// All go through CURLOPT_HTTPHEADER so that
// libcurl adds none of its own (a custom Host or Accept replaces libcurl's,
// and without CURLOPT_USERAGENT it sends none); libcurl's cookie engine stays
// off because it would put its Cookie line before the custom headers.
//
// The outcome rules live in HttpExchange; this file owns the libcurl handle,
// whose connection cache keeps the one connection between requests.

namespace {

// libcurl's read size. After each read libcurl asks select() without waiting
// whether more is to be read; under Wine that check costs far more than the
// recv itself, so the fewer reads per byte the better: with 4 MiB a fast
// body takes a fifth to a third less time than with 1 MiB. The progress
// events still come per block of at most 32768 bytes (HttpExchange slices
// them).
constexpr long kReceiveBuffer = 4 * 1024 * 1024;

// Header values go out as 7-bit text; line breaks could never be part of one.
std::string HeaderValue(const std::wstring& text) {
    std::string result;
    result.reserve(text.size());
    for (wchar_t c : text)
        result += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    return result;
}

// "Name: value"; libcurl drops a header given as "Name:", so an empty value
// is written the way libcurl sends it with nothing after the colon.
std::string HeaderLine(const char* name, const std::string& value) {
    return value.empty() ? std::string(name) + ";" : std::string(name) + ": " + value;
}

struct SlistFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct UrlFree {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

struct UrlParts {
    std::string host;
    long port = 80;
    std::string path;
};

std::string UrlPart(CURLU* url, CURLUPart part, unsigned flags) {
    char* value = nullptr;
    if (curl_url_get(url, part, &value, flags) != CURLUE_OK || value == nullptr) return {};
    std::string result(value);
    curl_free(value);
    return result;
}

UrlParts ParseUrl(const std::string& text) {
    std::unique_ptr<CURLU, UrlFree> url(curl_url());
    if (!url) throw std::bad_alloc();
    const CURLUcode rc = curl_url_set(url.get(), CURLUPART_URL, text.c_str(), 0);
    if (rc != CURLUE_OK) {
        const char* reason = curl_url_strerror(rc);
        throw Failure(std::wstring(reason, reason + std::strlen(reason)));
    }
    UrlParts parts;
    parts.host = UrlPart(url.get(), CURLUPART_HOST, 0);
    parts.port = std::strtol(UrlPart(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT).c_str(), nullptr, 10);
    parts.path = UrlPart(url.get(), CURLUPART_PATH, 0);
    return parts;
}

// Leaves no pointer to this request's data behind in the long-lived handle.
struct DetachRequest {
    CURL* easy;
    ~DetachRequest() {
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, nullptr);
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, nullptr);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, nullptr);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, nullptr);
        curl_easy_setopt(easy, CURLOPT_DEBUGDATA, nullptr);
        curl_easy_setopt(easy, CURLOPT_XFERINFODATA, nullptr);
        curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 1L);
        curl_easy_setopt(easy, CURLOPT_VERBOSE, 0L);
    }
};

void ApplySettings(CURL* easy) {
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_FAILONERROR, 0L);
    curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
    // Answers without a status line reach the glue, which fails them.
    curl_easy_setopt(easy, CURLOPT_HTTP09_ALLOWED, 1L);
    curl_easy_setopt(easy, CURLOPT_IPRESOLVE, static_cast<long>(CURL_IPRESOLVE_V4));
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kReceiveBuffer);
    curl_easy_setopt(easy, CURLOPT_MAXCONNECTS, 1L);
    // No time limit for connecting beyond the operating system's own.
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, 0L);
}

// Whether the kept connection holds bytes no answer has claimed. libcurl would
// take them for the start of the next answer; the connection is dropped
// instead, with them.
bool HoldsLeftoverBytes(CURL* easy) {
    curl_socket_t socket = CURL_SOCKET_BAD;
    if (curl_easy_getinfo(easy, CURLINFO_ACTIVESOCKET, &socket) != CURLE_OK || socket == CURL_SOCKET_BAD) return false;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval now{0, 0};
    if (select(0, &readable, nullptr, nullptr, &now) != 1) return false;
    char byte;
    return recv(socket, &byte, 1, MSG_PEEK) > 0;
}

}  // namespace

void TIdHTTP::CurlCleanup::operator()(CURL* easy) const { curl_easy_cleanup(easy); }

// Winsock is started here and not left to libcurl: the leftover-bytes check
// calls it directly. WSAStartup counts its callers, so this costs nothing
// beside libcurl's own start-up.
TIdHTTP::TIdHTTP() {
    WSADATA data;
    winsockStarted_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

TIdHTTP::~TIdHTTP() {
    easy_.reset();
    if (winsockStarted_) WSACleanup();
}

void TIdHTTP::Get(const std::wstring& url, TResponseSink& sink, const TRequestLimits* limits) {
    if (!curl_) curl_.emplace();
    responseCode_ = -1;
    responseText_.clear();
    transient_ = TTransientFailure::None;
    const UrlParts parts = ParseUrl(ToUtf8(url));

    std::string host = parts.host;
    if (parts.port != DefaultPort(tls_)) {
        host += ':';
        host += std::to_string(parts.port);
    }
    const std::string cookies = cookies_.CookieHeader(parts.host, parts.path, tls_.scheme == "https",
                                                      static_cast<std::int64_t>(std::time(nullptr)));
    std::unique_ptr<curl_slist, SlistFree> headers;
    for (const std::string& line :
         {HeaderLine("Host", host), HeaderLine("Accept", HeaderValue(Request.Accept)),
          HeaderLine("User-Agent", HeaderValue(Request.UserAgent)),
          cookies.empty() ? std::string() : HeaderLine("Cookie", cookies),
          Request.Range.empty() ? std::string() : HeaderLine("Range", HeaderValue(Request.Range)),
          Request.IfRange.empty() ? std::string() : HeaderLine("If-Range", HeaderValue(Request.IfRange))}) {
        if (line.empty()) continue;
        curl_slist* extended = curl_slist_append(headers.get(), line.c_str());
        if (extended == nullptr) throw std::bad_alloc();
        headers.release();
        headers.reset(extended);
    }

    if (easy_ && HoldsLeftoverBytes(easy_.get())) easy_.reset();
    if (!easy_) easy_.reset(curl_easy_init());
    if (!easy_) throw std::bad_alloc();
    CURL* easy = easy_.get();
    HttpExchange exchange(sink, workHandler_, onBusy_, cookies_, parts.host, parts.path, readTimeout_, limits,
                          Request.WholeBody);
    if (!proxy_.proxy.empty()) exchange.SetProxied();
    char curlMessage[CURL_ERROR_SIZE] = {};
    CURLcode result;
    long osErrno = 0;
    long connectCode = 0;
    {
        DetachRequest detach{easy};
        ApplySettings(easy);
        ApplyTlsSettings(easy, tls_);
        ApplyProxyRoute(easy, proxy_, tls_.scheme == "https");
        curl_easy_setopt(easy, CURLOPT_URL, ToUtf8(url).c_str());
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, curlMessage);
        exchange.Attach(easy);
        result = curl_easy_perform(easy);
        curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osErrno);
        curl_easy_getinfo(easy, CURLINFO_HTTP_CONNECTCODE, &connectCode);
    }

    // In every outcome: the status of the answer is kept for the caller,
    // and a connection that cannot carry another request is dropped.
    // libcurl closes on its own what HTTP tells it to; the rest is ours.
    // After an error a fresh handle also forgets the socket error number,
    // which libcurl would otherwise report again for later transfers.
    const auto recordStatusAndDropSpentConnection = [&] {
        responseCode_ = exchange.Code();
        responseText_ = AsciiText(exchange.StatusLine());
        transient_ = exchange.Transient();
        if (!exchange.MayKeepConnection() || result != CURLE_OK) easy_.reset();
    };
    try {
        exchange.Finish(result, osErrno, curlMessage);
    } catch (...) {
        recordStatusAndDropSpentConnection();
        // Neither a refusing proxy nor a failed handshake mends itself by
        // trying again.
        if (auto refused =
                ProxyRefusal(proxy_, connectCode, exchange.LastHeadLine(), exchange.Code(), exchange.StatusLine())) {
            transient_ = TTransientFailure::None;
            throw Failure(*refused);
        }
        if (auto tls = TlsFailureText(result, curlMessage)) {
            transient_ = TTransientFailure::None;
            throw Failure(*tls);
        }
        throw;
    }
    recordStatusAndDropSpentConnection();
}

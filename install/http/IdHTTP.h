#pragma once
// The main window's HTTP/1.1 client, on libcurl: GET of an http URL into a
// sink, progress events, an in-memory cookie store, and one kept-alive
// connection that successive downloads share. One thread uses it. It sets
// libcurl's global state up at its first request, not at start: that set-up
// (Schannel, SSPI) would delay the window's first paint. The rules of one
// GET are HttpExchange's (docs/download.md).
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "CookieStore.h"
#include "CurlLibrary.h"
#include "ProxyRoute.h"
#include "TlsSettings.h"

enum class TWorkMode { wmRead, wmWrite };

// Receives the HTTP client's progress events; the main window implements it.
class TWorkHandler {
public:
    virtual void IdHTTP1WorkBegin(TWorkMode AWorkMode, std::int64_t AWorkCountMax) = 0;
    virtual void IdHTTP1Work(TWorkMode AWorkMode, std::int64_t AWorkCount) = 0;
    virtual void IdHTTP1WorkEnd(TWorkMode AWorkMode) = 0;

protected:
    ~TWorkHandler() = default;
};

// What a sink learns of a 2xx answer before its body; empty when absent.
struct TResponseHead {
    int code;
    std::int64_t contentLength;  // -1: none (chunked, or read until the close)
    std::string etag;
    std::string lastModified;
    std::string date;
    std::string contentRange;
};

// Takes the body of a successful answer block by block. Throwing Failure
// ends the download with that failure.
class TResponseSink {
public:
    // Once per 2xx answer, after its head and before any of its body;
    // throwing ends the download with that exception, as Write does.
    virtual void Start(const TResponseHead&) {}
    virtual void Write(const std::uint8_t* data, std::size_t size) = 0;

protected:
    ~TResponseSink() = default;
};

// Bounds of one request beyond the read timeout: all bytes of the answer,
// heads and body of any status (one that announces more fails at once, as
// does a Content-Length past 2^63-1), and
// the time from the request's start ("Read timed out." when it is up).
struct TRequestLimits {
    std::int64_t maxBytes;
    std::chrono::milliseconds maxDuration;
    std::wstring tooLarge;  // the failure's text when the answer is too large
};

struct TIdHTTPRequest {
    std::wstring Accept = L"text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
    std::wstring UserAgent;
    // For a download that resumes; empty: not sent.
    std::wstring Range;
    std::wstring IfRange;
    // A body that ends before its Content-Length (closed, reset) fails with
    // the reason instead of standing with the bytes received.
    bool WholeBody = false;
};

// Why the last request failed, where trying again may help: no connection
// (name not found, connect failed); the connection failed, closed or fell
// silent before the answer was whole; or a 5xx answer. None for every other
// outcome, a failure of the sink or of a handler included.
enum class TTransientFailure { None, Unreachable, BrokenOff, ServerError };

class TIdHTTP {
public:
    TIdHTTP();
    ~TIdHTTP();
    TIdHTTP(const TIdHTTP&) = delete;
    TIdHTTP& operator=(const TIdHTTP&) = delete;

    // The headers of the next request (sent as 7-bit text).
    TIdHTTPRequest Request;

    // nullptr: no progress events.
    void SetWorkHandler(TWorkHandler* handler) { workHandler_ = handler; }
    TWorkHandler* WorkHandler() const { return workHandler_; }

    // Called now and then (at most every 50 ms) while a request is under way,
    // also while the server sends nothing, so that the window can keep
    // painting; it implies no progress. Throwing ends the request with that
    // exception. The archive extractor takes the same hook
    // (TAbUnZipper::SetOnBusy).
    void SetOnBusy(std::function<void()> handler) { onBusy_ = std::move(handler); }
    const std::function<void()>& OnBusy() const { return onBusy_; }

    // Sends a GET for url and writes the body of a 2xx answer to sink.
    // Throws Failure for every other outcome: the server's status line for
    // another status, the library texts for a failed transfer.
    void Get(const std::wstring& url, TResponseSink& sink, const TRequestLimits* limits = nullptr);

    // Of the last request: the status code (-1 when the status line has no
    // number) and the status line as received.
    int ResponseCode() const { return responseCode_; }
    const std::wstring& ResponseText() const { return responseText_; }
    TTransientFailure TransientFailure() const { return transient_; }

    // The allowed scheme and, for https, what the server's certificate is
    // checked against; plain http until set.
    void SetTls(TlsSettings settings) { tls_ = std::move(settings); }

    // Direct until set: no proxy, whatever the environment names.
    void SetProxy(ProxyRoute route) { proxy_ = std::move(route); }

    // How long an answer may stay silent before "Read timed out."; 60 s.
    void SetReadTimeout(std::chrono::milliseconds limit) { readTimeout_ = limit; }

private:
    struct CurlCleanup {
        void operator()(CURL* easy) const;
    };

    std::optional<CurlLibrary> curl_;          // from the first request on; outlives easy_
    std::unique_ptr<CURL, CurlCleanup> easy_;  // holds the kept-alive connection
    CookieStore cookies_;
    TlsSettings tls_;
    ProxyRoute proxy_;
    TWorkHandler* workHandler_ = nullptr;
    std::function<void()> onBusy_;
    int responseCode_ = -1;
    std::wstring responseText_;
    TTransientFailure transient_ = TTransientFailure::None;
    std::chrono::milliseconds readTimeout_{60000};
    bool winsockStarted_ = false;  // for the client's own socket calls
};

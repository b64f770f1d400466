#pragma once
// The state of one GET while libcurl performs it: its callbacks read the
// answer heads, store cookies, report progress and move the body to the
// sink; Finish turns libcurl's result into the outcome of the GET.
#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "CookieStore.h"
#include "IdHTTP.h"
#include "Throttle.h"

// Text made from the server's bytes (a status line, a first line): 7-bit
// printable characters; anything else, line breaks included, becomes '?'.
std::wstring AsciiText(std::string_view bytes);

class HttpExchange {
public:
    HttpExchange(TResponseSink& sink, TWorkHandler* handler, const std::function<void()>& onBusy, CookieStore& cookies,
                 std::string host, std::string path, std::chrono::milliseconds readTimeout,
                 const TRequestLimits* limits, bool wholeBody = false);

    // Points the transfer's callbacks at this exchange.
    void Attach(CURL* easy);
    // Through a proxy libcurl answers a 407 with credentials on the same
    // request, and the callbacks get the next answer's head after the 407's.
    void SetProxied() { proxied_ = true; }

    // Returns on success; otherwise throws the failure of the GET. The end
    // event, when a begin event was reported, comes first in every case.
    void Finish(CURLcode result, long osErrno, const char* curlMessage);

    // The status of the final (or only) head; -1 and empty before one.
    int Code() const { return code_; }
    const std::string& StatusLine() const { return statusLine_; }
    // The first line of the last head received, also of a proxy's answer to
    // CONNECT, which the header callback is not given.
    const std::string& LastHeadLine() const { return lastHeadLine_; }
    // False when the connection must not carry another request.
    bool MayKeepConnection() const { return !closeAsked_ && !abandoned_; }
    // After Finish: why the GET failed, where trying again may help.
    TTransientFailure Transient() const { return error_ ? TTransientFailure::None : transient_; }

private:
    enum class Phase { Head, Body };
    // Why the transfer was stopped before libcurl's own end, as the first
    // callback that stopped it saw it; None while nothing stopped it.
    enum class EarlyEnd {
        None,
        NoStatusLine,  // the answer does not start with an HTTP status line
        Provisional,   // a 1xx answer other than 100
        TimedOut,      // silent for longer than the read timeout, or past the time limit
        HeadTooLarge,  // the heads of the answer passed kMaxHead
    };

    // libcurl's callbacks: each runs its *Callback body through Guarded.
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
    static int OnDebug(CURL* easy, curl_infotype type, char* data, std::size_t size, void* self);
    static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    static std::size_t HeaderCallback(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t BodyCallback(char* data, std::size_t size, std::size_t count, void* self);
    static int DebugCallback(CURL* easy, curl_infotype type, char* data, std::size_t size, void* self);
    static int ProgressCallback(void* self);
    template <typename Result, typename Callback>
    static Result Guarded(void* self, Result abort, Callback callback) noexcept;

    bool HeaderLine(std::string_view line);
    bool EndOfHead();
    bool WithinLimit(std::int64_t announced);
    // False when the sink refused the answer.
    bool StartBody();
    TResponseHead Head() const;
    // The failure text of a transfer that broke off.
    std::wstring BrokenOff(std::wstring text);
    bool WithoutStatusLine(std::string_view data);
    std::optional<std::wstring> Outcome(CURLcode result, long osErrno, const char* curlMessage);
    void ReportEnd();
    void NoteSignOfLife(CURL* easy);
    // Stops the transfer for why (the first reason given stands); the
    // connection is of no further use.
    void EndEarly(EarlyEnd why);
    // Reports an event unless an earlier callback failed; the end event is
    // reported in any case.
    template <typename Event>
    void Notify(Event event, bool afterFailure = false);
    void Busy();

    TResponseSink& sink_;
    TWorkHandler* handler_;
    const std::function<void()>& onBusy_;
    Throttle busy_;
    CookieStore& cookies_;
    std::string host_;
    std::string path_;
    std::chrono::milliseconds readTimeout_;
    const TRequestLimits* limits_;  // nullptr: unbounded
    bool wholeBody_;                // a body short of its Content-Length fails
    std::chrono::steady_clock::time_point started_;
    std::int64_t received_ = 0;  // bytes of this answer, heads included

    Phase phase_ = Phase::Head;
    bool statusSeen_ = false;  // of the head being read
    std::string statusLine_;
    int code_ = -1;
    int headerLines_ = 0;
    std::size_t headBytes_ = 0;  // of every head of this answer, interim ones included
    std::int64_t contentLength_ = -1;
    bool lengthBeyondRange_ = false;  // a Content-Length past 2^63-1: more than any limit
    bool chunked_ = false;
    bool closeAsked_ = false;
    std::string etag_;  // these four of the head being read; empty when absent
    std::string lastModified_;
    std::string date_;
    std::string contentRange_;
    bool failing_ = false;  // status outside 200-299: the body is read and dropped
    bool proxied_ = false;
    std::string firstLine_;  // of such an answer
    EarlyEnd earlyEnd_ = EarlyEnd::None;
    bool abandoned_ = false;  // stopped mid-answer: the connection is of no further use
    bool workBegun_ = false;
    std::int64_t workCount_ = 0;
    bool requestSent_ = false;
    std::chrono::steady_clock::time_point lastActivity_;
    // libcurl keeps the socket error number of the last socket failure, also
    // of one it has since recovered from (a refused address before one that
    // answered, a dead kept connection replaced): the number as it stood at
    // the last sign of life of this transfer is no news.
    long staleOsErrno_ = 0;
    TTransientFailure transient_ = TTransientFailure::None;
    std::string lastHeadLine_;
    bool atHeadStart_ = true;
    std::exception_ptr error_;  // thrown by the sink or the handler, raised after the transfer
};

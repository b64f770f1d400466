#include "HttpExchange.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <limits>
#include <utility>

#include "AsciiText.h"
#include "Failure.h"
#include "HttpTextIds.h"
#include "LibraryText.h"
#include "SocketErrorText.h"

namespace {

// A first line longer than this is cut: it only becomes a failure text.
constexpr std::size_t kMaxFirstLine = 8192;
// The most that the heads of one answer may take. libcurl itself fails
// beyond 300 KiB with a receive error that looks like an early end; this
// limit comes first so that an oversized head is told apart.
constexpr std::size_t kMaxHead = 256 * 1024;
constexpr int kHostNotFound = 11001;
// Progress is reported per block of at most this many bytes.
constexpr std::size_t kProgressBlock = 32768;

std::string_view WithoutLineEnd(std::string_view line) {
    if (line.ends_with('\n')) line.remove_suffix(1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    return line;
}

// The second word of a status line as a decimal number; -1 when it is none.
int StatusCode(std::string_view line) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t i = 0;
    while (i < line.size() && blank(line[i]))
        ++i;
    while (i < line.size() && !blank(line[i]))
        ++i;
    while (i < line.size() && blank(line[i]))
        ++i;
    std::size_t end = i;
    while (end < line.size() && !blank(line[end]))
        ++end;
    std::string_view word = line.substr(i, end - i);
    if (word.starts_with('+')) word.remove_prefix(1);
    int code = -1;
    const auto [rest, error] = std::from_chars(word.data(), word.data() + word.size(), code);
    return word.empty() || error != std::errc() || rest != word.data() + word.size() ? -1 : code;
}

bool IsSocketFailure(CURLcode result) {
    return result == CURLE_COULDNT_RESOLVE_HOST || result == CURLE_COULDNT_CONNECT || result == CURLE_SEND_ERROR ||
           result == CURLE_RECV_ERROR;
}

long OsErrno(CURL* easy) {
    long number = 0;
    return curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &number) == CURLE_OK ? number : 0;
}

}  // namespace

std::wstring AsciiText(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        text += u >= 0x20 && u < 0x7F ? static_cast<wchar_t>(u) : L'?';
    }
    return text;
}

HttpExchange::HttpExchange(TResponseSink& sink, TWorkHandler* handler, const std::function<void()>& onBusy,
                           CookieStore& cookies, std::string host, std::string path,
                           std::chrono::milliseconds readTimeout, const TRequestLimits* limits, bool wholeBody)
    : sink_(sink), handler_(handler), onBusy_(onBusy), busy_([this] { Busy(); }), cookies_(cookies),
      host_(std::move(host)), path_(std::move(path)), readTimeout_(readTimeout), limits_(limits), wholeBody_(wholeBody),
      started_(std::chrono::steady_clock::now()) {}

void HttpExchange::Attach(CURL* easy) {
    staleOsErrno_ = OsErrno(easy);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &HttpExchange::OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HttpExchange::OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    // The progress counts come from the debug callback, which is why every
    // transfer runs in verbose mode (nothing is printed: the callback takes
    // the output). It is the one place that sees each read from the
    // connection before chunked decoding, so the counts are the bytes
    // received, chunk framing included; the write callback only sees the
    // decoded body. It also notes when bytes last arrived, for the read timeout.
    curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, &HttpExchange::OnDebug);
    curl_easy_setopt(easy, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);
    // Called at least once a second while the transfer waits: the read timeout.
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &HttpExchange::OnProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
}

template <typename Event>
void HttpExchange::Notify(Event event, bool afterFailure) {
    if (handler_ == nullptr || (error_ && !afterFailure)) return;
    try {
        event(*handler_);
    } catch (...) {
        if (!error_) error_ = std::current_exception();
    }
}

// Like an event: a hook that throws ends the transfer with its exception.
void HttpExchange::Busy() {
    if (!onBusy_ || error_) return;
    try {
        onBusy_();
    } catch (...) {
        error_ = std::current_exception();
    }
}

// libcurl is C: no exception may leave a callback through its frames. One
// that escapes a callback's own handling (out of memory, say) ends the
// transfer with that exception, as a sink's failure does.
template <typename Result, typename Callback>
Result HttpExchange::Guarded(void* self, Result abort, Callback callback) noexcept {
    try {
        return callback();
    } catch (...) {
        auto& exchange = *static_cast<HttpExchange*>(self);
        if (!exchange.error_) exchange.error_ = std::current_exception();
        exchange.abandoned_ = true;
        return abort;
    }
}

std::size_t HttpExchange::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
    return Guarded(self, std::size_t{0}, [&] { return HeaderCallback(data, size, count, self); });
}

std::size_t HttpExchange::HeaderCallback(char* data, std::size_t size, std::size_t count, void* self) {
    auto& exchange = *static_cast<HttpExchange*>(self);
    const std::size_t length = size * count;
    if (exchange.error_) return 0;
    if (exchange.phase_ == Phase::Body) {
        // After a chunked body these are trailer lines; nothing here uses
        // them. After a proxy's 407, a status line starts the answer to the
        // request sent again.
        const bool nextAnswer =
            exchange.proxied_ && exchange.code_ == 407 && std::string_view(data, length).starts_with("HTTP/");
        if (!nextAnswer) return length;
        exchange.phase_ = Phase::Head;
        exchange.statusSeen_ = false;
    }
    exchange.headBytes_ += length;
    if (exchange.headBytes_ > kMaxHead) {
        exchange.EndEarly(EarlyEnd::HeadTooLarge);
        return 0;
    }
    return exchange.HeaderLine(WithoutLineEnd(std::string_view(data, length))) ? length : 0;
}

bool HttpExchange::HeaderLine(std::string_view line) {
    if (!statusSeen_) {
        statusSeen_ = true;
        statusLine_.assign(line);
        code_ = StatusCode(line);
        headerLines_ = 0;
        contentLength_ = -1;
        lengthBeyondRange_ = false;
        chunked_ = false;
        closeAsked_ = false;
        etag_.clear();
        lastModified_.clear();
        date_.clear();
        contentRange_.clear();
        return true;
    }
    if (line.empty()) return EndOfHead();
    ++headerLines_;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return true;
    const std::string_view name = TrimBlanks(line.substr(0, colon));
    const std::string_view value = TrimBlanks(line.substr(colon + 1));
    if (EqualsNoCase(name, "Set-Cookie")) {
        cookies_.Store(value, host_, path_, static_cast<std::int64_t>(std::time(nullptr)));
    } else if (EqualsNoCase(name, "Content-Length")) {
        std::int64_t length = -1;
        const auto [rest, error] = std::from_chars(value.data(), value.data() + value.size(), length);
        const bool whole = rest == value.data() + value.size();
        contentLength_ = error == std::errc() && whole && length >= 0 ? length : -1;
        // No length for the body (libcurl reads it until the connection
        // closes), but more than any limit.
        lengthBeyondRange_ = error == std::errc::result_out_of_range && whole && !value.starts_with('-');
    } else if (EqualsNoCase(name, "ETag")) {
        etag_.assign(value);
    } else if (EqualsNoCase(name, "Last-Modified")) {
        lastModified_.assign(value);
    } else if (EqualsNoCase(name, "Date")) {
        date_.assign(value);
    } else if (EqualsNoCase(name, "Content-Range")) {
        contentRange_.assign(value);
    } else if (EqualsNoCase(name, "Transfer-Encoding")) {
        chunked_ = ContainsNoCase(value, "chunked");
    } else if (EqualsNoCase(name, "Connection") || EqualsNoCase(name, "Proxy-Connection")) {
        if (EqualsNoCase(value, "close")) closeAsked_ = true;
    }
    return true;
}

// A bounded request fails with its own failure once the answer is, or
// announces, more than it may be.
bool HttpExchange::WithinLimit(std::int64_t announced) {
    // announced may be near 2^63: the sum could overflow, the difference
    // cannot (both are at least 0).
    if (!limits_ || announced <= limits_->maxBytes - received_) return true;
    if (!error_) error_ = std::make_exception_ptr(Failure(limits_->tooLarge));
    abandoned_ = true;
    return false;
}

bool HttpExchange::EndOfHead() {
    const std::int64_t announced =
        lengthBeyondRange_ ? std::numeric_limits<std::int64_t>::max() : std::max<std::int64_t>(contentLength_, 0);
    if (!WithinLimit(announced)) return false;
    if (code_ == 100) {  // an interim answer: the real one follows
        statusSeen_ = false;
        return true;
    }
    if (code_ >= 101 && code_ <= 199) {
        // Nothing we asked for switches protocols; stop here instead of
        // waiting for a body that a 1xx answer never has.
        EndEarly(EarlyEnd::Provisional);
        return false;
    }
    return StartBody();
}

bool HttpExchange::StartBody() {
    phase_ = Phase::Body;
    failing_ = code_ < 200 || code_ > 299;
    if (!failing_ && !error_) {
        try {
            sink_.Start(Head());
        } catch (...) {
            error_ = std::current_exception();
            abandoned_ = true;
            return false;
        }
    }
    // libcurl reads no body for these, whatever the head says.
    // A proxy's 407 body is no download, whether or not an answer follows.
    const bool bodyless =
        code_ == 204 || code_ == 304 || (!chunked_ && contentLength_ == 0) || (proxied_ && code_ == 407);
    if (bodyless) return true;
    const std::int64_t expected = chunked_ || contentLength_ < 0 ? 0 : contentLength_;
    workBegun_ = true;
    workCount_ = 0;
    Notify([&](TWorkHandler& h) { h.IdHTTP1WorkBegin(TWorkMode::wmRead, expected); });
    return true;
}

TResponseHead HttpExchange::Head() const {
    return {code_, chunked_ ? -1 : contentLength_, etag_, lastModified_, date_, contentRange_};
}

std::size_t HttpExchange::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
    return Guarded(self, std::size_t{0}, [&] { return BodyCallback(data, size, count, self); });
}

std::size_t HttpExchange::BodyCallback(char* data, std::size_t size, std::size_t count, void* self) {
    auto& exchange = *static_cast<HttpExchange*>(self);
    const std::size_t length = size * count;
    if (exchange.error_) return 0;
    if (exchange.phase_ == Phase::Head) return exchange.WithoutStatusLine(std::string_view(data, length)) ? length : 0;
    if (exchange.failing_) return length;
    try {
        exchange.sink_.Write(reinterpret_cast<const std::uint8_t*>(data), length);
    } catch (...) {
        exchange.error_ = std::current_exception();
        return 0;
    }
    return length;
}

// libcurl hands an answer that does not start with "HTTP/" over as a body.
// Its first line is then the status line, and it has no number libcurl could
// use: collect the line, then stop.
bool HttpExchange::WithoutStatusLine(std::string_view data) {
    EndEarly(EarlyEnd::NoStatusLine);
    const std::size_t end = data.find('\n');
    firstLine_.append(data.substr(0, std::min(end, kMaxFirstLine - firstLine_.size())));
    return end == std::string_view::npos && firstLine_.size() < kMaxFirstLine;
}

int HttpExchange::OnDebug(CURL* easy, curl_infotype type, char* data, std::size_t size, void* self) {
    return Guarded(self, 0, [&] { return DebugCallback(easy, type, data, size, self); });
}

int HttpExchange::DebugCallback(CURL* easy, curl_infotype type, char* data, std::size_t size, void* self) {
    auto& exchange = *static_cast<HttpExchange*>(self);
    switch (type) {
    case CURLINFO_HEADER_OUT:
        exchange.requestSent_ = true;
        exchange.NoteSignOfLife(easy);
        break;
    case CURLINFO_HEADER_IN: {
        // One line per call.
        const std::string_view line = WithoutLineEnd(std::string_view(data, size));
        if (exchange.atHeadStart_) exchange.lastHeadLine_.assign(line.substr(0, kMaxFirstLine));
        exchange.atHeadStart_ = line.empty();
        exchange.NoteSignOfLife(easy);
        exchange.received_ += static_cast<std::int64_t>(size);
        exchange.WithinLimit(0);
        break;
    }
    case CURLINFO_DATA_IN:
        exchange.received_ += static_cast<std::int64_t>(size);
        exchange.WithinLimit(0);
        // One call per read from the connection, before decoding.
        exchange.NoteSignOfLife(easy);
        if (exchange.phase_ == Phase::Body && exchange.workBegun_) {
            // A read may carry bytes beyond a body of known length; they
            // are not the body's (libcurl drops them and the connection).
            std::size_t counted = size;
            if (!exchange.chunked_ && exchange.contentLength_ >= 0)
                counted = static_cast<std::size_t>(
                    std::min<std::int64_t>(static_cast<std::int64_t>(size),
                                           std::max<std::int64_t>(exchange.contentLength_ - exchange.workCount_, 0)));
            for (std::size_t left = counted; left > 0;) {
                const std::size_t block = std::min(left, kProgressBlock);
                left -= block;
                exchange.workCount_ += static_cast<std::int64_t>(block);
                const std::int64_t total = exchange.workCount_;
                exchange.Notify([&](TWorkHandler& h) { h.IdHTTP1Work(TWorkMode::wmRead, total); });
            }
        }
        break;
    default: break;
    }
    return 0;
}

void HttpExchange::EndEarly(EarlyEnd why) {
    if (earlyEnd_ == EarlyEnd::None) earlyEnd_ = why;
    abandoned_ = true;
}

void HttpExchange::NoteSignOfLife(CURL* easy) {
    lastActivity_ = std::chrono::steady_clock::now();
    staleOsErrno_ = OsErrno(easy);
}

int HttpExchange::OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return Guarded(self, 1, [&] { return ProgressCallback(self); });
}

int HttpExchange::ProgressCallback(void* self) {
    auto& exchange = *static_cast<HttpExchange*>(self);
    if (exchange.error_) return 1;
    exchange.busy_();
    if (exchange.error_) return 1;
    const auto now = std::chrono::steady_clock::now();
    const bool overTime = exchange.limits_ && now - exchange.started_ >= exchange.limits_->maxDuration;
    if (overTime || (exchange.requestSent_ && now - exchange.lastActivity_ >= exchange.readTimeout_)) {
        exchange.EndEarly(EarlyEnd::TimedOut);
        return 1;
    }
    return 0;
}

void HttpExchange::Finish(CURLcode result, long osErrno, const char* curlMessage) {
    std::optional<std::wstring> failure;
    try {
        failure = Outcome(result, osErrno, curlMessage);
    } catch (...) {
        // Such as a catalogue that cannot be read for the failure's text.
        ReportEnd();
        throw;
    }
    ReportEnd();
    if (error_) std::rethrow_exception(error_);
    if (failure) throw Failure(*failure);
}

std::wstring HttpExchange::BrokenOff(std::wstring text) {
    transient_ = TTransientFailure::BrokenOff;
    return text;
}

void HttpExchange::ReportEnd() {
    if (!workBegun_) return;
    workBegun_ = false;
    Notify([](TWorkHandler& h) { h.IdHTTP1WorkEnd(TWorkMode::wmRead); }, true);
}

std::optional<std::wstring> HttpExchange::Outcome(CURLcode result, long osErrno, const char* curlMessage) {
    if (error_) return std::nullopt;
    switch (earlyEnd_) {
    case EarlyEnd::None: break;
    case EarlyEnd::NoStatusLine:
        statusLine_ = WithoutLineEnd(firstLine_);
        code_ = StatusCode(statusLine_);
        return AsciiText(statusLine_);
    case EarlyEnd::Provisional: return AsciiText(statusLine_);
    case EarlyEnd::TimedOut: return BrokenOff(LoadResString(IDS_HTTP_READ_TIMEOUT));
    case EarlyEnd::HeadTooLarge: return LoadResString(IDS_HTTP_HEAD_TOO_LARGE);
    }

    // A failed connect always sets the number; otherwise only a number set
    // since the last sign of life belongs to this failure.
    const int socketError = result == CURLE_COULDNT_CONNECT || osErrno != staleOsErrno_ ? static_cast<int>(osErrno) : 0;
    if (phase_ == Phase::Head) {
        // libcurl holds one header line in a buffer of 100 KiB and reports
        // a longer line as out of memory.
        if (result == CURLE_OUT_OF_MEMORY) {
            abandoned_ = true;
            return LoadResString(IDS_HTTP_HEAD_TOO_LARGE);
        }
        const bool unreachable = result == CURLE_COULDNT_RESOLVE_HOST || result == CURLE_COULDNT_CONNECT;
        if (unreachable) transient_ = TTransientFailure::Unreachable;
        // libcurl keeps no socket error for a failed name lookup.
        if (result == CURLE_COULDNT_RESOLVE_HOST) return SocketErrorMessage(kHostNotFound);
        if (IsSocketFailure(result) && socketError != 0)
            return unreachable ? SocketErrorMessage(socketError) : BrokenOff(SocketErrorMessage(socketError));
        if (!statusSeen_ && result == CURLE_UNSUPPORTED_PROTOCOL) return LoadResString(IDS_HTTP_INVALID_STATUS_LINE);
        const bool endedEarly = result == CURLE_OK || result == CURLE_GOT_NOTHING || result == CURLE_PARTIAL_FILE ||
                                result == CURLE_RECV_ERROR;
        if (!endedEarly) return AsciiText(curlMessage && *curlMessage ? curlMessage : curl_easy_strerror(result));
        if (!statusSeen_ || headerLines_ == 0 || wholeBody_)
            return BrokenOff(LoadResString(IDS_HTTP_CONNECTION_CLOSED));
        // The connection ended inside the head after at least one header
        // line: the head read so far stands, and there is no body left.
        abandoned_ = true;
        StartBody();
    } else if (result == CURLE_PARTIAL_FILE || result == CURLE_RECV_ERROR) {
        // A body with a length, or one read until the end, may end early
        // unless the request asked for the whole body; a chunked body must
        // reach its last chunk.
        if (chunked_ || wholeBody_) {
            abandoned_ = true;
            if (result == CURLE_PARTIAL_FILE) return BrokenOff(LoadResString(IDS_HTTP_CONNECTION_CLOSED));
            if (socketError != 0) return BrokenOff(SocketErrorMessage(socketError));
            if (!chunked_) return BrokenOff(LoadResString(IDS_HTTP_CONNECTION_CLOSED));
            // A receive error without a socket failure: libcurl found the
            // chunk framing broken (a size line that is no hexadecimal
            // number or too long for one, data not followed by its line end).
            return LoadResString(IDS_HTTP_BAD_CHUNK);
        }
    } else if (result != CURLE_OK) {
        abandoned_ = true;
        if (socketError != 0) return BrokenOff(SocketErrorMessage(socketError));
        return AsciiText(curlMessage && *curlMessage ? curlMessage : curl_easy_strerror(result));
    }
    if (!failing_) return std::nullopt;
    if (code_ >= 500 && code_ <= 599) transient_ = TTransientFailure::ServerError;
    return AsciiText(statusLine_);
}

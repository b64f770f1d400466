#include "ResumingDownload.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "DownloadArchive.h"
#include "Failure.h"
#include "HttpTextIds.h"
#include "LibraryText.h"
#include "ResumeRules.h"
#include "ScopeExit.h"
#include "SystemErrorText.h"

namespace {

// The progress of the whole file across tries, for the window: it sees the
// answers whose body goes to the file, with counts from the file's first
// byte, and one end when the download is over, so that a resumed transfer
// goes on where the bar stands.
class ProgressAcrossTries final : public TWorkHandler {
public:
    explicit ProgressAcrossTries(TWorkHandler* window) : window_(window) {}

    // Before each try: nothing of its answer is shown yet.
    void NextTry() { taking_ = false; }
    // The answer of this try goes to the file from offset on.
    void Taking(std::int64_t offset) {
        taking_ = true;
        offset_ = offset;
    }

    void IdHTTP1WorkBegin(TWorkMode mode, std::int64_t max) override {
        if (!taking_ || window_ == nullptr) return;
        begun_ = true;
        // An unknown length (0) stays unknown.
        window_->IdHTTP1WorkBegin(mode, max > 0 ? offset_ + max : 0);
    }
    void IdHTTP1Work(TWorkMode mode, std::int64_t count) override {
        if (taking_ && window_ != nullptr) window_->IdHTTP1Work(mode, offset_ + count);
    }
    // Held back until the download is over.
    void IdHTTP1WorkEnd(TWorkMode) override {}

    void End() {
        if (!begun_) return;
        begun_ = false;
        window_->IdHTTP1WorkEnd(TWorkMode::wmRead);
    }

private:
    TWorkHandler* window_;
    bool taking_ = false;
    std::int64_t offset_ = 0;
    bool begun_ = false;
};

// Thrown from the head of a 206 that does not continue the file; caught
// below, never shown.
struct RangeRefused {};

// What the tries share: the file, which answer its bytes came from, and
// whether the next try may ask for the rest only.
class FileAcrossTries final : public TResponseSink {
public:
    FileAcrossTries(HANDLE file, TRestartableSink& alsoTo, ProgressAcrossTries& progress)
        : file_(file), alsoTo_(alsoTo), progress_(progress) {}

    // Sets the request's Range and If-Range for the next try: the rest of
    // the file when the answer its bytes came from can be named; otherwise
    // the file starts over and the request asks for all of it.
    void NextTry(TIdHTTPRequest& request) {
        held_ = EndOfFile();
        if (held_ != taken_ || validator_.empty() || length_ <= held_) {
            if (held_ > 0) StartOver();
            held_ = 0;
        }
        ranged_ = held_ > 0;
        request.Range = ranged_ ? L"bytes=" + std::to_wstring(held_) + L"-" : L"";
        request.IfRange = ranged_ ? std::wstring(validator_.begin(), validator_.end()) : L"";
    }

    // The next try asks for the whole file.
    void Forget() { validator_.clear(); }

    // Whether the last answer was a 206 taken to continue the file.
    bool Continued() const { return continued_; }
    // Whether the file holds all the bytes its answer announced.
    bool Whole() { return length_ < 0 || EndOfFile() >= length_; }

    void Start(const TResponseHead& head) override {
        continued_ = ranged_ && head.code == 206;
        if (continued_) {
            if (!Continues(head)) throw RangeRefused{};
        } else {
            // A 200 (a server that ignores Range, or a file changed since):
            // the bytes start over, never appended to the old ones.
            if (held_ > 0) StartOver();
            length_ = head.contentLength;
            etag_ = head.etag;
            lastModified_ = head.lastModified;
            validator_ = IfRangeValidator(head.etag, head.lastModified, head.date);
        }
        progress_.Taking(continued_ ? held_ : 0);
        alsoTo_.Start(head);
    }

    void Write(const std::uint8_t* data, std::size_t size) override {
        taken_ += static_cast<std::int64_t>(size);
        alsoTo_.Write(data, size);
    }

private:
    // A 206 continues the file when it holds the rest of the same file:
    // from the first byte the file lacks to the last of the length announced
    // at first, from a file with the same validator.
    bool Continues(const TResponseHead& head) const {
        const auto range = ParseContentRange(head.contentRange);
        if (!range || range->first != held_ || range->complete != length_ || range->last != length_ - 1) return false;
        if (head.contentLength >= 0 && head.contentLength != length_ - held_) return false;
        if (!etag_.empty()) return head.etag.empty() || head.etag == etag_;
        return head.lastModified.empty() || head.lastModified == lastModified_;
    }

    // The file's length, with the file pointer at its end: where the next
    // bytes go.
    std::int64_t EndOfFile() {
        LARGE_INTEGER end{};
        if (!SetFilePointerEx(file_, LARGE_INTEGER{}, &end, FILE_END)) throw Failure(SystemErrorText(GetLastError()));
        return end.QuadPart;
    }

    // Empties the file through its own handle (it is shared with nobody and
    // may be marked for deletion: no other handle may open it).
    void StartOver() {
        if (!SetFilePointerEx(file_, LARGE_INTEGER{}, nullptr, FILE_BEGIN) || !SetEndOfFile(file_))
            throw Failure(SystemErrorText(GetLastError()));
        taken_ = 0;
        held_ = 0;
        alsoTo_.StartOver();
    }

    HANDLE file_;
    TRestartableSink& alsoTo_;
    ProgressAcrossTries& progress_;
    std::int64_t taken_ = 0;    // bytes handed on since the file's first byte
    std::int64_t held_ = 0;     // bytes in the file before this try
    bool ranged_ = false;       // this try asks for the rest only
    bool continued_ = false;    // ... and its answer continues the file
    std::int64_t length_ = -1;  // the whole file's, as the answer its bytes came from announced it
    std::string etag_;          // that answer's, to compare a 206's with
    std::string lastModified_;
    std::string validator_;  // for If-Range; empty: the file cannot be named
};

// Waits while the window keeps painting, as during a request.
void Pause(const TIdHTTP& IdHTTP1, std::chrono::milliseconds pause) {
    const auto until = std::chrono::steady_clock::now() + pause;
    for (;;) {
        if (IdHTTP1.OnBusy()) IdHTTP1.OnBusy()();
        const auto left = until - std::chrono::steady_clock::now();
        if (left <= left.zero()) return;
        Sleep(static_cast<DWORD>(
            std::clamp<std::int64_t>(std::chrono::ceil<std::chrono::milliseconds>(left).count(), 1, 50)));
    }
}

// The failure text of a try that may be tried again; nothing when the
// failure ends the download.
std::optional<std::wstring> Transient(const TIdHTTP& IdHTTP1, const Failure& failure, bool firstTry) {
    switch (IdHTTP1.TransientFailure()) {
    case TTransientFailure::None: return std::nullopt;
    // A server that could not be reached at all is not waited for; one
    // that was reached before may be back after a pause.
    case TTransientFailure::Unreachable:
        if (firstTry) return std::nullopt;
        break;
    case TTransientFailure::BrokenOff:
    case TTransientFailure::ServerError: break;
    }
    return failure.Message();
}

}  // namespace

void DownloadResuming(TIdHTTP& IdHTTP1, const std::wstring& url, HANDLE file, TRestartableSink& alsoTo,
                      std::chrono::milliseconds firstPause) {
    TWorkHandler* const window = IdHTTP1.WorkHandler();
    ProgressAcrossTries progress(window);
    // The next request (the signature's) is an ordinary one again.
    const ScopeExit restore([&] {
        IdHTTP1.SetWorkHandler(window);
        IdHTTP1.Request.Range.clear();
        IdHTTP1.Request.IfRange.clear();
        IdHTTP1.Request.WholeBody = false;
    });
    IdHTTP1.SetWorkHandler(&progress);
    IdHTTP1.Request.WholeBody = true;
    FileAcrossTries tries(file, alsoTo, progress);
    try {
        for (int tried = 0;; ++tried) {
            progress.NextTry();
            tries.NextTry(IdHTTP1.Request);
            std::wstring why;
            try {
                FetchInto(IdHTTP1, url, file, &tries);
                if (IdHTTP1.ResponseCode() != 200 && !tries.Continued()) throw HttpError(IdHTTP1);
                if (tries.Whole()) break;
                // A body read until the connection closed, short of the
                // length its Content-Range announced.
                why = LoadResString(IDS_HTTP_CONNECTION_CLOSED);
            } catch (const RangeRefused&) {
                tries.Forget();
                why = HttpError(IdHTTP1).Message();
            } catch (const Failure& failure) {
                const auto transient = Transient(IdHTTP1, failure, tried == 0);
                if (!transient) throw;
                why = *transient;
            }
            if (tried == kFurtherTries) throw Failure(why);
            Pause(IdHTTP1, firstPause * (1 << tried));
        }
    } catch (...) {
        try {
            progress.End();
        } catch (...) {}
        throw;
    }
    progress.End();
}

#include "DownloadArchive.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "BufferedFileWriter.h"
#include "Failure.h"
#include "FormatText.h"
#include "HttpTextIds.h"
#include "LibraryText.h"
#include "SystemErrorText.h"
#include "UniqueHandle.h"
#include "gnugettext.h"

namespace {

// libcurl hands the body over in pieces of 16 KiB; the file takes it in
// large blocks. A write that fails ends the download with the system's text.
class FileSink final : public TResponseSink {
public:
    FileSink(HANDLE file, TResponseSink* alsoTo) : writer_(file, buffer_), alsoTo_(alsoTo) {}

    void Start(const TResponseHead& head) override {
        if (alsoTo_) alsoTo_->Start(head);
    }

    void Write(const std::uint8_t* data, std::size_t size) override {
        try {
            writer_.Write(data, size);
        } catch (const FileWriteError& e) {
            throw Failure(SystemErrorText(e.code));
        }
        if (alsoTo_) alsoTo_->Write(data, size);
    }

    void Flush() {
        try {
            writer_.Flush();
        } catch (const FileWriteError& e) {
            throw Failure(SystemErrorText(e.code));
        }
    }

private:
    std::vector<std::uint8_t> buffer_;
    BufferedFileWriter writer_;
    TResponseSink* alsoTo_;
};

}  // namespace

Failure HttpError(const TIdHTTP& IdHTTP1) {
    return Failure(
        gettext(L"HTTP Error:") +
        FormatText(LoadResString(IDS_HTTP_ERROR_CODE), {std::int64_t{IdHTTP1.ResponseCode()}, IdHTTP1.ResponseText()}));
}

UniqueFile CreateArchiveFile(const std::wstring& localFile, OnClose onClose) {
    const bool deleted = onClose == OnClose::Delete;
    UniqueFile file(CreateFileW(localFile.c_str(), GENERIC_READ | GENERIC_WRITE | (deleted ? DELETE : 0), 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    // Marked through the handle rather than with FILE_FLAG_DELETE_ON_CLOSE,
    // whose mark cannot be taken away again. A process ended between the two
    // calls leaves the file empty.
    if (file && (!deleted || DeleteWhenClosed(file.Get()))) return file;
    const DWORD error = GetLastError();
    if (file) {
        file.Reset();
        DeleteFileW(localFile.c_str());
    }
    throw Failure(FormatText(LoadResString(IDS_HTTP_CANNOT_CREATE_FILE), {localFile, SystemErrorText(error)}));
}

void FetchInto(TIdHTTP& IdHTTP1, const std::wstring& url, HANDLE file, TResponseSink* alsoTo) {
    IdHTTP1.Request.UserAgent = L"Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1)";
    FileSink sink(file, alsoTo);
    try {
        IdHTTP1.Get(url, sink);
    } catch (...) {
        // The bytes received so far belong in the file; the download's own
        // failure is the one to report.
        try {
            sink.Flush();
        } catch (const Failure&) {}
        throw;
    }
    sink.Flush();
}

void DownloadInto(TIdHTTP& IdHTTP1, const std::wstring& url, HANDLE file, TResponseSink* alsoTo) {
    FetchInto(IdHTTP1, url, file, alsoTo);
    if (IdHTTP1.ResponseCode() != 200) throw HttpError(IdHTTP1);
}

void DownloadArchive(TIdHTTP& IdHTTP1, const std::wstring& fileServer, const std::wstring& serverPath,
                     const std::wstring& localFile) {
    const UniqueFile file = CreateArchiveFile(localFile);
    DownloadInto(IdHTTP1, fileServer + serverPath, file.Get());
}

#include "DownloadArchive.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>

#include "Failure.h"
#include "FormatText.h"
#include "HttpTextIds.h"
#include "LibraryText.h"
#include "SystemErrorText.h"
#include "UniqueHandle.h"
#include "gnugettext.h"

namespace {

// libcurl hands the body over in pieces of 16 KiB; the file takes it in
// writes of up to 256 KiB, which costs less per byte. A short or failed write
// ends the download instead of leaving a silently short file.
class FileSink final : public TResponseSink {
public:
    explicit FileSink(HANDLE file) : file_(file), buffer_(new std::uint8_t[kBlock]) {}

    void Write(const std::uint8_t* data, std::size_t size) override {
        if (used_ + size > kBlock) Flush();
        if (size >= kBlock) {
            WriteAll(data, size);
            return;
        }
        std::memcpy(buffer_.get() + used_, data, size);
        used_ += size;
    }

    void Flush() { WriteAll(buffer_.get(), std::exchange(used_, 0)); }

private:
    static constexpr std::size_t kBlock = 256 * 1024;

    void WriteAll(const std::uint8_t* data, std::size_t size) {
        while (size > 0) {
            const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
            DWORD written = 0;
            if (!WriteFile(file_, data, chunk, &written, nullptr)) throw Failure(SystemErrorText(GetLastError()));
            if (written == 0) throw Failure(SystemErrorText(ERROR_WRITE_FAULT));
            data += written;
            size -= written;
        }
    }

    HANDLE file_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t used_ = 0;
};

}  // namespace

void DownloadArchive(TIdHTTP& IdHTTP1, const std::wstring& fileServer, const std::wstring& serverPath,
                     const std::wstring& localFile) {
    UniqueFile file(CreateFileW(localFile.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        throw Failure(FormatText(LoadResString(IDS_HTTP_CANNOT_CREATE_FILE), {localFile, SystemErrorText(error)}));
    }
    IdHTTP1.Request.UserAgent = L"Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1)";
    FileSink sink(file.Get());
    try {
        IdHTTP1.Get(fileServer + serverPath, sink);
    } catch (...) {
        // The bytes received so far belong in the file; the download's own
        // failure is the one to report.
        try {
            sink.Flush();
        } catch (const Failure&) {
        }
        throw;
    }
    sink.Flush();
    if (IdHTTP1.ResponseCode() != 200) {
        throw Failure(gettext(L"HTTP Error:") + FormatText(LoadResString(IDS_HTTP_ERROR_CODE),
                                                           {std::int64_t{IdHTTP1.ResponseCode()},
                                                            IdHTTP1.ResponseText()}));
    }
}

#include "DownloadArchive.h"

#include <windows.h>

#include <cstdint>

#include "Failure.h"
#include "FormatText.h"
#include "HttpTextIds.h"
#include "LibraryText.h"
#include "SystemErrorText.h"
#include "UniqueHandle.h"
#include "gnugettext.h"

namespace {

// The body goes straight to the file as libcurl hands it over. A short or
// failed write ends the download instead of leaving a silently short file.
class FileSink final : public TResponseSink {
public:
    explicit FileSink(HANDLE file) : file_(file) {}

    void Write(const std::uint8_t* data, std::size_t size) override {
        while (size > 0) {
            const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
            DWORD written = 0;
            if (!WriteFile(file_, data, chunk, &written, nullptr)) throw Failure(SystemErrorText(GetLastError()));
            if (written == 0) throw Failure(SystemErrorText(ERROR_WRITE_FAULT));
            data += written;
            size -= written;
        }
    }

private:
    HANDLE file_;
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
    IdHTTP1.Get(fileServer + serverPath, sink);
    if (IdHTTP1.ResponseCode() != 200) {
        throw Failure(gettext(L"HTTP Error:") + FormatText(LoadResString(IDS_HTTP_ERROR_CODE),
                                                           {std::int64_t{IdHTTP1.ResponseCode()},
                                                            IdHTTP1.ResponseText()}));
    }
}

// The signed download of main.zip in a process of its own, for a test that
// ends this process while the download waits for the rest of the body. Once
// `bytes` bytes of the body have arrived (and so, but for the writer's last
// block, reached the file), it sets the named event.
// Usage: signed_download_child BASE_URL LOCAL_FILE KEY EVENT BYTES
#include <windows.h>

#include <cstdint>
#include <string>

#include "CurlLibrary.h"
#include "Failure.h"
#include "IdHTTP.h"
#include "SignedArchive.h"
#include "TextConversion.h"
#include "UniqueHandle.h"

namespace {

class Counter final : public TWorkHandler {
public:
    void IdHTTP1WorkBegin(TWorkMode, std::int64_t) override {}
    void IdHTTP1Work(TWorkMode, std::int64_t count) override { received = count; }
    void IdHTTP1WorkEnd(TWorkMode) override {}
    std::int64_t received = 0;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 6) return 2;
    const UniqueHandle arrived(OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[4]));
    if (!arrived) return 2;
    const std::int64_t bytes = std::stoll(argv[5]);
    CurlLibrary curl;
    TIdHTTP http;
    Counter counter;
    http.SetWorkHandler(&counter);
    // Called between reads, after the body of the last one went to the file.
    http.SetOnBusy([&] {
        if (counter.received >= bytes) SetEvent(arrived.Get());
    });
    InstallSource source(argv[1]);
    source.signingKey = ToUtf8(argv[3]);
    try {
        DownloadSignedArchive(http, source.fileServer, L"venkor/Files/main.zip", argv[2], L"main.zip", source);
    } catch (const Failure&) {
        return 1;
    }
    return 0;
}

// The same archive downloaded twice in one process: with DownloadArchive,
// as an unsigned build does, and with DownloadSignedArchive, which hashes the
// body on its way, fetches the signature and checks it. Prints both times
// and the process's peak memory, and for the signed one where its time went:
// the receiving thread's and the hashing thread's processor time and how
// long each waited for the other.
//   signed_download_bench <base URL> <server path> <local file> <public key line>
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "CurlLibrary.h"
#include "DownloadArchive.h"
#include "Failure.h"
#include "SignedArchive.h"
#include "TextConversion.h"

namespace {

double Seconds(const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: signed_download_bench <base URL> <server path> <local file> <key>\n");
        return 2;
    }
    const CurlLibrary curl;
    TIdHTTP http;
    const std::wstring base = argv[1], path = argv[2], file = argv[3];
    InstallSource source(base);
    source.signingKey = ToUtf8(argv[4]);  // signatures of any time; run.sh signs the file "body"
    double plain = 0, signedDownload = 0;
    PipelineTimes times;
    try {
        plain = Seconds([&] { DownloadArchive(http, base, path, file); });
        DeleteFileW(file.c_str());
        signedDownload = Seconds([&] { DownloadSignedArchive(http, base, path, file, L"body", source, &times); });
    } catch (const Failure& failure) {
        std::fwprintf(stderr, L"failed: %ls\n", failure.Message().c_str());
        return 1;
    }
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("plain_seconds %.3f signed_seconds %.3f peak_working_set_KiB %lu\n", plain, signedDownload,
                static_cast<unsigned long>(memory.PeakWorkingSetSize / 1024));
    std::printf("receiving_cpu %.3f receiving_waited %.3f hashing_cpu %.3f hashing_waited %.3f\n",
                times.producer.cpuSeconds, times.producer.waitedSeconds, times.consumer.cpuSeconds,
                times.consumer.waitedSeconds);
    return 0;
}

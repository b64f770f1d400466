// Downloads one archive with DownloadArchive, then checks it against its
// minisign signature as a signed release does before unpacking, and prints
// both times and the process's peak memory.
//   signed_download_bench <base URL> <server path> <local file> <public key line> <signature file>
// The signature is read from a local file: its fetch is one more small
// request, the same for an archive of any size.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "CurlLibrary.h"
#include "DownloadArchive.h"
#include "Failure.h"
#include "SignedArchive.h"
#include "TextConversion.h"

namespace {

std::vector<std::uint8_t> ReadAll(const wchar_t* path) {
    std::vector<std::uint8_t> bytes;
    if (FILE* file = _wfopen(path, L"rb")) {
        std::uint8_t block[4096];
        for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;)
            bytes.insert(bytes.end(), block, block + got);
        std::fclose(file);
    }
    return bytes;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: signed_download_bench <base URL> <server path> <local file> <key> <signature>\n");
        return 2;
    }
    const CurlLibrary curl;
    TIdHTTP http;
    const std::string key = ToUtf8(argv[4]);
    const std::vector<std::uint8_t> signature = ReadAll(argv[5]);
    double download = 0, verify = 0;
    try {
        auto start = std::chrono::steady_clock::now();
        DownloadArchive(http, argv[1], argv[2], argv[3]);
        download = SecondsSince(start);
        start = std::chrono::steady_clock::now();
        CheckArchiveSignature(argv[3], signature, key, argv[2]);
        verify = SecondsSince(start);
    } catch (const Failure& failure) {
        std::fwprintf(stderr, L"failed: %ls\n", failure.Message().c_str());
        return 1;
    }
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("download_seconds %.3f verify_seconds %.3f peak_working_set_KiB %lu\n", download, verify,
                static_cast<unsigned long>(memory.PeakWorkingSetSize / 1024));
    return 0;
}

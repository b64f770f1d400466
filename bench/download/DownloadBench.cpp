// Downloads one archive with DownloadArchive and prints the time taken, the
// throughput, the processor time of the thread that receives and writes
// (libcurl runs the transfer on the calling thread) and of the whole
// process, and the process's peak memory as Windows reports it.
//   download_bench <base URL> <server path> <local file>
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "CurlLibrary.h"
#include "DownloadArchive.h"
#include "Failure.h"
#include "ThreadTimes.h"

namespace {

// Counts what a progress bar would see, as the window does.
class CountingHandler final : public TWorkHandler {
public:
    void IdHTTP1WorkBegin(TWorkMode, std::int64_t max) override { expected = max; }
    void IdHTTP1Work(TWorkMode, std::int64_t count) override {
        ++events;
        received = count;
    }
    void IdHTTP1WorkEnd(TWorkMode) override {}

    std::int64_t expected = 0;
    std::int64_t received = 0;
    long long events = 0;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: download_bench <base URL> <server path> <local file>\n");
        return 2;
    }
    const CurlLibrary curl;
    TIdHTTP http;
    CountingHandler handler;
    http.SetWorkHandler(&handler);
    const auto start = std::chrono::steady_clock::now();
    const double cpuAtStart = ThisThreadCpuSeconds();
    try {
        DownloadArchive(http, argv[1], argv[2], argv[3]);
    } catch (const Failure& failure) {
        std::fwprintf(stderr, L"download failed: %ls\n", failure.Message().c_str());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double networkCpu = ThisThreadCpuSeconds() - cpuAtStart;
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& t) { return double(ULONGLONG{t.dwHighDateTime} << 32 | t.dwLowDateTime); };
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf(
        "bytes %lld seconds %.3f MiB/s %.1f events %lld network_cpu %.3f process_cpu %.3f "
        "peak_working_set_KiB %lu peak_pagefile_KiB %lu\n",
        static_cast<long long>(handler.received), seconds, handler.received / seconds / 1048576.0, handler.events,
        networkCpu, (ticks(kernel) + ticks(user)) / 1e7, static_cast<unsigned long>(memory.PeakWorkingSetSize / 1024),
        static_cast<unsigned long>(memory.PeakPagefileUsage / 1024));
    return handler.received == handler.expected ? 0 : 1;
}

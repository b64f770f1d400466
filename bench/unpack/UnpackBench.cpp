// Unpacks one archive with UnpackArchive and prints the time it took and the
// process's peak memory: private bytes (what the process allocated) and the
// working set (which under Wine also counts Wine's own mapped libraries),
// and where the time went: the decoding (calling) thread's and the writing
// thread's processor time and how long each waited for the other.
// Usage: unpack_bench ARCHIVE   (the archive is deleted, as in a real run)
#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "Failure.h"
#include "UnpackArchive.h"

namespace {
PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}
double MiB(SIZE_T bytes) { return bytes / (1024.0 * 1024.0); }
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: unpack_bench ARCHIVE\n");
        return 2;
    }
    const PROCESS_MEMORY_COUNTERS before = Memory();
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    PipelineTimes times;
    try {
        TAbUnZipper unzipper;
        unzipper.SetTimes(&times);
        UnpackArchive(unzipper, argv[1]);
    } catch (const Failure& f) {
        std::fprintf(stderr, "failed: %ls\n", f.Message().c_str());
        return 1;
    }
    ::QueryPerformanceCounter(&end);
    const PROCESS_MEMORY_COUNTERS after = Memory();
    std::printf("seconds %.3f\n", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
    std::printf("decoding_cpu %.3f decoding_waited %.3f writing_cpu %.3f writing_waited %.3f extracting %.3f\n",
                times.producer.cpuSeconds, times.producer.waitedSeconds, times.consumer.cpuSeconds,
                times.consumer.waitedSeconds, times.seconds);
    std::printf("private_before_mib %.1f\nprivate_peak_mib %.1f\n", MiB(before.PagefileUsage),
                MiB(after.PeakPagefileUsage));
    std::printf("working_set_before_mib %.1f\nworking_set_peak_mib %.1f\n", MiB(before.WorkingSetSize),
                MiB(after.PeakWorkingSetSize));
    return 0;
}

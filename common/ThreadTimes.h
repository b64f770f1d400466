#pragma once
// Where the time of a two-thread pipeline went, for the benchmarks: each
// thread's processor time and how long it waited for the other. On a busy
// machine the wall time says little; these say which thread set the pace.
// Filled in only when a caller hands a PipelineTimes over: nothing is
// measured otherwise, and a wait is timed only once it is certain to wait.
#include <chrono>

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

struct ThreadTimes {
    double cpuSeconds = 0;     // user + kernel time of the thread
    double waitedSeconds = 0;  // blocked on the other thread
};

struct PipelineTimes {
    ThreadTimes producer;  // decoding (extraction), receiving (download)
    ThreadTimes consumer;  // writing (extraction), hashing (download)
    double seconds = 0;    // wall time from the pipeline's start to its end
};

// The calling thread's processor time so far.
inline double ThisThreadCpuSeconds() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    if (!::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
    const auto ticks = [](const FILETIME& t) { return double(ULONGLONG{t.dwHighDateTime} << 32 | t.dwLowDateTime); };
    return (ticks(kernel) + ticks(user)) / 1e7;
#else
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
#endif
}

// Adds the time from its making to its end to a thread's wait, when asked.
class WaitTimer {
public:
    explicit WaitTimer(ThreadTimes* times) : times_(times) {
        if (times_) start_ = std::chrono::steady_clock::now();
    }
    ~WaitTimer() {
        if (times_)
            times_->waitedSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
    WaitTimer(const WaitTimer&) = delete;
    WaitTimer& operator=(const WaitTimer&) = delete;

private:
    ThreadTimes* times_;
    std::chrono::steady_clock::time_point start_{};
};

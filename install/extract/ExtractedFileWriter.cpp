#include "ExtractedFileWriter.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include <zlib.h>

#include "BufferedFileWriter.h"
#include "ScopeExit.h"
#include "UniqueHandle.h"

class ExtractedFileWriter::Lock {
public:
    explicit Lock(SRWLOCK& lock) : lock_(lock) { ::AcquireSRWLockExclusive(&lock_); }
    ~Lock() { ::ReleaseSRWLockExclusive(&lock_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    SRWLOCK& lock_;
};

namespace {

// The entry's attributes, and its DOS date and time (read as local time) as
// the last-write time, set in one call on the open file: opening it again
// by name would cost about as much as writing a small file.
void SetTimeAndAttributes(HANDLE file, std::uint32_t dosDateTime, DWORD attributes) {
    FILE_BASIC_INFO info{};  // times left 0 stay as they are
    FILETIME local{}, utc{};
    if (::DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16), static_cast<WORD>(dosDateTime), &local) &&
        ::LocalFileTimeToFileTime(&local, &utc))
        info.LastWriteTime.QuadPart =
            static_cast<LONGLONG>(std::uint64_t{utc.dwHighDateTime} << 32 | utc.dwLowDateTime);
    info.FileAttributes = attributes;
    ::SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info);
}

// Creates target anew; nothing when that fails, with the outcome in failure.
UniqueFile Create(const std::wstring& target, WriteOutcome& failure) {
    UniqueFile file(::CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return file;
    const DWORD error = ::GetLastError();
    // In use: open, locked or mapped into memory.
    const bool kept = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                      error == ERROR_USER_MAPPED_FILE ||
                      (error == ERROR_ACCESS_DENIED && IsProtected(::GetFileAttributesW(target.c_str())));
    failure = kept ? WriteOutcome{WriteOutcome::Kept} : WriteOutcome{WriteOutcome::CreateFailed, error};
    return file;
}

}  // namespace

ExtractedFileWriter::ExtractedFileWriter(std::function<void()> busy, PipelineTimes* times)
    : busy_(std::move(busy)), times_(times), blocks_(kBlocks, std::vector<std::uint8_t>(kBlock)) {
    if (times_) {
        decodingCpuAtStart_ = ThisThreadCpuSeconds();
        startedAt_ = std::chrono::steady_clock::now();
    }
    for (std::size_t i = 0; i < kBlocks; ++i)
        free_.push_back(i);
    thread_ = std::thread([this] { Run(); });
}

ExtractedFileWriter::~ExtractedFileWriter() {
    busy_ = nullptr;  // it may throw, and this may run while a failure unwinds
    if (open_) End(false);
    {
        Lock lock(lock_);
        stop_ = true;
    }
    ::WakeAllConditionVariable(&changed_);
    thread_.join();
    if (times_) {
        times_->producer.cpuSeconds += ThisThreadCpuSeconds() - decodingCpuAtStart_;
        times_->seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - startedAt_).count();
    }
}

template <typename Ready>
void ExtractedFileWriter::WaitUntil(Ready ready) {
    if (ready()) return;
    const WaitTimer waiting(times_ ? &times_->producer : nullptr);
    while (!ready()) {
        if (!::SleepConditionVariableSRW(&changed_, &lock_, 50, 0) && busy_) {
            // The window paints while the thread writes; never with the lock
            // held. The caller's Lock releases it again whatever busy_ throws.
            ::ReleaseSRWLockExclusive(&lock_);
            const ScopeExit relock([this] { ::AcquireSRWLockExclusive(&lock_); });
            busy_();
        }
    }
}

void ExtractedFileWriter::Push(Job job) {
    {
        Lock lock(lock_);
        WaitUntil([&] { return !jobs_.full(); });
        jobs_.push_back(std::move(job));
    }
    ::WakeAllConditionVariable(&changed_);
}

void ExtractedFileWriter::Begin(std::wstring target, std::uint32_t dosDateTime, DWORD attributes,
                                std::optional<std::uint32_t> expectedCrc) {
    {
        Lock lock(lock_);
        // Not too far ahead: each file waiting for its outcome holds its name.
        WaitUntil([&] { return begun_ - (taken_ + outcomes_.size()) < kMaxFilesAhead; });
    }
    Job job;
    job.target = std::move(target);
    job.dosDateTime = dosDateTime;
    job.attributes = attributes;
    job.expectedCrc = expectedCrc;
    Push(std::move(job));
    ++begun_;
    open_ = true;
}

void ExtractedFileWriter::Write(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const std::span<std::uint8_t> room = Lend();
        const std::size_t n = std::min(size, room.size());
        std::memcpy(room.data(), data, n);
        data += n;
        size -= n;
        Commit(n);
    }
}

std::span<std::uint8_t> ExtractedFileWriter::Lend() {
    if (!filling_) {
        Lock lock(lock_);
        if (failedFile_ == begun_) throw FileAbandoned{};
        WaitUntil([&] { return !free_.empty(); });
        filling_ = free_.back();
        free_.pop_back();
        filled_ = 0;
    }
    return std::span(blocks_[*filling_]).subspan(filled_);
}

void ExtractedFileWriter::Commit(std::size_t size) {
    filled_ += size;
    if (filled_ == kBlock) {
        HandOver();
        if (busy_) busy_();
    }
}

void ExtractedFileWriter::HandOver() {
    Job job;
    job.kind = Job::Data;
    job.block = *filling_;
    job.size = filled_;
    filling_.reset();
    Push(std::move(job));
}

void ExtractedFileWriter::End(bool complete) {
    open_ = false;
    if (filling_) {
        if (complete && filled_ > 0) {  // a block lent may have been left empty
            HandOver();
        } else {
            Lock lock(lock_);
            free_.push_back(*filling_);
            filling_.reset();
        }
    }
    Job job;
    job.kind = Job::End;
    job.complete = complete;
    Push(std::move(job));
}

std::optional<WriteOutcome> ExtractedFileWriter::TakeOutcome(bool wait) {
    WriteOutcome outcome{};
    {
        Lock lock(lock_);
        if (wait) WaitUntil([&] { return !outcomes_.empty(); });
        if (outcomes_.empty()) return std::nullopt;
        outcome = outcomes_.front();
        outcomes_.pop_front();
        ++taken_;
    }
    ::WakeAllConditionVariable(&changed_);  // room for the writer's next outcome
    return outcome;
}

void ExtractedFileWriter::Run() {
    const double cpuAtStart = times_ ? ThisThreadCpuSeconds() : 0;
    const ScopeExit addCpu([&] {
        if (times_) times_->consumer.cpuSeconds += ThisThreadCpuSeconds() - cpuAtStart;
    });
    ThreadTimes* const waits = times_ ? &times_->consumer : nullptr;
    UniqueFile file;
    std::wstring target;
    std::uint32_t dosDateTime = 0;
    DWORD attributes = 0;
    std::optional<std::uint32_t> expectedCrc;
    uLong crc = 0;
    // Written while nothing has failed (a plain value: GCC 12 misreads an
    // optional here as used uninitialised).
    WriteOutcome failure{WriteOutcome::Written};
    std::size_t number = 0;
    for (;;) {
        Job job;
        {
            Lock lock(lock_);
            if (jobs_.empty() && !stop_) {
                const WaitTimer waiting(waits);
                while (jobs_.empty() && !stop_)
                    ::SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
            }
            if (jobs_.empty()) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        switch (job.kind) {
        case Job::Begin:
            ++number;
            target = std::move(job.target);
            dosDateTime = job.dosDateTime;
            attributes = job.attributes;
            expectedCrc = job.expectedCrc;
            crc = crc32(0, nullptr, 0);
            failure = WriteOutcome{WriteOutcome::Written};
            file = Create(target, failure);
            break;
        case Job::Data:
            if (failure.kind == WriteOutcome::Written) {
                const std::uint8_t* data = blocks_[job.block].data();
                if (auto error = WriteAll(file.Get(), data, job.size))
                    failure = WriteOutcome{WriteOutcome::WriteFailed, *error};
                else if (expectedCrc)
                    crc = crc32(crc, data, static_cast<uInt>(job.size));  // a block is far below 4 GiB
            }
            break;
        case Job::End: {
            const WriteOutcome outcome = failure.kind != WriteOutcome::Written ? failure
                                         : !job.complete                       ? WriteOutcome{WriteOutcome::Dropped}
                                         : expectedCrc && crc != *expectedCrc  ? WriteOutcome{WriteOutcome::BadChecksum}
                                                                               : WriteOutcome{WriteOutcome::Written};
            if (outcome.kind == WriteOutcome::Written) SetTimeAndAttributes(file.Get(), dosDateTime, attributes);
            const bool created = static_cast<bool>(file);
            file.Reset();
            // What was written is not the entry: no file rather than a wrong one.
            if (created && outcome.kind != WriteOutcome::Written) ::DeleteFileW(target.c_str());
            Lock lock(lock_);
            const WaitTimer waiting(outcomes_.full() ? waits : nullptr);
            while (outcomes_.full())
                ::SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
            outcomes_.push_back(outcome);
            break;
        }
        }
        {
            Lock lock(lock_);
            if (job.kind == Job::Data) free_.push_back(job.block);
            if (failure.kind != WriteOutcome::Written) failedFile_ = number;
        }
        ::WakeAllConditionVariable(&changed_);
    }
}

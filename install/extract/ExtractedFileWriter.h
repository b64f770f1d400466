#pragma once
// Writes the extracted files on a thread of its own, so that creating,
// writing and closing one file overlaps decoding the next block on the
// calling thread. The thread owns every target's handle; decoded bytes reach
// it in a fixed set of blocks, so memory stays bounded whatever the archive.
// It calls nothing of the caller's: outcomes come back, in the order the
// files were begun, to the thread that began them.
#include <windows.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "BufferedFileWriter.h"
#include "Decoder.h"
#include "FixedQueue.h"
#include "ThreadTimes.h"

// Read-only, hidden and system files are the user's: never replaced.
inline bool IsProtected(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

// What became of one file.
struct WriteOutcome {
    enum Kind {
        Written,       // complete, with its time and attributes
        Kept,          // an existing file in use or protected: left as it was
        CreateFailed,  // error: why the file could not be created
        WriteFailed,   // error: why a write failed; the partial file is deleted
        Dropped,       // the caller ended it incomplete; deleted
        BadChecksum,   // complete, but its CRC-32 is not the one expected; deleted
    } kind;
    DWORD error = 0;
};

// Thrown by Write once the file cannot come to anything (it was kept or a
// write failed): decoding it further is of no use.
struct FileAbandoned {};

class ExtractedFileWriter final : public ByteSink {
public:
    // busy is called on the calling thread after each block handed over and
    // every 50 ms while waiting for the writing thread. With times, the
    // calling (decoding) thread's and the writing thread's processor time
    // and waits are added to it once this ends.
    explicit ExtractedFileWriter(std::function<void()> busy, PipelineTimes* times = nullptr);
    // Completes the files handed over (one not ended is dropped), then ends the thread.
    ~ExtractedFileWriter();
    ExtractedFileWriter(const ExtractedFileWriter&) = delete;
    ExtractedFileWriter& operator=(const ExtractedFileWriter&) = delete;

    // The next file: created anew at target, replacing an existing one.
    // With expectedCrc, the CRC-32 of its bytes is computed here, on the
    // writing thread (off the decoding thread, where it would cost a fifth
    // of a large entry's time), and a complete file that does not match it
    // comes to BadChecksum.
    void Begin(std::wstring target, std::uint32_t dosDateTime, DWORD attributes,
               std::optional<std::uint32_t> expectedCrc = std::nullopt);
    void Write(const std::uint8_t* data, std::size_t size) override;
    // The free part of the block being filled: a decoder inflates straight
    // into it, and the bytes are never copied on the decoding thread.
    std::span<std::uint8_t> Lend() override;
    void Commit(std::size_t size) override;
    // complete: it gets the entry's last-write time (DOS date and time, read
    // as local time) and attributes; otherwise it is deleted.
    void End(bool complete);

    // The outcome of the oldest pending file; waits for it when wait is set,
    // else gives nothing if it is not there yet.
    std::optional<WriteOutcome> TakeOutcome(bool wait);

private:
    static constexpr std::size_t kBlock = kFileWriteBlock;
    static constexpr std::size_t kBlocks = 12;
    static constexpr std::size_t kMaxFilesAhead = 32;

    struct Job {
        enum Kind { Begin, Data, End } kind = Begin;
        std::wstring target;  // Begin
        std::uint32_t dosDateTime = 0;
        DWORD attributes = 0;
        std::optional<std::uint32_t> expectedCrc;
        std::size_t block = 0, size = 0;  // Data
        bool complete = false;            // End
    };
    class Lock;

    void Run();
    void Push(Job job);
    void HandOver();
    template <typename Ready>
    void WaitUntil(Ready ready);  // with the lock held

    std::function<void()> busy_;
    PipelineTimes* times_;
    double decodingCpuAtStart_ = 0;
    std::chrono::steady_clock::time_point startedAt_{};
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
    // Guarded by lock_:
    FixedQueue<Job> jobs_{kBlocks + 2 * kMaxFilesAhead};
    std::vector<std::size_t> free_;  // blocks not in a job
    // Taken by the caller between files (TakeOutcome), so at most the files
    // ahead wait here; the writer waits should it ever be full.
    FixedQueue<WriteOutcome> outcomes_{2 * kMaxFilesAhead + 2};
    std::size_t failedFile_ = 0;  // number (from 1) of the last file that came to nothing
    bool stop_ = false;

    // The calling thread's:
    std::vector<std::vector<std::uint8_t>> blocks_;
    std::optional<std::size_t> filling_;
    std::size_t filled_ = 0;
    std::size_t begun_ = 0, taken_ = 0;
    bool open_ = false;

    std::thread thread_;  // last: started when the rest is ready
};

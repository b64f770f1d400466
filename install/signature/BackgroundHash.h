#pragma once
// The BLAKE2b-512 hash of a byte stream (minisign's prehash), computed on a
// thread of its own while the producer goes on: a download hands each block
// over as it arrives, and the hash is ready soon after the last one instead
// of costing a second pass over the file. Blocks wait in a bounded queue, so
// memory stays flat; a producer that outruns the hash waits for it.
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include <sodium.h>

#include "ThreadTimes.h"

class BackgroundHash {
public:
    static constexpr std::size_t kHashBytes = 64;
    using Hash = std::array<std::uint8_t, kHashBytes>;

    // With times, Finish adds the producing thread's processor time (from
    // here to the end of Finish) and waits, and the hashing thread's.
    explicit BackgroundHash(PipelineTimes* times = nullptr);
    // Stops the thread; a hash not finished is dropped.
    ~BackgroundHash();
    BackgroundHash(const BackgroundHash&) = delete;
    BackgroundHash& operator=(const BackgroundHash&) = delete;

    // The stream's next bytes, in order.
    void Add(std::span<const std::uint8_t> bytes);
    // After the last Add: the hash of everything added.
    Hash Finish();

private:
    void Run();
    void Hand(bool last);

    PipelineTimes* times_;
    double producerCpuAtStart_ = 0;
    std::chrono::steady_clock::time_point startedAt_{};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<std::uint8_t>> queue_;
    std::size_t queued_ = 0;  // bytes in queue_
    bool ending_ = false;
    bool done_ = false;
    std::vector<std::vector<std::uint8_t>> spare_;  // hashed blocks, for the producer to fill again
    std::vector<std::uint8_t> filling_;             // the producer's block, handed over when full
    crypto_generichash_state state_;
    Hash hash_{};
    std::thread thread_;
};

#include "BackgroundHash.h"

#include <algorithm>
#include <utility>

namespace {

// Blocks go over in pieces of this size: few enough hand-overs, and at most
// kMaxQueued bytes wait.
constexpr std::size_t kBlock = 1024 * 1024;
constexpr std::size_t kMaxQueued = 8 * kBlock;

}  // namespace

BackgroundHash::BackgroundHash(PipelineTimes* times) : times_(times) {
    if (times_) {
        producerCpuAtStart_ = ThisThreadCpuSeconds();
        startedAt_ = std::chrono::steady_clock::now();
    }
    // Picks the fastest BLAKE2b for this processor; without it libsodium
    // hashes with its portable code, at less than half the speed. A failure
    // leaves that portable code, which gives the same hash.
    [[maybe_unused]] const int ready = sodium_init();
    crypto_generichash_init(&state_, nullptr, 0, kHashBytes);
    filling_.reserve(kBlock);
    // Room for every block there can be (the queue's, the one being hashed,
    // the one being filled): handing one back never allocates.
    spare_.reserve(kMaxQueued / kBlock + 2);
    thread_ = std::thread([this] { Run(); });
}

BackgroundHash::~BackgroundHash() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
        queue_.clear();
    }
    changed_.notify_all();
    thread_.join();
}

void BackgroundHash::Add(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const std::size_t take = std::min(bytes.size(), kBlock - filling_.size());
        filling_.insert(filling_.end(), bytes.begin(), bytes.begin() + take);
        bytes = bytes.subspan(take);
        if (filling_.size() == kBlock) Hand(false);
    }
}

BackgroundHash::Hash BackgroundHash::Finish() {
    Hand(true);
    {
        std::unique_lock lock(mutex_);
        const WaitTimer waiting(done_ || !times_ ? nullptr : &times_->producer);
        changed_.wait(lock, [this] { return done_; });
    }
    if (times_) {
        times_->producer.cpuSeconds += ThisThreadCpuSeconds() - producerCpuAtStart_;
        times_->seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - startedAt_).count();
    }
    return hash_;
}

void BackgroundHash::Hand(bool last) {
    std::unique_lock lock(mutex_);
    {
        const WaitTimer waiting(queued_ < kMaxQueued || !times_ ? nullptr : &times_->producer);
        changed_.wait(lock, [this] { return queued_ < kMaxQueued; });
    }
    queued_ += filling_.size();
    queue_.push_back(std::exchange(filling_, {}));
    if (last) ending_ = true;
    // A block the hash is done with, filled again: under Wine every fresh
    // megabyte is mapped, faulted in page by page and unmapped again, which
    // cost the receiving thread several times what the copy costs.
    if (!spare_.empty()) {
        filling_ = std::move(spare_.back());
        spare_.pop_back();
    }
    lock.unlock();
    changed_.notify_all();
    filling_.reserve(kBlock);
}

void BackgroundHash::Run() {
    const double cpuAtStart = times_ ? ThisThreadCpuSeconds() : 0;
    ThreadTimes* const waits = times_ ? &times_->consumer : nullptr;
    std::unique_lock lock(mutex_);
    for (;;) {
        {
            const WaitTimer waiting(!queue_.empty() || ending_ ? nullptr : waits);
            changed_.wait(lock, [this] { return !queue_.empty() || ending_; });
        }
        if (queue_.empty()) break;
        std::vector<std::uint8_t> block = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        crypto_generichash_update(&state_, block.data(), block.size());
        lock.lock();
        queued_ -= block.size();
        block.clear();
        spare_.push_back(std::move(block));
        changed_.notify_all();
    }
    crypto_generichash_final(&state_, hash_.data(), hash_.size());
    if (times_) times_->consumer.cpuSeconds += ThisThreadCpuSeconds() - cpuAtStart;
    done_ = true;
    changed_.notify_all();
}

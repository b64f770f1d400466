#pragma once
// Pieces every method's decoder shares: the size-guarded output, exact reads
// of small headers, and the two ways a decode fails.
#include "Decoder.h"

#include <cstddef>
#include <cstdint>

namespace zipcodec {

// Raw and decoded data move in blocks of this size; no decoder holds more
// than a few of them besides its method's own window or model.
inline constexpr std::size_t kBlockSize = 64 * 1024;

[[noreturn]] void ThrowDamaged(const char* detail);
[[noreturn]] void ThrowUnsupported(const char* detail);

// Passes decoded bytes on and holds the decoder to the entry's declared size:
// a byte beyond it is damage, not data (and no bomb can fill the disk).
class SizedSink {
public:
    SizedSink(ByteSink& out, std::uint64_t expected) : out_(out), expected_(expected) {}

    void Write(const std::uint8_t* data, std::size_t size);
    // The sink's loan (ByteSink::Lend), held to the size still expected: a
    // decoder that fills it while more is to come then finds no loan, and
    // Write refuses the excess.
    std::span<std::uint8_t> Lend();
    void Commit(std::size_t size);
    std::uint64_t Written() const noexcept { return written_; }
    std::uint64_t Remaining() const noexcept { return expected_ - written_; }
    bool Full() const noexcept { return written_ == expected_; }
    // Fails unless exactly the declared size was written.
    void Finish() const;

private:
    ByteSink& out_;
    std::uint64_t expected_;
    std::uint64_t written_ = 0;
};

// Reads until size bytes arrived or the source ended; returns the count.
std::size_t ReadFull(ByteSource& raw, std::uint8_t* buffer, std::size_t size);

}  // namespace zipcodec

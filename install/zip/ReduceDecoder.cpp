#include "ReduceDecoder.h"

#include <array>
#include <bit>
#include <vector>

namespace zipcodec {
namespace {

constexpr unsigned kEscape = 144;      // DLE: starts a length/distance pair
constexpr std::size_t kWindow = 4096;  // the largest distance, with factor 4

// Bits come least significant first, as in every early ZIP method.
class BitReader {
public:
    explicit BitReader(ByteSource& raw) : raw_(raw), block_(kBlockSize) {}

    unsigned Take(unsigned count) {
        while (held_ < count) {
            bits_ |= static_cast<std::uint32_t>(NextByte()) << held_;
            held_ += 8;
        }
        const unsigned value = bits_ & ((1u << count) - 1);
        bits_ >>= count;
        held_ -= count;
        return value;
    }

private:
    std::uint8_t NextByte() {
        if (pos_ == size_) {
            size_ = raw_.Read(block_.data(), block_.size());
            pos_ = 0;
            if (size_ == 0) ThrowDamaged("reduced data ends early");
        }
        return block_[pos_++];
    }

    ByteSource& raw_;
    std::vector<std::uint8_t> block_;
    std::size_t pos_ = 0, size_ = 0;
    std::uint32_t bits_ = 0;
    unsigned held_ = 0;
};

// Output with the sliding window that back-references copy from. Bytes
// before the start of the entry read as zeros.
class Output {
public:
    explicit Output(SizedSink& sink) : sink_(sink), pending_(kBlockSize) {}

    std::uint64_t Left() const { return sink_.Remaining() - used_; }

    void Put(std::uint8_t byte) {
        if (Left() == 0) return;  // no end marker: the entry's size ends the data
        window_[pos_++ % kWindow] = byte;
        pending_[used_++] = byte;
        if (used_ == pending_.size()) Flush();
    }

    void Copy(std::size_t distance, std::size_t length) {
        for (; length > 0; --length)
            Put(window_[(pos_ - distance) % kWindow]);
    }

    void Flush() {
        sink_.Write(pending_.data(), used_);
        used_ = 0;
    }

private:
    SizedSink& sink_;
    std::array<std::uint8_t, kWindow> window_{};
    std::size_t pos_ = 0;
    std::vector<std::uint8_t> pending_;
    std::size_t used_ = 0;
};

// Bits that pick one of n followers: enough for n - 1, and at least one.
unsigned IndexBits(unsigned n) { return n <= 2 ? 1 : static_cast<unsigned>(std::bit_width(n - 1)); }

}  // namespace

void Unreduce(ByteSource& raw, SizedSink& out, int factor) {
    if (factor < 1 || factor > 4) ThrowUnsupported("reduce factor out of range");
    BitReader in(raw);
    Output output(out);
    if (out.Remaining() == 0) return;

    // Follower sets, stored from byte 255 down to byte 0.
    std::array<std::array<std::uint8_t, 64>, 256> followers{};
    std::array<unsigned, 256> counts{};
    for (int byte = 255; byte >= 0; --byte) {
        counts[byte] = in.Take(6);
        for (unsigned i = 0; i < counts[byte]; ++i)
            followers[byte][i] = static_cast<std::uint8_t>(in.Take(8));
    }

    const unsigned lengthMask = 0xFFu >> factor;  // 127, 63, 31, 15
    unsigned last = 0, state = 0, lengthByte = 0, length = 0;
    while (output.Left() > 0) {
        unsigned c;
        if (counts[last] == 0 || in.Take(1) == 1) {
            c = in.Take(8);
        } else {
            const unsigned index = in.Take(IndexBits(counts[last]));
            if (index >= counts[last]) ThrowDamaged("reduced data names a follower that does not exist");
            c = followers[last][index];
        }
        last = c;

        switch (state) {
        case 0:  // plain bytes until the escape
            if (c == kEscape)
                state = 1;
            else
                output.Put(static_cast<std::uint8_t>(c));
            break;
        case 1:  // escape, then 0 for a literal escape byte or the length byte
            if (c == 0) {
                output.Put(kEscape);
                state = 0;
            } else {
                lengthByte = c;
                length = c & lengthMask;
                state = length == lengthMask ? 2 : 3;
            }
            break;
        case 2:  // the length did not fit: one more byte adds to it
            length += c;
            state = 3;
            break;
        default: {  // the low byte of the distance
            const std::size_t distance = ((lengthByte >> (8 - factor)) << 8) + c + 1;
            output.Copy(distance, length + 3);
            state = 0;
            break;
        }
        }
    }
    output.Flush();
}

}  // namespace zipcodec

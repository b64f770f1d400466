#pragma once
// Feeds DecodeEntry from bytes in memory, at most `chunk` bytes a read, to
// shake out buffer edges; NullSink throws the output away.
#include "Decoder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> data, std::size_t chunk = SIZE_MAX)
        : data_(data), chunk_(chunk) {}
    std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
        const std::size_t n = std::min({size, chunk_, data_.size() - pos_});
        if (n) std::memcpy(buffer, data_.data() + pos_, n);
        pos_ += n;
        return n;
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t chunk_;
    std::size_t pos_ = 0;
};

class NullSink : public ByteSink {
public:
    void Write(const std::uint8_t*, std::size_t) override {}
};

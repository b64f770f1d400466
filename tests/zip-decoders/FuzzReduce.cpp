// Our own Reduce decoder on arbitrary bytes: the first byte picks the factor,
// the next three give the declared size; the rest is the compressed data.
#include "Decoder.h"

#include <algorithm>
#include <cstring>

namespace {

class Source : public ByteSource {
public:
    Source(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
        const std::size_t n = std::min(size, size_ - pos_);
        std::memcpy(buffer, data_ + pos_, n);
        pos_ += n;
        return n;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_, pos_ = 0;
};

class Sink : public ByteSink {
public:
    void Write(const std::uint8_t*, std::size_t) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const std::uint16_t method = static_cast<std::uint16_t>(2 + (data[0] & 3));
    const std::uint64_t declared = data[1] | (data[2] << 8) | (data[3] << 16);
    Source source(data + 4, size - 4);
    Sink sink;
    try {
        DecodeEntry({method, 0, size - 4, declared}, source, sink);
    } catch (const DecodeError&) {
    }
    return 0;
}

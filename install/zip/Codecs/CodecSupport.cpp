#include "CodecSupport.h"

#include <algorithm>

namespace zipcodec {

void ThrowDamaged(const char* detail) { throw DecodeError(DecodeFault::Damaged, detail); }

void ThrowUnsupported(const char* detail) { throw DecodeError(DecodeFault::Unsupported, detail); }

void SizedSink::Write(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    if (size > Remaining()) ThrowDamaged("data decodes to more than the entry's size");
    out_.Write(data, size);
    written_ += size;
}

std::span<std::uint8_t> SizedSink::Lend() {
    const std::span<std::uint8_t> lent = out_.Lend();
    return lent.first(static_cast<std::size_t>(std::min<std::uint64_t>(lent.size(), Remaining())));
}

void SizedSink::Commit(std::size_t size) {
    if (size == 0) return;
    if (size > Remaining()) ThrowDamaged("data decodes to more than the entry's size");
    out_.Commit(size);
    written_ += size;
}

void SizedSink::Finish() const {
    if (!Full()) ThrowDamaged("data ends before the entry's size");
}

std::size_t ReadFull(ByteSource& raw, std::uint8_t* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const std::size_t got = raw.Read(buffer + done, size - done);
        if (got == 0) break;
        done += got;
    }
    return done;
}

}  // namespace zipcodec

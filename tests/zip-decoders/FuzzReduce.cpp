// Our own Reduce decoder on arbitrary bytes: the first byte picks the factor,
// the next three give the declared size; the rest is the compressed data.
#include "Decoder.h"
#include "MemorySource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const std::uint16_t method = static_cast<std::uint16_t>(2 + (data[0] & 3));
    const std::uint64_t declared = data[1] | (data[2] << 8) | (data[3] << 16);
    MemorySource source({data + 4, size - 4});
    NullSink sink;
    try {
        DecodeEntry({method, 0, size - 4, declared}, source, sink);
    } catch (const DecodeError&) {}
    return 0;
}

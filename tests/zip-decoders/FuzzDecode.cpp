// Every method's decoding path on arbitrary bytes. The first byte picks the
// method, the second the general-purpose flags that matter (bits 1 and 2),
// the next three the declared size; the rest is the entry's raw data.
#include "Decoder.h"
#include "MemorySource.h"

#include <iterator>

namespace {

constexpr std::uint16_t kMethods[] = {0, 1, 2, 3, 4, 5, 6, 8, 9, 12, 14, 97, 98, 96};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    const std::uint16_t method = kMethods[data[0] % std::size(kMethods)];
    const std::uint16_t flags = data[1] & 0x06;
    const std::uint64_t declared = data[2] | (data[3] << 8) | (data[4] << 16);
    MemorySource source({data + 5, size - 5}, 4093);  // odd short reads, as at a buffer edge
    NullSink sink;
    try {
        DecodeEntry({method, flags, size - 5, declared}, source, sink);
    } catch (const DecodeError&) {}
    return 0;
}

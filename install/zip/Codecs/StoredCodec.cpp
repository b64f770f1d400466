#include "Codecs.h"

#include <vector>

namespace zipcodec {

void DecodeStored(ByteSource& raw, SizedSink& out) {
    std::vector<std::uint8_t> block(kBlockSize);
    while (const std::size_t got = raw.Read(block.data(), block.size()))
        out.Write(block.data(), got);
}

}  // namespace zipcodec

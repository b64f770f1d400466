// LZMA (14) through liblzma's raw LZMA1 decoder. ZIP puts a 4-byte header
// (encoder version, properties size) and the 5 properties bytes before the
// stream; flag bit 1 says an end marker follows the data, otherwise the
// entry's size ends it.
#include "Codecs.h"

#include <lzma.h>

#include <algorithm>
#include <new>
#include <vector>

namespace zipcodec {
namespace {

class RawLzma {
public:
    RawLzma() = default;
    ~RawLzma() { lzma_end(&stream_); }
    RawLzma(const RawLzma&) = delete;
    RawLzma& operator=(const RawLzma&) = delete;
    lzma_stream& Stream() { return stream_; }

private:
    lzma_stream stream_ = LZMA_STREAM_INIT;
};

}  // namespace

void DecodeLzma(ByteSource& raw, SizedSink& out, std::uint16_t flags) {
    std::uint8_t header[9];
    if (ReadFull(raw, header, sizeof header) != sizeof header) ThrowDamaged("LZMA header ends early");
    const unsigned propsSize = header[2] | (header[3] << 8);
    if (propsSize != 5) ThrowUnsupported("LZMA properties of unexpected size");

    lzma_options_lzma options{};
    const unsigned props = header[4];
    if (props >= 9 * 5 * 5) ThrowDamaged("invalid LZMA properties");
    options.lc = props % 9;
    options.lp = (props / 9) % 5;
    options.pb = props / 45;
    std::uint32_t dictSize = header[5] | (header[6] << 8) | (header[7] << 16) | (std::uint32_t{header[8]} << 24);
    // No reference reaches further back than the entry's own start, so a
    // window larger than the entry is never used: don't allocate it.
    const std::uint64_t needed = std::max<std::uint64_t>(out.Remaining(), LZMA_DICT_SIZE_MIN);
    options.dict_size = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(std::max<std::uint32_t>(dictSize, LZMA_DICT_SIZE_MIN), needed));
    // With an end marker the stream ends itself (and the size is checked
    // afterwards); without one the decoder stops at the entry's size.
    const bool endMarker = (flags & 0x02) != 0;
    if (!endMarker) {
        if (out.Full()) return;  // nothing to decode, and nothing ends it
        options.ext_size_low = static_cast<std::uint32_t>(out.Remaining());
        options.ext_size_high = static_cast<std::uint32_t>(out.Remaining() >> 32);
    }

    const lzma_filter filters[] = {{endMarker ? LZMA_FILTER_LZMA1 : LZMA_FILTER_LZMA1EXT, &options},
                                   {LZMA_VLI_UNKNOWN, nullptr}};
    RawLzma decoder;
    lzma_stream& lz = decoder.Stream();
    switch (lzma_raw_decoder(&lz, filters)) {
    case LZMA_OK: break;
    case LZMA_MEM_ERROR: throw std::bad_alloc();
    default: ThrowUnsupported("LZMA options not supported");
    }

    std::vector<std::uint8_t> in(kBlockSize), decoded(kBlockSize);
    bool inputEnded = false;
    for (;;) {
        if (lz.avail_in == 0 && !inputEnded) {
            const std::size_t got = raw.Read(in.data(), in.size());
            inputEnded = got == 0;
            lz.next_in = in.data();
            lz.avail_in = got;
        }
        lz.next_out = decoded.data();
        lz.avail_out = decoded.size();
        const lzma_ret status = lzma_code(&lz, inputEnded ? LZMA_FINISH : LZMA_RUN);
        out.Write(decoded.data(), decoded.size() - lz.avail_out);
        if (status == LZMA_STREAM_END) return;
        if (status == LZMA_MEM_ERROR) throw std::bad_alloc();
        if (status == LZMA_BUF_ERROR) {
            // Some writers set the end-marker flag without writing the marker.
            if (endMarker && out.Full()) return;
            ThrowDamaged("LZMA data ends early");
        }
        if (status != LZMA_OK) ThrowDamaged("invalid LZMA data");
    }
}

}  // namespace zipcodec

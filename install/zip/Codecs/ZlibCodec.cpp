// Deflated (8) through zlib's raw inflate.
#include "Codecs.h"

#include <zlib.h>

#include <new>
#include <vector>

namespace zipcodec {
namespace {

class Inflater {
public:
    Inflater() {
        if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
    }
    ~Inflater() { inflateEnd(&stream_); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    z_stream& Stream() { return stream_; }

private:
    z_stream stream_{};
};

}  // namespace

void DecodeDeflated(ByteSource& raw, SizedSink& out) {
    std::vector<std::uint8_t> in(kBlockSize), decoded(kBlockSize);
    Inflater inflater;
    z_stream& z = inflater.Stream();
    bool inputEnded = false;
    for (;;) {
        if (z.avail_in == 0 && !inputEnded) {
            const std::size_t got = raw.Read(in.data(), in.size());
            inputEnded = got == 0;
            z.next_in = in.data();
            z.avail_in = static_cast<uInt>(got);
        }
        z.next_out = decoded.data();
        z.avail_out = static_cast<uInt>(decoded.size());
        const int status = inflate(&z, Z_NO_FLUSH);
        out.Write(decoded.data(), decoded.size() - z.avail_out);
        if (status == Z_STREAM_END) return;
        if (status == Z_MEM_ERROR) throw std::bad_alloc();
        if (status == Z_DATA_ERROR || status == Z_NEED_DICT) ThrowDamaged("invalid deflate data");
        // Z_BUF_ERROR: no progress was possible, which only happens once the
        // input is used up (the output block is always empty here).
        if (status == Z_BUF_ERROR && inputEnded) ThrowDamaged("deflate data ends early");
    }
}

}  // namespace zipcodec

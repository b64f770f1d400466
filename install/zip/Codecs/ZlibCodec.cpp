// Deflated (8) through zlib's raw inflate.
#include "Codecs.h"

#include <zlib.h>

#include <new>
#include <span>
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
        // Straight into the sink's block where it lends one: inflate's output
        // is then never copied on this thread.
        const std::span<std::uint8_t> lent = out.Lend();
        const std::span<std::uint8_t> to = lent.empty() ? std::span<std::uint8_t>(decoded) : lent;
        z.next_out = to.data();
        z.avail_out = static_cast<uInt>(to.size());
        const int status = inflate(&z, Z_NO_FLUSH);
        const std::size_t made = to.size() - z.avail_out;
        if (lent.empty())
            out.Write(decoded.data(), made);
        else
            out.Commit(made);
        if (status == Z_STREAM_END) return;
        if (status == Z_MEM_ERROR) throw std::bad_alloc();
        if (status == Z_DATA_ERROR || status == Z_NEED_DICT) ThrowDamaged("invalid deflate data");
        // Z_BUF_ERROR: no progress was possible, which only happens once the
        // input is used up (there is always room for output here).
        if (status == Z_BUF_ERROR && inputEnded) ThrowDamaged("deflate data ends early");
    }
}

}  // namespace zipcodec

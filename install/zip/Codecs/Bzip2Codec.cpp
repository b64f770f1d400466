// BZIP2 (12) through libbz2.
#include "Codecs.h"

#include <bzlib.h>

#include <new>
#include <vector>

namespace zipcodec {
namespace {

class Bunzipper {
public:
    Bunzipper() {
        const int status = BZ2_bzDecompressInit(&stream_, 0, 0);
        if (status == BZ_MEM_ERROR) throw std::bad_alloc();
        if (status != BZ_OK) ThrowUnsupported("bzip2 decoder cannot start");
    }
    ~Bunzipper() { BZ2_bzDecompressEnd(&stream_); }
    Bunzipper(const Bunzipper&) = delete;
    Bunzipper& operator=(const Bunzipper&) = delete;
    bz_stream& Stream() { return stream_; }

private:
    bz_stream stream_{};
};

}  // namespace

void DecodeBzip2(ByteSource& raw, SizedSink& out) {
    std::vector<char> in(kBlockSize), decoded(kBlockSize);
    Bunzipper bunzipper;
    bz_stream& bz = bunzipper.Stream();
    bool inputEnded = false;
    for (;;) {
        if (bz.avail_in == 0 && !inputEnded) {
            const std::size_t got = raw.Read(reinterpret_cast<std::uint8_t*>(in.data()), in.size());
            inputEnded = got == 0;
            bz.next_in = in.data();
            bz.avail_in = static_cast<unsigned>(got);
        }
        bz.next_out = decoded.data();
        bz.avail_out = static_cast<unsigned>(decoded.size());
        const int status = BZ2_bzDecompress(&bz);
        const std::size_t produced = decoded.size() - bz.avail_out;
        out.Write(reinterpret_cast<const std::uint8_t*>(decoded.data()), produced);
        if (status == BZ_STREAM_END) return;
        if (status == BZ_MEM_ERROR) throw std::bad_alloc();
        if (status != BZ_OK) ThrowDamaged("invalid bzip2 data");
        // libbz2 reports no error when the input simply runs out.
        if (inputEnded && bz.avail_in == 0 && produced == 0) ThrowDamaged("bzip2 data ends early");
    }
}

}  // namespace zipcodec

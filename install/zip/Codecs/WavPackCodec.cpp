// WavPack (97) through libwavpack. The entry's data is a WavPack stream that
// carries the original file's header (for example RIFF/WAVE) as "wrapper"
// bytes; the file is rebuilt as wrapper, samples in their original byte
// layout, then any trailing wrapper bytes.
#include "Codecs.h"

#include <wavpack/wavpack.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <vector>

namespace zipcodec {
namespace {

// libwavpack reads through C callbacks that must not throw, and it peeks one
// byte ahead with a push-back. The stream cannot seek: the library then reads
// block after block, which is all decoding needs.
class StreamFeed {
public:
    explicit StreamFeed(ByteSource& source) : source_(source), block_(kBlockSize) {}

    void Check() const {
        if (failure_) std::rethrow_exception(failure_);
    }

    static WavpackStreamReader64* Reader() {
        static WavpackStreamReader64 reader = {&ReadBytes,    &WriteBytes, &GetPos,  &SetPosAbs,    &SetPosRel,
                                               &PushBackByte, &GetLength,  &CanSeek, &TruncateHere, &Close};
        return &reader;
    }

private:
    static StreamFeed& Of(void* id) { return *static_cast<StreamFeed*>(id); }

    static int32_t ReadBytes(void* id, void* data, int32_t count) {
        StreamFeed& self = Of(id);
        auto* out = static_cast<std::uint8_t*>(data);
        int32_t done = 0;
        if (count > 0 && self.pushedBack_ >= 0) {
            out[done++] = static_cast<std::uint8_t>(self.pushedBack_);
            self.pushedBack_ = -1;
        }
        while (done < count) {
            if (self.pos_ == self.size_ && !self.Refill()) break;
            const std::size_t n = std::min<std::size_t>(count - done, self.size_ - self.pos_);
            std::memcpy(out + done, self.block_.data() + self.pos_, n);
            self.pos_ += n;
            done += static_cast<int32_t>(n);
        }
        self.consumed_ += done;
        return done;
    }

    static int PushBackByte(void* id, int c) {
        StreamFeed& self = Of(id);
        if (self.pushedBack_ >= 0 || c < 0) return EOF;
        self.pushedBack_ = c & 0xFF;
        --self.consumed_;
        return c;
    }

    static int64_t GetPos(void* id) { return Of(id).consumed_; }
    static int32_t WriteBytes(void*, void*, int32_t) { return 0; }
    static int SetPosAbs(void*, int64_t) { return -1; }
    static int SetPosRel(void*, int64_t, int) { return -1; }
    static int64_t GetLength(void*) { return 0; }
    static int CanSeek(void*) { return 0; }
    static int TruncateHere(void*) { return -1; }
    static int Close(void*) { return 0; }

    bool Refill() {
        if (ended_) return false;
        try {
            size_ = source_.Read(block_.data(), block_.size());
        } catch (...) {
            failure_ = std::current_exception();
            size_ = 0;
        }
        pos_ = 0;
        ended_ = size_ == 0;
        return !ended_;
    }

    ByteSource& source_;
    std::vector<std::uint8_t> block_;
    std::size_t pos_ = 0, size_ = 0;
    bool ended_ = false;
    int pushedBack_ = -1;
    std::int64_t consumed_ = 0;
    std::exception_ptr failure_;
};

class Context {
public:
    explicit Context(WavpackContext* context) : context_(context) {}
    ~Context() {
        if (context_) WavpackCloseFile(context_);
    }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    WavpackContext* get() const { return context_; }

private:
    WavpackContext* context_;
};

void PassWrapper(WavpackContext* context, SizedSink& out) {
    if (const std::uint32_t size = WavpackGetWrapperBytes(context)) out.Write(WavpackGetWrapperData(context), size);
    WavpackFreeWrapper(context);
}

// Puts the library's 32-bit samples back into the file's own layout.
class SamplePacker {
public:
    SamplePacker(int bytesPerSample, int qualifyMode)
        : bytes_(bytesPerSample), bigEndian_(qualifyMode & QMODE_BIG_ENDIAN) {
        // The library hands out signed values; WAVE keeps 8-bit audio
        // unsigned, and some formats keep wider samples unsigned.
        if (bytes_ == 1 && !(qualifyMode & QMODE_SIGNED_BYTES)) bias_ = 0x80;
        if (bytes_ > 1 && (qualifyMode & QMODE_UNSIGNED_WORDS)) bias_ = std::uint32_t{1} << (bytes_ * 8 - 1);
    }

    std::size_t Pack(const std::int32_t* samples, std::size_t count, std::uint8_t* out) const {
        std::uint8_t* p = out;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t value = static_cast<std::uint32_t>(samples[i]) + bias_;
            for (int b = 0; b < bytes_; ++b) {
                const int shift = 8 * (bigEndian_ ? bytes_ - 1 - b : b);
                *p++ = static_cast<std::uint8_t>(value >> shift);
            }
        }
        return static_cast<std::size_t>(p - out);
    }

private:
    int bytes_;
    bool bigEndian_;
    std::uint32_t bias_ = 0;
};

}  // namespace

void DecodeWavPack(ByteSource& raw, SizedSink& out) {
    StreamFeed feed(raw);
    char error[80] = {};
    Context context(
        WavpackOpenFileInputEx64(StreamFeed::Reader(), &feed, nullptr, error, OPEN_WRAPPER | OPEN_ALT_TYPES, 0));
    feed.Check();
    WavpackContext* wpc = context.get();
    if (!wpc) ThrowDamaged("invalid WavPack data");

    const int channels = WavpackGetNumChannels(wpc);
    const int bytesPerSample = WavpackGetBytesPerSample(wpc);
    const int qualifyMode = WavpackGetQualifyMode(wpc);
    if (channels < 1 || bytesPerSample < 1 || bytesPerSample > 4) ThrowDamaged("invalid WavPack format");
    // Channel reordering and DSD need more of the original format than the
    // stream gives back sample by sample.
    if (qualifyMode & (QMODE_REORDERED_CHANS | QMODE_DSD_AUDIO)) ThrowUnsupported("WavPack layout not supported");

    PassWrapper(wpc, out);
    const SamplePacker packer(bytesPerSample, qualifyMode);
    const std::uint32_t frames = static_cast<std::uint32_t>(std::max<std::size_t>(1, 16384 / channels));
    std::vector<std::int32_t> samples(static_cast<std::size_t>(frames) * channels);
    std::vector<std::uint8_t> bytes(samples.size() * bytesPerSample);
    std::uint64_t audioBytes = 0;
    for (;;) {
        const std::uint32_t got = WavpackUnpackSamples(wpc, samples.data(), frames);
        feed.Check();
        if (got == 0) break;
        const std::size_t size = packer.Pack(samples.data(), std::size_t{got} * channels, bytes.data());
        out.Write(bytes.data(), size);
        audioBytes += size;
    }
    if (WavpackGetNumErrors(wpc) > 0) ThrowDamaged("WavPack blocks fail their checksums");
    // RIFF pads a chunk of odd length with one zero byte; the stream keeps
    // neither the byte nor a trace of it in the wrapper.
    if (WavpackGetFileFormat(wpc) == WP_FORMAT_WAV && audioBytes % 2 == 1) {
        const std::uint8_t pad = 0;
        out.Write(&pad, 1);
    }
    PassWrapper(wpc, out);  // the trailer, read with the last block
}

}  // namespace zipcodec

// PPMd version I rev 1 (98) through 7-Zip's plain-C PPMd8 model. ZIP puts two
// bytes before the range coder's data: model order - 1 (4 bits), model size
// in MB - 1 (8 bits) and the restore method (4 bits).
#include "Codecs.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <new>
#include <vector>

extern "C" {
#include "Ppmd8.h"
}

namespace zipcodec {
namespace {

void* AllocModel(ISzAllocPtr, size_t size) { return std::malloc(size); }
void FreeModel(ISzAllocPtr, void* address) { std::free(address); }
const ISzAlloc kAllocator = {AllocModel, FreeModel};

// The model pulls its input one byte at a time through a C callback, which
// must not throw: the end of the data and a failure of the source are noted
// here and checked after every symbol.
struct ByteFeed {
    IByteIn vt{};  // first member: the model passes a pointer to it back
    ByteSource* source = nullptr;
    std::vector<std::uint8_t> block;
    std::size_t pos = 0, size = 0;
    bool overrun = false;
    std::exception_ptr failure;

    static Byte Next(IByteInPtr p) {
        auto* self = reinterpret_cast<ByteFeed*>(const_cast<IByteIn*>(p));
        if (self->pos == self->size) {
            if (self->overrun || self->failure) return 0;
            try {
                self->size = self->source->Read(self->block.data(), self->block.size());
            } catch (...) {
                self->failure = std::current_exception();
                self->size = 0;
            }
            self->pos = 0;
            if (self->size == 0) {
                self->overrun = true;
                return 0;
            }
        }
        return self->block[self->pos++];
    }

    void Check() const {
        if (failure) std::rethrow_exception(failure);
        if (overrun) ThrowDamaged("PPMd data ends early");
    }
};

class Model {
public:
    Model() { Ppmd8_Construct(&ppmd_); }
    ~Model() { Ppmd8_Free(&ppmd_, &kAllocator); }
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;
    CPpmd8* operator->() { return &ppmd_; }
    CPpmd8* get() { return &ppmd_; }

private:
    CPpmd8 ppmd_;
};

}  // namespace

void DecodePpmd(ByteSource& raw, SizedSink& out) {
    std::uint8_t header[2];
    if (ReadFull(raw, header, sizeof header) != sizeof header) ThrowDamaged("PPMd header ends early");
    const unsigned value = header[0] | (header[1] << 8);
    const unsigned order = (value & 0x0F) + 1;
    const std::uint32_t megabytes = ((value >> 4) & 0xFF) + 1;
    const unsigned restore = value >> 12;
    if (order < PPMD8_MIN_ORDER) ThrowDamaged("invalid PPMd model order");
    if (restore >= PPMD8_RESTORE_METHOD_UNSUPPPORTED) ThrowUnsupported("PPMd restore method not supported");

    Model model;
    // Up to 256 MB, as the entry asks: more than a 32-bit process may find.
    if (!Ppmd8_Alloc(model.get(), megabytes << 20, &kAllocator)) throw std::bad_alloc();
    ByteFeed feed;
    feed.vt.Read = &ByteFeed::Next;
    feed.source = &raw;
    feed.block.resize(kBlockSize);
    model->Stream.In = &feed.vt;
    const bool started = Ppmd8_Init_RangeDec(model.get());
    feed.Check();
    if (!started) ThrowDamaged("invalid PPMd data");
    Ppmd8_Init(model.get(), order, restore);

    std::vector<std::uint8_t> decoded(kBlockSize);
    while (!out.Full()) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(decoded.size(), out.Remaining()));
        std::size_t got = 0;
        int symbol = 0;
        while (got < want) {
            symbol = Ppmd8_DecodeSymbol(model.get());
            if (symbol < 0 || feed.failure || feed.overrun) break;
            decoded[got++] = static_cast<std::uint8_t>(symbol);
        }
        out.Write(decoded.data(), got);
        feed.Check();
        if (symbol == PPMD8_SYM_END) return;  // end marker: out.Finish() judges the size
        if (symbol < 0) ThrowDamaged("invalid PPMd data");
    }
}

}  // namespace zipcodec

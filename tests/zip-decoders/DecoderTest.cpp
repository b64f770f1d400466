#include "RawEntries.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <set>
#include <vector>

#ifdef _WIN32
#include "AddressSpace.h"
#endif

namespace {

// Samples made by real tools; each holds at least one entry of the method.
struct Sample {
    const char* file;
    std::uint16_t method;
};
const Sample kSamples[] = {
    {"method-01-shrink-sharpcompress.zip", 1},
    {"method-02-reduce1-corkami.zip", 2},
    {"method-03-reduce2-corkami.zip", 3},
    {"method-04-reduce3-corkami.zip", 4},
    {"method-05-reduce4-corkami.zip", 5},
    {"method-05-reduce4-pkzip090-defacto2.zip", 5},
    {"method-06-implode-mixed-sharpcompress.zip", 6},
    {"method-06-implode-flagbit13-pkzip110-libarchive.zip", 6},
    {"baseline-deflate-stored-comment-go.zip", 8},
    {"baseline-deflate-stored-comment-go.zip", 0},
    {"method-09-deflate64-7zip-sharpcompress.zip", 9},
    {"method-12-bzip2-winzip-sharpcompress.zip", 12},
    {"method-14-lzma-lc4-winzip-sharpcompress.zip", 14},
    {"method-14-lzma-eos-7zip-corkami.zip", 14},
    {"method-14-lzma-empty-sharpcompress.zip", 14},
    {"method-97-wavpack-winzip-corkami.zip", 97},
    {"method-98-ppmd-7zip-sharpcompress.zip", 98},
};

// The first entry of the sample that uses its method and is not empty; an
// entry of size 0 when there is none.
RawEntry EntryOf(const Sample& sample) {
    for (auto& entry : ReadRawEntries(Fixture(sample.file)))
        if (entry.coding.method == sample.method && entry.coding.uncompressedSize > 0) return entry;
    return {};
}

// lend: the size of the blocks the sink lends; 0, none.
DecodeFault FaultOf(const EntryCoding& coding, const std::vector<std::uint8_t>& raw, std::size_t lend = 0) {
    MemorySource source(raw);
    CrcSink plain;
    LendingSink lending(lend);
    try {
        DecodeEntry(coding, source, lend ? lending : plain);
    } catch (const DecodeError& error) {
        return error.Fault();
    }
    ADD_FAILURE() << "method " << coding.method << " decoded without an error";
    return DecodeFault::Unsupported;
}

struct SinkFull {};
struct SourceBroken {};

class ThrowingSink : public ByteSink {
public:
    void Write(const std::uint8_t*, std::size_t) override { throw SinkFull{}; }
};

class BreakingSource : public ByteSource {
public:
    explicit BreakingSource(const std::vector<std::uint8_t>& data) : data_(data) {}
    std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
        if (done_) throw SourceBroken{};
        done_ = true;
        const std::size_t n = std::min({size, data_.size() / 2, std::size_t{16}});
        std::copy_n(data_.begin(), n, buffer);
        return n;
    }

private:
    const std::vector<std::uint8_t>& data_;
    bool done_ = false;
};

}  // namespace

TEST(DecodeEntry, EverySampleEntryDecodesToItsCrc) {
    std::set<std::uint16_t> seen;
    for (const auto& sample : kSamples) {
        for (const auto& entry : ReadRawEntries(Fixture(sample.file))) {
            // Whole blocks, then a few bytes at a time across every buffer edge;
            // into the decoder's own buffer, then into small lent blocks.
            for (const std::size_t lend : {std::size_t{0}, std::size_t{5}, std::size_t{300}}) {
                for (const std::size_t chunk : {SIZE_MAX, std::size_t{7}}) {
                    MemorySource source(entry.raw, chunk);
                    CrcSink plain;
                    LendingSink lending(lend);
                    CrcSink& sink = lend ? lending : plain;
                    ASSERT_NO_THROW(DecodeEntry(entry.coding, source, sink)) << sample.file << ": " << entry.name;
                    EXPECT_EQ(sink.size, entry.coding.uncompressedSize) << sample.file << ": " << entry.name;
                    EXPECT_EQ(sink.crc, entry.crc)
                        << sample.file << ": " << entry.name << " chunk " << chunk << " lend " << lend;
                }
            }
            seen.insert(entry.coding.method);
        }
    }
    for (const auto& sample : kSamples)
        EXPECT_TRUE(seen.count(sample.method)) << sample.method;
}

TEST(DecodeEntry, TruncatedDataIsDamagedForEveryMethod) {
    for (const auto& sample : kSamples) {
        const RawEntry entry = EntryOf(sample);
        if (entry.coding.uncompressedSize == 0) continue;
        const std::vector<std::uint8_t> half(entry.raw.begin(), entry.raw.begin() + entry.raw.size() / 2);
        EXPECT_EQ(FaultOf(entry.coding, half), DecodeFault::Damaged) << sample.file << ": " << entry.name;
    }
}

TEST(DecodeEntry, DataLongerThanTheDeclaredSizeIsDamaged) {
    // Data that ends itself (LZMA with its end marker); for the other
    // methods the size ends the data.
    for (const auto& sample : kSamples) {
        RawEntry entry = EntryOf(sample);
        const bool endsItself = sample.method == 0 || sample.method == 8 || sample.method == 9 || sample.method == 12 ||
                                (sample.method == 14 && (entry.coding.flags & 0x02));
        if (!endsItself || entry.coding.uncompressedSize == 0) continue;
        entry.coding.uncompressedSize -= 1;
        EXPECT_EQ(FaultOf(entry.coding, entry.raw), DecodeFault::Damaged) << sample.file;
        // A lent block larger than what is still expected is held to it.
        EXPECT_EQ(FaultOf(entry.coding, entry.raw, 1 << 20), DecodeFault::Damaged) << sample.file;
    }
}

TEST(DecodeEntry, CorruptStreamsAreDamaged) {
    for (const char* file : {"malformed-deflate-data-invalid-dotnet.zip", "malformed-bzip2-data-broken-libzip.zip"}) {
        const auto entries = ReadRawEntries(Fixture(file));
        ASSERT_FALSE(entries.empty());
        EXPECT_EQ(FaultOf(entries[0].coding, entries[0].raw), DecodeFault::Damaged) << file;
    }
}

TEST(DecodeEntry, MethodsOutsideTheTableAreUnsupported) {
    const auto jpeg = ReadRawEntries(Fixture("method-96-jpeg-unsupported-winzip-corkami.zip"));
    ASSERT_EQ(jpeg.size(), 1u);
    EXPECT_FALSE(IsSupportedMethod(96));
    EXPECT_EQ(FaultOf(jpeg[0].coding, jpeg[0].raw), DecodeFault::Unsupported);
    for (const std::uint16_t method : {7, 10, 18, 19, 93, 95, 99, 0xFFFF}) {
        EXPECT_FALSE(IsSupportedMethod(method)) << method;
        EXPECT_EQ(FaultOf({method, 0, 3, 3}, {1, 2, 3}), DecodeFault::Unsupported) << method;
    }
    for (const std::uint16_t method : {0, 1, 2, 3, 4, 5, 6, 8, 9, 12, 14, 97, 98})
        EXPECT_TRUE(IsSupportedMethod(method));
}

TEST(DecodeEntry, OptionsAMethodCannotTakeAreUnsupported) {
    // PPMd with the "freeze" restore method; LZMA with properties of 6 bytes.
    EXPECT_EQ(FaultOf({98, 0, 10, 10}, {0x05, 0x20, 0, 0, 0, 0, 0, 0, 0, 0}), DecodeFault::Unsupported);
    EXPECT_EQ(FaultOf({14, 0, 12, 10}, {9, 20, 6, 0, 0x5D, 0, 0, 1, 0, 0, 0, 0}), DecodeFault::Unsupported);
}

TEST(DecodeEntry, FailuresOfSourceAndSinkPassThroughUnchanged) {
    // The reader's own failures (a full disk, a read error) must reach it as
    // they were thrown, also through the libraries that call back into us.
    for (const auto& sample : kSamples) {
        const RawEntry entry = EntryOf(sample);
        if (entry.coding.uncompressedSize == 0) continue;
        MemorySource source(entry.raw);
        ThrowingSink full;
        EXPECT_THROW(DecodeEntry(entry.coding, source, full), SinkFull) << sample.file;
        if (entry.raw.size() < 8) continue;
        BreakingSource broken(entry.raw);
        CrcSink sink;
        EXPECT_THROW(DecodeEntry(entry.coding, broken, sink), SourceBroken) << sample.file;
    }
}

#ifdef _WIN32
namespace {

enum class Outcome { Decoded, OutOfMemory, Unsupported, Damaged };

Outcome DecodeWithoutMemory(const RawEntry& entry) {
    Outcome outcome = Outcome::Decoded;
    MemorySource source(entry.raw);
    NullSink sink;
    AddressSpaceFilled filled;
    if (!filled.Full()) {
        ADD_FAILURE() << kAddressSpaceNotFull;
        return outcome;
    }
    try {
        DecodeEntry(entry.coding, source, sink);
    } catch (const std::bad_alloc&) {
        outcome = Outcome::OutOfMemory;
    } catch (const DecodeError& e) {
        outcome = e.Fault() == DecodeFault::Unsupported ? Outcome::Unsupported : Outcome::Damaged;
    }
    return outcome;
}

}  // namespace

// A model or window that does not fit is out of memory (the extractor says
// so), not an option the method cannot take: PPMd asking for its largest
// model, 256 MB, and a 7-Zip coder that cannot get its window.
TEST(DecodeEntry, RunningOutOfMemoryIsReportedAsSuch) {
    RawEntry ppmd = EntryOf({"method-98-ppmd-7zip-sharpcompress.zip", 98});
    ASSERT_GE(ppmd.raw.size(), 2u);
    const unsigned params = ppmd.raw[0] | ppmd.raw[1] << 8;
    const unsigned largest = (params & 0xF00F) | 255 << 4;
    ppmd.raw[0] = static_cast<std::uint8_t>(largest);
    ppmd.raw[1] = static_cast<std::uint8_t>(largest >> 8);
    EXPECT_EQ(DecodeWithoutMemory(ppmd), Outcome::OutOfMemory);
    EXPECT_EQ(DecodeWithoutMemory(EntryOf({"method-09-deflate64-7zip-sharpcompress.zip", 9})), Outcome::OutOfMemory);
}
#endif

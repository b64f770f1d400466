// Samples made at build time by real tools (make_samples.py).
#include "RawEntries.h"

#include <gtest/gtest.h>

#include <set>

#include "TestFiles.h"

namespace {

std::string Made(const std::string& name) { return std::string(ZIP_DECODER_MADE) + "/" + name; }

std::vector<std::uint8_t> Bytes(const std::string& path) { return ReadWholeFile<std::vector<std::uint8_t>>(path); }

}  // namespace

TEST(DecodeEntry, ArchivesMadeByToolsDecodeToTheirCrc) {
    struct Made_ {
        const char* file;
        std::set<std::uint16_t> methods;
    };
    const Made_ archives[] = {
        {"infozip-deflated.zip", {8}}, {"infozip-bzip2.zip", {12}}, {"7zip-deflate64.zip", {0, 9}},
        {"7zip-bzip2.zip", {0, 12}},   {"7zip-lzma.zip", {0, 14}},  {"7zip-ppmd.zip", {0, 98}},
        {"python-lzma.zip", {14}},     {"python-bzip2.zip", {12}},
    };
    for (const auto& archive : archives) {
        std::set<std::uint16_t> seen;
        for (const auto& entry : ReadRawEntries(Made(archive.file))) {
            MemorySource source(entry.raw, 65521);  // a prime: reads never line up with blocks
            CrcSink sink;
            ASSERT_NO_THROW(DecodeEntry(entry.coding, source, sink)) << archive.file << ": " << entry.name;
            EXPECT_EQ(sink.size, entry.coding.uncompressedSize) << archive.file << ": " << entry.name;
            EXPECT_EQ(sink.crc, entry.crc) << archive.file << ": " << entry.name;
            seen.insert(entry.coding.method);
        }
        EXPECT_EQ(seen, archive.methods) << archive.file;
    }
}

TEST(DecodeEntry, WavPackRebuildsTheOriginalFileByteForByte) {
    // Unsigned 8-bit with an odd length (so a RIFF pad byte) and a chunk after
    // the audio, 16-bit with such a chunk, 24-bit, 32-bit and float layouts.
    for (const char* name : {"u8-mono-odd-trailer", "s16-stereo-trailer", "s24-stereo", "s32-mono", "f32-stereo"}) {
        const std::string base = Made(std::string("wavpack-") + name);
        const auto wave = Bytes(base + ".wav");
        const auto packed = Bytes(base + ".wv");
        MemorySource source(packed, 4093);
        CrcSink sink(true);
        EXPECT_NO_THROW(DecodeEntry({97, 0, packed.size(), wave.size()}, source, sink)) << name;
        EXPECT_TRUE(sink.bytes == wave) << name << ": " << sink.bytes.size() << " bytes, expected " << wave.size();
    }
}

TEST(DecodeEntry, WavPackWithADamagedBlockIsDamaged) {
    const auto wave = Bytes(Made("wavpack-s16-stereo-trailer.wav"));
    auto packed = Bytes(Made("wavpack-s16-stereo-trailer.wv"));
    packed[packed.size() / 2] ^= 0x5A;
    MemorySource source(packed);
    CrcSink sink;
    try {
        DecodeEntry({97, 0, packed.size(), wave.size()}, source, sink);
        ADD_FAILURE() << "no error";
    } catch (const DecodeError& error) {
        EXPECT_EQ(error.Fault(), DecodeFault::Damaged);
    }
}

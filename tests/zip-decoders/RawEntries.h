#pragma once
// Test helpers: the raw (still compressed) data of an archive's entries, read
// through minizip's raw open, and sources and sinks to feed DecodeEntry.
#include "Decoder.h"
#include "MemorySource.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct RawEntry {
    std::string name;
    EntryCoding coding;
    std::uint32_t crc = 0;
    std::vector<std::uint8_t> raw;
};

// Every entry of the archive that is not a folder, in central-directory order.
std::vector<RawEntry> ReadRawEntries(const std::string& archive);
std::string Fixture(const std::string& name);

// Keeps the CRC-32 and size of what was written, and the bytes if asked to.
class CrcSink : public ByteSink {
public:
    explicit CrcSink(bool keep = false) : keep_(keep) {}
    void Write(const std::uint8_t* data, std::size_t size) override;
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    std::vector<std::uint8_t> bytes;

private:
    bool keep_;
};

// A CrcSink that lends blocks of a given size, as the extraction's writer
// lends its blocks to the decoder.
class LendingSink : public CrcSink {
public:
    explicit LendingSink(std::size_t block) : block_(block) {}
    std::span<std::uint8_t> Lend() override { return block_; }
    void Commit(std::size_t size) override { Write(block_.data(), size); }

private:
    std::vector<std::uint8_t> block_;
};

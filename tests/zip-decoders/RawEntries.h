#pragma once
// Test helpers: the raw (still compressed) data of an archive's entries, read
// through minizip's raw open, and sources and sinks to feed DecodeEntry.
#include "Decoder.h"

#include <cstdint>
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

// Hands out the bytes at most `chunk` at a time, to shake out buffer edges.
class MemorySource : public ByteSource {
public:
    explicit MemorySource(const std::vector<std::uint8_t>& data, std::size_t chunk = SIZE_MAX)
        : data_(data), chunk_(chunk) {}
    std::size_t Read(std::uint8_t* buffer, std::size_t size) override;

private:
    const std::vector<std::uint8_t>& data_;
    std::size_t chunk_;
    std::size_t pos_ = 0;
};

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

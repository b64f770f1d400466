#pragma once
// The archive as the ZIP reader sees it: bytes that can be read at any
// offset. Windows gives it a file handle; tests and the fuzzer give it memory.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

class RandomAccessFile {
public:
    virtual ~RandomAccessFile() = default;
    virtual std::uint64_t Size() = 0;
    // Reads up to size bytes at offset and returns how many were read: fewer
    // only at the end of the file. Throws on a read error.
    virtual std::size_t ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) = 0;
};

// An archive held in memory (tests, fuzzing). The bytes must outlive it.
class MemoryFile final : public RandomAccessFile {
public:
    explicit MemoryFile(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t Size() override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) override {
        if (offset >= bytes_.size()) return 0;
        const std::size_t n = std::min<std::uint64_t>(size, bytes_.size() - offset);
        std::memcpy(buffer, bytes_.data() + offset, n);
        return n;
    }

private:
    std::span<const std::uint8_t> bytes_;
};

#pragma once
// Windows files for the ZIP reader: the archive read through a handle, and a
// buffered writer for the file an entry is decoded into.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "Decoder.h"
#include "RandomAccessFile.h"
#include "Throttle.h"

// Reads the archive through a handle the caller owns; positions come with
// each read, so the handle's own file pointer is not relied on.
class HandleFile final : public RandomAccessFile {
public:
    explicit HandleFile(HANDLE file) : file_(file) {}
    std::uint64_t Size() override;
    std::size_t ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) override;

private:
    HANDLE file_;
};

// Thrown by HandleSink when the target file cannot be written.
struct WriteFailure {
    DWORD error;
};

// Collects decoded bytes and writes them in large blocks. The buffer is the
// caller's, so that one serves every entry of an archive.
class HandleSink final : public ByteSink {
public:
    HandleSink(HANDLE file, std::vector<std::uint8_t>& buffer, Throttle& busy)
        : file_(file), buffer_(buffer), busy_(busy) {
        buffer_.clear();
        buffer_.reserve(kBlock);
    }
    void Write(const std::uint8_t* data, std::size_t size) override;
    void Flush();  // throws WriteFailure

private:
    static constexpr std::size_t kBlock = 256 * 1024;
    void WriteThrough(const std::uint8_t* data, std::size_t size);
    HANDLE file_;
    std::vector<std::uint8_t>& buffer_;
    Throttle& busy_;
};

#pragma once
// The archive file as the ZIP reader reads it, through a Windows handle.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "RandomAccessFile.h"

// Reads the archive through a handle the caller owns and nobody else reads
// meanwhile: each read first sets the handle's file pointer. A read that
// goes on where the last one ended fetches a whole block of the file, kept
// for the reads that follow: entry data is asked for in small pieces, in
// order, and each system call costs more than the copy.
class ArchiveFileReader final : public RandomAccessFile {
public:
    explicit ArchiveFileReader(HANDLE file) : file_(file) {}
    std::uint64_t Size() override;
    std::size_t ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) override;

private:
    static constexpr std::size_t kBlock = 1024 * 1024;
    std::size_t ReadFromFile(std::uint64_t offset, std::uint8_t* buffer, std::size_t size);

    HANDLE file_;
    std::vector<std::uint8_t> block_;
    std::uint64_t blockStart_ = 0;
    std::size_t blockLength_ = 0;
    std::uint64_t readEnd_ = 0;  // where the last read ended
};

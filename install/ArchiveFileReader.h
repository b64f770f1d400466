#pragma once
// The archive file as the ZIP reader reads it, through a Windows handle.
#include <windows.h>

#include <cstdint>

#include "RandomAccessFile.h"

// Reads the archive through a handle the caller owns; positions come with
// each read, so the handle's own file pointer is not relied on.
class ArchiveFileReader final : public RandomAccessFile {
public:
    explicit ArchiveFileReader(HANDLE file) : file_(file) {}
    std::uint64_t Size() override;
    std::size_t ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) override;

private:
    HANDLE file_;
};

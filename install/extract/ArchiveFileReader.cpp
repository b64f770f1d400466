#include "ArchiveFileReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>

std::uint64_t ArchiveFileReader::Size() {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file_, &size)) throw std::runtime_error("archive size unknown");
    return static_cast<std::uint64_t>(size.QuadPart);
}

std::size_t ArchiveFileReader::ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) {
    std::size_t total = 0;
    while (total < size) {
        const std::uint64_t at = offset + total;
        if (at < offset) break;  // past any file: the file has ended
        if (at < blockStart_ || at - blockStart_ >= blockLength_) {
            // Only a read that goes on where the last one ended fetches a
            // block ahead: the reader's jumps between the directory and the
            // local headers would fetch a block for a few bytes each time.
            if (at != readEnd_ || size - total >= kBlock) {
                total += ReadFromFile(at, buffer + total, size - total);
                break;
            }
            block_.resize(kBlock);
            blockLength_ = 0;  // nothing kept should a read fail
            blockStart_ = at;
            blockLength_ = ReadFromFile(at, block_.data(), kBlock);
            if (blockLength_ == 0) break;
        }
        const std::size_t from = static_cast<std::size_t>(at - blockStart_);
        const std::size_t n = std::min(size - total, blockLength_ - from);
        std::memcpy(buffer + total, block_.data() + from, n);
        total += n;
    }
    readEnd_ = offset + total;
    return total;
}

std::size_t ArchiveFileReader::ReadFromFile(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) {
    // No file reaches 2^63 bytes, and Windows takes such an offset for a
    // wrong parameter: a position read from a hostile archive ends the file.
    constexpr std::uint64_t kBeyondAnyFile = std::uint64_t{1} << 63;
    if (offset >= kBeyondAnyFile) return 0;
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, kBeyondAnyFile - offset));
    // Positioned by SetFilePointerEx, then a plain ReadFile: under Wine a
    // ReadFile with an OVERLAPPED offset costs several times more per call.
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(file_, at, nullptr, FILE_BEGIN)) throw std::runtime_error("archive read failed");
    std::size_t total = 0;
    while (total < size) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - total, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(file_, buffer + total, want, &got, nullptr)) throw std::runtime_error("archive read failed");
        if (got == 0) break;  // the end of the file
        total += got;
    }
    return total;
}

#include "ArchiveFile.h"

#include <algorithm>
#include <stdexcept>

std::uint64_t HandleFile::Size() {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file_, &size)) throw std::runtime_error("archive size unknown");
    return static_cast<std::uint64_t>(size.QuadPart);
}

std::size_t HandleFile::ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) {
    std::size_t total = 0;
    while (total < size) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset + total);
        at.OffsetHigh = static_cast<DWORD>((offset + total) >> 32);
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - total, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(file_, buffer + total, want, &got, &at)) {
            if (::GetLastError() == ERROR_HANDLE_EOF) break;
            throw std::runtime_error("archive read failed");
        }
        if (got == 0) break;
        total += got;
    }
    return total;
}

void HandleSink::Write(const std::uint8_t* data, std::size_t size) {
    if (buffer_.size() + size > kBlock) {
        Flush();
        if (size >= kBlock) return WriteThrough(data, size);
    }
    buffer_.insert(buffer_.end(), data, data + size);
}

void HandleSink::Flush() {
    WriteThrough(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void HandleSink::WriteThrough(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file_, data, want, &written, nullptr)) throw WriteFailure{::GetLastError()};
        if (written == 0) throw WriteFailure{ERROR_WRITE_FAULT};
        data += written;
        size -= written;
    }
    busy_();
}

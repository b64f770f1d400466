#include "BufferedFileWriter.h"

#include <algorithm>
#include <utility>

BufferedFileWriter::BufferedFileWriter(HANDLE file, std::vector<std::uint8_t>& buffer, std::function<void()> afterWrite)
    : file_(file), buffer_(buffer), afterWrite_(std::move(afterWrite)) {
    buffer_.clear();
    buffer_.reserve(kBlock);
}

void BufferedFileWriter::Write(const std::uint8_t* data, std::size_t size) {
    if (buffer_.size() + size > kBlock) {
        Flush();
        if (size >= kBlock) return WriteThrough(data, size);
    }
    buffer_.insert(buffer_.end(), data, data + size);
}

void BufferedFileWriter::Flush() {
    WriteThrough(buffer_.data(), buffer_.size());
    buffer_.clear();
}

std::optional<DWORD> WriteAll(HANDLE file, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        DWORD written = 0;
        if (!::WriteFile(file, data, static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30)), &written, nullptr))
            return ::GetLastError();
        if (written == 0) return DWORD{ERROR_WRITE_FAULT};
        data += written;
        size -= written;
    }
    return std::nullopt;
}

void BufferedFileWriter::WriteThrough(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    if (const auto error = WriteAll(file_, data, size)) throw FileWriteError{*error};
    if (afterWrite_) afterWrite_();
}

#pragma once
// Writes a stream of small pieces (network blocks, decoded data) to an open
// file in blocks of 256 KiB: far fewer system calls per byte. A short or
// failed write throws FileWriteError, never leaves a silently short file.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The system error code of a write that failed; each caller turns it into
// its own text for the user.
struct FileWriteError {
    DWORD code;
};

// The block in which files are written: large enough that the system calls
// cost little per byte, small enough to keep memory low.
inline constexpr std::size_t kFileWriteBlock = 256 * 1024;

// Writes all of data to file, in as many WriteFile calls as it takes;
// nothing, or the system error code of the write that failed (a write that
// takes no byte is a write fault, never a silently short file).
std::optional<DWORD> WriteAll(HANDLE file, const std::uint8_t* data, std::size_t size);

class BufferedFileWriter {
public:
    static constexpr std::size_t kBlock = kFileWriteBlock;

    // file stays the caller's. The buffer is the caller's too, so that one
    // serves many files in turn; it is emptied here. afterWrite, when given,
    // is called after each block written to the file (a sign of life for a
    // window).
    BufferedFileWriter(HANDLE file, std::vector<std::uint8_t>& buffer, std::function<void()> afterWrite = {});
    BufferedFileWriter(const BufferedFileWriter&) = delete;
    BufferedFileWriter& operator=(const BufferedFileWriter&) = delete;

    void Write(const std::uint8_t* data, std::size_t size);
    // Writes what is buffered. Not done at destruction: its failure must be seen.
    void Flush();

private:
    void WriteThrough(const std::uint8_t* data, std::size_t size);

    HANDLE file_;
    std::vector<std::uint8_t>& buffer_;
    std::function<void()> afterWrite_;
};

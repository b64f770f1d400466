#pragma once
// Decoding of one ZIP entry's raw data, streamed from a source to a sink.
// Platform-neutral: the archive reader supplies the raw bytes and receives the
// decoded bytes; nothing here holds an entry whole or touches a file. Checking
// the CRC-32 of what reaches the sink is the caller's job.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <utility>

// The entry's compressed bytes. Read returns how many bytes it put in buffer
// (at most size); 0 means the entry's raw data has ended. It may throw; the
// exception passes through DecodeEntry unchanged.
struct ByteSource {
    virtual std::size_t Read(std::uint8_t* buffer, std::size_t size) = 0;

protected:
    ~ByteSource() = default;
};

// Receives the decoded bytes in order. It may throw; the exception passes
// through DecodeEntry unchanged.
struct ByteSink {
    virtual void Write(const std::uint8_t* data, std::size_t size) = 0;
    // A sink that keeps the bytes in blocks of its own may lend the free
    // part of its current block, so that a decoder writes into it directly
    // instead of into a buffer of its own that Write then copies. Commit
    // passes on the first size bytes of what Lend gave, as Write would; any
    // other call ends the loan. Empty: nothing lent, Write is the way in.
    virtual std::span<std::uint8_t> Lend() { return {}; }
    virtual void Commit(std::size_t size) { static_cast<void>(size); }

protected:
    ~ByteSink() = default;
};

// What the central directory says about how an entry was coded.
struct EntryCoding {
    std::uint16_t method = 0;
    std::uint16_t flags = 0;  // general-purpose bit flags
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
};

enum class DecodeFault {
    Damaged,      // the data does not decode to the entry's size
    Unsupported,  // a method or a method's options this decoder cannot handle
};

class DecodeError : public std::exception {
public:
    DecodeError(DecodeFault fault, std::string detail) : fault_(fault), detail_(std::move(detail)) {}
    DecodeFault Fault() const noexcept { return fault_; }
    // A short English description, for diagnostics.
    const char* what() const noexcept override { return detail_.c_str(); }

private:
    DecodeFault fault_;
    std::string detail_;
};

// True for the methods DecodeEntry decodes: 0, 1, 2-5, 6, 8, 9, 12, 14, 97, 98.
bool IsSupportedMethod(std::uint16_t method);

// Decodes the entry's raw data into exactly coding.uncompressedSize bytes.
// Throws DecodeError(Unsupported) for a method outside the table or options a
// method cannot take, DecodeError(Damaged) for data that is malformed, ends
// early or would decode to more or fewer bytes than the entry declares, and
// std::bad_alloc when the method's model or window does not fit in memory.
void DecodeEntry(const EntryCoding& coding, ByteSource& raw, ByteSink& out);

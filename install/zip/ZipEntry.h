#pragma once
// One entry as the central directory describes it.
#include <cstdint>
#include <string>

struct ZipEntry {
    std::string rawName;            // the stored bytes
    std::u16string name;            // decoded: UTF-8 with flag bit 11, else code page 437
    std::uint32_t dosDateTime = 0;  // DOS date in the high 16 bits, time in the low 16
    std::uint32_t crc32 = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint16_t method = 0;
    std::uint16_t flags = 0;
    std::uint16_t versionNeeded = 0;
    std::uint16_t versionMadeBy = 0;
    std::uint32_t externalAttributes = 0;

    bool IsEncrypted() const { return (flags & 0x0001) != 0; }
    // A folder: the DOS folder bit, or a name that ends in a separator.
    bool IsFolder() const;
    // The name after its last "/", "\" or ":".
    std::u16string BareName() const;
    // Windows attribute bits for the extracted file. From a Unix host (or
    // attributes too large for DOS) only the owner's write permission counts,
    // as read-only; otherwise the DOS read-only, hidden, system and archive
    // bits; FILE_ATTRIBUTE_NORMAL when none is left.
    std::uint32_t FileAttributes() const;
};

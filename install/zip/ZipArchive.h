#pragma once
// Reading a ZIP archive: the whole central directory (ZIP64 included) up
// front, then one entry at a time, decoded straight into a sink. The archive
// structure is minizip's; the decoding is DecodeEntry's.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

#include "Decoder.h"
#include "RandomAccessFile.h"
#include "ZipEntry.h"

// Why the archive as a whole cannot be read.
enum class ArchiveFault {
    EmptyStream,       // the file has no bytes
    NotAnArchive,      // no end-of-central-directory record
    BadCentralHeader,  // a central-directory header without its signature, or an unusable directory
    ReadError,         // the directory runs past the end of the file, or reading failed
    Overlapping,       // entries whose data overlap each other or the directory
    OutOfMemory,       // the directory holds more entries than memory does
};

class ArchiveError : public std::exception {
public:
    explicit ArchiveError(ArchiveFault fault) : fault_(fault) {}
    ArchiveFault Fault() const noexcept { return fault_; }
    const char* what() const noexcept override { return "ZIP archive cannot be read"; }

private:
    ArchiveFault fault_;
};

// Why one entry cannot be extracted faithfully.
enum class EntryFault {
    VersionTooNew,       // needs a ZIP version above 6.3
    LocalHeaderDamaged,  // no local header signature, or a header that contradicts the directory
    Encrypted,
    Unsupported,  // a compression method (or its options) we do not decode
    Damaged,      // the data does not decode to the entry's size
    ReadError,    // the archive could not be read
    CrcMismatch,
};

class EntryError : public std::exception {
public:
    explicit EntryError(EntryFault fault) : fault_(fault) {}
    EntryFault Fault() const noexcept { return fault_; }
    const char* what() const noexcept override { return "ZIP entry cannot be extracted"; }

private:
    EntryFault fault_;
};

class ZipArchive {
public:
    // Reads the central directory of file, which must outlive this object,
    // and the local header of each entry, to refuse entries whose data overlap.
    // Throws ArchiveError.
    explicit ZipArchive(RandomAccessFile& file);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // In central-directory order.
    const std::vector<ZipEntry>& Entries() const { return entries_; }

    // The checks made before anything is written for an entry: it needs at
    // most ZIP 6.3, its local header is sound, it is not encrypted, its
    // compression method is one DecodeEntry knows. On success its data stays
    // open for DecodeOpenEntry. Throws EntryError.
    void OpenEntry(std::size_t index);

    // Decodes the entry that OpenEntry opened into out and checks its size
    // and, unless the caller checks it itself (checkCrc false: out computes
    // it where that costs less), its CRC-32; an entry of size 0 writes nothing
    // and is not checked. Throws EntryError, or std::bad_alloc when a method's
    // model or window does not fit in memory; an exception from out passes
    // through unchanged.
    void DecodeOpenEntry(ByteSink& out, bool checkCrc = true);

private:
    struct Stream;
    struct Position {
        std::uint64_t directoryOffset;
        std::uint64_t index;
    };

    void ReadCentralDirectory();
    void RefuseOverlappingEntries(std::uint64_t endRecord);
    void CloseEntry();
    bool StreamFailed() const;

    std::unique_ptr<Stream> stream_;
    void* zip_ = nullptr;  // minizip's unzFile
    std::vector<ZipEntry> entries_;
    std::vector<Position> positions_;
    const ZipEntry* openEntry_ = nullptr;
};

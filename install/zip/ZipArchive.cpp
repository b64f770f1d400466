#include "ZipArchive.h"

#include <minizip/unzip.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "EntryName.h"

// minizip reads through these callbacks, so the archive can be any
// RandomAccessFile. It reads headers a byte at a time: a window of the file
// is kept to spare the system calls. (Entry data bypasses it.)
struct ZipArchive::Stream {
    explicit Stream(RandomAccessFile& f) : file(f), size(f.Size()), window(kWindow) {}

    static constexpr std::size_t kWindow = 64 * 1024;

    RandomAccessFile& file;
    std::uint64_t size;
    std::uint64_t position = 0;
    bool failed = false;
    std::vector<std::uint8_t> window;
    std::uint64_t windowStart = 0;
    std::size_t windowLength = 0;

    std::size_t Read(std::uint8_t* out, std::size_t count) {
        if (count >= window.size()) return position < size ? file.ReadAt(position, out, count) : 0;
        // Written so that no sum can wrap: minizip may seek anywhere.
        if (position < windowStart || position - windowStart > windowLength ||
            count > windowLength - (position - windowStart)) {
            windowStart = position;
            windowLength = position < size ? file.ReadAt(position, window.data(), window.size()) : 0;
        }
        // The file reads short only at its end, so neither does this.
        const std::size_t n = std::min(count, windowLength - static_cast<std::size_t>(position - windowStart));
        std::memcpy(out, window.data() + (position - windowStart), n);
        return n;
    }

    // The callbacks: no exception may cross minizip's C frames.
    static voidpf Open(voidpf opaque, const void*, int) { return opaque; }
    static uLong ReadCallback(voidpf, voidpf s, void* buffer, uLong count) {
        auto& self = *static_cast<Stream*>(s);
        try {
            const std::size_t n = self.Read(static_cast<std::uint8_t*>(buffer), count);
            self.position += n;
            return static_cast<uLong>(n);
        } catch (...) {
            self.failed = true;
            return 0;
        }
    }
    static uLong Write(voidpf, voidpf, const void*, uLong) { return 0; }
    static ZPOS64_T Tell(voidpf, voidpf s) { return static_cast<Stream*>(s)->position; }
    static long Seek(voidpf, voidpf s, ZPOS64_T offset, int origin) {
        auto& self = *static_cast<Stream*>(s);
        // Unsigned arithmetic: minizip passes backward moves as wrapped values.
        switch (origin) {
        case ZLIB_FILEFUNC_SEEK_SET: self.position = offset; break;
        case ZLIB_FILEFUNC_SEEK_CUR: self.position += offset; break;
        case ZLIB_FILEFUNC_SEEK_END: self.position = self.size + offset; break;
        default: return -1;
        }
        return 0;
    }
    static int Close(voidpf, voidpf) { return 0; }
    static int Error(voidpf, voidpf s) { return static_cast<Stream*>(s)->failed ? 1 : 0; }
};

namespace {

constexpr std::uint32_t kEndOfDirectorySignature = 0x06054b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kMaxComment = 0xFFFF;

std::uint32_t Le32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
std::uint64_t Le64(const std::uint8_t* p) { return Le32(p) | std::uint64_t{Le32(p + 4)} << 32; }

// minizip says only "cannot open"; whether there is an end record at all
// tells a file that is no archive from a damaged one. Gives the offset of the
// last end record.
std::optional<std::uint64_t> FindEndRecord(RandomAccessFile& file, std::uint64_t size) {
    if (size < kEndRecordSize) return std::nullopt;
    const std::size_t tail = static_cast<std::size_t>(std::min<std::uint64_t>(size, kEndRecordSize + kMaxComment));
    std::vector<std::uint8_t> bytes(tail);
    const std::size_t got = file.ReadAt(size - tail, bytes.data(), tail);
    if (got < kEndRecordSize) return std::nullopt;
    for (std::size_t i = got - kEndRecordSize + 1; i-- > 0;) {
        if (Le32(&bytes[i]) == kEndOfDirectorySignature) return size - tail + i;
    }
    return std::nullopt;
}

// An end record at the very start leaves no room for entries: minizip takes
// offset 0 for "not found", so such an archive is judged here. It is empty
// when its record counts no entries.
bool IsEmptyArchive(RandomAccessFile& file) {
    std::uint8_t record[kEndRecordSize];
    if (file.ReadAt(0, record, sizeof record) != sizeof record) return false;
    return (record[8] | record[9] | record[10] | record[11]) == 0;
}

// Where the central directory starts in the file, and the offset its end
// record gives for it; minizip reads the same records but does not tell. The
// directory ends where the end record starts, or the ZIP64 end record when
// the locator right before the end record names one.
struct DirectorySpan {
    std::uint64_t start;   // in the file
    std::uint64_t offset;  // as recorded: the start less any bytes before the archive
};
std::optional<DirectorySpan> FindDirectory(RandomAccessFile& file, std::uint64_t endRecord) {
    std::uint8_t end[kEndRecordSize];
    if (file.ReadAt(endRecord, end, sizeof end) != sizeof end) return std::nullopt;
    std::uint64_t recordStart = endRecord, size = Le32(end + 12), offset = Le32(end + 16);
    std::uint8_t locator[kZip64LocatorSize], end64[kZip64EndSize];
    if (endRecord >= sizeof locator &&
        file.ReadAt(endRecord - sizeof locator, locator, sizeof locator) == sizeof locator &&
        Le32(locator) == kZip64LocatorSignature && Le32(locator + 4) == 0 && Le32(locator + 16) == 1 &&
        file.ReadAt(Le64(locator + 8), end64, sizeof end64) == sizeof end64 && Le32(end64) == kZip64EndSignature) {
        recordStart = Le64(locator + 8);
        size = Le64(end64 + 40);
        offset = Le64(end64 + 48);
    }
    if (size > recordStart) return std::nullopt;
    return DirectorySpan{recordStart - size, offset};
}

unzFile Zip(void* zip) { return static_cast<unzFile>(zip); }

// Feeds an open entry's raw bytes to the decoder. minizip has found and
// checked the local header; the data is then read straight from the file in
// the decoder's blocks, sparing minizip's small copies and its CRC-32 of the
// compressed bytes.
class RawEntrySource final : public ByteSource {
public:
    RawEntrySource(RandomAccessFile& file, std::uint64_t position, std::uint64_t size)
        : file_(file), position_(position), remaining_(size) {}
    std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size, remaining_));
        if (want == 0) return 0;
        std::size_t got = 0;
        try {
            got = file_.ReadAt(position_, buffer, want);
        } catch (...) {
            throw EntryError(EntryFault::ReadError);
        }
        if (got < want) throw EntryError(EntryFault::ReadError);  // the data runs past the end of the file
        position_ += got;
        remaining_ -= got;
        return got;
    }

private:
    RandomAccessFile& file_;
    std::uint64_t position_;
    std::uint64_t remaining_;
};

// Passes decoded bytes on, keeping their count and, when asked, CRC-32.
class CheckingSink final : public ByteSink {
public:
    CheckingSink(ByteSink& out, bool withCrc) : out_(out), withCrc_(withCrc) {}
    void Write(const std::uint8_t* data, std::size_t size) override {
        out_.Write(data, size);
        Count(data, size);
    }
    std::span<std::uint8_t> Lend() override {
        lent_ = out_.Lend();
        return lent_;
    }
    // Counted before they are passed on: after that the bytes are the sink's.
    void Commit(std::size_t size) override {
        Count(lent_.data(), size);
        lent_ = {};
        out_.Commit(size);
    }
    std::uint64_t count = 0;
    uLong crc = crc32(0, nullptr, 0);

private:
    void Count(const std::uint8_t* data, std::size_t size) {
        count += size;
        while (withCrc_ && size > 0) {
            const uInt n = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
            crc = crc32(crc, data, n);
            data += n;
            size -= n;
        }
    }

    ByteSink& out_;
    bool withCrc_;
    std::span<std::uint8_t> lent_;
};

}  // namespace

ZipArchive::ZipArchive(RandomAccessFile& file) {
    std::optional<std::uint64_t> endRecord;
    try {
        stream_ = std::make_unique<Stream>(file);
        if (stream_->size == 0) throw ArchiveError(ArchiveFault::EmptyStream);
        endRecord = FindEndRecord(file, stream_->size);
        if (endRecord == 0u) {
            if (IsEmptyArchive(file)) return;
            throw ArchiveError(ArchiveFault::BadCentralHeader);
        }
    } catch (const ArchiveError&) {
        throw;
    } catch (...) {
        throw ArchiveError(ArchiveFault::ReadError);
    }
    if (!endRecord) throw ArchiveError(ArchiveFault::NotAnArchive);

    zlib_filefunc64_def io{};
    io.zopen64_file = &Stream::Open;
    io.zread_file = &Stream::ReadCallback;
    io.zwrite_file = &Stream::Write;
    io.ztell64_file = &Stream::Tell;
    io.zseek64_file = &Stream::Seek;
    io.zclose_file = &Stream::Close;
    io.zerror_file = &Stream::Error;
    io.opaque = stream_.get();
    zip_ = unzOpen2_64("", &io);
    if (!zip_) throw ArchiveError(StreamFailed() ? ArchiveFault::ReadError : ArchiveFault::BadCentralHeader);
    try {
        ReadCentralDirectory();
        RefuseOverlappingEntries(*endRecord);
    } catch (const std::bad_alloc&) {
        unzClose(Zip(zip_));
        throw ArchiveError(ArchiveFault::OutOfMemory);
    } catch (...) {
        unzClose(Zip(zip_));
        throw;
    }
}

ZipArchive::~ZipArchive() {
    CloseEntry();
    if (zip_) unzClose(Zip(zip_));
}

bool ZipArchive::StreamFailed() const { return stream_->failed; }

void ZipArchive::ReadCentralDirectory() {
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(Zip(zip_), &global) != UNZ_OK) throw ArchiveError(ArchiveFault::BadCentralHeader);
    // The count is not trusted to size anything: the lists grow with the
    // headers actually read, and a count beyond them ends on a header that
    // is not one.

    std::string name(0x10000, '\0');
    std::vector<char> extra(0x10000);
    for (ZPOS64_T i = 0; i < global.number_entry; ++i) {
        int err = i == 0 ? unzGoToFirstFile(Zip(zip_)) : unzGoToNextFile(Zip(zip_));
        unz_file_info64 info{};
        if (err == UNZ_OK)
            // The whole extra field is read so that one running past the end
            // of the file is found here and not while extracting.
            err = unzGetCurrentFileInfo64(Zip(zip_), &info, name.data(), static_cast<uLong>(name.size()), extra.data(),
                                          static_cast<uLong>(extra.size()), nullptr, 0);
        if (err != UNZ_OK)
            throw ArchiveError(err == UNZ_BADZIPFILE && !StreamFailed() ? ArchiveFault::BadCentralHeader
                                                                        : ArchiveFault::ReadError);
        unz64_file_pos pos{};
        unzGetFilePos64(Zip(zip_), &pos);

        ZipEntry e;
        e.rawName.assign(name.data(), std::min<std::size_t>(info.size_filename, name.size()));
        e.flags = static_cast<std::uint16_t>(info.flag);
        e.name = DecodeEntryName(e.rawName, (e.flags & 0x0800) != 0);
        e.dosDateTime = static_cast<std::uint32_t>(info.dosDate);
        e.crc32 = static_cast<std::uint32_t>(info.crc);
        e.compressedSize = info.compressed_size;
        e.uncompressedSize = info.uncompressed_size;
        e.method = static_cast<std::uint16_t>(info.compression_method);
        e.versionNeeded = static_cast<std::uint16_t>(info.version_needed);
        e.versionMadeBy = static_cast<std::uint16_t>(info.version);
        e.externalAttributes = static_cast<std::uint32_t>(info.external_fa);
        entries_.push_back(std::move(e));
        positions_.push_back({pos.pos_in_zip_directory, pos.num_of_file});
    }
}

void ZipArchive::OpenEntry(std::size_t index) {
    CloseEntry();
    const ZipEntry& entry = entries_.at(index);
    if ((entry.versionNeeded & 0xFF) >= 64) throw EntryError(EntryFault::VersionTooNew);

    unz64_file_pos pos{positions_[index].directoryOffset, positions_[index].index};
    if (unzGoToFilePos64(Zip(zip_), &pos) != UNZ_OK) throw EntryError(EntryFault::ReadError);
    // A raw open reads the local header and checks it against the directory.
    int method = 0, level = 0;
    if (unzOpenCurrentFile2(Zip(zip_), &method, &level, 1) != UNZ_OK)
        throw EntryError(StreamFailed() ? EntryFault::ReadError : EntryFault::LocalHeaderDamaged);
    openEntry_ = &entry;
    if (entry.IsEncrypted()) {
        CloseEntry();
        throw EntryError(EntryFault::Encrypted);
    }
    if (!IsSupportedMethod(entry.method)) {
        CloseEntry();
        throw EntryError(EntryFault::Unsupported);
    }
}

// Overlapped-entry bombs let many entries decode the same compressed bytes,
// so that a small archive fills the drive: an archive whose entries' data
// overlap each other or its central directory is refused as a whole. An
// entry's extent runs from its local header to the end of its data as the
// directory sizes it. An entry whose local header is unusable is left out
// here: it is never decoded.
void ZipArchive::RefuseOverlappingEntries(std::uint64_t endRecord) {
    if (entries_.empty()) return;
    std::optional<DirectorySpan> directory;
    try {
        directory = FindDirectory(stream_->file, endRecord);
    } catch (...) {
        throw ArchiveError(ArchiveFault::ReadError);
    }
    // A reading of the end records that differs from minizip's is no archive to trust.
    if (!directory || directory->offset != positions_.front().directoryOffset)
        throw ArchiveError(ArchiveFault::BadCentralHeader);

    struct Extent {
        std::uint64_t start, end;
    };
    std::vector<Extent> extents;
    extents.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        unz64_file_pos pos{positions_[i].directoryOffset, positions_[i].index};
        int method = 0, level = 0;
        if (unzGoToFilePos64(Zip(zip_), &pos) != UNZ_OK ||
            unzOpenCurrentFile2(Zip(zip_), &method, &level, 1) != UNZ_OK) {
            if (StreamFailed()) throw ArchiveError(ArchiveFault::ReadError);
            continue;
        }
        // The data follows the local header, its name (as long as the
        // directory's, which minizip checked) and its own extra field.
        const std::uint64_t data = unzGetCurrentFileZStreamPos64(Zip(zip_));
        const int localExtra = unzGetLocalExtrafield(Zip(zip_), nullptr, 0);
        unzCloseCurrentFile(Zip(zip_));
        const std::uint64_t header = kLocalHeaderSize + entries_[i].rawName.size() + static_cast<unsigned>(localExtra);
        if (localExtra < 0 || data < header) throw ArchiveError(ArchiveFault::BadCentralHeader);
        const std::uint64_t size = entries_[i].compressedSize;
        extents.push_back({data - header, size > UINT64_MAX - data ? UINT64_MAX : data + size});
    }
    std::sort(extents.begin(), extents.end(), [](const Extent& a, const Extent& b) { return a.start < b.start; });
    std::uint64_t reached = 0;
    for (const Extent& e : extents) {
        if (e.start < reached) throw ArchiveError(ArchiveFault::Overlapping);
        reached = e.end;
    }
    if (reached > directory->start) throw ArchiveError(ArchiveFault::Overlapping);
}

void ZipArchive::CloseEntry() {
    if (openEntry_) unzCloseCurrentFile(Zip(zip_));
    openEntry_ = nullptr;
}

void ZipArchive::DecodeOpenEntry(ByteSink& out, bool checkCrc) {
    if (!openEntry_) throw EntryError(EntryFault::ReadError);
    struct Closer {
        ZipArchive& archive;
        ~Closer() { archive.CloseEntry(); }
    } closer{*this};
    const ZipEntry& entry = *openEntry_;
    if (entry.uncompressedSize == 0) return;

    const ZPOS64_T data = unzGetCurrentFileZStreamPos64(Zip(zip_));
    if (data == 0) throw EntryError(EntryFault::ReadError);
    RawEntrySource raw(stream_->file, data, entry.compressedSize);
    CheckingSink checked(out, checkCrc);
    try {
        DecodeEntry({entry.method, entry.flags, entry.compressedSize, entry.uncompressedSize}, raw, checked);
    } catch (const DecodeError& e) {
        if (StreamFailed()) throw EntryError(EntryFault::ReadError);
        throw EntryError(e.Fault() == DecodeFault::Unsupported ? EntryFault::Unsupported : EntryFault::Damaged);
    }
    if (checked.count != entry.uncompressedSize) throw EntryError(EntryFault::Damaged);
    if (checkCrc && checked.crc != entry.crc32) throw EntryError(EntryFault::CrcMismatch);
}

#include "AbUnZipper.h"

#include <windows.h>

#include <algorithm>
#include <deque>
#include <new>
#include <optional>
#include <set>
#include <vector>

#include "ArchiveFileReader.h"
#include "ExtractedFileWriter.h"
#include "Failure.h"
#include "FolderListing.h"
#include "FormatText.h"
#include "LibraryText.h"
#include "SystemErrorText.h"
#include "TargetName.h"
#include "Throttle.h"
#include "UniqueHandle.h"
#include "UnpackTextIds.h"
#include "ZipArchive.h"

struct TAbUnZipper::TOpenArchive {
    explicit TOpenArchive(UniqueFile h)
        : handle(std::move(h)), identity(IdentityOf(handle.Get())), file(handle.Get()), zip(file) {}
    UniqueFile handle;
    std::optional<FileIdentity> identity;  // for entries that would overwrite the archive
    ArchiveFileReader file;
    ZipArchive zip;
};

namespace {

[[noreturn]] void Fail(unsigned id) { throw Failure(LoadResString(id)); }

std::wstring Wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

// Why an entry was left out, as the message will say it.
std::wstring Reason(unsigned id, std::initializer_list<FormatArg> args = {}) {
    return FormatText(LoadResString(id), args);
}

std::wstring EntryReason(const EntryError& e, const ZipEntry& entry) {
    switch (e.Fault()) {
    case EntryFault::VersionTooNew: {
        const int version = entry.versionNeeded & 0xFF;
        return Reason(IDS_REASON_VERSION, {std::int64_t{version / 10}, std::int64_t{version % 10}});
    }
    case EntryFault::LocalHeaderDamaged: return Reason(IDS_REASON_LOCAL_HEADER);
    case EntryFault::Encrypted: return Reason(IDS_REASON_ENCRYPTED);
    case EntryFault::Unsupported:
        return Reason(IsSupportedMethod(entry.method) ? IDS_REASON_OPTIONS : IDS_REASON_METHOD,
                      {std::int64_t{entry.method}});
    case EntryFault::Damaged: return Reason(IDS_REASON_DAMAGED);
    case EntryFault::ReadError: return Reason(IDS_REASON_READ);
    case EntryFault::CrcMismatch: return Reason(IDS_REASON_CRC);
    }
    return Reason(IDS_REASON_DAMAGED);
}

}  // namespace

TAbUnZipper::TAbUnZipper() = default;
TAbUnZipper::~TAbUnZipper() = default;

void TAbUnZipper::SetBaseDirectory(std::wstring value) {
    while (value.size() > 1 && value.back() == L'\\' && !(value.size() == 3 && value[1] == L':'))
        value.pop_back();
    FBaseDirectory = std::move(value);
}

void TAbUnZipper::OpenArchive(const std::wstring& FileName) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(FileName.c_str(), GetFileExInfoStandard, &data)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME)
            Fail(IDS_FILE_NOT_FOUND);
    } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        Fail(IDS_FILE_NOT_FOUND);
    } else if (data.nFileSizeHigh == 0 && data.nFileSizeLow == 0) {
        Fail(IDS_INVALID_STREAM);
    }
    CloseArchive();

    UniqueFile handle(::CreateFileW(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
        const DWORD error = ::GetLastError();
        throw Failure(FormatText(LoadResString(IDS_CANNOT_OPEN_FILE), {FileName, SystemErrorText(error)}));
    }
    Adopt(std::move(handle));
}

void TAbUnZipper::OpenArchive(UniqueFile file) {
    CloseArchive();
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file.Get(), &size) && size.QuadPart == 0) Fail(IDS_INVALID_STREAM);
    Adopt(std::move(file));
}

void TAbUnZipper::Adopt(UniqueFile file) {
    try {
        archive_ = std::make_unique<TOpenArchive>(std::move(file));
    } catch (const ArchiveError& e) {
        // The archive that failed is closed at once, so it can be deleted.
        switch (e.Fault()) {
        case ArchiveFault::EmptyStream: Fail(IDS_INVALID_STREAM);
        case ArchiveFault::NotAnArchive: Fail(IDS_UNHANDLED_ARCHIVE_TYPE);
        case ArchiveFault::BadCentralHeader: Fail(IDS_NOT_PKZIP_FILE);
        case ArchiveFault::ReadError: Fail(IDS_STREAM_READ_ERROR);
        case ArchiveFault::Overlapping: Fail(IDS_ENTRIES_OVERLAP);
        case ArchiveFault::OutOfMemory: Fail(IDS_DIRECTORY_OUT_OF_MEMORY);
        }
        Fail(IDS_NOT_PKZIP_FILE);
    }
}

void TAbUnZipper::CloseArchive() { archive_.reset(); }

void TAbUnZipper::DeleteArchive() {
    if (!archive_) return;
    DeleteWhenClosed(archive_->handle.Get());
    archive_.reset();
}

namespace {

// A file entry handed to the writer, waiting for its outcome.
struct PendingEntry {
    std::size_t index;
    std::wstring bare;
    std::wstring target;
    DWORD attributes;
    std::optional<std::wstring> decodeFailure;
};

// What every entry of one ExtractFiles call shares.
class Extraction {
public:
    Extraction(ZipArchive& zip, const std::optional<FileIdentity>& archive, const std::wstring& folder,
               std::set<std::wstring>& ownFiles, std::function<void()> busy, PipelineTimes* times)
        : zip_(zip), archive_(archive), folder_(folder), ownFiles_(ownFiles), writer_(std::move(busy), times) {}

    // Extracts the entry at index, whose bare name is bare, to target; why it
    // could not be written faithfully is noted, unless a protected or busy
    // file is kept.
    void Extract(std::size_t index, const std::wstring& bare, const std::wstring& target);
    // Takes the outcomes that are there; with wait, all of them.
    void Settle(bool wait);

    struct Left {
        std::size_t index;
        std::wstring reason;
    };
    // The first entry, in directory order, that was left out, and how many were.
    const std::optional<Left>& First() const { return first_; }
    std::int64_t Count() const { return count_; }
    // The first existing file, in directory order, that was kept although
    // nothing of this extractor's made it.
    const std::optional<Left>& FirstForeignKept() const { return foreignKept_; }

private:
    std::optional<std::wstring> Check(std::size_t index, const std::wstring& bare, const std::wstring& target);
    void Note(std::size_t index, std::wstring reason);
    void Kept(std::size_t index, const std::wstring& target);

    ZipArchive& zip_;
    const std::optional<FileIdentity>& archive_;
    FolderListing folder_;
    std::deque<PendingEntry> pending_;
    std::optional<Left> first_;
    std::int64_t count_ = 0;
    std::set<std::wstring>& ownFiles_;
    std::optional<Left> foreignKept_;  // reason: the target
    ExtractedFileWriter writer_;       // last: its thread ends first
};

void Extraction::Note(std::size_t index, std::wstring reason) {
    ++count_;
    if (!first_ || index < first_->index) first_ = Left{index, std::move(reason)};
}

void Extraction::Kept(std::size_t index, const std::wstring& target) {
    if (ownFiles_.contains(FolderListing::Key(target))) return;
    if (!foreignKept_ || index < foreignKept_->index) foreignKept_ = Left{index, target};
}

// The checks made before the target is touched; why the entry is left out.
std::optional<std::wstring> Extraction::Check(std::size_t index, const std::wstring& bare, const std::wstring& target) {
    const ZipEntry& entry = zip_.Entries()[index];
    // Never opened: a device name reaches a device, not a file in the folder.
    if (IsDeviceName(bare)) return Reason(IDS_REASON_DEVICE);
    if (IsOnlyDotsAndBlanks(bare)) return Reason(IDS_REASON_NAME_REFUSED, {SystemErrorText(ERROR_INVALID_NAME)});
    // Whatever name reaches the archive (its short name, a link), the file is
    // the same; only a file that exists can be it.
    if (folder_.Attributes(bare) != INVALID_FILE_ATTRIBUTES && archive_ && IdentityOf(target) == *archive_)
        return Reason(IDS_REASON_ARCHIVE_ITSELF);
    try {
        zip_.OpenEntry(index);
    } catch (const EntryError& e) {
        return EntryReason(e, entry);
    }
    return std::nullopt;
}

void Extraction::Extract(std::size_t index, const std::wstring& bare, const std::wstring& target) {
    // The listing must know what the files still being written under this
    // name came to.
    const std::wstring key = FolderListing::Key(bare);
    if (std::any_of(pending_.begin(), pending_.end(),
                    [&](const PendingEntry& p) { return FolderListing::Key(p.bare) == key; }))
        Settle(true);

    if (auto reason = Check(index, bare, target)) return Note(index, std::move(*reason));
    // Read-only, hidden and system files are the user's: kept as they are.
    if (IsProtected(folder_.Attributes(bare))) return Kept(index, target);

    const ZipEntry& entry = zip_.Entries()[index];
    PendingEntry pending{index, bare, target, entry.FileAttributes(), std::nullopt};
    // The writing thread checks the CRC-32 (of an entry with any data).
    writer_.Begin(target, entry.dosDateTime, pending.attributes,
                  entry.uncompressedSize > 0 ? std::optional<std::uint32_t>(entry.crc32) : std::nullopt);
    bool complete = false;
    try {
        zip_.DecodeOpenEntry(writer_, false);
        complete = true;
    } catch (const EntryError& e) {
        pending.decodeFailure = EntryReason(e, entry);
    } catch (const FileAbandoned&) {
        // Kept, or a write failed: the writer says which.
    } catch (const std::bad_alloc&) {
        // A method's model may ask for more memory than there is.
        pending.decodeFailure = Reason(IDS_REASON_MEMORY);
    }
    writer_.End(complete);
    pending_.push_back(std::move(pending));
    Settle(false);
}

void Extraction::Settle(bool wait) {
    while (!pending_.empty()) {
        const std::optional<WriteOutcome> outcome = writer_.TakeOutcome(wait);
        if (!outcome) return;
        PendingEntry entry = std::move(pending_.front());
        pending_.pop_front();
        switch (outcome->kind) {
        case WriteOutcome::Written:
            folder_.Remember(entry.bare, entry.attributes);
            ownFiles_.insert(FolderListing::Key(entry.target));
            break;
        case WriteOutcome::Kept: Kept(entry.index, entry.target); break;
        case WriteOutcome::CreateFailed: {
            const DWORD error = outcome->error;
            if (error == ERROR_INVALID_NAME || error == ERROR_BAD_PATHNAME || error == ERROR_FILENAME_EXCED_RANGE ||
                error == ERROR_DIRECTORY)
                Note(entry.index, Reason(IDS_REASON_NAME_REFUSED, {SystemErrorText(error)}));
            else
                Note(entry.index, Reason(IDS_REASON_CREATE, {SystemErrorText(error)}));
            break;
        }
        case WriteOutcome::WriteFailed:
            folder_.Forget(entry.bare);
            Note(entry.index, Reason(IDS_REASON_WRITE, {SystemErrorText(outcome->error)}));
            break;
        case WriteOutcome::BadChecksum:
            folder_.Forget(entry.bare);
            Note(entry.index, Reason(IDS_REASON_CRC));
            break;
        case WriteOutcome::Dropped:
            folder_.Forget(entry.bare);
            Note(entry.index, entry.decodeFailure.value_or(Reason(IDS_REASON_DAMAGED)));
            break;
        }
    }
}

}  // namespace

void TAbUnZipper::ExtractFiles(const std::wstring& FileMask) {
    if (!archive_) return;
    ZipArchive& zip = archive_->zip;
    Throttle busy(onBusy_);
    Extraction run(
        zip, archive_->identity, FBaseDirectory, ownFiles_, [&busy] { busy(); }, times_);

    for (std::size_t i = 0; i < zip.Entries().size(); ++i) {
        const ZipEntry& entry = zip.Entries()[i];
        const std::wstring bare = Wide(entry.BareName());
        if (bare.empty() || !MatchesMask(FileMask, bare) || entry.IsFolder()) continue;
        if (HasInvalidPathCharacters(bare)) Fail(IDS_INVALID_CHARS_IN_PATH);

        const bool joined = FBaseDirectory.empty() || FBaseDirectory.ends_with(L'\\');  // "" or a drive root
        const std::wstring target = FBaseDirectory + (joined ? L"" : L"\\") + bare;
        busy();
        run.Extract(i, bare, target);
    }
    run.Settle(true);
    if (refuseForeignFiles_ && run.FirstForeignKept())
        throw Failure(FormatText(LoadResString(IDS_FILE_NOT_REPLACED), {run.FirstForeignKept()->reason}));
    const auto& first = run.First();
    if (!first) return;
    const std::wstring name = Wide(zip.Entries()[first->index].name);
    if (run.Count() == 1) throw Failure(FormatText(LoadResString(IDS_ENTRY_NOT_EXTRACTED), {name, first->reason}));
    throw Failure(FormatText(LoadResString(IDS_ENTRIES_NOT_EXTRACTED), {run.Count(), name, first->reason}));
}

#include "AbUnZipper.h"

#include <windows.h>

#include <new>
#include <optional>
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

bool IsProtected(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

// Last-write time from the entry's DOS date and time, read as local time.
void SetLastWriteTime(HANDLE file, std::uint32_t dosDateTime) {
    FILETIME local{}, utc{};
    if (::DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16), static_cast<WORD>(dosDateTime), &local) &&
        ::LocalFileTimeToFileTime(&local, &utc))
        ::SetFileTime(file, nullptr, nullptr, &utc);
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
    try {
        archive_ = std::make_unique<TOpenArchive>(std::move(handle));
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

namespace {

// What every entry of one ExtractFiles call shares.
struct Extraction {
    ZipArchive& zip;
    const std::optional<FileIdentity>& archive;
    FolderListing& folder;
    std::vector<std::uint8_t>& buffer;  // one for all entries
    Throttle& busy;
};

// Extracts the entry at index, whose bare name is bare, to target. Returns
// why it could not be written faithfully, or nothing: also when a protected
// or busy file is kept.
std::optional<std::wstring> ExtractEntry(Extraction& run, std::size_t index, const std::wstring& bare,
                                         const std::wstring& target) {
    ZipArchive& zip = run.zip;
    FolderListing& folder = run.folder;
    const ZipEntry& entry = zip.Entries()[index];
    // Never opened: a device name reaches a device, not a file in the folder.
    if (IsDeviceName(bare)) return Reason(IDS_REASON_DEVICE);
    if (IsOnlyDotsAndBlanks(bare)) return Reason(IDS_REASON_NAME_REFUSED, {SystemErrorText(ERROR_INVALID_NAME)});
    // Whatever name reaches the archive (its short name, a link), the file is
    // the same; only a file that exists can be it.
    if (folder.Attributes(bare) != INVALID_FILE_ATTRIBUTES && run.archive && IdentityOf(target) == *run.archive)
        return Reason(IDS_REASON_ARCHIVE_ITSELF);

    try {
        zip.OpenEntry(index);
    } catch (const EntryError& e) {
        return EntryReason(e, entry);
    }

    // Read-only, hidden and system files are the user's: kept as they are.
    if (IsProtected(folder.Attributes(bare))) return std::nullopt;
    UniqueFile file(::CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        // In use: open, locked or mapped into memory.
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_USER_MAPPED_FILE)
            return std::nullopt;
        if (error == ERROR_ACCESS_DENIED && IsProtected(::GetFileAttributesW(target.c_str()))) return std::nullopt;
        if (error == ERROR_INVALID_NAME || error == ERROR_BAD_PATHNAME || error == ERROR_FILENAME_EXCED_RANGE ||
            error == ERROR_DIRECTORY)
            return Reason(IDS_REASON_NAME_REFUSED, {SystemErrorText(error)});
        return Reason(IDS_REASON_CREATE, {SystemErrorText(error)});
    }

    std::optional<std::wstring> failure;
    try {
        ExtractedFileWriter sink(file.Get(), run.buffer, [&busy = run.busy] { busy(); });
        zip.DecodeOpenEntry(sink);
        sink.Flush();
    } catch (const EntryError& e) {
        failure = EntryReason(e, entry);
    } catch (const FileWriteError& e) {
        failure = Reason(IDS_REASON_WRITE, {SystemErrorText(e.code)});
    } catch (const std::bad_alloc&) {
        // A method's model may ask for more memory than there is.
        failure = Reason(IDS_REASON_MEMORY);
    }
    if (failure) {
        // What was written is not the entry: no file rather than a wrong one.
        file.Reset();
        ::DeleteFileW(target.c_str());
        folder.Forget(bare);
        return failure;
    }
    SetLastWriteTime(file.Get(), entry.dosDateTime);
    file.Reset();
    ::SetFileAttributesW(target.c_str(), entry.FileAttributes());
    folder.Remember(bare, entry.FileAttributes());
    return std::nullopt;
}

}  // namespace

void TAbUnZipper::ExtractFiles(const std::wstring& FileMask) {
    if (!archive_) return;
    ZipArchive& zip = archive_->zip;
    struct Left {
        std::wstring name, reason;
    };
    std::optional<Left> first;
    std::int64_t more = 0;
    FolderListing folder(FBaseDirectory);
    std::vector<std::uint8_t> buffer;
    Throttle busy(onBusy_);
    Extraction run{zip, archive_->identity, folder, buffer, busy};

    for (std::size_t i = 0; i < zip.Entries().size(); ++i) {
        const ZipEntry& entry = zip.Entries()[i];
        const std::wstring bare = Wide(entry.BareName());
        if (bare.empty() || !MatchesMask(FileMask, bare) || entry.IsFolder()) continue;
        if (HasInvalidPathCharacters(bare)) Fail(IDS_INVALID_CHARS_IN_PATH);

        const bool joined = FBaseDirectory.empty() || FBaseDirectory.ends_with(L'\\');  // "" or a drive root
        const std::wstring target = FBaseDirectory + (joined ? L"" : L"\\") + bare;
        busy();
        if (auto reason = ExtractEntry(run, i, bare, target)) {
            if (first)
                ++more;
            else
                first = Left{Wide(entry.name), std::move(*reason)};
        }
    }
    if (first && more == 0)
        throw Failure(FormatText(LoadResString(IDS_ENTRY_NOT_EXTRACTED), {first->name, first->reason}));
    if (first)
        throw Failure(FormatText(LoadResString(IDS_ENTRIES_NOT_EXTRACTED), {more + 1, first->name, first->reason}));
}

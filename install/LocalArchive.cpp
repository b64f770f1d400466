#include "LocalArchive.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "BackgroundHash.h"
#include "BufferedFileWriter.h"
#include "DownloadArchive.h"
#include "Failure.h"
#include "FormatText.h"
#include "LibraryText.h"
#include "MinisignVerifier.h"
#include "ReleaseTextIds.h"
#include "ScopeExit.h"
#include "SignatureBinding.h"
#include "SignedArchive.h"
#include "SystemErrorText.h"
#include "Throttle.h"

namespace {

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

Failure Unreadable(const std::wstring& path, DWORD error) {
    return Failure(FormatText(LoadResString(IDS_LOCAL_ARCHIVE_UNREADABLE), {path, SystemErrorText(error)}));
}

// Others may read the copy meanwhile, nobody may change it; the bytes that
// count are those written to our own file and hashed on the way anyway.
UniqueFile OpenForReading(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) throw Unreadable(path, GetLastError());
    return file;
}

// Reads at most size bytes into data; the bytes read, 0 at the end of the
// file.
std::size_t ReadBlock(HANDLE file, std::uint8_t* data, std::size_t size, const std::wstring& path) {
    DWORD read = 0;
    if (!ReadFile(file, data, static_cast<DWORD>(size), &read, nullptr)) throw Unreadable(path, GetLastError());
    return read;
}

// Copies source into target block by block, each block to the hash as well,
// with the progress events of a download of the copy's length.
void CopyInto(const TIdHTTP& IdHTTP1, HANDLE source, const std::wstring& sourcePath, HANDLE target,
              BackgroundHash& hash) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(source, &size)) throw Unreadable(sourcePath, GetLastError());
    TWorkHandler* const progress = IdHTTP1.WorkHandler();
    Throttle busy(IdHTTP1.OnBusy());
    if (progress) progress->IdHTTP1WorkBegin(TWorkMode::wmRead, size.QuadPart);
    // The end comes in every outcome, as a download's does; a handler that
    // throws there cannot replace the copy's own failure.
    const ScopeExit end([progress] {
        try {
            if (progress) progress->IdHTTP1WorkEnd(TWorkMode::wmRead);
        } catch (...) {}
    });
    std::vector<std::uint8_t> buffer(kFileWriteBlock);
    std::int64_t copied = 0;
    while (const std::size_t read = ReadBlock(source, buffer.data(), buffer.size(), sourcePath)) {
        if (const auto error = WriteAll(target, buffer.data(), read)) throw Failure(SystemErrorText(*error));
        hash.Add({buffer.data(), read});
        copied += static_cast<std::int64_t>(read);
        if (progress) progress->IdHTTP1Work(TWorkMode::wmRead, copied);
        busy();
    }
}

// The whole signature file; one larger than a signature file can be is
// refused before it is read.
std::vector<std::uint8_t> ReadSignature(const std::wstring& path, const std::wstring& archiveName) {
    const UniqueFile file = OpenForReading(path);
    std::vector<std::uint8_t> bytes(kMaxSignatureFile + 1);
    std::size_t filled = 0, read = 0;
    do {
        read = ReadBlock(file.Get(), bytes.data() + filled, bytes.size() - filled, path);
        filled += read;
    } while (read != 0 && filled < bytes.size());
    if (filled > kMaxSignatureFile) throw ArchiveNotSigned(archiveName);
    bytes.resize(filled);
    return bytes;
}

}  // namespace

std::optional<LocalArchive> FindLocalArchive(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty()) return std::nullopt;
    LocalArchive local{folder + name, folder + name + kSignatureSuffix};
    if (!IsFile(local.archive) || !IsFile(local.signature)) return std::nullopt;
    return local;
}

UniqueFile CopySignedArchive(const TIdHTTP& IdHTTP1, const LocalArchive& local, const std::wstring& localFile,
                             const std::wstring& archiveName, const InstallSource& source) {
    // Opened first: should Setup.exe lie in the target folder itself, the
    // copy is then in use and the target cannot be made over it (a clear
    // failure, not an emptied archive).
    const UniqueFile copy = OpenForReading(local.archive);
    UniqueFile file = CreateArchiveFile(localFile, OnClose::Delete);
    BackgroundHash hash;
    CopyInto(IdHTTP1, copy.Get(), local.archive, file.Get(), hash);
    BindSignature(file.Get(), ReadSignature(local.signature, archiveName), hash.Finish(), archiveName, source);
    return file;
}

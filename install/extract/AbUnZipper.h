#pragma once
// TAbUnZipper: the main window's archive extractor. It holds at most one
// open ZIP archive and writes its file entries, flattened, into
// BaseDirectory: each under the last component of its stored name, no folder
// ever made, existing files replaced without a question.
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "ThreadTimes.h"
#include "UniqueHandle.h"

class TAbUnZipper {
public:
    TAbUnZipper();
    ~TAbUnZipper();
    TAbUnZipper(const TAbUnZipper&) = delete;
    TAbUnZipper& operator=(const TAbUnZipper&) = delete;

    // Kept without a trailing backslash, except for a drive root ("C:\").
    const std::wstring& BaseDirectory() const { return FBaseDirectory; }
    void SetBaseDirectory(std::wstring value);

    // Closes the open archive, if any, then opens FileName (read only, shared
    // with readers and writers but not with deleters) and reads its whole
    // central directory. Fails (Failure) with "File not found", "Invalid
    // Stream", "Cannot open file ...", "Unhandled Archive Type", "Invalid file
    // - not a PKZip file", "Stream read error", "Invalid file - entries of the
    // archive overlap" or "Not enough memory to read the archive's directory".
    void OpenArchive(const std::wstring& FileName);
    // The same for an archive already open (for reading, and with DELETE
    // access when DeleteArchive is to delete it); the extractor owns it.
    void OpenArchive(UniqueFile file);

    // Writes the file entries whose bare names match FileMask ("*.*": all).
    // Stops at once with "Invalid characters in path" for a name no path can
    // hold. An existing file that is read-only, hidden, system or in use
    // (open or mapped into memory) is kept and its entry passed over. Any
    // other entry that cannot be written faithfully (one that would
    // overwrite the archive itself, under any of its names, included) is left
    // out, the rest still extracted, and afterwards a Failure names the first
    // such entry and why.
    void ExtractFiles(const std::wstring& FileMask);

    // Closes the open archive; nothing happens when none is open.
    void CloseArchive();
    // Deletes the open archive through its own handle, then closes it.
    void DeleteArchive();

    // When set, an existing file that would be kept (read-only, hidden,
    // system, in use) ends ExtractFiles with a Failure naming it, once the
    // other entries are extracted, unless this extractor wrote that file
    // itself since the last ForgetOwnFiles: nothing but what was unpacked
    // may stand where the installed program is looked for.
    void SetRefuseForeignFiles(bool refuse) { refuseForeignFiles_ = refuse; }
    void ForgetOwnFiles() { ownFiles_.clear(); }

    // Called now and then (at most every 50 ms) while ExtractFiles writes, so
    // that the window can keep painting; unpacking reports no progress.
    // The HTTP client takes the same hook (TIdHTTP::SetOnBusy).
    void SetOnBusy(std::function<void()> handler) { onBusy_ = std::move(handler); }

    // For the benchmarks: each ExtractFiles adds the decoding and writing
    // threads' processor time and waits to times (nothing when null).
    void SetTimes(PipelineTimes* times) { times_ = times; }

private:
    struct TOpenArchive;
    void Adopt(UniqueFile file);
    std::wstring FBaseDirectory;
    std::unique_ptr<TOpenArchive> archive_;
    std::function<void()> onBusy_;
    PipelineTimes* times_ = nullptr;
    bool refuseForeignFiles_ = false;
    std::set<std::wstring> ownFiles_;  // FolderListing keys of the targets written
};

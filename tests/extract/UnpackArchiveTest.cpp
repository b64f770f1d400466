// Extraction into a real folder: TAbUnZipper and UnpackArchive on archives
// made by real tools, samples and crafted ones.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "AbUnZipper.h"
#include "Failure.h"
#include "SystemErrorText.h"
#include "TestFiles.h"
#include "UniqueHandle.h"
#include "UnpackArchive.h"

namespace fs = std::filesystem;

namespace {

// The build's folders as Wine sees them (drive Z: is the Unix root).
std::wstring Win(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return path;
}
std::wstring Fixture(const std::string& name) { return Win(std::string(ZIP_FIXTURES) + "/" + name); }
std::wstring Made(const std::string& name) { return Win(std::string(ZIP_ARCHIVES) + "/" + name); }

DWORD Attributes(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

// A stored archive made here, for entry names known only while the test runs.
std::string StoredArchive(const std::vector<std::pair<std::string, std::string>>& entries) {
    auto put = [](std::string& out, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out += static_cast<char>(value >> (8 * i) & 0xFF);
    };
    std::string out, directory;
    for (const auto& [name, data] : entries) {
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
        const auto offset = static_cast<std::uint32_t>(out.size());
        const auto size = static_cast<std::uint32_t>(data.size());
        // Signature, version needed, flags, method, time, date.
        put(out, 0x04034b50, 4), put(out, 20, 2), put(out, 0, 2), put(out, 0, 2), put(out, 0, 4);
        put(out, crc, 4), put(out, size, 4), put(out, size, 4), put(out, name.size(), 2), put(out, 0, 2);
        out += name + data;
        // Signature, made by, needed, flags, method, time, date.
        put(directory, 0x02014b50, 4), put(directory, 20, 2), put(directory, 20, 2), put(directory, 0, 4);
        put(directory, 0, 4), put(directory, crc, 4), put(directory, size, 4), put(directory, size, 4);
        // Name, extra and comment lengths, disk, internal and external attributes, offset.
        put(directory, name.size(), 2), put(directory, 0, 4), put(directory, 0, 4), put(directory, 0x20, 4);
        put(directory, offset, 4);
        directory += name;
    }
    const auto at = static_cast<std::uint32_t>(out.size());
    out += directory;
    put(out, 0x06054b50, 4), put(out, 0, 4), put(out, entries.size(), 2), put(out, entries.size(), 2);
    put(out, directory.size(), 4), put(out, at, 4), put(out, 0, 2);
    return out;
}

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

// Each test works in its own folder: sandbox\target\ receives the archive
// and its entries; nothing may appear beside target.
class Extraction : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(fs::path(target)); }

    // Copies an archive into the target folder and unpacks it there; gives
    // the failure text, if any.
    std::optional<std::wstring> Unpack(const std::wstring& source, const std::wstring& as = L"main.zip") {
        archive = target + as;
        EXPECT_TRUE(::CopyFileW(source.c_str(), archive.c_str(), FALSE)) << "copy failed";
        return UnpackInPlace();
    }
    // Unpacks archive, which is already in place.
    std::optional<std::wstring> UnpackInPlace() {
        try {
            UnpackArchive(unzipper, archive);
        } catch (const Failure& f) {
            return f.Message();
        }
        return std::nullopt;
    }
    std::set<std::wstring> Listing(const std::wstring& folder) {
        std::set<std::wstring> names;
        for (auto& f : fs::directory_iterator(fs::path(folder)))
            names.insert(f.path().filename().wstring());
        return names;
    }
    std::string Content(const std::wstring& name) { return ReadWholeFile(target + name); }

    ScratchFolder scratch;  // goes last, after the unzipper has closed its archive
    const std::wstring& sandbox = scratch.Path();
    const std::wstring target = sandbox + L"target\\";
    std::wstring archive;
    TAbUnZipper unzipper;
};

TEST_F(Extraction, FailuresOfTheWholeArchiveKeepIt) {
    const struct {
        const char* archive;
        const wchar_t* text;
    } cases[] = {
        {"bad-empty.zip", L"Invalid Stream"},
        {"bad-html.zip", L"Unhandled Archive Type"},
        {"bad-central-signature.zip", L"Invalid file - not a PKZip file"},
        {"bad-extra-past-end.zip", L"Stream read error"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Unpack(Made(c.archive)), std::wstring(c.text)) << c.archive;
        EXPECT_TRUE(FileExists(archive)) << c.archive;
    }
    EXPECT_EQ(Listing(target), (std::set<std::wstring>{L"main.zip"}));

    TAbUnZipper other;
    try {
        other.OpenArchive(target + L"missing.zip");
        ADD_FAILURE() << "opened a missing file";
    } catch (const Failure& f) {
        EXPECT_EQ(f.Message(), L"File not found");
    }
}

TEST_F(Extraction, AnArchiveOpenedWithoutSharingCannotBeOpened) {
    archive = target + L"main.zip";
    ASSERT_TRUE(::CopyFileW(Made("py-main.zip").c_str(), archive.c_str(), FALSE));
    UniqueFile locked(::CreateFileW(archive.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locked);
    try {
        unzipper.OpenArchive(archive);
        ADD_FAILURE() << "opened a locked file";
    } catch (const Failure& f) {
        EXPECT_EQ(f.Message(), L"Cannot open file \"" + archive + L"\". " + SystemErrorText(ERROR_SHARING_VIOLATION));
    }
}

TEST_F(Extraction, EntriesLandFlatInTheTargetFolderAndNowhereElse) {
    EXPECT_EQ(Unpack(Made("py-names.zip")), std::nullopt);
    // Folder entries and stored paths make no folders; "stream:" has no bare
    // name; the archive is deleted.
    EXPECT_EQ(Listing(target), (std::set<std::wstring>{L"readme.txt", L"up.dll", L"win.dll", L"etc.dll", L"unc.dll",
                                                       L"back.dll", L"zero.txt", L"Grüße €.txt"}));
    EXPECT_EQ(Listing(sandbox), (std::set<std::wstring>{L"target"}));
    EXPECT_EQ(Content(L"up.dll"), "dot dot");
    EXPECT_EQ(Content(L"unc.dll"), "unc");
    EXPECT_EQ(Content(L"zero.txt"), "");

    // Two entries with one bare name: the later one in the directory wins.
    EXPECT_EQ(Unpack(Made("infozip-deflate.zip")), std::nullopt);
    EXPECT_EQ(Content(L"app.exe"), ReadWholeFile(Made("src/data/app.exe")));
    EXPECT_FALSE(FileExists(target + L"bin"));
    EXPECT_FALSE(FileExists(target + L"data"));
}

// Not one folder up, and not anywhere on the way to the drive's root either:
// the backslash sample aims at X:\Temp\evil.txt.
TEST_F(Extraction, SampleTraversalNamesStayInside) {
    const struct {
        const char* sample;
        std::set<std::wstring> files;
    } cases[] = {
        {"names-path-traversal-dotdot-dotnet.zip", {L"ka.txt"}},
        {"names-path-traversal-backslash-sharpcompress.zip", {L"good.txt", L"evil.txt"}},
        // Names made on Unix; the bare name of "Test\"<>|...*?:.txt" is what follows its colon.
        {"names-invalid-on-windows-dotnet.zip", {L"normalText.txt", L".txt"}},
        // A link entry becomes a plain file holding the link text, never a link.
        {"attrs-unix-symlink-go.zip", {L"symlink"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Unpack(Fixture(c.sample)), std::nullopt) << c.sample;
        EXPECT_EQ(Listing(target), c.files) << c.sample;
        for (const auto& name : Listing(target))
            EXPECT_FALSE(fs::is_directory(fs::path(target + name))) << c.sample;
        EXPECT_EQ(Listing(sandbox), (std::set<std::wstring>{L"target"})) << c.sample;
        for (fs::path up = fs::path(sandbox).parent_path();; up = up.parent_path()) {
            for (const wchar_t* name : {L"ka.txt", L"evil.txt", L"Temp\\evil.txt", L"good.txt", L"symlink"})
                EXPECT_FALSE(FileExists(up / name)) << c.sample << " wrote " << (up / name).string();
            if (up == up.root_path() || up.parent_path() == up) break;
        }
        if (c.files.contains(L"symlink")) {
            EXPECT_EQ(Content(L"symlink"), "../target");
        }
        for (const auto& name : c.files)
            ::DeleteFileW((target + name).c_str());
    }
}

TEST_F(Extraction, AnImpossibleCharacterStopsWithEarlierEntriesKept) {
    EXPECT_EQ(Unpack(Made("py-pipe.zip")), L"Invalid characters in path");
    EXPECT_EQ(Content(L"first.txt"), "before");
    EXPECT_FALSE(FileExists(target + L"after.txt"));
    EXPECT_TRUE(FileExists(archive));
}

TEST_F(Extraction, EveryMethodExtractsFromRealArchives) {
    for (const char* made : {"infozip-deflate.zip", "infozip-stored.zip", "7z-deflate64.zip", "7z-bzip2.zip",
                             "7z-lzma.zip", "7z-ppmd.zip"}) {
        EXPECT_EQ(Unpack(Made(made)), std::nullopt) << made;
        EXPECT_EQ(Content(L"readme.txt"), ReadWholeFile(Made("src/readme.txt"))) << made;
        EXPECT_EQ(Content(L"noise.bin"), ReadWholeFile(Made("src/noise.bin"))) << made;
    }
    // Methods no tool here writes: public samples, CRC-32 checked while written.
    const struct {
        const char* sample;
        const wchar_t* file;
        std::uintmax_t size;
    } samples[] = {
        {"method-01-shrink-sharpcompress.zip", L"TEST.EXE", 45056},
        {"method-02-reduce1-corkami.zip", L"HELLO.TXT", 10140},
        {"method-03-reduce2-corkami.zip", L"HELLO.TXT", 10140},
        {"method-04-reduce3-corkami.zip", L"HELLO.TXT", 10140},
        {"method-05-reduce4-corkami.zip", L"HELLO.TXT", 10140},
        {"method-06-implode-mixed-sharpcompress.zip", L"TEST.EXE", 45056},
        {"method-97-wavpack-winzip-corkami.zip", L"sine.wav", 176444},
    };
    for (const auto& s : samples) {
        EXPECT_EQ(Unpack(Fixture(s.sample)), std::nullopt) << s.sample;
        EXPECT_EQ(fs::file_size(fs::path(target + s.file)), s.size) << s.sample;
    }
}

// Unpacking reports no progress, but the window paints from these calls:
// also while one large entry is being written.
TEST_F(Extraction, ReportsBusyWhileWriting) {
    const std::wstring large = target + L"large.bin";
    std::vector<std::uint64_t> sizes;  // of large.bin at each call
    unzipper.SetOnBusy([&] {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        const bool there = ::GetFileAttributesExW(large.c_str(), GetFileExInfoStandard, &data);
        sizes.push_back(there ? std::uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow : 0);
        // Longer than the calls are spaced, so the next block's call is passed on.
        ::Sleep(60);
    });
    EXPECT_EQ(Unpack(Made("large-stored.zip")), std::nullopt);
    EXPECT_EQ(fs::file_size(fs::path(large)), 1500000u);
    EXPECT_TRUE(std::any_of(sizes.begin(), sizes.end(), [](std::uint64_t n) { return n > 0 && n < 1500000; }))
        << "no call while large.bin was being written";
}

TEST_F(Extraction, ExistingFilesAreReplacedWithoutAsking) {
    WriteWholeFile(target + L"VENKOR.EXE", "an older version");
    EXPECT_EQ(Unpack(Made("py-main.zip")), std::nullopt);
    EXPECT_EQ(Content(L"VENKOR.EXE"), "main version");
    EXPECT_EQ(Unpack(Made("py-upgrade.zip"), L"upgrade.zip"), std::nullopt);
    EXPECT_EQ(Content(L"VENKOR.EXE"), "upgrade version");
}

TEST_F(Extraction, FilesInUseAreKeptSilently) {
    WriteWholeFile(target + L"VENKOR.EXE", "running");
    UniqueFile running(::CreateFileW((target + L"VENKOR.EXE").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(running);
    EXPECT_EQ(Unpack(Made("py-main.zip")), std::nullopt);
    running.Reset();
    EXPECT_EQ(Content(L"VENKOR.EXE"), "running");
    EXPECT_EQ(Content(L"only-main.txt"), "main");
}

// Mapped into memory (a loaded DLL, say), a file cannot be replaced either.
TEST_F(Extraction, MappedFilesAreKeptSilently) {
    const std::wstring file = target + L"VENKOR.EXE";
    WriteWholeFile(file, "mapped");
    UniqueFile handle(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(handle);
    UniqueHandle mapping(::CreateFileMappingW(handle.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    ASSERT_TRUE(mapping);
    void* view = ::MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0);
    ASSERT_TRUE(view);
    handle.Reset();  // only the mapping holds the file now
    EXPECT_EQ(Unpack(Made("py-main.zip")), std::nullopt);
    ::UnmapViewOfFile(view);
    mapping.Reset();
    EXPECT_EQ(Content(L"VENKOR.EXE"), "mapped");
    EXPECT_EQ(Content(L"only-main.txt"), "main");
}

TEST_F(Extraction, ProtectedFilesAreKeptSilently) {
    for (DWORD protection : {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
        const std::wstring file = target + L"VENKOR.EXE";
        WriteWholeFile(file, "the user's copy");
        ::SetFileAttributesW(file.c_str(), protection);
        if (!(Attributes(file) & protection)) {
            ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            GTEST_SKIP() << "this system does not keep attribute " << protection
                         << " (Wine does not honour hidden and system)";
        }
        EXPECT_EQ(Unpack(Made("py-main.zip")), std::nullopt) << protection;
        EXPECT_EQ(Content(L"VENKOR.EXE"), "the user's copy") << protection;
        ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(Extraction, TimesAndAttributesComeFromTheEntry) {
    EXPECT_EQ(Unpack(Made("py-attributes.zip")), std::nullopt);

    // 13:45:31 is stored as 13:45:30 (DOS keeps even seconds), read as local time.
    FILETIME local{}, expected{}, written{};
    ASSERT_TRUE(::DosDateTimeToFileTime(((2021 - 1980) << 9) | (6 << 5) | 15, (13 << 11) | (45 << 5) | 15, &local));
    ASSERT_TRUE(::LocalFileTimeToFileTime(&local, &expected));
    UniqueFile file(::CreateFileW((target + L"odd-seconds.txt").c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    ASSERT_TRUE(::GetFileTime(file.Get(), nullptr, nullptr, &written));
    EXPECT_EQ(::CompareFileTime(&written, &expected), 0);

    // (Wine shows the archive bit on every file, so a Unix mode's "nothing
    // else" is checked on the bits it does keep.)
    constexpr DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    constexpr DWORD others = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    EXPECT_EQ(Attributes(target + L"dos-readonly.txt") & kept, kept);
    EXPECT_EQ(Attributes(target + L"unix-readonly.txt") & others, DWORD{FILE_ATTRIBUTE_READONLY});
    EXPECT_EQ(Attributes(target + L"big-attrs.txt") & others, DWORD{FILE_ATTRIBUTE_READONLY});
    EXPECT_EQ(Attributes(target + L"unix-writable.txt") & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(Attributes(target + L"dos-plain.txt") & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(Extraction, AnEmptyArchiveWritesNothingAndIsDeleted) {
    EXPECT_EQ(Unpack(Made("py-empty.zip")), std::nullopt);
    EXPECT_TRUE(Listing(target).empty());
}

// An entry that cannot be written faithfully is left out, the others are
// extracted, and the run fails afterwards naming the entry and the reason.
TEST_F(Extraction, EntriesThatCannotBeWrittenFaithfullyAreReported) {
    // older: a file of the entry's name exists beforehand. It is deleted when
    // decoding fails (a CRC-32 mismatch included) and kept when the entry is
    // refused before its file is touched (a method outside the table included).
    enum Older { None, Deleted, Kept };
    const struct {
        const char* archive;
        const wchar_t* entry;
        const wchar_t* reason;
        const wchar_t* file;
        Older older;
    } cases[] = {
        {"mend-crc.zip", L"crc.txt", L"its data does not match its CRC-32 checksum", L"crc.txt", Deleted},
        {"mend-damaged.zip", L"damaged.txt", L"its compressed data is damaged", L"damaged.txt", Deleted},
        {"mend-method.zip", L"method7.txt", L"it uses compression method 7, which is not supported", L"method7.txt",
         Kept},
        {"mend-encrypted.zip", L"secret.txt", L"it is encrypted", L"secret.txt", Kept},
        {"mend-version.zip", L"future.txt", L"it needs ZIP version 6.4", L"future.txt", Kept},
        {"mend-local.zip", L"badlocal.txt", L"its local header is missing or damaged", L"badlocal.txt", Kept},
        {"mend-device-con.zip", L"dir/CON", L"its name is reserved for a device", L"CON", None},
        {"mend-device-nul.zip", L"nul.txt", L"its name is reserved for a device", L"nul.txt", None},
        {"mend-device-com.zip", L"Com1.log", L"its name is reserved for a device", L"Com1.log", None},
        {"mend-device-lpt.zip", L"lpt9.dat.txt", L"its name is reserved for a device", L"lpt9.dat.txt", None},
        {"mend-refused.zip", L"what?.txt", nullptr, L"what?.txt", None},
    };
    for (const auto& c : cases) {
        if (c.older != None) WriteWholeFile(target + c.file, "older");
        const auto failure = Unpack(Made(c.archive));
        ASSERT_TRUE(failure) << c.archive;
        const std::wstring start = L"Could not extract \"" + std::wstring(c.entry) + L"\" from the archive: ";
        EXPECT_EQ(failure->substr(0, start.size()), start) << c.archive;
        if (c.reason) {
            EXPECT_EQ(failure->substr(start.size()), std::wstring(c.reason) + L".") << c.archive;
        }
        EXPECT_EQ(Content(L"good.txt"), "good entry\r\n") << c.archive;
        EXPECT_EQ(Content(L"later.txt"), "after the bad one\r\n") << c.archive;
        // A listing, not a look-up: a device name always "exists".
        EXPECT_EQ(Listing(target).count(c.file), c.older == Kept ? 1u : 0u) << c.archive;
        if (c.older == Kept) {
            EXPECT_EQ(Content(c.file), "older") << c.archive;
        }
        EXPECT_TRUE(FileExists(archive)) << c.archive;
        unzipper.CloseArchive();
        ::DeleteFileW((target + c.file).c_str());
    }
}

TEST_F(Extraction, SeveralFaultsNameTheFirstAndCountThem) {
    EXPECT_EQ(Unpack(Made("mend-several.zip")),
              L"Could not extract 3 entries from the archive; the first is \"big-crc.bin\": its data does not match "
              L"its CRC-32 checksum.");
}

// The busy hook may throw (a window that cannot paint, say) while the
// extraction waits for the writing thread: the extraction ends with that
// failure and the writing thread ends with it; no partial file stays.
TEST_F(Extraction, ABusyHookThatThrowsEndsTheExtractionCleanly) {
    int calls = 0;
    unzipper.SetOnBusy([&] {
        ::Sleep(60);  // slower than the writer's 50 ms wait, so the waits call it
        if (++calls == 3) throw Failure(L"stopped by the window");
    });
    EXPECT_EQ(Unpack(Made("large-stored.zip")), L"stopped by the window");
    EXPECT_FALSE(fs::exists(fs::path(target + L"large.bin")));
}

// Under any name that reaches the archive file: its own, its short (8.3)
// name, a hard link to it.
TEST_F(Extraction, AnEntryNeverOverwritesTheArchiveItself) {
    enum Alias { Own, Short, Link };
    for (Alias alias : {Own, Link, Short}) {
        archive = target + L"archive-with-a-long-name.zip";
        std::wstring entry = L"archive-with-a-long-name.zip";
        WriteWholeFile(archive, "placeholder");
        if (alias == Short) {
            wchar_t shortName[MAX_PATH]{};
            ASSERT_TRUE(::GetShortPathNameW(archive.c_str(), shortName, MAX_PATH));
            entry = fs::path(shortName).filename().wstring();
        } else if (alias == Link) {
            entry = L"link.zip";
            ASSERT_TRUE(::CreateHardLinkW((target + entry).c_str(), archive.c_str(), nullptr));
        }
        const std::string bytes = StoredArchive(
            {{"good.txt", "good entry\r\n"}, {"folder/" + Narrow(entry), "would overwrite"}, {"later.txt", "later"}});
        WriteWholeFile(archive, bytes);
        EXPECT_EQ(UnpackInPlace(), L"Could not extract \"folder/" + entry +
                                       L"\" from the archive: it would overwrite the archive being extracted.")
            << alias;
        EXPECT_EQ(ReadWholeFile(archive), bytes) << alias;
        EXPECT_TRUE(FileExists(target + L"later.txt")) << alias;
        unzipper.CloseArchive();
        ::DeleteFileW((target + entry).c_str());
        ::DeleteFileW(archive.c_str());
    }
}

// Entries that share compressed data could fill the drive from a small
// archive: the archive is refused before anything is written.
TEST_F(Extraction, OverlappingEntriesRefuseTheArchive) {
    for (const char* made : {"overlap-shared.zip", "overlap-next.zip", "overlap-directory.zip"}) {
        EXPECT_EQ(Unpack(Made(made)), L"Invalid file - entries of the archive overlap") << made;
        EXPECT_EQ(Listing(target), (std::set<std::wstring>{L"main.zip"})) << made;
    }
}

// A count of 2^40 entries in a file of 1 GiB: an archive failure, not an
// exception of the memory allocator.
TEST_F(Extraction, AHostileEntryCountIsAnArchiveFailure) {
    archive = target + L"main.zip";
    const std::string tail = ReadWholeFile(Made("hostile-count-at-1g.tail"));
    {
        UniqueFile file(
            ::CreateFileW(archive.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        // The gigabyte before the archive stays sparse where the file system can.
        DWORD returned = 0;
        ::DeviceIoControl(file.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
        LARGE_INTEGER at{};
        at.QuadPart = 1 << 30;
        ASSERT_TRUE(::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN));
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(file.Get(), tail.data(), static_cast<DWORD>(tail.size()), &written, nullptr));
    }
    EXPECT_EQ(UnpackInPlace(), L"Invalid file - not a PKZip file");
}

// Positions read from the archive may point anywhere, also past what any
// file can hold: a locator that names such a ZIP64 record is not used.
TEST_F(Extraction, AZip64LocatorPointingBeyondAnyFileIsNotUsed) {
    EXPECT_EQ(Unpack(Made("odd-locator.zip")), std::nullopt);
    EXPECT_EQ(Content(L"good.txt"), "good entry\r\n");
}

// So that the user can delete or replace the archive while the failure shows.
TEST_F(Extraction, AFailedArchiveIsClosedAtOnce) {
    for (const char* made : {"py-pipe.zip", "mend-crc.zip"}) {
        EXPECT_TRUE(Unpack(Made(made))) << made;
        EXPECT_TRUE(::DeleteFileW(archive.c_str())) << made << ": error " << ::GetLastError();
    }
}

TEST_F(Extraction, EncryptedSampleEntriesAreLeftOutAndReported) {
    const auto failure = Unpack(Fixture("encrypted-mixed-zipcrypto-aes-plain-dotnet.zip"));
    EXPECT_EQ(failure,
              L"Could not extract 2 entries from the archive; the first is \"file1-encrypted.txt\": "
              L"it is encrypted.");
    EXPECT_EQ(Listing(target),
              (std::set<std::wstring>{L"file2-unencrypted.txt", L"file4-unencrypted.txt", L"main.zip"}));
}

}  // namespace

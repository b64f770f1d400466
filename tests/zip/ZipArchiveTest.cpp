// The ZIP reader on real archives (samples and tool-made) and crafted ones.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "EntryName.h"
#include "TestFiles.h"
#include "ZipArchive.h"

namespace {

std::vector<std::uint8_t> Load(const std::string& path) { return ReadWholeFile<std::vector<std::uint8_t>>(path); }
std::string Fixture(const std::string& name) { return std::string(ZIP_FIXTURES) + "/" + name; }
std::string Made(const std::string& name) { return std::string(ZIP_ARCHIVES) + "/" + name; }

// An archive read from disk into memory.
struct Archive {
    explicit Archive(const std::string& path) : bytes(Load(path)), file(bytes), zip(file) {}
    std::vector<std::uint8_t> bytes;
    MemoryFile file;
    ZipArchive zip;

    std::size_t Index(std::u16string_view name) const {
        for (std::size_t i = 0; i < zip.Entries().size(); ++i)
            if (zip.Entries()[i].name == name) return i;
        ADD_FAILURE() << "no such entry";
        return 0;
    }
};

struct StringSink final : ByteSink {
    void Write(const std::uint8_t* data, std::size_t size) override { bytes.append(data, data + size); }
    std::string bytes;
};

// The entry's content, or the fault that stopped it and whether OpenEntry
// found it, before anything was decoded.
struct Outcome {
    std::string content;
    std::optional<EntryFault> fault;
    bool whenOpened = false;
};
Outcome Extract(ZipArchive& zip, std::size_t index) {
    StringSink sink;
    try {
        zip.OpenEntry(index);
    } catch (const EntryError& e) {
        return {sink.bytes, e.Fault(), true};
    }
    try {
        zip.DecodeOpenEntry(sink);
    } catch (const EntryError& e) {
        return {sink.bytes, e.Fault()};
    }
    return {sink.bytes, std::nullopt};
}

std::optional<ArchiveFault> OpenFault(const std::string& path) {
    auto bytes = Load(path);
    MemoryFile file(bytes);
    try {
        ZipArchive zip(file);
    } catch (const ArchiveError& e) {
        return e.Fault();
    }
    return std::nullopt;
}

TEST(ZipArchive, ArchiveFaultsFollowWhatIsWrongWithTheFile) {
    const struct {
        std::string path;
        ArchiveFault fault;
    } cases[] = {
        {Made("bad-empty.zip"), ArchiveFault::EmptyStream},
        {Made("bad-html.zip"), ArchiveFault::NotAnArchive},
        {Fixture("malformed-too-short-libzip.zip"), ArchiveFault::NotAnArchive},
        {Fixture("malformed-eocd-missing-dotnet.zip"), ArchiveFault::NotAnArchive},
        {Fixture("malformed-not-a-zip-go.notzip"), ArchiveFault::NotAnArchive},
        {Made("bad-central-signature.zip"), ArchiveFault::BadCentralHeader},
        {Fixture("malformed-cd-offset-in-bounds-wrong-dotnet.zip"), ArchiveFault::BadCentralHeader},
        {Fixture("malformed-cd-offset-out-of-bounds-dotnet.zip"), ArchiveFault::BadCentralHeader},
        {Fixture("malformed-multidisk-libzip.zip"), ArchiveFault::BadCentralHeader},
        // A writer's bug: its ZIP64 locator counts zero disks, so the ZIP64
        // record is not used and the classic record's wrong offsets are.
        {Fixture("zip64-compsize-only-eocd32-wrong-sharpcompress.zip"), ArchiveFault::BadCentralHeader},
        {Made("bad-extra-past-end.zip"), ArchiveFault::ReadError},
        // Entries whose data overlap each other or the directory, by their
        // local headers and the directory's sizes: two entries on one local
        // header, data over the next local header, data into the directory.
        {Made("overlap-shared.zip"), ArchiveFault::Overlapping},
        {Made("overlap-next.zip"), ArchiveFault::Overlapping},
        {Made("overlap-directory.zip"), ArchiveFault::Overlapping},
        {Fixture("malformed-compressed-size-out-of-bounds-dotnet.zip"), ArchiveFault::Overlapping},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OpenFault(c.path), c.fault) << c.path;
}

TEST(ZipArchive, EmptyArchiveHasNoEntries) {
    Archive a(Made("py-empty.zip"));
    EXPECT_TRUE(a.zip.Entries().empty());
}

TEST(ZipArchive, Zip64DirectoriesGiveTheRealSizes) {
    const struct {
        std::string path;
        std::u16string name;
        std::uint64_t size;
        std::uint32_t crc;
    } cases[] = {
        {Made("crafted-zip64.zip"), u"zip64-b.txt", 700, 0},
        {Fixture("zip64-infozip-go.zip"), u"README", 36, 0},
        {Fixture("zip64-eocd-all-ff-3mf-libzip.zip"), u"-", 2, 0xddeaa107},
        {Fixture("zip64-streamed-datadescriptor-libzip.zip"), u"-", 2, 0xddeaa107},
    };
    for (const auto& c : cases) {
        Archive a(c.path);
        const std::size_t i = a.Index(c.name);
        EXPECT_EQ(a.zip.Entries()[i].uncompressedSize, c.size) << c.path;
        if (c.crc) EXPECT_EQ(a.zip.Entries()[i].crc32, c.crc) << c.path;
        const Outcome o = Extract(a.zip, i);
        EXPECT_FALSE(o.fault) << c.path;
        EXPECT_EQ(o.content.size(), c.size) << c.path;
    }
}

// Every method of the table, through the reader, from archives real tools made.
TEST(ZipArchive, EveryMethodDecodesWithMatchingCrc) {
    const char* samples[] = {
        "method-01-shrink-sharpcompress.zip",
        "method-02-reduce1-corkami.zip",
        "method-03-reduce2-corkami.zip",
        "method-04-reduce3-corkami.zip",
        "method-05-reduce4-corkami.zip",
        "method-06-implode-mixed-sharpcompress.zip",
        "method-06-implode-flagbit13-pkzip110-libarchive.zip",
        "method-09-deflate64-7zip-sharpcompress.zip",
        "method-12-bzip2-winzip-sharpcompress.zip",
        "method-14-lzma-lc4-winzip-sharpcompress.zip",
        "method-14-lzma-empty-sharpcompress.zip",
        "method-97-wavpack-winzip-corkami.zip",
        "method-98-ppmd-7zip-sharpcompress.zip",
        "datadescriptor-deflate-go.zip",
        "malformed-ok-prefix-sfx-go.zip",
    };
    for (const char* sample : samples) {
        Archive a(Fixture(sample));
        ASSERT_FALSE(a.zip.Entries().empty()) << sample;
        for (std::size_t i = 0; i < a.zip.Entries().size(); ++i) {
            if (a.zip.Entries()[i].IsFolder()) continue;
            const Outcome o = Extract(a.zip, i);
            EXPECT_FALSE(o.fault) << sample << " entry " << i << " fault " << int(o.fault.value_or(EntryFault{}));
            EXPECT_EQ(o.content.size(), a.zip.Entries()[i].uncompressedSize) << sample;
        }
    }
}

TEST(ZipArchive, ToolMadeArchivesGiveBackTheOriginalFiles) {
    for (const char* made : {"infozip-deflate.zip", "infozip-stored.zip", "7z-deflate64.zip", "7z-bzip2.zip",
                             "7z-lzma.zip", "7z-ppmd.zip"}) {
        Archive a(Made(made));
        for (std::size_t i = 0; i < a.zip.Entries().size(); ++i) {
            const ZipEntry& e = a.zip.Entries()[i];
            if (e.IsFolder()) continue;
            const auto original = Load(Made("src/" + e.rawName));
            EXPECT_EQ(Extract(a.zip, i).content, std::string(original.begin(), original.end()))
                << made << " " << e.rawName;
        }
    }
}

TEST(ZipArchive, EntryFaultsNameWhatIsWrong) {
    const struct {
        std::string path;
        std::u16string entry;
        EntryFault fault;
    } cases[] = {
        {Fixture("encrypted-mixed-zipcrypto-aes-plain-dotnet.zip"), u"file1-encrypted.txt", EntryFault::Encrypted},
        {Fixture("encrypted-mixed-zipcrypto-aes-plain-dotnet.zip"), u"file3-encrypted.txt", EntryFault::Encrypted},
        {Fixture("malformed-crc-mismatch-libzip.zip"), u"a", EntryFault::CrcMismatch},
        {Fixture("malformed-local-signature-wrong-dotnet.zip"), u"first.txt", EntryFault::LocalHeaderDamaged},
        {Fixture("method-96-jpeg-unsupported-winzip-corkami.zip"), u"tiny.jpg", EntryFault::Unsupported},
        {Made("mend-crc.zip"), u"crc.txt", EntryFault::CrcMismatch},
        {Made("mend-damaged.zip"), u"damaged.txt", EntryFault::Damaged},
        {Made("mend-method.zip"), u"method7.txt", EntryFault::Unsupported},
        {Made("mend-encrypted.zip"), u"secret.txt", EntryFault::Encrypted},
        {Made("mend-version.zip"), u"future.txt", EntryFault::VersionTooNew},
        {Made("mend-local.zip"), u"badlocal.txt", EntryFault::LocalHeaderDamaged},
    };
    for (const auto& c : cases) {
        Archive a(c.path);
        const Outcome o = Extract(a.zip, a.Index(c.entry));
        EXPECT_EQ(o.fault, c.fault) << c.path;
        // What needs no decoding is known before anything is written, so an
        // older file of the entry's name is never touched for it.
        EXPECT_EQ(o.whenOpened, c.fault != EntryFault::CrcMismatch && c.fault != EntryFault::Damaged) << c.path;
    }
    // The plain entries of the mixed archive and those around a bad one still read.
    Archive mixed(Fixture("encrypted-mixed-zipcrypto-aes-plain-dotnet.zip"));
    EXPECT_FALSE(Extract(mixed.zip, mixed.Index(u"file2-unencrypted.txt")).fault);
    EXPECT_FALSE(Extract(mixed.zip, mixed.Index(u"file4-unencrypted.txt")).fault);
    Archive mend(Made("mend-damaged.zip"));
    EXPECT_EQ(Extract(mend.zip, mend.Index(u"later.txt")).content, "after the bad one\r\n");
}

TEST(ZipArchive, NamesAreCp437UnlessFlaggedUtf8) {
    Archive cp437(Fixture("names-cp437-all-chars-libzip.zip"));
    ASSERT_EQ(cp437.zip.Entries().size(), 16u);
    EXPECT_EQ(cp437.zip.Entries()[8].name, u"üéâäàåçêëèïîìÄÅÉ");
    EXPECT_EQ(cp437.zip.Entries()[12].name, u"┴┬├─┼╞╟╚╔╩╦╠═╬╧╨");
    EXPECT_EQ(cp437.zip.Entries()[15].name, u"±≥≤⌠⌡÷≈°∙·√ⁿ²■\u00A0\u00A0");
    EXPECT_EQ(Archive(Fixture("names-utf8-flag-7zip-go.zip")).zip.Entries()[0].name, u"世界");
    // UTF-8 bytes without the flag are taken as the flag says: code page 437.
    EXPECT_EQ(Archive(Fixture("names-utf8-bytes-noflag-osx-go.zip")).zip.Entries()[0].name, u"Σ╕ûτòî");
    EXPECT_EQ(Archive(Made("py-names.zip")).zip.Entries().back().name, u"Grüße €.txt");
}

TEST(EntryName, MalformedUtf8BecomesReplacementCharacters) {
    const struct {
        std::string raw;
        std::u16string name;
    } cases[] = {
        {"a\xC3(", u"a\uFFFD("},
        {"\xC0\xAF"
         "x",
         u"\uFFFDx"},                         // an overlong "/" must not become a separator
        {"\xED\xA0\x80", u"\uFFFD"},          // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD"},      // beyond U+10FFFF
        {"\xF0\x9F\x98\x8A", u"\U0001F60A"},  // four bytes: a surrogate pair
        {"\xE2\x82", u"\uFFFD"},              // cut short
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeEntryName(c.raw, true), c.name);
}

TEST(EntryName, BareNameIsWhatFollowsTheLastSeparator) {
    const struct {
        std::u16string name, bare;
    } cases[] = {
        {u"bin/VENKOR.EXE", u"VENKOR.EXE"},
        {u"../x.dll", u"x.dll"},
        {u"C:/Windows/x.dll", u"x.dll"},
        {u"/etc/x.dll", u"x.dll"},
        {u"\\\\srv\\share\\x.dll", u"x.dll"},
        {u"C:x.dll", u"x.dll"},
        {u"stream:", u""},
        {u"plain", u"plain"},
        {u"a\\b/c:d", u"d"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BareNameOf(c.name), c.bare) << std::string(c.name.begin(), c.name.end());
}

TEST(ZipEntryRules, FoldersAndAttributes) {
    ZipEntry e;
    e.name = u"sub/";
    EXPECT_TRUE(e.IsFolder());
    e.name = u"sub\\";
    EXPECT_TRUE(e.IsFolder());
    e.name = u"sub";
    e.externalAttributes = 0x10;
    EXPECT_TRUE(e.IsFolder());

    const struct {
        std::uint16_t madeBy;
        std::uint32_t external;
        std::uint32_t attributes;
    } cases[] = {
        {0x0014, 0x21, 0x21},                     // DOS read-only + archive, as stored
        {0x0014, 0x22, 0x22},                     // hidden
        {0x0014, 0x00, 0x80},                     // nothing: normal
        {0x0014, 0x80 | 0x08, 0x80},              // bits no file can carry are dropped
        {0x0314, 0100444u << 16, 0x01},           // Unix without owner write: read-only
        {0x0314, 0100644u << 16, 0x80},           // Unix with owner write: normal
        {0x0314, (0100644u << 16) | 0x01, 0x80},  // the DOS byte is ignored for Unix
        {0x0014, (0100444u << 16) | 0x20, 0x01},  // too large for DOS: a Unix mode
    };
    for (const auto& c : cases) {
        e.versionMadeBy = c.madeBy;
        e.externalAttributes = c.external;
        EXPECT_EQ(e.FileAttributes(), c.attributes) << std::hex << c.madeBy << " " << c.external;
    }
}

}  // namespace

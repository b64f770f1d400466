#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FixturePath.h"
#include "MoCatalogue.h"

using namespace std::string_view_literals;

namespace {

std::optional<MoCatalogue> Parse(const std::vector<std::uint8_t>& bytes) { return MoCatalogue::Parse(bytes); }

void PutWord(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    std::memcpy(bytes.data() + offset, &value, 4);  // the fixtures are little-endian, as is this machine
}

// An MO file made by hand, for shapes msgfmt never writes: its table entries
// point into one block of strings after the tables, in the order given, and
// several entries may point at the same bytes.
class MoFile {
public:
    struct Text {
        std::uint32_t offset;  // within the block
        std::uint32_t length;
    };

    Text Add(std::string_view text) {
        const Text added{static_cast<std::uint32_t>(strings_.size()), static_cast<std::uint32_t>(text.size())};
        strings_.append(text);
        strings_.push_back('\0');
        return added;
    }
    void Entry(Text msgid, Text msgstr) { table_.emplace_back(msgid, msgstr); }
    void Entry(std::string_view msgid, std::string_view msgstr) { Entry(Add(msgid), Add(msgstr)); }

    std::vector<std::uint8_t> Bytes() const {
        const auto count = static_cast<std::uint32_t>(table_.size());
        const std::uint32_t originals = 28;
        const std::uint32_t translations = originals + 8 * count;
        const std::uint32_t block = translations + 8 * count;
        std::vector<std::uint8_t> bytes(block);
        PutWord(bytes, 0, 0x950412de);
        PutWord(bytes, 8, count);
        PutWord(bytes, 12, originals);
        PutWord(bytes, 16, translations);
        for (std::uint32_t i = 0; i < count; ++i) {
            const auto& [msgid, msgstr] = table_[i];
            PutWord(bytes, originals + 8 * i, msgid.length);
            PutWord(bytes, originals + 8 * i + 4, block + msgid.offset);
            PutWord(bytes, translations + 8 * i, msgstr.length);
            PutWord(bytes, translations + 8 * i + 4, block + msgstr.offset);
        }
        bytes.insert(bytes.end(), strings_.begin(), strings_.end());
        return bytes;
    }

private:
    std::string strings_;
    std::vector<std::pair<Text, Text>> table_;
};

constexpr std::string_view kHeader = "Content-Type: text/plain; charset=UTF-8\n";

}  // namespace

class MoCatalogueOrder : public testing::TestWithParam<const char*> {};

TEST_P(MoCatalogueOrder, FindsExactMsgidsHeaderAndFirstPluralForm) {
    const auto bytes = ReadFixture(GetParam());
    ASSERT_FALSE(bytes.empty()) << FixturePath(GetParam());
    const auto catalogue = Parse(bytes);
    ASSERT_TRUE(catalogue);

    EXPECT_EQ(catalogue->Find("WAARSCHUWING"), "LET OP");
    EXPECT_EQ(catalogue->Find("&Yes"), "&Ja");
    EXPECT_EQ(catalogue->Find("\xc3\x9c"
                              "bersicht \xe2\x82\xac"),
              "Overzicht \xe2\x82\xac");
    EXPECT_EQ(catalogue->Find("file"), "bestand");
    EXPECT_EQ(catalogue->Find("").value_or("").substr(0, 40), "Content-Type: text/plain; charset=UTF-8\n");

    for (const char* absent : {"waarschuwing", "WAARSCHUWING ", "WAARSCHUW", "&yes", "Yes", "files"}) {
        EXPECT_FALSE(catalogue->Find(absent)) << absent;
    }
}

INSTANTIATE_TEST_SUITE_P(BothByteOrders, MoCatalogueOrder, testing::Values("nl.mo", "nl-big-endian.mo"));

TEST(MoCatalogue, RejectsEveryTruncationThatCutsAString) {
    const auto bytes = ReadFixture("nl.mo");
    ASSERT_GT(bytes.size(), 28u);
    // The last byte is the final string's NUL, which lies outside its length.
    for (std::size_t size = 0; size + 1 < bytes.size(); ++size) {
        const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(Parse(cut)) << "size " << size;
    }
}

TEST(MoCatalogue, RejectsForeignAndDamagedFiles) {
    const auto good = ReadFixture("nl.mo");
    ASSERT_TRUE(Parse(good));
    const std::uint32_t originals = good[12] | good[13] << 8 | good[14] << 16 | good[15] << 24;

    struct Case {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
    };
    const Case cases[] = {
        {"magic of another format", 0, 0x04034b50},
        {"count far beyond the file", 8, 0x40000000},
        {"count that overflows 32 bits when multiplied", 8, 0xffffffff},
        {"originals table beyond the end", 12, 0xfffffff0},
        {"translations table beyond the end", 16, static_cast<std::uint32_t>(good.size() - 4)},
        {"string length beyond the end", originals, 0xffffffff},
        {"string offset beyond the end", originals + 4, static_cast<std::uint32_t>(good.size() + 1)},
        {"string offset plus length wrapping around", originals + 4, 0xffffffff},
    };
    for (const Case& c : cases) {
        auto bytes = good;
        PutWord(bytes, c.offset, c.value);
        EXPECT_FALSE(Parse(bytes)) << c.what;
    }

    const std::string html = "<html><body>Not Found</body></html>";
    EXPECT_FALSE(Parse(std::vector<std::uint8_t>(html.begin(), html.end())));
}

TEST(MoCatalogue, EmptyCatalogueFindsNothing) {
    // magic, revision, no entries, tables at the end of the header
    std::vector<std::uint8_t> bytes(28, 0);
    PutWord(bytes, 0, 0x950412de);
    PutWord(bytes, 12, 28);
    PutWord(bytes, 16, 28);
    const auto catalogue = Parse(bytes);
    ASSERT_TRUE(catalogue);
    EXPECT_FALSE(catalogue->Find(""));
}

TEST(MoCatalogue, FindsEveryEntryInSortedAndUnsortedTablesAndTheFirstOfDuplicates) {
    // In the order msgfmt writes (strcmp order), and the reverse of it; "a"
    // twice, of which the first one counts.
    const std::vector<std::pair<std::string_view, std::string_view>> sorted = {
        {"", kHeader}, {"&Yes", "&Ja"}, {"WAARSCHUWING", "LET OP"}, {"a", "first"}, {"a", "second"},
        {"ab", "AB"},  {"b", "B"},      {"\xc3\x9c", "U"}};
    auto reversed = sorted;
    std::reverse(reversed.begin(), reversed.end());
    std::swap(reversed[3], reversed[4]);  // "a" first stays first

    for (const auto& [order, entries] : {std::pair{"sorted", sorted}, std::pair{"reversed", reversed}}) {
        MoFile file;
        for (const auto& [msgid, msgstr] : entries)
            file.Entry(msgid, msgstr);
        const auto bytes = file.Bytes();
        const auto catalogue = Parse(bytes);
        ASSERT_TRUE(catalogue);
        for (const auto& [msgid, msgstr] : sorted) {
            if (msgstr == "second") continue;
            EXPECT_EQ(catalogue->Find(msgid), msgstr) << order << ": " << msgid;
        }
        for (const std::string_view absent : {"A"sv, "a "sv, "aa"sv, "c"sv, "\xc3"sv, "a\0b"sv})
            EXPECT_FALSE(catalogue->Find(absent)) << order << ": " << absent;
    }
}

TEST(MoCatalogue, ManyEntriesSharingOneLongStringAreReadInLinearTime) {
    // 1 MiB: 32,768 table entries whose msgids and msgstrs all lie in one
    // half-mebibyte run of one letter, either the whole run each or each a
    // tail of it one byte shorter than the one before. Reading each entry's
    // strings in full reads 16 to 32 GB; the answers must come from reading
    // the run a few times.
    constexpr std::uint32_t kLength = 512 * 1024;
    for (const bool tails : {false, true}) {
        MoFile file;
        file.Entry("", kHeader);
        const auto run = file.Add(std::string(kLength, 'a'));
        for (std::uint32_t i = 0; i < 32768 - 2; ++i) {
            const std::uint32_t skip = tails ? i : 0;
            const MoFile::Text text{run.offset + skip, run.length - skip};
            file.Entry(text, text);
        }
        file.Entry("WAARSCHUWING", "LET OP");  // out of order after the long ones
        const auto bytes = file.Bytes();
        ASSERT_GE(bytes.size(), 1u << 20);

        const auto catalogue = Parse(bytes);
        ASSERT_TRUE(catalogue);
        EXPECT_EQ(catalogue->Find(""), kHeader) << tails;
        EXPECT_EQ(catalogue->Find("WAARSCHUWING"), "LET OP") << tails;
        EXPECT_EQ(catalogue->Find("aaaa"), std::nullopt) << tails;
    }
}

#include <gtest/gtest.h>

#include <cstring>

#include "FixturePath.h"
#include "MoCatalogue.h"

namespace {

std::optional<MoCatalogue> Parse(const std::vector<std::uint8_t>& bytes) { return MoCatalogue::Parse(bytes); }

void PutWord(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    std::memcpy(bytes.data() + offset, &value, 4);  // the fixtures are little-endian, as is this machine
}

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

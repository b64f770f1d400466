#include "AsciiText.h"

#include <gtest/gtest.h>

TEST(AsciiText, ComparesLettersWithoutCaseAndNothingElse) {
    const struct {
        const char* a;
        const char* b;
        bool equal;
    } cases[] = {
        {"Content-Length", "content-length", true},
        {"CHUNKED", "chunked", true},
        {"", "", true},
        {"close", "closed", false},
        // Only A-Z fold: '@' and '`' sit next to the letters, bytes above 0x7F are not letters.
        {"@", "`", false},
        {"[", "{", false},
        {"\xC4", "\xE4", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EqualsNoCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
    EXPECT_EQ(AsciiLower('Z'), 'z');
    EXPECT_EQ(AsciiLower('\xC4'), '\xC4');
}

TEST(AsciiText, FindsAWordAnywhereInTheText) {
    EXPECT_TRUE(ContainsNoCase("gzip, Chunked", "chunked"));
    EXPECT_TRUE(ContainsNoCase("chunked", "chunked"));
    EXPECT_TRUE(ContainsNoCase("anything", ""));
    EXPECT_FALSE(ContainsNoCase("chunk", "chunked"));
    EXPECT_FALSE(ContainsNoCase("", "chunked"));
}

TEST(AsciiText, TrimsSpacesAndTabsOnly) {
    EXPECT_EQ(TrimBlanks(" \t value \t "), "value");
    EXPECT_EQ(TrimBlanks("a b"), "a b");
    EXPECT_EQ(TrimBlanks(" \t "), "");
    // Line ends are the caller's to remove.
    EXPECT_EQ(TrimBlanks("value\r\n"), "value\r\n");
}

#include "TextConversion.h"

#include <gtest/gtest.h>

TEST(TextConversion, Utf8RoundTripsEveryPlane) {
    const std::wstring text = L"Vooruitgang \u00E9\u20AC \U0001F600";
    const std::string bytes = ToUtf8(text);
    EXPECT_EQ(bytes, "Vooruitgang \xC3\xA9\xE2\x82\xAC \xF0\x9F\x98\x80");
    EXPECT_EQ(FromUtf8(bytes), text);
    EXPECT_EQ(ToUtf8(L""), "");
    EXPECT_EQ(FromUtf8(""), L"");
}

TEST(TextConversion, AnsiKeepsAscii) {
    EXPECT_EQ(ToAnsi(L"VENKOR.EXE"), "VENKOR.EXE");
    EXPECT_EQ(FromAnsi("bad allocation"), L"bad allocation");
}

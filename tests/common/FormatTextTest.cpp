#include "FormatText.h"

#include <gtest/gtest.h>

TEST(FormatText, FillsDirectivesInOrder) {
    struct Case {
        const wchar_t* format;
        std::initializer_list<FormatArg> args;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"Cannot create file \"%s\". %s",
         {L"C:\\a.zip", L"Access denied"},
         L"Cannot create file \"C:\\a.zip\". Access denied"},
        {L"Socket Error # %d\r\n%s",
         {std::int64_t{10061}, L"Connection refused."},
         L"Socket Error # 10061\r\nConnection refused."},
        {L"%d: %s", {std::int64_t{-1}, L"HTTP/1.1 abc"}, L"-1: HTTP/1.1 abc"},
        {L"OLE error %.8x", {std::int64_t{0x80004002}}, L"OLE error 80004002"},
        {L"OLE error %.8x", {std::int64_t{-2147467262}}, L"OLE error 80004002"},
        {L"100%% %s", {L"done"}, L"100% done"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatText(c.format, c.args), c.expected) << c.format;
}

TEST(FormatText, ToleratesFormatsThatDoNotMatchTheArguments) {
    // A translated format comes from a file beside the executable.
    EXPECT_EQ(FormatText(L"%s and %s and %d", {L"one"}), L"one and  and ");
    EXPECT_EQ(FormatText(L"only text", {L"unused"}), L"only text");
    EXPECT_EQ(FormatText(L"dangling %", {}), L"dangling %");
    EXPECT_EQ(FormatText(L"%5s|%-3d|", {L"ab", std::int64_t{7}}), L"   ab|7  |");
}

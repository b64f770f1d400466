#include <gtest/gtest.h>

#include "CatalogueHeader.h"
#include "LanguageCode.h"

TEST(CatalogueHeader, OnlyAContentTypeLineWithUtf8Passes) {
    struct Case {
        const char* header;
        bool utf8;
    };
    const Case cases[] = {
        {"Project-Id-Version: x\nContent-Type: text/plain; charset=UTF-8\n", true},
        {"content-type: TEXT/PLAIN; Charset=utf-8", true},
        {"Content-Type: text/plain; charset=UTF-8\r\nX: y\r\n", true},
        {"Content-Type:text/plain; charset=UTF-8\n", false},  // no blank after the colon
        {"Content-Type: text/plain; charset=utf8\n", false},  // no hyphen
        {"Content-Type: text/plain; charset=ISO-8859-1\n", false},
        {"X-Comment: charset=UTF-8\n", false},                                           // not the Content-Type line
        {" Content-Type: text/plain; charset=UTF-8\n", false},                           // the line must begin with it
        {"Content-Type: text/plain\nContent-Type: text/plain; charset=UTF-8\n", false},  // the first one counts
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DeclaresUtf8(c.header), c.utf8) << c.header;
}

TEST(CatalogueHeader, ContentTypeValueIsTrimmed) {
    EXPECT_EQ(ContentTypeOf("A: b\nContent-Type:   text/plain; charset=UTF-8  \t\nC: d"), "text/plain; charset=UTF-8");
    EXPECT_EQ(ContentTypeOf("A: b\n"), "");
}

TEST(LanguageCode, ChosenFromLangThenUserLocaleThenThreadLocale) {
    struct Case {
        LocaleFacts facts;
        const wchar_t* code;
    };
    const Case cases[] = {
        {{L"nl_BE.UTF-8", L"de", L"DE", 1033}, L"nl_BE"},
        {{L"nl", L"de", L"DE", 1033}, L"nl"},
        {{L"nl_BE.UTF-8@euro.x", L"", L"", 0}, L"nl_BE"},
        {{L"", L"nl", L"BE", 1033}, L"nl_BE"},
        {{L"", L"no", L"NO", 1033}, L"nb_NO"},
        {{L"", L"NO", L"NO", 1033}, L"nb_NO"},
        {{L"", L"nn", L"NO", 1033}, L"nn_NO"},
        {{L"", L"haw", L"US", 2067}, L"nl_BE"},  // a three-letter language name: the identifier table
        {{L"", L"nl", L"", 1043}, L"nl_NL"},
        {{L"", L"haw", L"US", 1141}, L"C"},  // not in the table
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(ChooseLanguageCode(cases[i].facts), cases[i].code) << "case " << i;
}

TEST(LanguageCode, IdentifierTable) {
    struct Case {
        unsigned long lcid;
        const wchar_t* code;
    };
    const Case cases[] = {{1030, L"da_DK"}, {1042, L"ko_KO"}, {1044, L"nb_NO"}, {2067, L"nl_BE"}, {2068, L"nn_NO"},
                          {3082, L"es_ES"}, {4103, L"de_LU"}, {1041, L"C"},     {0, L"C"}};
    for (const Case& c : cases)
        EXPECT_EQ(LanguageCodeOfLocaleId(c.lcid), c.code) << c.lcid;
}

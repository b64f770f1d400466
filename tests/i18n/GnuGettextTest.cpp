#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <optional>

#include "AddressSpace.h"
#include "DialogTextIds.h"
#include "FixturePath.h"
#include "LibraryText.h"
#include "LocaleTree.h"
#include "gnugettext.h"

namespace {

const wchar_t* const kWizardTexts[] = {L"WAARSCHUWING", L"De installatie is niet voltooid.", L"Bent u zeker ?",
                                       L"HTTP Error:"};

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

TEST(Catalogue, WithoutServiceOrLocaleFolderEveryTextStaysAsWritten) {
    for (const wchar_t* text : kWizardTexts)
        EXPECT_EQ(gettext(text), text);
    EXPECT_EQ(LoadResString(IDS_DIALOG_YES), L"&Yes");

    LocaleTree tree;  // no locale folder in it
    ScopedEnvironment lang(L"LANG", L"nl_BE.UTF-8");
    CatalogueService service(tree.ExecutablePath());
    EXPECT_EQ(service.Instance().GetCurrentLanguage(), L"nl_BE");
    for (const wchar_t* text : kWizardTexts)
        EXPECT_EQ(gettext(text), text);
    EXPECT_EQ(gettext(L""), L"");
    EXPECT_EQ(LoadResString(IDS_DIALOG_YES), L"&Yes");
    EXPECT_EQ(LoadResString(IDS_DIALOG_NO), L"&No");
    EXPECT_EQ(LoadResString(1279), L"");  // no such entry
    EXPECT_TRUE(service.Instance().Domain(L"default").OpenHasFailedBefore());
}

TEST(Catalogue, FullLanguageCodeThenTwoLettersButNeverBoth) {
    struct Case {
        const wchar_t* lang;
        std::vector<const wchar_t*> present;
        const wchar_t* title;     // "WAARSCHUWING"
        const wchar_t* question;  // "Bent u zeker ?", which only nl.mo has
    };
    const Case cases[] = {
        {L"nl_BE.UTF-8", {L"nl_BE", L"nl"}, L"OPGELET", L"Bent u zeker ?"},
        {L"nl_BE.UTF-8", {L"nl"}, L"LET OP", L"Weet u het zeker?"},
        {L"nl", {L"nl"}, L"LET OP", L"Weet u het zeker?"},
        {L"nl_NL", {L"nl_BE"}, L"WAARSCHUWING", L"Bent u zeker ?"},
        {L"de_DE", {L"nl_BE", L"nl"}, L"WAARSCHUWING", L"Bent u zeker ?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "LANG " << std::filesystem::path(c.lang).string());
        LocaleTree tree;
        for (const wchar_t* language : c.present)
            tree.Add(language, std::wstring(language) == L"nl" ? "nl.mo" : "nl_BE.mo");
        ScopedEnvironment lang(L"LANG", c.lang);
        CatalogueService service(tree.ExecutablePath());
        EXPECT_EQ(gettext(L"WAARSCHUWING"), c.title);
        EXPECT_EQ(gettext(L"Bent u zeker ?"), c.question);
    }
}

TEST(Catalogue, LooksUpUtf8ExactlyAndGivesTheHeaderForTheEmptyText) {
    LocaleTree tree;
    tree.Add(L"nl", "nl.mo");
    ScopedEnvironment lang(L"LANG", L"nl");
    CatalogueService service(tree.ExecutablePath());
    EXPECT_FALSE(service.Instance().Domain(L"default").IsOpen()) << "opened before the first lookup";
    ScopedEnvironment laterLang(L"LANG", L"de_DE");  // the language stays what it was at start-up

    EXPECT_EQ(gettext(L"\u00dcbersicht \u20ac"), L"Overzicht \u20ac");
    EXPECT_EQ(gettext(L"waarschuwing"), L"waarschuwing");
    EXPECT_EQ(dgettext(L"default", L"WAARSCHUWING"), L"LET OP");
    EXPECT_EQ(gettext(L"").rfind(L"Content-Type: text/plain; charset=UTF-8\n", 0), 0u);
}

TEST(Catalogue, NothingFoundIsNotLookedForAgain) {
    LocaleTree tree;
    ScopedEnvironment lang(L"LANG", L"nl");
    CatalogueService service(tree.ExecutablePath());
    EXPECT_EQ(gettext(L"WAARSCHUWING"), L"WAARSCHUWING");
    tree.Add(L"nl", "nl.mo");
    EXPECT_EQ(gettext(L"WAARSCHUWING"), L"WAARSCHUWING");
    // A second service (the next start) finds it.
    CatalogueService next(tree.ExecutablePath());
    EXPECT_EQ(gettext(L"WAARSCHUWING"), L"LET OP");
}

TEST(Catalogue, LibraryTextsAreLookedUpInDefaultThenJvcl) {
    struct Case {
        bool withDefault;
        const wchar_t* yes;
        const wchar_t* no;
    };
    // nl.mo translates "&Yes" only; jvcl.mo translates both.
    const Case cases[] = {{true, L"&Ja", L"&Neen"}, {false, L"&Jawel", L"&Neen"}};
    for (const Case& c : cases) {
        LocaleTree tree;
        if (c.withDefault) tree.Add(L"nl", "nl.mo");
        tree.Add(L"nl", "jvcl.mo", L"jvcl");
        ScopedEnvironment lang(L"LANG", L"nl_BE");
        CatalogueService service(tree.ExecutablePath());
        EXPECT_EQ(LoadResString(IDS_DIALOG_YES), c.yes);
        EXPECT_EQ(LoadResString(IDS_DIALOG_NO), c.no);
        EXPECT_EQ(gettext(L"&No"), L"&No");  // run-time texts use "default" only
    }
}

TEST(Catalogue, AfterTheServiceEndsTextsAreNoLongerTranslated) {
    LocaleTree tree;
    tree.Add(L"nl", "nl.mo");
    ScopedEnvironment lang(L"LANG", L"nl");
    {
        CatalogueService service(tree.ExecutablePath());
        EXPECT_EQ(LoadResString(IDS_DIALOG_YES), L"&Ja");
    }
    EXPECT_EQ(LoadResString(IDS_DIALOG_YES), L"&Yes");
    EXPECT_EQ(gettext(L"WAARSCHUWING"), L"WAARSCHUWING");
}

TEST(Catalogue, ShippedDutchCatalogueTranslatesTheButtons) {
    LocaleTree tree;
    tree.Add(L"nl", "shipped-nl.mo");
    ScopedEnvironment lang(L"LANG", L"nl_NL.UTF-8");
    CatalogueService service(tree.ExecutablePath());
    EXPECT_EQ(LoadResString(IDS_DIALOG_YES), L"&Ja");
    EXPECT_EQ(LoadResString(IDS_DIALOG_NO), L"&Nee");
    EXPECT_EQ(gettext(L"HTTP Error:"), L"HTTP-fout:");
    EXPECT_EQ(gettext(L"WAARSCHUWING"), L"WAARSCHUWING");
}

// A catalogue file that exists but cannot be used fails every lookup in its
// domain, each time again, until the file is usable.
TEST(Catalogue, UnusableFileFailsEveryLookupWithItsPath) {
    const std::string valid = [] {
        const auto bytes = ReadFixture("nl.mo");
        return std::string(bytes.begin(), bytes.end());
    }();
    struct Case {
        const char* what;
        std::string bytes;
        const wchar_t* message;  // followed by the path
    };
    const Case cases[] = {
        {"foreign", "<html><body>404 Not Found</body></html>", L"This file is not a valid GNU gettext mo file: "},
        {"truncated", valid.substr(0, valid.size() / 2), L"This file is not a valid GNU gettext mo file: "},
        {"too short for a header", valid.substr(0, 20), L"This file is not a valid GNU gettext mo file: "},
        {"empty", "", L"Cannot create memory map on file "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LocaleTree tree;
        const auto path = tree.CataloguePath(L"nl");
        WriteFile(path, c.bytes);
        ScopedEnvironment lang(L"LANG", L"nl");
        CatalogueService service(tree.ExecutablePath());
        const std::wstring expected = c.message + path.wstring();
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                gettext(L"WAARSCHUWING");
                ADD_FAILURE() << "no failure at attempt " << attempt;
            } catch (const EGGIOError& error) {
                EXPECT_EQ(error.Message(), expected);
            }
        }
        EXPECT_THROW(LoadResString(IDS_DIALOG_YES), EGnuGettext);
        EXPECT_FALSE(service.Instance().Domain(L"default").OpenHasFailedBefore());

        WriteFile(path, valid);  // mended: the next lookup opens it
        EXPECT_EQ(gettext(L"WAARSCHUWING"), L"LET OP");
    }
}

TEST(Catalogue, FileThatCannotBeOpenedFailsUntilItIsReleased) {
    LocaleTree tree;
    const auto path = tree.Add(L"nl", "nl.mo");
    ScopedEnvironment lang(L"LANG", L"nl");
    CatalogueService service(tree.ExecutablePath());
    {
        HANDLE locked = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(locked, INVALID_HANDLE_VALUE);
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                gettext(L"WAARSCHUWING");
                ADD_FAILURE() << "no failure at attempt " << attempt;
            } catch (const EGGIOError& error) {
                EXPECT_EQ(error.Message(), L"Cannot open file " + path.wstring());
            }
        }
        CloseHandle(locked);
    }
    EXPECT_EQ(gettext(L"WAARSCHUWING"), L"LET OP");
}

TEST(Catalogue, FileTooLargeToMapReportsTheSystemsReason) {
    // A sparse file larger than a 32-bit process can map. A 64-bit process
    // could map it: its (bounded) address space is filled first.
    LocaleTree tree;
    const auto path = tree.CataloguePath(L"nl");
    WriteFile(path, "");
    std::filesystem::resize_file(path, 3'500'000'000ull);
    ScopedEnvironment lang(L"LANG", L"nl");
    CatalogueService service(tree.ExecutablePath());
    std::wstring message;
    bool full = true;
    {
        std::optional<AddressSpaceFilled> filled;
        if constexpr (sizeof(void*) == 8) full = filled.emplace().Full();
        try {
            gettext(L"WAARSCHUWING");
        } catch (const EGGIOError& error) {
            message = error.Message();
        }
    }
    ASSERT_TRUE(full) << kAddressSpaceNotFull;
    const std::wstring prefix = L"Cannot map file " + path.wstring() + L" into memory. Reason: ";
    EXPECT_EQ(message.substr(0, prefix.size()), prefix) << "the failure: " << testing::PrintToString(message);
    EXPECT_GT(message.size(), prefix.size()) << "the system's reason is missing";
}

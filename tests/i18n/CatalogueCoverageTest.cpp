#include <gtest/gtest.h>

#include <windows.h>

#include <set>

#include "LibraryText.h"
#include "LocaleTree.h"
#include "gnugettext.h"

// Every library text in this program's string table (the texts of all our
// libraries, linked in) has a Dutch translation in the shipped catalogue.
TEST(ShippedCatalogue, TranslatesEveryLibraryText) {
    // Left in English on purpose: a bare number format, and a text that is
    // read before the catalogue is in place.
    const std::set<std::wstring> untranslated = {L"%d: %s", L"Interface not supported"};

    LocaleTree tree;
    tree.Add(L"nl", "shipped-nl.mo");
    ScopedEnvironment lang(L"LANG", L"nl_NL.UTF-8");
    CatalogueService service(tree.ExecutablePath());

    int checked = 0;
    for (unsigned id = 256; id < 1280; ++id) {
        const wchar_t* text = nullptr;
        const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
        if (length <= 0) continue;
        const std::wstring english(text, static_cast<std::size_t>(length));
        if (untranslated.count(english)) continue;
        ++checked;
        EXPECT_NE(LoadResString(id), english) << "string " << id << " has no Dutch translation";
    }
    EXPECT_GT(checked, 2) << "the library texts are not linked in";
}

#include <gtest/gtest.h>

#include "DialogDriver.h"
#include "LocaleTree.h"
#include "gnugettext.h"

// A catalogue that does not declare UTF-8 is announced once, in a box
// without icon, and its domain is switched off for the rest of the run.
TEST(CatalogueWarning, HeaderWithoutUtf8SwitchesTheDomainOff) {
    for (const char* fixture : {"header-no-blank.mo", "header-utf8.mo"}) {
        SCOPED_TRACE(fixture);
        LocaleTree tree;
        const auto path = tree.Add(L"nl", fixture);
        ScopedEnvironment lang(L"LANG", L"nl_BE.UTF-8");
        CatalogueService service(tree.ExecutablePath());

        DialogDriver driver(Answer::Enter);
        EXPECT_EQ(gettext(L"WAARSCHUWING"), L"WAARSCHUWING");
        EXPECT_EQ(gettext(L"WAARSCHUWING"), L"WAARSCHUWING");
        EXPECT_EQ(gettext(L""), L"");
        const auto shown = driver.Finish();

        ASSERT_EQ(shown.size(), 1u);
        const ShownDialog& box = shown[0];
        EXPECT_EQ(box.title, L"Localization problem");
        EXPECT_EQ(box.owner, nullptr);
        const ShownControl* text = box.Find(L"Static", 0xffff);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->text, L"The translation for the language code nl_BE (in " + path.wstring() +
                                  L") does not have charset=utf-8 in its Content-Type. Translations are turned off.");
        int buttons = 0;
        for (const auto& control : box.controls) {
            buttons += control.IsButton();
            EXPECT_EQ(control.icon, nullptr) << "the box shows an icon";
        }
        EXPECT_EQ(buttons, 1);
        EXPECT_NE(box.Find(L"Button", IDOK), nullptr);
        EXPECT_FALSE(service.Instance().Domain(L"default").Enabled());
    }
}

TEST(CatalogueWarning, Utf8InAnyLetterCasePasses) {
    LocaleTree tree;
    tree.Add(L"nl", "header-any-case.mo");
    ScopedEnvironment lang(L"LANG", L"nl");
    CatalogueService service(tree.ExecutablePath());
    DialogDriver driver(Answer::Enter);
    EXPECT_EQ(gettext(L"WAARSCHUWING"), L"LET OP");
    EXPECT_TRUE(driver.Finish().empty());
}

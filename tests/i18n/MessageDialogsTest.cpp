#include <gtest/gtest.h>

#include "DialogDriver.h"
#include "LocaleTree.h"
#include "MessageDialogs.h"
#include "gnugettext.h"

namespace {

const wchar_t kQuestion[] = L"De installatie is niet voltooid.\rBent u zeker ?";

ShownDialog ConfirmationShown(const std::wstring& text, TModalResult* result = nullptr) {
    DialogDriver driver(Answer::Enter);
    const TModalResult answer = ShowConfirmationDialog(text);
    if (result) *result = answer;
    auto shown = driver.Finish();
    EXPECT_EQ(shown.size(), 1u);
    return shown.empty() ? ShownDialog{} : shown[0];
}

LOGFONTW MessageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    return metrics.lfMessageFont;
}

int LineHeight(const LOGFONTW& logFont) {
    HFONT font = CreateFontIndirectW(&logFont);
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    return metrics.tmHeight;
}

int CenterX(const RECT& r) { return (r.left + r.right) / 2; }
int CenterY(const RECT& r) { return (r.top + r.bottom) / 2; }

}  // namespace

TEST(ConfirmationDialog, EnterAnswersYesEscapeNoCloseBoxCancel) {
    struct Case {
        Answer answer;
        TModalResult result;
        bool confirmed;
    };
    const Case cases[] = {{Answer::Enter, TModalResult::mrYes, true},
                          {Answer::Escape, TModalResult::mrNo, false},
                          {Answer::CloseBox, TModalResult::mrCancel, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        DialogDriver driver(c.answer);
        EXPECT_EQ(ShowConfirmationDialog(kQuestion), c.result);
        EXPECT_EQ(AskConfirmation(kQuestion), c.confirmed);
        EXPECT_EQ(driver.Finish().size(), 2u);
    }
}

TEST(ConfirmationDialog, ShowsQuestionLikeAStandardMessageDialog) {
    const ShownDialog dialog = ConfirmationShown(kQuestion);
    EXPECT_EQ(dialog.title, L"WAARSCHUWING");
    EXPECT_TRUE(dialog.style & WS_CAPTION);
    EXPECT_TRUE(dialog.style & WS_SYSMENU);
    EXPECT_FALSE(dialog.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));

    const ShownControl* icon = nullptr;
    const ShownControl* text = nullptr;
    for (const auto& control : dialog.controls) {
        if (control.icon) icon = &control;
        if (control.IsText()) text = &control;
    }
    const ShownControl* yes = dialog.Find(L"Button", IDYES);
    const ShownControl* no = dialog.Find(L"Button", IDNO);
    ASSERT_TRUE(icon && text && yes && no);

    EXPECT_EQ(icon->icon, LoadIconW(nullptr, IDI_QUESTION));
    EXPECT_EQ(text->text, kQuestion);
    EXPECT_EQ(yes->text, L"&Yes");
    EXPECT_EQ(no->text, L"&No");
    EXPECT_EQ(dialog.focusId, IDYES);
    EXPECT_EQ(yes->style & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));

    const LOGFONTW expected = MessageFont();
    EXPECT_STREQ(text->font.lfFaceName, expected.lfFaceName);
    EXPECT_EQ(text->font.lfHeight, expected.lfHeight);
    EXPECT_STREQ(yes->font.lfFaceName, expected.lfFaceName);

    // Two lines: the carriage return breaks the question.
    const int line = LineHeight(expected);
    EXPECT_GE(text->rect.bottom - text->rect.top, 2 * line);
    EXPECT_LT(text->rect.bottom - text->rect.top, 3 * line);

    // Icon beside the text; Yes and No in one row below, centred, Yes first.
    EXPECT_LE(icon->rect.right, text->rect.left);
    EXPECT_EQ(yes->rect.top, no->rect.top);
    EXPECT_LT(yes->rect.right, no->rect.left);
    EXPECT_GE(yes->rect.top, std::max(text->rect.bottom, icon->rect.bottom));
    EXPECT_NEAR((yes->rect.left + no->rect.right) / 2, CenterX(dialog.rect), 2);

    // Centred on the primary screen.
    EXPECT_NEAR(CenterX(dialog.rect), GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    EXPECT_NEAR(CenterY(dialog.rect), GetSystemMetrics(SM_CYSCREEN) / 2, 2);
}

TEST(ConfirmationDialog, LongTextIsBrokenWithinHalfTheScreen) {
    std::wstring text;
    for (int i = 0; i < 60; ++i)
        text += L"woord" + std::to_wstring(i) + L" ";
    const ShownDialog dialog = ConfirmationShown(text);
    const ShownControl* shown = nullptr;
    for (const auto& control : dialog.controls) {
        if (control.IsText()) shown = &control;
    }
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text, text);
    EXPECT_LE(shown->rect.right - shown->rect.left, GetSystemMetrics(SM_CXSCREEN) / 2);
    EXPECT_GE(shown->rect.bottom - shown->rect.top, 2 * LineHeight(MessageFont()));
}

TEST(ConfirmationDialog, ShippedDutchCatalogueGivesJaAndNee) {
    LocaleTree tree;
    tree.Add(L"nl", "shipped-nl.mo");
    ScopedEnvironment lang(L"LANG", L"nl_BE.UTF-8");
    CatalogueService service(tree.ExecutablePath());
    TModalResult result{};
    const ShownDialog dialog = ConfirmationShown(kQuestion, &result);
    EXPECT_EQ(result, TModalResult::mrYes);
    EXPECT_EQ(dialog.title, L"WAARSCHUWING");
    ASSERT_TRUE(dialog.Find(L"Button", IDYES) && dialog.Find(L"Button", IDNO));
    EXPECT_EQ(dialog.Find(L"Button", IDYES)->text, L"&Ja");
    EXPECT_EQ(dialog.Find(L"Button", IDNO)->text, L"&Nee");
}

TEST(ErrorBox, ShowsTheTextAsRaisedAboveTheActiveWindow) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"Setup window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    SetForegroundWindow(owner);
    SetActiveWindow(owner);

    for (const wchar_t* text : {L"Unhandled Archive Type", L"Socket Error # 11001\r\nHost not found."}) {
        DialogDriver driver(Answer::Enter);
        ShowError(text);
        const auto shown = driver.Finish();
        ASSERT_EQ(shown.size(), 1u);
        const ShownDialog& box = shown[0];
        EXPECT_EQ(box.title, L"Setup");
        EXPECT_EQ(box.owner, owner);
        EXPECT_TRUE(box.exStyle & WS_EX_TOPMOST) << "system-modal boxes stay above all windows";
        const ShownControl* message = box.Find(L"Static", 0xffff);
        ASSERT_NE(message, nullptr);
        EXPECT_EQ(message->text, text);
        HICON icon = nullptr;
        int buttons = 0;
        for (const auto& control : box.controls) {
            if (control.icon) icon = control.icon;
            buttons += control.IsButton();
        }
        EXPECT_EQ(icon, LoadIconW(nullptr, IDI_ERROR));
        EXPECT_EQ(buttons, 1);
        EXPECT_NE(box.Find(L"Button", IDOK), nullptr);
    }
    DestroyWindow(owner);
}

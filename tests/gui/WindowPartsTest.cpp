// The progress bar handlers and the drive chooser, inside the test process.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "Application.h"
#include "DesignLayout.h"
#include "InstallDrive.h"
#include "Notebook.h"
#include "ufrmMain.h"

namespace {

BOOL CALLBACK FindProgressBar(HWND child, LPARAM found) {
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 64);
    if (wcscmp(cls, PROGRESS_CLASSW) != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

class ProgressBarTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
    }

    ProgressBarTest() : form_(application_, std::wstring(L"http://127.0.0.1:1/")) {
        // The bar is made with its page, at the latest by the first event.
        form_.IdHTTP1WorkEnd(TWorkMode::wmRead);
        EnumChildWindows(form_.Handle(), FindProgressBar, reinterpret_cast<LPARAM>(&bar_));
    }

    int Maximum() const { return static_cast<int>(SendMessageW(bar_, PBM_GETRANGE, FALSE, 0)); }
    int Position() const { return static_cast<int>(SendMessageW(bar_, PBM_GETPOS, 0, 0)); }

    TApplication application_;
    TfrmMain form_;
    HWND bar_ = nullptr;
};

TEST_F(ProgressBarTest, FollowsTheTransfersAndEmptiesAtTheEndOfEach) {
    ASSERT_NE(nullptr, bar_);
    EXPECT_EQ(100, Maximum());
    EXPECT_EQ(0, Position());

    // Unannounced length first: the maximum stays 100 and the bar stays full.
    form_.IdHTTP1WorkBegin(TWorkMode::wmRead, 0);
    form_.IdHTTP1Work(TWorkMode::wmRead, 250);
    EXPECT_EQ(100, Maximum());
    EXPECT_EQ(100, Position());
    form_.IdHTTP1WorkEnd(TWorkMode::wmRead);
    EXPECT_EQ(0, Position());

    form_.IdHTTP1WorkBegin(TWorkMode::wmRead, 1000);
    form_.IdHTTP1Work(TWorkMode::wmRead, 400);
    EXPECT_EQ(1000, Maximum());
    EXPECT_EQ(400, Position());
    form_.IdHTTP1WorkEnd(TWorkMode::wmRead);
    EXPECT_EQ(0, Position());

    // The next unannounced transfer keeps the previous maximum.
    form_.IdHTTP1WorkBegin(TWorkMode::wmRead, 0);
    EXPECT_EQ(1000, Maximum());

    // Counts beyond 32 bits: the bar takes their low 32 bits.
    const std::int64_t large = (std::int64_t{5} << 30) + 10;
    form_.IdHTTP1WorkBegin(TWorkMode::wmRead, large);
    form_.IdHTTP1Work(TWorkMode::wmRead, large - 5);
    EXPECT_EQ(static_cast<std::int32_t>(large), Maximum());
    EXPECT_EQ(static_cast<std::int32_t>(large - 5), Position());
}

class InstallDriveTest : public ::testing::Test {
protected:
    InstallDriveTest()
        : parent_(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr)) {}
    ~InstallDriveTest() override { DestroyWindow(parent_); }

    // By default a chooser of the computer's own fixed drives.
    TInstallDrive Chooser(TInstallDrive::DriveRoots fixedDrives = FixedDriveRoots) const {
        TInstallDrive chooser(parent_, 7, std::move(fixedDrives));
        PlaceDriveChooser(chooser.Handle(), 0, 0, 300, 26, 20, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
        return chooser;
    }
    // One that lists roots_ as the fixed drives, read again at each rebuild.
    TInstallDrive Chooser(const std::vector<std::wstring>& roots) {
        roots_ = roots;
        return Chooser([this] { return roots_; });
    }

    static int Selected(const TInstallDrive& chooser) {
        return static_cast<int>(SendMessageW(chooser.Handle(), CB_GETCURSEL, 0, 0));
    }
    static int Count(const TInstallDrive& chooser) {
        return static_cast<int>(SendMessageW(chooser.Handle(), CB_GETCOUNT, 0, 0));
    }

    HWND parent_;
    std::vector<std::wstring> roots_;
};

TEST_F(InstallDriveTest, SelectsListedDrivesByLetterOnly) {
    auto chooser = Chooser();
    EXPECT_EQ(L'\0', chooser.Drive());
    chooser.SetDrive(L'c');
    EXPECT_EQ(L'C', chooser.Drive());
    const int selected = Selected(chooser);
    EXPECT_GE(selected, 0);

    // No such fixed drive: nothing changes.
    chooser.SetDrive(L'Q');
    EXPECT_EQ(L'C', chooser.Drive());
    EXPECT_EQ(selected, Selected(chooser));

    // Rebuilt with the same drives: the chosen drive stays chosen.
    chooser.VolumesChanged();
    EXPECT_EQ(L'C', chooser.Drive());
    EXPECT_EQ(selected, Selected(chooser));
}

TEST_F(InstallDriveTest, ShowsTheShellsDriveNamesOnceShownAndKeepsTheSelection) {
    const auto text = [](const TInstallDrive& chooser, int index) {
        wchar_t item[MAX_PATH] = {};
        SendMessageW(chooser.Handle(), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item));
        return std::wstring(item);
    };
    SHFILEINFOW info{};
    ASSERT_NE(0u, SHGetFileInfoW(L"C:\\", 0, &info, sizeof info, SHGFI_DISPLAYNAME));
    // The chooser shows the name without the blanks around it (Wine names a
    // drive without a label " (C:)").
    std::wstring shellName = info.szDisplayName;
    shellName.erase(0, shellName.find_first_not_of(L' '));
    shellName.erase(shellName.find_last_not_of(L' ') + 1);
    ASSERT_NE(L"C:", shellName);

    auto chooser = Chooser();
    chooser.SetDrive(L'C');
    const int selected = Selected(chooser);
    ASSERT_GE(selected, 0);
    chooser.Shown();
    EXPECT_EQ(shellName, text(chooser, selected));
    EXPECT_EQ(selected, Selected(chooser));
    EXPECT_EQ(L'C', chooser.Drive());

    // A rebuild after the first showing names the drives the same way.
    chooser.VolumesChanged();
    EXPECT_EQ(shellName, text(chooser, Selected(chooser)));
}

TEST_F(InstallDriveTest, FirstShownTakesTheCurrentDirectorysDriveWhenListedElseTheFirst) {
    // The current directory is on C: throughout; the lists around it make the
    // two rules give different drives.
    struct Case {
        const char* what;
        std::vector<std::wstring> roots;
        wchar_t asked;  // selected by letter before the first showing, as the window asks for C
        wchar_t drive;
        int selected;
    };
    const Case cases[] = {
        {"current directory's drive listed, not first", {L"B:\\", L"C:\\", L"D:\\"}, 0, L'C', 1},
        {"current directory's drive not listed", {L"B:\\", L"D:\\"}, 0, L'B', 0},
        {"C asked for but not listed", {L"B:\\", L"D:\\"}, L'C', L'B', 0},
        {"a drive selected before is kept", {L"B:\\", L"C:\\", L"D:\\"}, L'D', L'D', 2},
        {"no fixed drive at all", {}, L'C', L'\0', -1},
    };
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\"));
    for (const Case& c : cases) {
        auto chooser = Chooser(c.roots);
        if (c.asked) chooser.SetDrive(c.asked);
        chooser.Shown();
        EXPECT_EQ(c.drive, chooser.Drive()) << c.what;
        EXPECT_EQ(c.selected, Selected(chooser)) << c.what;
    }
    SetCurrentDirectoryW(previous);
}

TEST_F(InstallDriveTest, VolumesChangedKeepsTheChosenDriveOrTakesTheOneNowAtItsPlace) {
    auto chooser = Chooser({L"C:\\", L"D:\\"});
    chooser.SetDrive(L'D');

    // One step after another, each from the list the step before left.
    struct Step {
        const char* what;
        std::vector<std::wstring> roots;
        wchar_t drive;
        int selected;
    };
    const Step steps[] = {
        {"a drive comes before the chosen one", {L"B:\\", L"C:\\", L"D:\\"}, L'D', 2},
        {"a drive that is not chosen goes", {L"B:\\", L"D:\\"}, L'D', 1},
        {"a drive comes after the chosen one", {L"B:\\", L"D:\\", L"E:\\"}, L'D', 1},
        {"the chosen drive goes: the one now at its place", {L"B:\\", L"E:\\"}, L'E', 1},
        {"the chosen drive, the last one, goes: the new last", {L"B:\\"}, L'B', 0},
        {"every drive goes", {}, L'\0', -1},
        {"a drive comes while none is chosen", {L"C:\\"}, L'\0', -1},
    };
    for (const Step& step : steps) {
        roots_ = step.roots;
        chooser.VolumesChanged();
        EXPECT_EQ(static_cast<int>(step.roots.size()), Count(chooser)) << step.what;
        EXPECT_EQ(step.drive, chooser.Drive()) << step.what;
        EXPECT_EQ(step.selected, Selected(chooser)) << step.what;
    }
}

// Every window of the wizard with a font, and the height its font should
// have at 120 pixels per inch: page titles 17, the bar's buttons 15, the
// rest 14.
BOOL CALLBACK CollectFonts(HWND child, LPARAM found) {
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 64);
    const bool title = wcscmp(cls, L"Static") == 0 && GetDlgCtrlID(child) == 1;
    const bool button = wcscmp(cls, L"Button") == 0;
    if (wcscmp(cls, L"Static") == 0 && GetDlgCtrlID(child) == 100) return TRUE;  // the image strip shows no text
    if (title || button || wcscmp(cls, L"Static") == 0 || wcscmp(cls, L"ComboBox") == 0)
        reinterpret_cast<std::vector<std::pair<HWND, int>>*>(found)->emplace_back(child, title ? 17 : button ? 15 : 14);
    return TRUE;
}

// In a release build the window is per-monitor aware: moved to a screen of
// another density (WM_DPICHANGED), it is laid out and lettered for it.
TEST(WindowDensity, FollowsTheScreenTheWindowMovesTo) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    TApplication application;
    TfrmMain form(application, std::wstring(L"http://127.0.0.1:1/"));
    form.FormCreate();
    form.IdHTTP1WorkEnd(TWorkMode::wmRead);  // the progress bar's page
    HDC screen = GetDC(nullptr);
    const int startDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(std::vector<std::string>{}, LayoutFaults(form.Handle(), startDpi));

    int previous = startDpi;
    for (const int dpi : {192, 144, 96, 120}) {
        SCOPED_TRACE(dpi);
        // Where Windows suggests: the same place, scaled.
        RECT suggested{};
        GetWindowRect(form.Handle(), &suggested);
        suggested.right = suggested.left + MulDiv(suggested.right - suggested.left, dpi, previous);
        suggested.bottom = suggested.top + MulDiv(suggested.bottom - suggested.top, dpi, previous);
        SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        previous = dpi;
        EXPECT_EQ(std::vector<std::string>{}, LayoutFaults(form.Handle(), dpi));
        RECT frame{};
        GetWindowRect(form.Handle(), &frame);
        EXPECT_EQ(suggested.left, frame.left);
        EXPECT_EQ(suggested.top, frame.top);

        std::vector<std::pair<HWND, int>> lettered;
        EnumChildWindows(form.Handle(), CollectFonts, reinterpret_cast<LPARAM>(&lettered));
        ASSERT_GT(lettered.size(), 10u);
        for (const auto& [control, design] : lettered) {
            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
            EXPECT_EQ(-MulDiv(design, dpi, 120), font.lfHeight) << GetDlgCtrlID(control);
        }
    }
}

int ChildCount(HWND parent) {
    int count = 0;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ++count;
    return count;
}

// A page maker that fails half-way (out of memory, say) leaves no page
// behind; the next showing makes the page again.
TEST(Notebook, APageIsKeptOnlyOnceItsMakerReturned) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    int made = 0;
    bool fail = true;
    TNotebook book(parent, 1, 2, [&](int index, HWND page) {
        CreateWindowExW(0, L"STATIC", L"made", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, page, nullptr,
                        GetModuleHandleW(nullptr), nullptr);
        ++made;
        if (index == 1 && std::exchange(fail, false)) throw std::bad_alloc();
    });
    book.SetPageIndex(0);
    EXPECT_THROW(book.SetPageIndex(1), std::bad_alloc);
    EXPECT_EQ(0, book.PageIndex());
    EXPECT_EQ(1, ChildCount(book.Handle())) << "the half-made page is left";

    book.SetPageIndex(1);
    EXPECT_EQ(1, book.PageIndex());
    EXPECT_EQ(3, made);
    EXPECT_EQ(2, ChildCount(book.Handle()));
    EXPECT_EQ(1, ChildCount(book.Page(1)));
    DestroyWindow(parent);
}

}  // namespace

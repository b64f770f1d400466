// The progress bar handlers and the drive chooser, inside the test process.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "Application.h"
#include "InstallDrive.h"
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

    ProgressBarTest() : form_(application_, L"http://127.0.0.1:1/") {
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
                                  GetModuleHandleW(nullptr), nullptr)),
          chooser_(parent_, 7, 0, 0, 300, 26, 20, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))) {}
    ~InstallDriveTest() override { DestroyWindow(parent_); }

    HWND parent_;
    TInstallDrive chooser_;
};

TEST_F(InstallDriveTest, SelectsListedDrivesByLetterOnly) {
    EXPECT_EQ(L'\0', chooser_.Drive());
    chooser_.SetDrive(L'c');
    EXPECT_EQ(L'C', chooser_.Drive());
    const auto selected = SendMessageW(chooser_.Handle(), CB_GETCURSEL, 0, 0);
    EXPECT_GE(selected, 0);

    // No such fixed drive: nothing changes.
    chooser_.SetDrive(L'Q');
    EXPECT_EQ(L'C', chooser_.Drive());
    EXPECT_EQ(selected, SendMessageW(chooser_.Handle(), CB_GETCURSEL, 0, 0));

    // Rebuilt when volumes come and go: the chosen drive stays chosen.
    chooser_.VolumesChanged();
    EXPECT_EQ(L'C', chooser_.Drive());
    EXPECT_EQ(selected, SendMessageW(chooser_.Handle(), CB_GETCURSEL, 0, 0));
}

TEST_F(InstallDriveTest, FirstShownWithoutSelectionTakesTheCurrentDirectorysDrive) {
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(L"C:\\");
    chooser_.Shown();
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(L'C', chooser_.Drive());
}

}  // namespace

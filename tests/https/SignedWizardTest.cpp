// The wizard built as a signed https release (SetupSignedHttpsTest: the
// maker's key and the test CA compiled in) against the local TLS server of
// servers.sh, worked as a person would: genuine archives install; a tampered
// upgrade.zip ends on the error box and leaves what main.zip installed.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "TestFiles.h"
#include "WizardDriver.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::wstring Target = L"C:\\VENKOR\\";
const std::wstring Next = L"Volgende >";

std::wstring Here() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path().wstring() + L"\\";
}

// What the server holds: the signed archives, upgrade.zip changed in one
// byte when asked.
void Serve(bool tamperUpgrade) {
    const std::string from = "Z:" + std::string(WIZARD_FILES) + "/";
    const std::string to = "Z:" + std::string(WIZARD_SERVED) + "/";
    for (const char* name : {"main.zip", "main.zip.minisig", "upgrade.zip", "upgrade.zip.minisig"}) {
        std::string bytes = ReadWholeFile(from + name);
        if (tamperUpgrade && std::string(name) == "upgrade.zip") bytes[bytes.size() / 2] ^= 0x01;
        WriteWholeFile(to + name, bytes);
    }
}

class SignedHttpsWizard : public ::testing::Test {
protected:
    void SetUp() override {
        std::error_code ignored;
        fs::remove_all(Target, ignored);
    }

    // Start, Next, drive C, Next: the installation run begins.
    WizardDriver& StartRun() {
        wizard_ = std::make_unique<WizardDriver>(Here() + L"SetupSignedHttpsTest.exe", L"");
        auto& w = *wizard_;
        w.ClickButton(Next);
        EXPECT_TRUE(WaitUntil([&] { return w.PageTitle() == L"Locatie"; }));
        w.Click(w.DriveChooser());
        w.Key(VK_HOME);
        w.Key(VK_RETURN);
        EXPECT_EQ(L"(C:)", w.SelectedDrive());
        w.ClickButton(Next);
        return w;
    }

    std::unique_ptr<WizardDriver> wizard_;
};

TEST_F(SignedHttpsWizard, InstallsTheMakersArchivesOverHttps) {
    Serve(false);
    auto& w = StartRun();
    ASSERT_TRUE(WaitUntil([&] { return w.PageTitle() == L"Installatie voltooid"; }, 60s));
    EXPECT_EQ(nullptr, w.FindDialog());
    EXPECT_EQ("upgrade\r\n", ReadWholeFile(Target + L"readme.txt"));
    EXPECT_TRUE(fs::exists(Target + L"VENKOR.EXE"));
    w.CloseBox();
    EXPECT_TRUE(w.WaitForExit());
}

TEST_F(SignedHttpsWizard, ATamperedUpgradeEndsOnTheErrorBoxAndKeepsWhatMainInstalled) {
    Serve(true);
    auto& w = StartRun();
    HWND box = w.WaitForDialog(60s);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(std::vector<std::wstring>{L"The file \"upgrade.zip\" is not signed with the maker's key; nothing was "
                                        L"installed from it."},
              WizardDriver::ReadDialog(box).texts);
    w.Key(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    EXPECT_EQ("main\r\n", ReadWholeFile(Target + L"readme.txt"));
    w.CloseBox();
    EXPECT_TRUE(w.WaitForExit());
}

}  // namespace

// The wizard built as a signed https release (SetupSignedHttpsTest: the
// maker's key and the test CA compiled in) against the local TLS server of
// servers.sh, worked as a person would: genuine archives install; a tampered
// upgrade.zip ends on the error box and leaves what main.zip installed; Finish
// starts nothing after a refusal or a Cancel.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "WizardDriver.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::wstring Target = L"C:\\VENKOR\\";
const std::wstring Next = L"Volgende >";
const std::wstring Finish = L"Voltooien";
const std::wstring Cancel = L"&Annuleer";
const std::wstring Mark = L"C:\\setup-signed-test\\started.txt";

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
        fs::remove_all(L"C:\\setup-signed-test", ignored);
        fs::create_directories(L"C:\\setup-signed-test");
        // The program stand-in in main.zip writes its path here when started.
        SetEnvironmentVariableW(L"VENKOR_MARK", Mark.c_str());
    }
    void TearDown() override { SetEnvironmentVariableW(L"VENKOR_MARK", nullptr); }

    // Finish closes the window; nothing may have been started by it.
    static void FinishStartsNothing(WizardDriver& w) {
        w.ClickButton(Finish);
        ASSERT_TRUE(w.WaitForExit());
        Sleep(1000);
        EXPECT_FALSE(fs::exists(Mark));
    }

    // Start, Next, drive C, Next: the installation run begins.
    WizardDriver& StartRun(const std::wstring& program = Here() + L"SetupSignedHttpsTest.exe",
                           const std::wstring& folder = L"") {
        wizard_ = std::make_unique<WizardDriver>(program, folder);
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
    EXPECT_FALSE(fs::exists(Target + L"upgrade.zip"));  // refused bytes do not stay
    // main.zip's VENKOR.EXE is there, but the run did not end on Einde.
    FinishStartsNothing(w);
}

// Handed out on a stick with the archives beside it, the program takes
// them from there: the server's tampered upgrade.zip is never asked for.
TEST_F(SignedHttpsWizard, TakesTheArchivesLyingBesideIt) {
    const std::wstring stick = L"C:\\setup-signed-test\\stick\\";
    fs::create_directories(stick);
    fs::copy_file(Here() + L"SetupSignedHttpsTest.exe", stick + L"Setup.exe");
    const std::string from = "Z:" + std::string(WIZARD_FILES) + "/";
    for (const char* name : {"main.zip", "main.zip.minisig", "upgrade.zip", "upgrade.zip.minisig"})
        WriteWholeFile(stick + std::wstring(name, name + std::strlen(name)), ReadWholeFile(from + name));
    Serve(true);
    auto& w = StartRun(stick + L"Setup.exe", stick);
    ASSERT_TRUE(WaitUntil([&] { return w.PageTitle() == L"Installatie voltooid"; }, 60s));
    EXPECT_EQ("upgrade\r\n", ReadWholeFile(Target + L"readme.txt"));
    w.CloseBox();
    EXPECT_TRUE(w.WaitForExit());
}

// A Downloads folder may hold anything: after Cancel, no VENKOR.EXE is looked
// up there (or anywhere else).
TEST_F(SignedHttpsWizard, FinishAfterCancelStartsNothing) {
    const std::wstring folder = L"C:\\setup-signed-test\\downloads";
    fs::create_directories(folder);
    const std::string mark = VENKOR_MARK_EXE;
    fs::copy_file(L"Z:" + std::wstring(mark.begin(), mark.end()), folder + L"\\VENKOR.EXE");
    wizard_ = std::make_unique<WizardDriver>(Here() + L"SetupSignedHttpsTest.exe", folder);
    auto& w = *wizard_;
    w.ClickButton(Cancel);
    HWND question = w.WaitForDialog();
    ASSERT_NE(nullptr, question);
    w.Key(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question); }));
    FinishStartsNothing(w);
}

// Run from a folder where DLLs were dropped under the names of those the
// program and its libraries (libcurl's Schannel, the random sources) load:
// none of them is loaded. Wine binds static imports to its own DLLs whatever
// lies beside the program, so this covers what is loaded at run time; the
// import table test covers the static imports.
TEST_F(SignedHttpsWizard, DllsBesideTheProgramAreNeverLoaded) {
    const std::wstring folder = L"C:\\setup-signed-test\\downloads";
    const std::wstring marks = L"C:\\setup-signed-test\\planted";
    fs::create_directories(folder);
    fs::create_directories(marks);
    fs::copy_file(Here() + L"SetupSignedHttpsTest.exe", folder + L"\\Setup.exe");
    for (const wchar_t* name :
         {L"bcrypt",    L"crypt32",  L"secur32", L"sspicli",  L"schannel", L"msasn1",  L"ncrypt",
          L"cryptbase", L"cryptsp",  L"rsaenh",  L"winmm",    L"version",  L"uxtheme", L"dwmapi",
          L"mswsock",   L"iphlpapi", L"dnsapi",  L"wintrust", L"cryptnet", L"userenv", L"comctl32"})
        fs::copy_file(Here() + L"planted_dll.dll", folder + L"\\" + name + L".dll");
    SetEnvironmentVariableW(L"SETUP_PLANTED_MARKS", marks.c_str());
    Serve(false);
    auto& w = StartRun(folder + L"\\Setup.exe", folder);
    const bool finished = WaitUntil([&] { return w.PageTitle() == L"Installatie voltooid"; }, 60s);
    SetEnvironmentVariableW(L"SETUP_PLANTED_MARKS", nullptr);
    EXPECT_TRUE(finished);
    w.CloseBox();
    EXPECT_TRUE(w.WaitForExit());
    std::vector<std::wstring> loaded;
    for (const auto& mark : fs::directory_iterator(marks))
        loaded.push_back(mark.path().filename().wstring());
    EXPECT_EQ(loaded, std::vector<std::wstring>{});
}

}  // namespace

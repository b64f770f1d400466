// The wizard end to end: a test build of Setup.exe against a loopback file
// server, worked with the mouse and the keyboard.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "DesignLayout.h"
#include "FileServer.h"
#include "TestFiles.h"
#include "WizardDriver.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::wstring Target = L"C:\\VENKOR\\";
const std::wstring Desktop = L"C:\\setup-gui-test\\desktop";
const std::wstring Mark = L"C:\\setup-gui-test\\started.txt";
const wchar_t ShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const wchar_t UserShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

const std::wstring Cancel = L"&Annuleer";
const std::wstring Next = L"Volgende >";
const std::wstring Finish = L"Voltooien";

const std::vector<std::wstring> StartTexts{
    L"Welkom bij het installatie programma ",
    L"Deze routine zal het bestelprogramma op uw computer installeren. Kies voor Volgende om door te gaan.", L""};
const std::vector<std::wstring> LocatieTexts{L"Locatie",
                                             L"Selecteer een schijf waarop u het programma wenst te installeren"};
const std::vector<std::wstring> InstallMainTexts{L"Vooruitgang", L"Even geduld aub.",
                                                 L"De componenten worden gedownload en geïnstalleerd"};
const std::vector<std::wstring> EindeTexts{
    L"Installatie voltooid",
    L"Deze routine heeft met succes het bestelprogramma op uw computer geïnstalleerd. Klik "
    L"op Voltooien om af te sluiten."};
const std::vector<std::wstring> AbortTexts{
    L"Installatie is niet voltooid",
    L"Het programma is niet succesvol geïnstalleerd op uw PC. Het progamma zal mogelijk niet correct werken.",
    L"Voer de installatie later opnieuw uit.",
    L"Neem contact op met Holvik BVBA indien het probleem zich blijft voordoen."};

std::wstring Here() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path().wstring() + L"\\";
}

// Empty when no program was started.
std::wstring ReadMark() {
    if (!fs::exists(fs::path(Mark))) return {};
    const std::string bytes = ReadWholeFile(Mark);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

struct RegistryData {
    DWORD type = REG_NONE;
    std::string data;
};

RegistryData RegistryValue(HKEY key, const wchar_t* name) {
    RegistryData value;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) return {};
    value.data.resize(size);
    if (RegQueryValueExW(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(value.data.data()), &size) !=
        ERROR_SUCCESS)
        return {};
    return value;
}

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::error_code ignored;
        fs::remove_all(Target, ignored);
        fs::remove_all(L"C:\\setup-gui-test", ignored);
        fs::create_directories(Desktop);
        SetEnvironmentVariableW(L"VENKOR_MARK", Mark.c_str());
        // The shortcut goes to a desktop of our own, not the user's. The shell
        // rewrites the first key from the second, so both point there.
        for (int i = 0; i < 2; ++i) {
            RegCreateKeyExW(HKEY_CURRENT_USER, i == 0 ? ShellFolders : UserShellFolders, 0, nullptr, 0,
                            KEY_READ | KEY_WRITE, nullptr, &folders_[i], nullptr);
            saved_[i] = RegistryValue(folders_[i], L"Desktop");
            RegSetValueExW(folders_[i], L"Desktop", 0, REG_SZ, reinterpret_cast<const BYTE*>(Desktop.c_str()),
                           static_cast<DWORD>((Desktop.size() + 1) * sizeof(wchar_t)));
        }

        server_ = std::make_unique<FileServer>(SETUP_TEST_PORT);
        server_->Serve("/venkor/Files/main.zip", {200, ReadWholeFile(Here() + L"main.zip")});
        server_->Serve("/venkor/Files/upgrade.zip", {200, ReadWholeFile(Here() + L"upgrade.zip")});
    }

    void TearDown() override {
        wizard_.reset();
        server_.reset();
        for (int i = 0; i < 2; ++i) {
            if (saved_[i].type != REG_NONE)
                RegSetValueExW(folders_[i], L"Desktop", 0, saved_[i].type,
                               reinterpret_cast<const BYTE*>(saved_[i].data.data()),
                               static_cast<DWORD>(saved_[i].data.size()));
            RegCloseKey(folders_[i]);
        }
    }

    WizardDriver& Start(const std::wstring& folder = L"") {
        wizard_ = std::make_unique<WizardDriver>(Here() + L"SetupTest.exe", folder);
        return *wizard_;
    }

    // Start, Next, then drive C picked from the list with the keyboard.
    void ToLocatieWithDriveC() {
        auto& w = *wizard_;
        w.ClickButton(Next);
        ASSERT_TRUE(WaitUntil([&] { return w.PageTitle() == L"Locatie"; }));
        w.Click(w.DriveChooser());
        w.Key(VK_HOME);
        w.Key(VK_RETURN);
        ASSERT_EQ(L"(C:)", w.SelectedDrive());
    }

    // Next and Finish share one rectangle: only the one in front is shown,
    // so a screen reader finds one button there, not a covered twin.
    void ExpectOneTwinShown() {
        auto& w = *wizard_;
        const bool finish = w.FrontButton() == Finish;
        EXPECT_EQ(!finish, w.Visible(w.Button(Next)));
        EXPECT_EQ(finish, w.Visible(w.Button(Finish)));
    }

    // Once the box that started it has gone, the handler may still be at
    // work on the buttons: wait for the end state, then check it.
    void ExpectFinishedButtons(bool cancelVisible) {
        auto& w = *wizard_;
        EXPECT_TRUE(WaitUntil([&] { return w.FrontButton() == Finish && w.Focus() == w.Button(Finish); }, 5s));
        EXPECT_EQ(Finish, w.FrontButton());
        ExpectOneTwinShown();
        EXPECT_EQ(cancelVisible, w.Visible(w.Button(Cancel)));
    }

    // Answers the confirmation dialog that Cancel shows, after checking it,
    // and checks the page it leaves on view. The box may be gone while the
    // notebook is still between two pages (the new one shown, the old not
    // yet hidden): the page is judged once the change is through.
    void AnswerCancelQuestion(WORD key, const std::vector<std::wstring>& pageAfter) {
        HWND dialog = wizard_->WaitForDialog();
        ASSERT_NE(nullptr, dialog);
        const DialogContents question = WizardDriver::ReadDialog(dialog);
        EXPECT_EQ(L"WAARSCHUWING", question.caption);
        EXPECT_EQ(std::vector<std::wstring>{L"De installatie is niet voltooid.\rBent u zeker ?"}, question.texts);
        EXPECT_EQ((std::vector<std::wstring>{L"&Yes", L"&No"}), question.buttons);
        wizard_->Key(key);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
        WaitUntil([&] { return wizard_->PageTexts() == pageAfter; }, 5s);
        EXPECT_EQ(pageAfter, wizard_->PageTexts());
    }

    std::unique_ptr<FileServer> server_;
    std::unique_ptr<WizardDriver> wizard_;
    HKEY folders_[2] = {};
    RegistryData saved_[2];
};

TEST_F(WizardTest, InstallsFromStartToEindeAndFinishStartsTheInstalledProgram) {
    // The first archive stops half-way, so the wizard can be seen at work.
    const std::string main = ReadWholeFile(Here() + L"main.zip");
    server_->Serve("/venkor/Files/main.zip", {200, main, main.size() / 2});
    auto& w = Start();
    EXPECT_EQ(L"Programma - Setup", w.Caption());
    EXPECT_EQ(L"Setup", w.TaskbarName());
    EXPECT_EQ(StartTexts, w.PageTexts());
    EXPECT_TRUE(w.Visible(w.Button(Cancel)));
    EXPECT_EQ(Next, w.FrontButton());
    ExpectOneTwinShown();
    EXPECT_TRUE(w.Enabled(w.Button(Next)));
    // The drive chooser is there from the start, hidden with its page, the
    // fixed drives listed by letter and C chosen.
    ASSERT_NE(nullptr, w.DriveChooser());
    EXPECT_FALSE(w.Visible(w.DriveChooser()));
    EXPECT_EQ(L"C:", w.SelectedDrive());

    ToLocatieWithDriveC();
    const HCURSOR arrow = w.Cursor();
    EXPECT_EQ(LocatieTexts, w.PageTexts());
    ExpectOneTwinShown();
    const auto drives = w.DriveEntries();
    ASSERT_FALSE(drives.empty());
    EXPECT_EQ(L"(C:)", drives.front());

    w.ClickButton(Next);
    ASSERT_TRUE(WaitUntil([&] { return server_->Holding(); }));
    EXPECT_EQ(InstallMainTexts, w.PageTexts());
    EXPECT_FALSE(w.Enabled(w.Button(Next)));
    EXPECT_EQ(Next, w.FrontButton());
    ExpectOneTwinShown();
    EXPECT_NE(arrow, w.Cursor());  // the hourglass
    server_->Release();

    ASSERT_TRUE(WaitUntil([&] { return w.PageTitle() == L"Installatie voltooid"; }));
    EXPECT_EQ(EindeTexts, w.PageTexts());
    ExpectFinishedButtons(true);
    EXPECT_FALSE(w.Enabled(w.Button(Next)));
    EXPECT_EQ(arrow, w.Cursor());
    EXPECT_EQ(nullptr, w.FindDialog());

    EXPECT_EQ("upgrade\r\n", ReadWholeFile(Target + L"readme.txt"));
    // Archives are unpacked flat: no folders are made.
    EXPECT_EQ("base\r\n", ReadWholeFile(Target + L"base.txt"));
    EXPECT_FALSE(fs::exists(Target + L"data"));
    EXPECT_TRUE(fs::exists(Target + L"VENKOR.EXE"));
    EXPECT_FALSE(fs::exists(Target + L"main.zip"));
    EXPECT_FALSE(fs::exists(Target + L"upgrade.zip"));
    EXPECT_TRUE(fs::exists(Desktop + L"\\Venkor.lnk"));

    w.ClickButton(Finish);
    ASSERT_TRUE(w.WaitForExit());
    ASSERT_TRUE(WaitUntil([] { return fs::exists(Mark) && !ReadMark().empty(); }));
    EXPECT_EQ(Target + L"VENKOR.EXE", ReadMark());
}

struct RunFailure {
    const char* name;
    const char* path;
    int status;
    const char* body;
    const wchar_t* message;
};

class WizardRunFailureTest : public WizardTest, public ::testing::WithParamInterface<RunFailure> {};

TEST_P(WizardRunFailureTest, EndsOnAbortAfterTheErrorBox) {
    server_->Serve(GetParam().path, {GetParam().status, GetParam().body});
    auto& w = Start();
    ToLocatieWithDriveC();
    const HCURSOR arrow = w.Cursor();
    w.ClickButton(Next);

    HWND box = w.WaitForDialog(60s);
    ASSERT_NE(nullptr, box);
    const DialogContents error = WizardDriver::ReadDialog(box);
    EXPECT_EQ(L"Setup", error.caption);
    EXPECT_EQ(std::vector<std::wstring>{GetParam().message}, error.texts);
    EXPECT_EQ(std::vector<std::wstring>{L"OK"}, error.buttons);
    // Behind the box the wizard already shows the Abort page.
    EXPECT_EQ(AbortTexts, w.PageTexts());
    EXPECT_NE(arrow, w.Cursor());  // the hourglass until the box is closed

    w.Key(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    EXPECT_EQ(AbortTexts, w.PageTexts());
    ExpectFinishedButtons(false);
    EXPECT_FALSE(w.Enabled(w.Button(Next)));
    EXPECT_EQ(w.Button(Finish), w.Focus());
    EXPECT_TRUE(WaitUntil([&] { return w.Cursor() == arrow; }, 2s));
    EXPECT_TRUE(w.Running());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, WizardRunFailureTest,
    ::testing::Values(RunFailure{"MissingUpgrade", "/venkor/Files/upgrade.zip", 404, "gone", L"HTTP/1.1 404 Not Found"},
                      RunFailure{"WebPageInsteadOfArchive", "/venkor/Files/main.zip", 200,
                                 "<html><body>Not an archive</body></html>", L"Unhandled Archive Type"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WizardTest, CancelAnsweredNoChangesNothingAndYesEndsOnAbort) {
    auto& w = Start();
    // Start: No (Escape) changes nothing.
    w.ClickButton(Cancel);
    AnswerCancelQuestion(VK_ESCAPE, StartTexts);
    EXPECT_EQ(Next, w.FrontButton());
    EXPECT_TRUE(w.Visible(w.Button(Cancel)));

    // Locatie, Cancel through its access key: No (Escape), then Yes (Enter).
    w.ClickButton(Next);
    ASSERT_TRUE(WaitUntil([&] { return w.PageTitle() == L"Locatie"; }));
    w.Key('A', true);
    AnswerCancelQuestion(VK_ESCAPE, LocatieTexts);
    w.Key('A', true);
    AnswerCancelQuestion(VK_RETURN, AbortTexts);
    ExpectFinishedButtons(false);
    EXPECT_EQ(w.Button(Finish), w.Focus());
    // Next stays enabled behind Finish; a click there hits Finish.
    EXPECT_TRUE(w.Enabled(w.Button(Next)));
    EXPECT_EQ(nullptr, w.FindDialog());
}

TEST_F(WizardTest, FinishAfterCancelStartsTheBareProgramName) {
    // Without a target folder the program is looked up by name, here in the
    // wizard's current folder.
    const std::wstring folder = L"C:\\setup-gui-test\\current";
    fs::create_directories(folder);
    fs::copy_file(Here() + L"VenkorMark.exe", folder + L"\\VENKOR.EXE");
    auto& w = Start(folder);
    w.ClickButton(Cancel);
    AnswerCancelQuestion(VK_RETURN, AbortTexts);
    w.ClickButton(Finish);
    ASSERT_TRUE(w.WaitForExit());
    ASSERT_TRUE(WaitUntil([] { return fs::exists(Mark) && !ReadMark().empty(); }));
    EXPECT_EQ(folder + L"\\VENKOR.EXE", ReadMark());
}

TEST_F(WizardTest, ClosingTheWindowEndsWithoutQuestionAndStartsNothing) {
    const std::wstring folder = L"C:\\setup-gui-test\\current";
    fs::create_directories(folder);
    fs::copy_file(Here() + L"VenkorMark.exe", folder + L"\\VENKOR.EXE");
    for (const bool altF4 : {false, true}) {
        auto& w = Start(folder);
        w.ClickButton(Next);
        ASSERT_TRUE(WaitUntil([&] { return w.PageTitle() == L"Locatie"; }));
        if (altF4) {
            SetForegroundWindow(w.Window());
            w.Key(VK_F4, true);
        } else {
            w.CloseBox();
        }
        EXPECT_TRUE(w.WaitForExit(10s)) << (altF4 ? "Alt+F4" : "close box");
        Sleep(500);
        EXPECT_FALSE(fs::exists(Mark));
    }
}

TEST_F(WizardTest, ClicksDuringTheRunAreHandledAfterIt) {
    const std::string main = ReadWholeFile(Here() + L"main.zip");
    server_->Serve("/venkor/Files/main.zip", {200, main, main.size() / 2});
    auto& w = Start();
    ToLocatieWithDriveC();
    w.ClickButton(Next);
    ASSERT_TRUE(WaitUntil([&] { return server_->Holding(); }));

    // Cancel, and the disabled Next, clicked while the run holds the wizard:
    // no question yet, the page keeps painting as before.
    w.ClickButton(Cancel);
    w.ClickButton(Next);
    Sleep(1000);
    EXPECT_EQ(nullptr, w.FindDialog());
    EXPECT_EQ(InstallMainTexts, w.PageTexts());
    server_->Release();

    // Once the run is done the Cancel click is answered on the Einde page;
    // the click on Next went nowhere.
    HWND dialog = w.WaitForDialog(60s);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(EindeTexts, w.PageTexts());
    AnswerCancelQuestion(VK_RETURN, AbortTexts);
    ExpectFinishedButtons(false);
    EXPECT_TRUE(w.Running());
    EXPECT_TRUE(fs::exists(Desktop + L"\\Venkor.lnk"));
}

// One Tab, checking that the focus lands on a control the user can see,
// never on the button covered by its twin.
void TabOnce(WizardDriver& w) {
    w.Key(VK_TAB);
    HWND focus = w.Focus();
    ASSERT_NE(nullptr, focus);
    EXPECT_TRUE(IsWindowVisible(focus));
    EXPECT_NE(w.FrontButton() == Next ? w.Button(Finish) : w.Button(Next), focus) << "Tab reached the covered button";
}

// Tab from control to control until the focus is on target.
void TabTo(WizardDriver& w, HWND target) {
    for (int i = 0; i < 8 && w.Focus() != target; ++i)
        TabOnce(w);
    ASSERT_EQ(target, w.Focus());
}

TEST_F(WizardTest, TabAndSpaceAloneWalkTheWholeRoad) {
    auto& w = Start();
    SetForegroundWindow(w.Window());
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w.Window(); }));
    // Twice round on Start: the covered Finish is never reached.
    for (int i = 0; i < 4; ++i)
        TabOnce(w);
    TabTo(w, w.Button(Next));
    w.Key(VK_SPACE);
    ASSERT_TRUE(WaitUntil([&] { return w.PageTitle() == L"Locatie"; }));
    for (int i = 0; i < 4; ++i)
        TabOnce(w);
    TabTo(w, w.Button(Next));
    w.Key(VK_SPACE);

    // After the run the focus is on Finish, so Space finishes.
    ASSERT_TRUE(WaitUntil([&] { return w.PageTitle() == L"Installatie voltooid"; }, 60s));
    EXPECT_TRUE(WaitUntil([&] { return w.Focus() == w.Button(Finish); }, 2s));
    w.Key(VK_SPACE);
    ASSERT_TRUE(w.WaitForExit());
    ASSERT_TRUE(WaitUntil([] { return fs::exists(Mark) && !ReadMark().empty(); }));
    EXPECT_EQ(Target + L"VENKOR.EXE", ReadMark());
}

TEST_F(WizardTest, DoubleClickOnNextDuringASlowAnswerEndsOnEinde) {
    // The server holds its first answer: the second click waits in the queue
    // while Next lies there, and Finish lies there once the run is over.
    const std::string main = ReadWholeFile(Here() + L"main.zip");
    server_->Serve("/venkor/Files/main.zip", {200, main, 0});
    auto& w = Start();
    ToLocatieWithDriveC();
    w.DoubleClick(w.Button(Next));
    ASSERT_TRUE(WaitUntil([&] { return server_->Holding(); }));
    Sleep(3000);
    server_->Release();
    ASSERT_TRUE(WaitUntil([&] { return w.PageTitle() == L"Installatie voltooid"; }, 60s));
    Sleep(1000);
    EXPECT_TRUE(w.Running());
    EXPECT_EQ(L"Installatie voltooid", w.PageTitle());
    EXPECT_FALSE(fs::exists(Mark));
}

// Screen readers, UI Automation and test tools press buttons with BM_CLICK
// sent from another program, not with the mouse: such a click counts only
// if a person could press that button at that moment, and is never kept.
class SentClicks : public WizardTest {
protected:
    // Start, Locatie, Next: the run holds on the server's first answer.
    void ToHeldRun() {
        server_->Serve("/venkor/Files/main.zip", {200, ReadWholeFile(Here() + L"main.zip"), 0});
        Start();
        ToLocatieWithDriveC();
        wizard_->ClickButton(Next);
        ASSERT_TRUE(WaitUntil([&] { return server_->Holding(); }));
    }
    void ToEinde() {
        Start();
        ToLocatieWithDriveC();
        wizard_->ClickButton(Next);
        ASSERT_TRUE(WaitUntil([&] { return wizard_->PageTitle() == L"Installatie voltooid"; }, 60s));
        ExpectFinishedButtons(true);
    }
    // As another program sends it; returns at once when the handler opens a box.
    static void SendClick(HWND button) { SendNotifyMessageW(button, BM_CLICK, 0, 0); }
    // Cancel pressed that way: its question, once open.
    HWND AskCancelQuestion() {
        SendClick(wizard_->Button(Cancel));
        return wizard_->WaitForDialog();
    }
    // The visible dialog boxes on the screen.
    static std::vector<HWND> Questions() {
        std::vector<HWND> found;
        EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&found));
        return found;
    }
    static BOOL CALLBACK CollectDialog(HWND window, LPARAM list) {
        wchar_t name[32] = {};
        GetClassNameW(window, name, 32);
        if (std::wstring(name) == L"#32770" && IsWindowVisible(window))
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
    }
};

TEST_F(SentClicks, FinishUnderCancelsQuestionDoesNothingAndWorksAfterNo) {
    ToEinde();
    auto& w = *wizard_;
    HWND question = AskCancelQuestion();
    ASSERT_NE(nullptr, question);
    SendClick(w.Button(Finish));
    Sleep(1000);
    EXPECT_TRUE(w.Running());
    EXPECT_TRUE(IsWindow(question));
    EXPECT_FALSE(fs::exists(Mark));
    w.Key(VK_ESCAPE);  // No
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question); }));
    Sleep(500);
    EXPECT_EQ(L"Installatie voltooid", w.PageTitle());
    EXPECT_EQ(nullptr, w.FindDialog());
    SendClick(w.Button(Finish));
    ASSERT_TRUE(w.WaitForExit());
    ASSERT_TRUE(WaitUntil([] { return fs::exists(Mark) && !ReadMark().empty(); }));
}

TEST_F(SentClicks, TwoClicksOnCancelAskOnce) {
    Start();
    auto& w = *wizard_;
    HWND question = AskCancelQuestion();
    ASSERT_NE(nullptr, question);
    SendClick(w.Button(Cancel));
    Sleep(1000);
    EXPECT_EQ(Questions().size(), 1u);
    w.Key(VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question); }));
    Sleep(1000);
    EXPECT_EQ(nullptr, w.FindDialog());
    EXPECT_TRUE(w.Enabled(w.Window()));
    EXPECT_EQ(StartTexts, w.PageTexts());
}

TEST_F(SentClicks, ACoveredFinishClickedDuringTheRunIsDropped) {
    ToHeldRun();
    auto& w = *wizard_;
    SendClick(w.Button(Finish));
    Sleep(500);
    server_->Release();
    ASSERT_TRUE(WaitUntil([&] { return w.PageTitle() == L"Installatie voltooid"; }, 60s));
    Sleep(1500);
    EXPECT_TRUE(w.Running());
    EXPECT_FALSE(fs::exists(Mark));
}

TEST_F(SentClicks, AClickRightAfterEindeComesCounts) {
    ToEinde();
    SendClick(wizard_->Button(Finish));
    ASSERT_TRUE(wizard_->WaitForExit());
    ASSERT_TRUE(WaitUntil([] { return fs::exists(Mark) && !ReadMark().empty(); }));
    EXPECT_EQ(Target + L"VENKOR.EXE", ReadMark());
}

TEST_F(SentClicks, EnterPressesTheFocusedFinish) {
    ToEinde();
    auto& w = *wizard_;
    SetForegroundWindow(w.Window());
    ASSERT_TRUE(WaitUntil([&] { return w.Focus() == w.Button(Finish); }));
    w.Key(VK_RETURN);
    ASSERT_TRUE(w.WaitForExit());
    ASSERT_TRUE(WaitUntil([] { return fs::exists(Mark) && !ReadMark().empty(); }));
}

// Logging off in the middle of the installation would cut it short unseen:
// the wizard asks Windows to wait while the run lasts, and only then: not
// under the error box of a failed run, nor on the page after it.
TEST_F(SentClicks, TheSessionMayNotEndDuringTheRun) {
    const auto mayEnd = [](HWND window) {
        DWORD_PTR answer = 1;
        SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &answer);
        return answer != 0;
    };
    for (const bool fails : {false, true}) {
        SCOPED_TRACE(fails ? "failed run" : "run to Einde");
        if (fails) {
            // A server of its own: the first run released the hold for good.
            wizard_.reset();
            server_.reset();
            server_ = std::make_unique<FileServer>(SETUP_TEST_PORT);
            server_->Serve("/venkor/Files/upgrade.zip", {404, "gone"});
        }
        ToHeldRun();
        auto& w = *wizard_;
        EXPECT_FALSE(mayEnd(w.Window()));
        server_->Release();
        if (fails) {
            HWND box = w.WaitForDialog(60s);
            ASSERT_NE(nullptr, box);
            EXPECT_TRUE(mayEnd(w.Window()));
            SetForegroundWindow(box);
            w.Key(VK_RETURN);
            ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
            EXPECT_EQ(AbortTexts, w.PageTexts());
        } else {
            ASSERT_TRUE(WaitUntil([&] { return w.PageTitle() == L"Installatie voltooid"; }, 60s));
        }
        EXPECT_TRUE(mayEnd(w.Window()));
    }
}

// A window of another program in front, as when the user switched away
// during a long download.
class OtherProgramWindow {
public:
    OtherProgramWindow() {
        window_ = CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP | WS_VISIBLE | WS_CAPTION, 10, 10, 200,
                                  100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetForegroundWindow(window_);
    }
    ~OtherProgramWindow() { DestroyWindow(window_); }
    OtherProgramWindow(const OtherProgramWindow&) = delete;
    OtherProgramWindow& operator=(const OtherProgramWindow&) = delete;
    HWND Handle() const { return window_; }

private:
    HWND window_;
};

TEST_F(WizardTest, TheErrorBoxIsOwnedByTheWizardWithAnotherProgramInFront) {
    const std::string main = ReadWholeFile(Here() + L"main.zip");
    server_->Serve("/venkor/Files/main.zip", {200, main, main.size() / 2});
    server_->Serve("/venkor/Files/upgrade.zip", {404, "gone"});
    auto& w = Start();
    ToLocatieWithDriveC();
    w.ClickButton(Next);
    ASSERT_TRUE(WaitUntil([&] { return server_->Holding(); }));
    OtherProgramWindow other;
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other.Handle(); }, 5s));
    server_->Release();

    HWND box = w.WaitForDialog(60s);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(w.Window(), GetWindow(box, GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(w.Window()));
    SetForegroundWindow(box);
    w.Key(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    EXPECT_TRUE(IsWindowEnabled(w.Window()));
    EXPECT_EQ(AbortTexts, w.PageTexts());
    EXPECT_TRUE(WaitUntil([&] { return w.Focus() == w.Button(Finish); }, 5s));
}

// A catalogue beside the program whose header is not UTF-8: the first
// lookup shows the character-set warning, a box with its own message loop.
class CharsetWarningCatalogue {
public:
    CharsetWarningCatalogue() {
        fs::create_directories(folder_);
        fs::copy_file(fs::path(I18N_CATALOGUES) / "header-utf8.mo", folder_ / "default.mo",
                      fs::copy_options::overwrite_existing);
        SetEnvironmentVariableW(L"LANG", L"xx");
    }
    ~CharsetWarningCatalogue() {
        SetEnvironmentVariableW(L"LANG", nullptr);
        std::error_code ignored;
        fs::remove_all(fs::path(Here()) / "locale", ignored);
    }
    CharsetWarningCatalogue(const CharsetWarningCatalogue&) = delete;
    CharsetWarningCatalogue& operator=(const CharsetWarningCatalogue&) = delete;

private:
    fs::path folder_ = fs::path(Here()) / "locale" / "xx" / "LC_MESSAGES";
};

TEST_F(WizardTest, ABoxInsideTheRunLetsNoHandlerThrough) {
    const CharsetWarningCatalogue catalogue;
    // The archive's failure text is a library text: the first lookup.
    server_->Serve("/venkor/Files/main.zip", {200, "<html><body>Not an archive</body></html>"});
    auto& w = Start();
    ToLocatieWithDriveC();
    w.ClickButton(Next);

    HWND warning = w.WaitForDialog(60s);
    ASSERT_NE(nullptr, warning);
    ASSERT_EQ(L"Localization problem", WizardDriver::ReadDialog(warning).caption);
    // The warning has no owner: the wizard still takes clicks, but neither
    // Cancel nor the close box may run while the run is on the stack.
    w.ClickButton(Cancel);
    w.CloseBox();
    Sleep(1000);
    EXPECT_EQ(std::vector<HWND>{warning}, w.Dialogs());
    EXPECT_TRUE(w.Running());
    EXPECT_EQ(InstallMainTexts, w.PageTexts());

    SetForegroundWindow(warning);
    w.Key(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(warning); }));
    HWND box = w.WaitForDialog(60s);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(std::vector<std::wstring>{L"Unhandled Archive Type"}, WizardDriver::ReadDialog(box).texts);
    SetForegroundWindow(box);
    w.Key(VK_RETURN);
    // Handled afterwards, against the new state: Cancel is hidden on Abort,
    // so its click is void; the close then ends the wizard, starting nothing.
    EXPECT_TRUE(w.WaitForExit(10s));
    EXPECT_FALSE(fs::exists(Mark));
}

// Cancel's first lookup brings up the catalogue's warning, which has no
// owner: the wizard still takes clicks under it. None runs inside Cancel's
// handler; once it is done they are judged against the state it left.
TEST_F(WizardTest, ClicksUnderABoxOfAHandlerWaitUntilItIsDone) {
    const CharsetWarningCatalogue catalogue;
    for (const bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        auto& w = Start();
        w.ClickButton(Cancel);
        HWND warning = w.WaitForDialog();
        ASSERT_NE(nullptr, warning);
        ASSERT_EQ(L"Localization problem", WizardDriver::ReadDialog(warning).caption);
        w.ClickButton(Next);
        w.ClickButton(Next);
        w.ClickButton(Cancel);
        Sleep(1000);
        EXPECT_EQ(std::vector<HWND>{warning}, w.Dialogs());
        EXPECT_EQ(StartTexts, w.PageTexts());
        EXPECT_EQ(0, server_->Requests("/venkor/Files/main.zip"));

        // Cancel's question, on the page it was clicked on; one only.
        SetForegroundWindow(warning);
        w.Key(VK_RETURN);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(warning); }));
        HWND question = w.WaitForDialog();
        ASSERT_NE(nullptr, question);
        EXPECT_EQ(1u, w.Dialogs().size());
        EXPECT_EQ(StartTexts, w.PageTexts());
        if (yes) {
            // On Abort Next lies behind Finish and Cancel is hidden: the kept
            // clicks are void.
            AnswerCancelQuestion(VK_RETURN, AbortTexts);
            Sleep(1500);
            EXPECT_EQ(nullptr, w.FindDialog());
            EXPECT_EQ(AbortTexts, w.PageTexts());
            EXPECT_EQ(0, server_->Requests("/venkor/Files/main.zip"));
        } else {
            // As if clicked now: Next to Locatie, Next installs, and Cancel
            // asks on Einde.
            w.Key(VK_ESCAPE);
            ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question); }));
            question = w.WaitForDialog(60s);
            ASSERT_NE(nullptr, question);
            EXPECT_EQ(EindeTexts, w.PageTexts());
            AnswerCancelQuestion(VK_ESCAPE, EindeTexts);
            EXPECT_EQ(1, server_->Requests("/venkor/Files/main.zip"));
        }
        EXPECT_TRUE(w.Running());
    }
}

// Wine takes the screen's density from LogPixels, under HKCU\Control
// Panel\Desktop or else under HKLM\System\CurrentControlSet\Hardware
// Profiles\Current\Software\Fonts, when a process starts: set for the
// wizard's start, restored at once.
class ScreenDensity {
public:
    explicit ScreenDensity(int dpi) {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &key_, nullptr);
        saved_ = RegistryValue(key_, L"LogPixels");
        const DWORD value = static_cast<DWORD>(dpi);
        RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    ~ScreenDensity() {
        if (saved_.type == REG_NONE)
            RegDeleteValueW(key_, L"LogPixels");
        else
            RegSetValueExW(key_, L"LogPixels", 0, saved_.type, reinterpret_cast<const BYTE*>(saved_.data.data()),
                           static_cast<DWORD>(saved_.data.size()));
        RegCloseKey(key_);
    }
    ScreenDensity(const ScreenDensity&) = delete;
    ScreenDensity& operator=(const ScreenDensity&) = delete;

private:
    HKEY key_ = nullptr;
    RegistryData saved_;
};

// A build that declares per-monitor DPI awareness, as releases do, lays the
// design out at the screen's density: every rectangle scaled, the texts in
// fonts of the scaled sizes. Every page is checked once the road has made
// it.
TEST_F(WizardTest, ADpiAwareBuildLaysOutTheDesignAtTheScreensDensity) {
    for (const int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE(dpi);
        {
            const ScreenDensity density(dpi);
            wizard_ = std::make_unique<WizardDriver>(Here() + L"SetupDpiAwareTest.exe", L"");
        }
        auto& w = *wizard_;
        EXPECT_EQ(std::vector<std::string>{}, LayoutFaults(w.Window(), dpi));
        w.ClickButton(Next);
        ASSERT_TRUE(WaitUntil([&] { return w.PageTitle() == L"Locatie"; }));
        w.ClickButton(Next);
        ASSERT_TRUE(WaitUntil([&] { return w.PageTitle() == L"Installatie voltooid"; }, 60s));
        ExpectFinishedButtons(true);
        w.ClickButton(Cancel);
        AnswerCancelQuestion(VK_RETURN, AbortTexts);
        EXPECT_EQ(std::vector<std::string>{}, LayoutFaults(w.Window(), dpi));
        w.CloseBox();
        EXPECT_TRUE(w.WaitForExit());
    }
}

}  // namespace

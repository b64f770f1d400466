// Works the wizard from start to Einde for the demo, saving a screenshot of
// every page and of both dialogs. The archives are served from a loopback
// server of its own, so that the download can be caught half-way.
//   wizard_demo <Setup.exe> <folder with main.zip, upgrade.zip> <port> <screenshot folder>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "FileServer.h"
#include "ScreenShot.h"
#include "TestFiles.h"
#include "WizardDriver.h"

namespace {

void Shot(const std::wstring& folder, const wchar_t* name, std::initializer_list<HWND> windows) {
    Sleep(400);  // let everything paint
    if (!SaveScreenRect(Around(windows), folder + L"\\" + name + L".bmp"))
        fwprintf(stderr, L"screenshot %ls failed\n", name);
}

std::wstring shotFolder;

// Ends the demo run; the drivers' destructors end the wizard.
void Check(bool condition, const char* what) {
    if (!condition) {
        // What the screen showed when it went wrong.
        SaveScreenRect(RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)},
                       shotFolder + L"\\failure.bmp");
        throw std::runtime_error(what);
    }
}

}  // namespace

int Demo(int argc, wchar_t** argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: wizard_demo SETUP.EXE ARCHIVE-FOLDER PORT SCREENSHOT-FOLDER\n");
        return 2;
    }
    const std::wstring setup = argv[1], archives = argv[2], shots = argv[4];
    shotFolder = shots;
    const std::string main = ReadWholeFile(archives + L"\\main.zip");
    const std::string upgrade = ReadWholeFile(archives + L"\\upgrade.zip");
    Check(!main.empty() && !upgrade.empty(), "the sample archives are missing");
    FileServer server(static_cast<std::uint16_t>(_wtoi(argv[3])));

    {
        // First a run that fails: the Cancel question on the way, and the
        // error box with the Abort page at its end.
        server.Serve("/venkor/Files/main.zip", {200, main});
        server.Serve("/venkor/Files/upgrade.zip", {404, "not here"});
        WizardDriver w(setup, L"");
        Shot(shots, L"1-start", {w.Window()});
        w.ClickButton(L"&Annuleer");
        HWND question = w.WaitForDialog();
        Check(question != nullptr, "no question after Cancel");
        Shot(shots, L"cancel-question", {w.Window(), question});
        w.Key(VK_ESCAPE);
        Check(WaitUntil([&] { return !IsWindow(question); }), "the question stays");
        w.ClickButton(L"Volgende >");
        Check(WaitUntil([&] { return w.PageTitle() == L"Locatie"; }), "no Locatie page");
        Shot(shots, L"2-locatie", {w.Window()});
        w.ClickButton(L"Volgende >");
        HWND box = w.WaitForDialog(std::chrono::seconds(60));
        Check(box != nullptr, "no error box");
        Shot(shots, L"error-box", {w.Window(), box});
        w.Key(VK_RETURN);
        Check(WaitUntil([&] { return !IsWindow(box); }), "the error box stays");
        Shot(shots, L"5-abort", {w.Window()});
        w.CloseBox();
        Check(w.WaitForExit(), "the wizard does not close");
    }
    {
        // Then the road to Einde, caught half-way through main.zip.
        server.Serve("/venkor/Files/main.zip", {200, main, main.size() / 2});
        server.Serve("/venkor/Files/upgrade.zip", {200, upgrade});
        WizardDriver w(setup, L"");
        w.ClickButton(L"Volgende >");
        Check(WaitUntil([&] { return w.PageTitle() == L"Locatie"; }), "no Locatie page");
        w.ClickButton(L"Volgende >");
        Check(WaitUntil([&] { return server.Holding(); }), "the download does not start");
        Shot(shots, L"3-installmain", {w.Window()});
        server.Release();
        Check(WaitUntil([&] { return w.PageTitle() == L"Installatie voltooid"; }, std::chrono::seconds(120)),
              "the installation does not end on Einde");
        Shot(shots, L"4-einde", {w.Window()});
        w.ClickButton(L"Voltooien");
        Check(w.WaitForExit(), "Finish does not close the wizard");
    }
    // Finish started the installed demo program; it says so in a box.
    HWND started = nullptr;
    Check(WaitUntil([&] { return (started = FindWindowW(L"#32770", L"Venkor")) != nullptr; }),
          "the installed program did not start");
    Sleep(300);
    SetForegroundWindow(started);
    WaitUntil([&] { return GetForegroundWindow() == started; }, std::chrono::seconds(5));
    INPUT enter[2]{};
    enter[0].type = enter[1].type = INPUT_KEYBOARD;
    enter[0].ki.wVk = enter[1].ki.wVk = VK_RETURN;
    enter[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, enter, sizeof(INPUT));
    if (!WaitUntil([&] { return !IsWindow(started); }, std::chrono::seconds(5))) PostMessageW(started, WM_CLOSE, 0, 0);
    fprintf(stderr, "demo: the wizard went from Start to Einde\n");
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    try {
        return Demo(argc, argv);
    } catch (const std::exception& failure) {
        fprintf(stderr, "demo: %s\n", failure.what());
        return 1;
    }
}

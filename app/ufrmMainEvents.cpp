// TfrmMain's event handlers, in the order they fire on the road through the
// wizard: Next (and on Locatie the installation step), the HTTP client's
// progress events during the run, Cancel, and Finish.
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>

#include "DesktopShortcut.h"
#include "Failure.h"
#include "InstallPlan.h"
#include "InstallRun.h"
#include "MessageDialogs.h"
#include "ScopeExit.h"
#include "TextConversion.h"
#include "gnugettext.h"
#include "ufrmMain.h"

void TfrmMain::btNEXTClick() {
    if (ActivePage() != TPage::Locatie) {
        ShowPage(Notebook1->PageIndex() + 1);
        return;
    }
    ShowPage(TPage::InstallMain);
    EnableWindow(btNEXT, FALSE);  // for the rest of the window's life
    SetWaitCursor(true);
    PaintPending();
    std::optional<std::wstring> failure;
    try {
        // While the run writes, Windows is asked not to end the session
        // under it; the error box and the pages after it let it.
        running_ = true;
        ShutdownBlockReasonCreate(handle_, L"De installatie is bezig.");
        const ScopeExit runEnded([this] {
            running_ = false;
            ShutdownBlockReasonDestroy(handle_);
        });
        Install();
    } catch (...) {
        failure = CurrentFailureText();
    }
    if (failure) {
        ShowAbort();
        ShowError(*failure, handle_);
        SetWaitCursor(false);
        return;
    }
    installed_ = true;
    SetWaitCursor(false);
    BringFinishToFront();
    ShowPage(TPage::Einde);
}

void TfrmMain::Install() {
    // Set before anything can fail: Finish after a failed run starts the
    // program in this folder.
    Pad = InstallFolder(InstallDrive->Drive());
    RunInstallation(Pad, IdHTTP1, AbUnZipper1, fileServer_);
    PlaceDesktopShortcut(ShellLink1, Pad);
}

// The progress bar follows the HTTP client's progress events. The run holds
// the UI thread, so each event also lets the window paint; input stays
// queued until the run is over.
void TfrmMain::IdHTTP1WorkBegin(TWorkMode, std::int64_t AWorkCountMax) {
    // An unannounced length (0) keeps the previous maximum.
    if (AWorkCountMax > 0)
        SendMessageW(Progress(), PBM_SETRANGE32, 0, static_cast<LPARAM>(static_cast<std::int32_t>(AWorkCountMax)));
    PaintPending();
}

void TfrmMain::IdHTTP1Work(TWorkMode, std::int64_t AWorkCount) {
    SendMessageW(Progress(), PBM_SETPOS, static_cast<WPARAM>(static_cast<std::int32_t>(AWorkCount)), 0);
    PaintPending();
}

void TfrmMain::IdHTTP1WorkEnd(TWorkMode) {
    SendMessageW(Progress(), PBM_SETPOS, 0, 0);
    PaintPending();
}

void TfrmMain::btCANCELClick() {
    // Each sentence is looked up on its own; a carriage return joins them.
    const std::wstring question = gettext(L"De installatie is niet voltooid.") + L'\r' + gettext(L"Bent u zeker ?");
    if (!AskConfirmation(question, handle_)) return;
    installed_ = false;
    ShowAbort();
}

void TfrmMain::ShowAbort() {
    ShowPage(Notebook1->PageCount() - 1);
    ShowWindow(btCANCEL, SW_HIDE);
    BringFinishToFront();
}

void TfrmMain::btFINISHClick() {
    // The window closes once this handler has returned; it stays on screen
    // while the installed program is started.
    if (closing_) return;
    closing_ = true;
    PostMessageW(handle_, WM_CLOSE, 0, 0);
    // A signed release starts only what a whole run installed and checked:
    // after a failure or a Cancel nothing, not even a program of that name
    // found elsewhere.
    if (!fileServer_.signingKey.empty() && !installed_) return;
    const std::string command = ToAnsi(ProgramPath(Pad));
    WinExec(command.c_str(), SW_SHOWNORMAL);
}

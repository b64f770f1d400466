// The wizard's navigation: what Next, Cancel and Finish do.
#include <string>

#include "FailureText.h"
#include "MessageDialogs.h"
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
    try {
        Install();
    } catch (...) {
        const std::wstring message = CurrentFailureText();
        ShowPage(Notebook1->PageCount() - 1);
        BringFinishToFront();
        ShowWindow(btCANCEL, SW_HIDE);
        ShowError(message);
        SetWaitCursor(false);
        return;
    }
    SetWaitCursor(false);
    BringFinishToFront();
    ShowPage(TPage::Einde);
}

void TfrmMain::btCANCELClick() {
    // Each sentence is looked up on its own; a carriage return joins them.
    const std::wstring question = gettext(L"De installatie is niet voltooid.") + L'\r' + gettext(L"Bent u zeker ?");
    if (!AskConfirmation(question)) return;
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
    const std::wstring command = Pad + L"VENKOR.EXE";
    const int size = WideCharToMultiByte(CP_ACP, 0, command.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return;
    std::string ansi(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, command.c_str(), -1, ansi.data(), size, nullptr, nullptr);
    WinExec(ansi.c_str(), SW_SHOWNORMAL);
}

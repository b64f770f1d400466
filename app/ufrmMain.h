#pragma once
// TfrmMain: the wizard's one window. The left strip Image1, the button bar
// JvSpeedBar1 with Cancel, Next and Finish (Next and Finish share one
// rectangle; the one in front is the one seen), and the page stack Notebook1.
// ufrmMain.cpp makes the window and runs its window procedure;
// ufrmMainEvents.cpp holds the event handlers, in the order they fire.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "AbUnZipper.h"
#include "Application.h"
#include "DesignScale.h"
#include "GdiObjects.h"
#include "IdHTTP.h"
#include "InstallDrive.h"
#include "InstallSource.h"
#include "Notebook.h"
#include "ShellLink.h"
#include "WizardPages.h"

class TfrmMain final : public TWorkHandler {
public:
    TfrmMain(TApplication& application, InstallSource fileServer);
    ~TfrmMain();
    TfrmMain(const TfrmMain&) = delete;
    TfrmMain& operator=(const TfrmMain&) = delete;

    HWND Handle() const { return handle_; }

    // Creation handler: opens the wizard on its Start page and chooses drive
    // C (the Locatie page is made hidden with the drive chooser).
    void FormCreate();

    // Navigation: the click handlers of the three buttons.
    void btNEXTClick();
    void btCANCELClick();
    void btFINISHClick();

    // The HTTP client's progress events move the progress bar.
    void IdHTTP1WorkBegin(TWorkMode AWorkMode, std::int64_t AWorkCountMax) override;
    void IdHTTP1Work(TWorkMode AWorkMode, std::int64_t AWorkCount) override;
    void IdHTTP1WorkEnd(TWorkMode AWorkMode) override;

private:
    static LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The controls, in no place yet.
    void CreateControls();
    // Lays the window out at the scale's density, with fonts of that size:
    // the frame in the suggested place (another screen's) or in the centre
    // of the primary screen, the controls and every page made so far.
    void ScaleTo(DesignScale scale, const RECT* suggested);
    // The frame around a client area of the design size at this density.
    void PlaceFrame(const RECT* suggested);
    // Fills a page of the stack when it is first shown: its texts, and the
    // drive chooser or the progress bar that live on it.
    void MakePage(TPage which, HWND page);
    void PlacePage(TPage which, HWND page);
    // The progress bar, made with its page if need be.
    HWND Progress();
    void OnCommand(int id, int code);
    void OnActivate(bool active);

    // Shows a page of the stack; an index outside it changes nothing.
    void ShowPage(int index);
    void ShowPage(TPage page) { ShowPage(static_cast<int>(page)); }
    TPage ActivePage() const { return static_cast<TPage>(Notebook1->PageIndex()); }
    // Puts Finish in front of Next (they share one rectangle) and hides Next,
    // and gives Finish the focus.
    void BringFinishToFront();
    // The last page (Abort), Cancel hidden, Finish in front: where a failed
    // run and a confirmed Cancel end.
    void ShowAbort();
    // Whether a click reported by button counts: the user could press it
    // when the click was made (visible, enabled, in front of its twin).
    bool Pressable(HWND button) const;
    static bool IsButtonCommand(int id);
    // The id of the button Enter presses (DM_GETDEFID); 0 for none.
    int DefaultButton() const;
    // Commands and closes that arrive while a handler is on the stack (a box
    // with its own loop came up in it) are posted again once the outermost
    // handler has ended.
    bool DeferWhileHandling(UINT message, WPARAM wParam, LPARAM lParam);
    void PostDeferred();
    // The hourglass over the whole window while an installation runs.
    void SetWaitCursor(bool wait);
    // Paints what is waiting to be painted, without handling any input.
    void PaintPending();
    // The installation step: Pad on the chosen drive, the installation run
    // into it, then the desktop shortcut.
    void Install();

    TApplication& application_;
    InstallSource fileServer_;
    DesignScale scale_;
    HWND handle_ = nullptr;
    HWND focus_ = nullptr;  // the control that had the focus when the window was deactivated
    bool waitCursor_ = false;
    bool closing_ = false;    // Finish was clicked: nothing more is started
    int handlers_ = 0;        // command handlers on the stack
    bool running_ = false;    // the installation run is on the stack: the session may not end
    bool installed_ = false;  // the run ended on Einde and Cancel was not confirmed since
    std::vector<MSG> deferred_;
    bool finishInFront_ = false;
    ULONGLONG finishFrontSince_ = 0;  // 64-bit tick count when Finish came to the front

    UniqueFont font_;       // the window's font
    UniqueFont titleFont_;  // page titles
    UniqueFont barFont_;    // the button bar and its buttons

    HWND Image1 = nullptr;
    HWND JvSpeedBar1 = nullptr;
    HWND btCANCEL = nullptr;
    HWND btNEXT = nullptr;
    HWND btFINISH = nullptr;
    std::unique_ptr<TNotebook> Notebook1;
    std::unique_ptr<TInstallDrive> InstallDrive;  // made with the Locatie page
    HWND ProgressBar = nullptr;                   // made with the InstallMain page

    TIdHTTP IdHTTP1;
    TAbUnZipper AbUnZipper1;
    TShellLink ShellLink1;
    std::wstring Pad;  // the target folder; empty until an installation run sets it
};

#pragma once
// Works a running wizard from outside, as a person would: real mouse clicks
// and key presses, and only what can be seen on screen is read back.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

struct DialogContents {
    std::wstring caption;
    std::vector<std::wstring> texts;    // the static texts, in creation order
    std::vector<std::wstring> buttons;  // captions, in creation order
};

class WizardDriver {
public:
    // Starts the program in the given folder with the given extra environment
    // and waits until its main window is shown.
    WizardDriver(const std::wstring& program, const std::wstring& folder);
    ~WizardDriver();
    WizardDriver(const WizardDriver&) = delete;
    WizardDriver& operator=(const WizardDriver&) = delete;

    HWND Window() const { return window_; }
    std::wstring Caption() const;
    // The name of the program's taskbar entry: the window that owns the wizard.
    std::wstring TaskbarName() const;

    // The texts of the page on view, in creation order; the first is its title.
    std::vector<std::wstring> PageTexts() const;
    std::wstring PageTitle() const;

    HWND Button(const std::wstring& caption) const;
    bool Visible(HWND control) const { return IsWindowVisible(control) != FALSE; }
    bool Enabled(HWND control) const { return IsWindowEnabled(control) != FALSE; }
    // The button a person sees (and hits) where Next and Finish lie.
    std::wstring FrontButton() const;
    // A left click in the middle of the control, where a person would click.
    void Click(HWND control);
    void ClickButton(const std::wstring& caption) { Click(Button(caption)); }
    // Two clicks as quick as a person's double click.
    void DoubleClick(HWND control);
    // The control of the wizard that has the keyboard focus, if any.
    HWND Focus() const;
    void Key(WORD key, bool alt = false);
    // The drop-down drive chooser and its entries.
    HWND DriveChooser() const;
    std::vector<std::wstring> DriveEntries() const;
    std::wstring SelectedDrive() const;

    // A dialog of the wizard's process on screen (message box or question).
    HWND FindDialog() const;
    // Every dialog of the wizard's process on screen.
    std::vector<HWND> Dialogs() const;
    HWND WaitForDialog(std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;
    static DialogContents ReadDialog(HWND dialog);

    // The cursor on screen. Its handle is the wizard's own, so it can only be
    // compared with one seen earlier, such as the arrow before the run.
    HCURSOR Cursor() const;
    // The system menu's Close, as the title bar's close box sends it.
    void CloseBox();

    bool WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    bool Running() const;
    HANDLE Process() const { return process_.hProcess; }

private:
    HWND FindMainWindow() const;

    PROCESS_INFORMATION process_{};
    HWND window_ = nullptr;
};

// Polls until the condition holds; false when the time is up.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(20));

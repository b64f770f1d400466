#pragma once
// The application: a hidden owner window that carries the application title
// (the name of the taskbar entry) and owns the main window, and the message
// loop, the only loop of the program.
#include <windows.h>

#include <string>

class TApplication {
public:
    TApplication();
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    HWND Handle() const { return handle_; }
    void SetTitle(const std::wstring& title);
    const std::wstring& Title() const { return title_; }

    // Shows the main window and runs the message loop until it is closed.
    int Run(HWND mainWindow);

private:
    static LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND handle_ = nullptr;
    HWND main_ = nullptr;
    std::wstring title_;
};

#include "Application.h"

namespace {
constexpr wchar_t kApplicationClass[] = L"SetupApplication";
}

TApplication::TApplication() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = kApplicationClass;
    RegisterClassExW(&wc);
    // A window of no size in the centre of the screen: it is never seen, but
    // being an unowned visible window it is the program's taskbar entry,
    // named after the application title.
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    handle_ = CreateWindowExW(0, kApplicationClass, L"", WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU, x, y, 0,
                              0, nullptr, nullptr, instance, nullptr);
    SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TApplication::~TApplication() {
    if (handle_) DestroyWindow(handle_);
}

void TApplication::SetTitle(const std::wstring& title) {
    title_ = title;
    SetWindowTextW(handle_, title_.c_str());
}

int TApplication::Run(HWND mainWindow) {
    main_ = mainWindow;
    ShowWindow(handle_, SW_SHOWNOACTIVATE);
    ShowWindow(mainWindow, SW_SHOWNORMAL);
    UpdateWindow(mainWindow);
    MSG msg;
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) break;
        // Tab, arrow and access keys move between the window's controls.
        if (IsWindow(main_) && IsDialogMessageW(main_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    main_ = nullptr;
    return got == -1 ? 1 : static_cast<int>(msg.wParam);
}

LRESULT CALLBACK TApplication::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TApplication*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    HWND main = self ? self->main_ : nullptr;
    switch (message) {
    case WM_SETFOCUS:
        // Activated through the taskbar entry: hand on to the main window, or
        // to the dialog it shows.
        if (main && IsWindow(main)) {
            SetActiveWindow(GetLastActivePopup(main));
            return 0;
        }
        break;
    case WM_CLOSE:
        // "Close window" on the taskbar entry closes the main window.
        if (main && IsWindow(main)) PostMessageW(main, WM_CLOSE, 0, 0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

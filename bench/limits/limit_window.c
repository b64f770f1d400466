// Bare first paint: one top-level window with one label, the title of the
// wizard's Start page in the same bold Tahoma, and nothing else. The window
// class carries the wizard's class name so that the start-up benchmark finds
// and times it exactly as it times the wizard.
#include <windows.h>
#ifdef SETUP_IMPORTS
#include <winsock2.h>
#include <bcrypt.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#endif

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, w, l);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR command, int show) {
    (void)previous;
    (void)command;
#ifdef SETUP_IMPORTS
    // The same system libraries as the wizard's, loaded at start but not
    // used: the calls below never run, they only make the imports.
    static volatile int never = 0;
    if (never) {
        CoTaskMemFree(NULL);
        SHGetFolderPathW(NULL, 0, NULL, 0, NULL);
        WSAGetLastError();
        InitCommonControls();
        BCryptGenRandom(NULL, NULL, 0, 0);
        RegCloseKey(NULL);
    }
#endif
    WNDCLASSEXW wc;
    ZeroMemory(&wc, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = L"TfrmMain";
    RegisterClassExW(&wc);
    HWND window = CreateWindowExW(0, L"TfrmMain", L"Setup", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 540, 420,
                                  NULL, NULL, instance, NULL);
    HFONT title = CreateFontW(-17, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma");
    HWND label = CreateWindowExW(0, L"STATIC", L"Welkom bij het installatie programma ",
                                 WS_CHILD | WS_VISIBLE | SS_NOPREFIX | SS_LEFTNOWORDWRAP, 21, 21, 400, 24, window, NULL,
                                 instance, NULL);
    SendMessageW(label, WM_SETFONT, (WPARAM)title, FALSE);
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DeleteObject(title);
    return 0;
}

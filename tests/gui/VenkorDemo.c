/* The demo's stand-in for the ordering program: it says that it started. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show) {
    (void)instance;
    (void)previous;
    (void)command;
    (void)show;
    MessageBoxW(NULL, L"Het bestelprogramma is gestart (demo).", L"Venkor", MB_OK | MB_ICONINFORMATION);
    return 0;
}

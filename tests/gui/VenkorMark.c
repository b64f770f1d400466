/* Stands in for the installed program: when started it writes its own path
   to the file that VENKOR_MARK names, so a test can see what was started. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show) {
    (void)instance;
    (void)previous;
    (void)command;
    (void)show;
    wchar_t mark[MAX_PATH], self[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"VENKOR_MARK", mark, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    length = GetModuleFileNameW(NULL, self, MAX_PATH);
    HANDLE file = CreateFileW(mark, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, self, length * sizeof(wchar_t), &written, NULL);
    CloseHandle(file);
    return 0;
}

/* Stands in for a DLL that someone dropped beside Setup.exe: when any
   process loads it, under whatever name, it writes that name into the folder
   that SETUP_PLANTED_MARKS names and refuses to load. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t folder[MAX_PATH], self[MAX_PATH], mark[2 * MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"SETUP_PLANTED_MARKS", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return FALSE;
    if (!GetModuleFileNameW(instance, self, MAX_PATH)) return FALSE;
    const wchar_t* name = self;
    for (const wchar_t* c = self; *c; ++c)
        if (*c == L'\\' || *c == L'/') name = c + 1;
    wsprintfW(mark, L"%s\\%s.loaded", folder, name);
    HANDLE file = CreateFileW(mark, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return FALSE;
}

#include "DllSearch.h"

#include <windows.h>

void RestrictDllSearchToSystem32() {
    // Windows 8 and later, and Windows 7 with KB2533623; kernel32 is a
    // KnownDLL, so asking it is safe.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Without it nothing takes Setup.exe's folder out of the standard search
    // order: the DLLs we load ourselves are loaded by full path
    // (LoadWithoutSearchFlags). The current folder, at least, goes.
    SetDllDirectoryW(L"");
}

HMODULE LoadFromSystem32(const wchar_t* dll) {
    // The search flags also apply to the DLL's own imports.
    if (HMODULE module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    // Windows 7 without KB2533623 knows no search flags.
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    return LoadWithoutSearchFlags(folder, dll);
}

HMODULE LoadWithoutSearchFlags(const std::wstring& folder, const wchar_t* dll) {
    // A full path decides where the DLL itself comes from, not its imports:
    // plain LoadLibrary looks for those in the standard order, which begins
    // with the program's folder. With LOAD_WITH_ALTERED_SEARCH_PATH and a
    // full path, Windows takes the alternate order instead, which begins with
    // the DLL's own folder and leaves the program's folder out: then the
    // system folder, the 16-bit system folder, the Windows folder, the
    // current folder (which SetDllDirectoryW(L"") took out) and PATH. A
    // system DLL's imports are all in System32, so they are found there
    // first, after KnownDLLs and DLLs already loaded.
    return LoadLibraryExW((folder + L"\\" + dll).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

#include "DllSearch.h"

#include <windows.h>

void RestrictDllSearchToSystem32() {
    // Windows 8 and later, and Windows 7 with KB2533623; kernel32 is a
    // KnownDLL, so asking it is safe.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Without it, at least the current folder goes from the search order.
    SetDllDirectoryW(L"");
}

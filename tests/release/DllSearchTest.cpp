// Where Windows knows no DLL search flags (Windows 7 without KB2533623),
// system DLLs are loaded by full path: the DLLs they import must then come
// from their folder too, never from beside Setup.exe. A folder of the test's
// own stands in for System32: a probe DLL there imports a DLL that lies
// beside it and, planted, beside this program.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "DllSearch.h"

namespace {

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring program(path, length);
    return program.substr(0, program.find_last_of(L'\\'));
}

// 1: the probe bound the copy in its own folder; 2: the planted one.
int BoundCopy(HMODULE probe) {
    using Origin = int (*)();
    const auto origin = reinterpret_cast<Origin>(reinterpret_cast<void*>(GetProcAddress(probe, "ProbeOrigin")));
    return origin ? origin() : 0;
}

TEST(DllSearch, WithoutSearchFlagsTheImportsOfASystemDllComeFromItsFolder) {
    const std::wstring system = ProgramFolder() + L"\\system";
    // What the full path alone did: the standard order finds the planted
    // copy first.
    const HMODULE plain = LoadLibraryW((system + L"\\search_probe.dll").c_str());
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(BoundCopy(plain), 2);
    FreeLibrary(plain);
    ASSERT_EQ(GetModuleHandleW(L"search_dependency.dll"), nullptr);

    const HMODULE probe = LoadWithoutSearchFlags(system, L"search_probe.dll");
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(BoundCopy(probe), 1);
    FreeLibrary(probe);
}

}  // namespace

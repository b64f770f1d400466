#pragma once
// Where DLLs are looked for. Setup.exe is run from wherever the browser saved
// it, and a DLL dropped there under a system DLL's name would otherwise run
// inside the installer.
#include <windows.h>

#include <string>

// Restricts the search to System32, first thing at start-up. Every DLL that
// is not one of Windows' KnownDLLs is delay-loaded, so it is looked for only
// after this (see cmake/DelayLoad.cmake).
void RestrictDllSearchToSystem32();

// Loads a DLL from System32, the DLLs it imports looked for there first and
// never beside Setup.exe (the resolver of the delay-loaded imports,
// DelayImports.cpp); nullptr when it cannot.
HMODULE LoadFromSystem32(const wchar_t* dll);

// What LoadFromSystem32 does where Windows knows no search flags, with folder
// in the place of System32 (so that a test can stand in a folder of its own).
HMODULE LoadWithoutSearchFlags(const std::wstring& folder, const wchar_t* dll);

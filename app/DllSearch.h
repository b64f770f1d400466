#pragma once
// Restricts where DLLs are looked for to System32, first thing at start-up:
// Setup.exe is run from wherever the browser saved it, and a DLL dropped
// there under a system DLL's name would otherwise run inside the installer.
// Every DLL that is not one of Windows' KnownDLLs is delay-loaded, so it is
// looked for only after this (see cmake/DelayLoad.cmake).
void RestrictDllSearchToSystem32();

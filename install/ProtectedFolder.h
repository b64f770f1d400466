#pragma once
// A target folder that other accounts of the PC cannot change: on stock
// Windows every account may create folders under a drive's root and would
// own what it creates there, so a folder the installation makes gets rights
// of its own instead of inheriting them.
#include <windows.h>

#include <string>

// The SID of the account this process runs as, as S-1-5-... text; empty
// when it cannot be read.
std::wstring CurrentUserSid();

// Creates folder (and missing parents) with a protected DACL: full control
// for the user running Setup, SYSTEM and Administrators; read and execute for
// Users. Returns false when it could not; the caller's next step then fails
// with its own text.
bool CreateProtectedFolder(const std::wstring& folder);

// Gives the folder open as folder (with WRITE_DAC) the same protected DACL;
// what lies inside inherits it in place of what it inherited before.
// Returns the system's error code.
DWORD ProtectFolder(HANDLE folder);

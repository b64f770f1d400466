#pragma once
// A target folder that other accounts of the PC cannot change: on stock
// Windows every account may create folders under a drive's root and would
// own what it creates there, so a folder the installation makes gets rights
// of its own instead of inheriting them.
#include <string>

// Creates folder (and missing parents) with a protected DACL: full control
// for the user running Setup, SYSTEM and Administrators; read and execute for
// Users. Returns false when it could not; the caller's next step then fails
// with its own text.
bool CreateProtectedFolder(const std::wstring& folder);

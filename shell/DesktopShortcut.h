#pragma once
// Places the shortcut "Venkor" to Pad + "VENKOR.EXE" on the current user's
// desktop, in the folder the registry names under HKEY_CURRENT_USER
// "Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders",
// value "Desktop". Fails (Failure) when that value cannot be read as text
// and with every failure of TShellLink::Write; a key that can be neither
// opened nor created means no shortcut and no message.
#include <windows.h>

#include <functional>
#include <string>

#include "ShellLink.h"

void PlaceDesktopShortcut(TShellLink& ShellLink1, const std::wstring& Pad);

// The registry calls it makes, replaceable so that tests can make a call fail
// the way the real registry cannot be made to (a value that changes between
// its two reads, a key that cannot be created).
struct DesktopRegistry {
    std::function<LSTATUS(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD)>
        CreateKey = ::RegCreateKeyExW;
    std::function<LSTATUS(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD)> QueryValue = ::RegQueryValueExW;
};

void PlaceDesktopShortcut(TShellLink& ShellLink1, const std::wstring& Pad, const DesktopRegistry& registry);

#pragma once
// What an installation puts where: the folder on the chosen drive, the
// program started at Finish, the desktop shortcut, and the archives fetched
// from the file server, in order. The window, the installation run and the
// shortcut placement all read it from here.
#include <string>

namespace InstallPlan {

inline constexpr wchar_t kFolderName[] = L"VENKOR";
inline constexpr wchar_t kProgramFile[] = L"VENKOR.EXE";
inline constexpr wchar_t kShortcutName[] = L"Venkor";  // written as "Venkor.lnk"

struct Archive {
    const wchar_t* serverPath;  // relative to the file server's base URL
    const wchar_t* localName;   // in the target folder
};
// upgrade.zip comes second: its files replace those of main.zip.
inline constexpr Archive kArchives[] = {
    {L"venkor/Files/main.zip", L"main.zip"},
    {L"venkor/Files/upgrade.zip", L"upgrade.zip"},
};

}  // namespace InstallPlan

inline bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// The target folder on a drive: "D:\VENKOR\", always with a trailing backslash;
// empty when the drive code is no letter (no drive chosen), which the
// installation run refuses.
inline std::wstring InstallFolder(wchar_t drive) {
    if (!IsDriveLetter(drive)) return {};
    return std::wstring(1, drive) + L":\\" + InstallPlan::kFolderName + L"\\";
}

// The program in a target folder; with an empty folder the bare file name,
// which Windows looks up in its search order.
inline std::wstring ProgramPath(const std::wstring& folder) { return folder + InstallPlan::kProgramFile; }

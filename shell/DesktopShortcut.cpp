#include "DesktopShortcut.h"

#include <vector>

#include "Failure.h"
#include "FormatText.h"
#include "InstallPlan.h"
#include "LibraryText.h"
#include "ShellTextIds.h"
#include "UniqueHandle.h"

namespace {

constexpr const wchar_t* kShellFoldersKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const wchar_t* kDesktopValue = L"Desktop";

// A missing or empty value reads as empty text; a value that cannot be read
// the second time, or that is not text, is a failure. Expandable text is
// returned as stored, references unexpanded.
std::wstring ReadText(const DesktopRegistry& registry, HKEY key, const wchar_t* name) {
    DWORD type = 0;
    DWORD size = 0;
    if (registry.QueryValue(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0 ||
        static_cast<LONG>(size) < 0)
        return {};

    // size / 2 characters hold the text; the one after them stays zero, so an
    // odd byte count can never reach past the buffer.
    const DWORD length = size / 2;
    std::vector<wchar_t> buffer(length + 1, L'\0');
    if (registry.QueryValue(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
        throw Failure(FormatText(LoadResString(IDS_REG_GET_DATA_FAILED), {std::wstring(name)}));
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw Failure(FormatText(LoadResString(IDS_REG_INVALID_TYPE), {std::wstring(name)}));

    std::wstring text(buffer.data(), length);
    return text.substr(0, text.find(L'\0'));
}

}  // namespace

void PlaceDesktopShortcut(TShellLink& ShellLink1, const std::wstring& Pad) {
    PlaceDesktopShortcut(ShellLink1, Pad, DesktopRegistry{});
}

void PlaceDesktopShortcut(TShellLink& ShellLink1, const std::wstring& Pad, const DesktopRegistry& registry) {
    UniqueKey key;
    if (registry.CreateKey(HKEY_CURRENT_USER, kShellFoldersKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                           nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        return;  // no shortcut, and nothing worth a message

    ShellLink1.SetDescription(InstallPlan::kShortcutName);
    ShellLink1.SetProgramFile(ProgramPath(Pad));
    std::wstring folder = ReadText(registry, key.Get(), kDesktopValue);
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    ShellLink1.SetLinkFile(folder + InstallPlan::kShortcutName + L".lnk");
    ShellLink1.Write();
}

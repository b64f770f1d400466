#include "InstallDrive.h"

#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <iterator>
#include <utility>

namespace {

// While the drives are listed, the system must not ask for a disk in an
// empty drive; the previous mode is restored afterwards.
class NoDiskPrompts {
public:
    NoDiskPrompts() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    ~NoDiskPrompts() { SetErrorMode(previous_); }
    NoDiskPrompts(const NoDiskPrompts&) = delete;
    NoDiskPrompts& operator=(const NoDiskPrompts&) = delete;

private:
    UINT previous_;
};

std::wstring Trimmed(const std::wstring& text) {
    const auto first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return {};
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

constexpr int kIconIndent = 4;
constexpr int kTextPadding = 2;

}  // namespace

std::vector<std::wstring> FixedDriveRoots() {
    std::vector<std::wstring> fixed;
    wchar_t roots[4 * 26 + 1] = {};
    const DWORD length = GetLogicalDriveStringsW(static_cast<DWORD>(std::size(roots) - 1), roots);
    if (length == 0 || length >= std::size(roots)) return fixed;
    for (const wchar_t* root = roots; *root; root += wcslen(root) + 1)
        if (GetDriveTypeW(root) == DRIVE_FIXED) fixed.emplace_back(root);
    return fixed;
}

TInstallDrive::TInstallDrive(HWND parent, int id, DriveRoots fixedDrives)
    : id_(id), fixedDrives_(std::move(fixedDrives)) {
    handle_ = CreateWindowExW(
        0, WC_COMBOBOXW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 0, 0,
        0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    BuildList();
}

void PlaceDriveChooser(HWND chooser, int x, int y, int width, int height, int itemHeight, HFONT font) {
    SendMessageW(chooser, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(chooser, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight);
    SendMessageW(chooser, CB_SETITEMHEIGHT, 0, itemHeight);
    // The control's height includes the dropped-down list.
    SetWindowPos(chooser, nullptr, x, y, width, height + 8 * itemHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TInstallDrive::BuildList() {
    NoDiskPrompts noPrompts;
    entries_.clear();
    SendMessageW(handle_, CB_RESETCONTENT, 0, 0);

    for (const std::wstring& root : fixedDrives_()) {
        const auto letter = static_cast<wchar_t>(std::towupper(root[0]));
        Entry entry{root, letter, -1, std::wstring(1, letter) + L":"};
        if (shown_) Describe(entry);
        SendMessageW(handle_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.name.c_str()));
        entries_.push_back(std::move(entry));
    }
}

void TInstallDrive::Describe(Entry& entry) {
    SHFILEINFOW info{};
    const auto list = SHGetFileInfoW(entry.root.c_str(), 0, &info, sizeof info,
                                     SHGFI_DISPLAYNAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    if (list) icons_ = reinterpret_cast<HIMAGELIST>(list);
    entry.icon = list ? info.iIcon : -1;
    if (std::wstring name = Trimmed(info.szDisplayName); !name.empty()) entry.name = std::move(name);
}

void TInstallDrive::Describe() {
    NoDiskPrompts noPrompts;
    const auto selected = SendMessageW(handle_, CB_GETCURSEL, 0, 0);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        Describe(entries_[i]);
        SendMessageW(handle_, CB_DELETESTRING, i, 0);
        SendMessageW(handle_, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(entries_[i].name.c_str()));
    }
    SendMessageW(handle_, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

int TInstallDrive::IndexOf(wchar_t letter) const {
    letter = static_cast<wchar_t>(std::towupper(letter));
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].letter == letter) return static_cast<int>(i);
    return -1;
}

void TInstallDrive::Select(int index) {
    SendMessageW(handle_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    drive_ = index >= 0 ? entries_[index].letter : L'\0';
}

void TInstallDrive::SetDrive(wchar_t letter) {
    if (const int index = IndexOf(letter); index >= 0) Select(index);
}

void TInstallDrive::SelectionChanged() {
    const auto index = static_cast<int>(SendMessageW(handle_, CB_GETCURSEL, 0, 0));
    if (index >= 0 && index < static_cast<int>(entries_.size())) drive_ = entries_[index].letter;
}

void TInstallDrive::Shown() {
    if (shown_) return;
    shown_ = true;
    Describe();
    if (drive_ != 0 || entries_.empty()) return;
    wchar_t current[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, current);
    const int index = length > 0 && length < MAX_PATH ? IndexOf(current[0]) : -1;
    Select(index >= 0 ? index : 0);
}

void TInstallDrive::VolumesChanged() {
    const auto position = static_cast<int>(SendMessageW(handle_, CB_GETCURSEL, 0, 0));
    BuildList();
    // The chosen drive stays chosen while it is listed; only when it went away
    // does the entry now at its position take its place, so what the list
    // shows is always the drive that will be used.
    if (const int index = IndexOf(drive_); drive_ != 0 && index >= 0)
        Select(index);
    else if (position >= 0 && !entries_.empty())
        Select(std::min(position, static_cast<int>(entries_.size()) - 1));
    else
        Select(-1);
}

void TInstallDrive::DrawItem(const DRAWITEMSTRUCT& item) const {
    HDC dc = item.hDC;
    RECT area = item.rcItem;
    FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
    if (item.itemID == static_cast<UINT>(-1) || item.itemID >= entries_.size()) return;
    const Entry& entry = entries_[item.itemID];

    const int iconWidth = GetSystemMetrics(SM_CXSMICON);
    const int iconHeight = GetSystemMetrics(SM_CYSMICON);
    if (icons_ && entry.icon >= 0)
        ImageList_Draw(icons_, entry.icon, dc, area.left + kIconIndent,
                       area.top + (area.bottom - area.top - iconHeight) / 2, ILD_TRANSPARENT);

    // Only the text is highlighted and framed, not the icon.
    SIZE extent{};
    GetTextExtentPoint32W(dc, entry.name.c_str(), static_cast<int>(entry.name.size()), &extent);
    RECT text{area.left + kIconIndent + iconWidth + kIconIndent, area.top, 0, area.bottom};
    text.right = std::min<LONG>(area.right, text.left + extent.cx + 2 * kTextPadding);
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(dc, &text, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT inner{text.left + kTextPadding, text.top, text.right, text.bottom};
    DrawTextW(dc, entry.name.c_str(), static_cast<int>(entry.name.size()), &inner,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) DrawFocusRect(dc, &text);
}

#pragma once
// InstallDrive: the drop-down list of the computer's fixed drives, each shown
// with the shell's small icon and display name. Drive is the chosen letter.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

// The roots of the computer's fixed drives, such as C:\ and D:\, in the
// system's order.
std::vector<std::wstring> FixedDriveRoots();

// Moves and sizes the chooser (height: the closed list's; itemHeight: that
// of one entry and of the selection field) and gives it its font.
void PlaceDriveChooser(HWND chooser, int x, int y, int width, int height, int itemHeight, HFONT font);

class TInstallDrive {
public:
    using DriveRoots = std::function<std::vector<std::wstring>()>;

    // Made in no place: PlaceDriveChooser puts it there. fixedDrives lists
    // the drives each time the list is built; tests give drives of their own.
    TInstallDrive(HWND parent, int id, DriveRoots fixedDrives = FixedDriveRoots);

    HWND Handle() const { return handle_; }
    int Id() const { return id_; }

    // The upper-case letter of the selected drive; 0 while none is selected.
    wchar_t Drive() const { return drive_; }
    // Selects the drive with this letter (either case) when it is listed;
    // otherwise nothing changes.
    void SetDrive(wchar_t letter);

    // Called by the window for the chooser's notifications and events.
    void DrawItem(const DRAWITEMSTRUCT& item) const;
    void SelectionChanged();
    // The first time the chooser is shown it takes the drives' shell names
    // and icons, and without a selection it picks the drive of the current
    // directory when listed, otherwise the first drive.
    void Shown();
    // A volume arrived or was removed: the list is built again.
    void VolumesChanged();

private:
    struct Entry {
        std::wstring root;
        wchar_t letter;
        int icon;
        std::wstring name;
    };

    void BuildList();
    // Asks the shell for each entry's display name and icon: slow (it reads
    // every volume), so it waits until the chooser is first shown, and the
    // entries are named by their letters until then.
    void Describe();
    void Describe(Entry& entry);
    int IndexOf(wchar_t letter) const;
    void Select(int index);

    HWND handle_;
    int id_;
    DriveRoots fixedDrives_;
    HIMAGELIST icons_ = nullptr;  // the system's small icon list: shared, never destroyed
    std::vector<Entry> entries_;
    wchar_t drive_ = 0;
    bool shown_ = false;
};

// The installation step of the wizard: the run into the chosen drive, then
// the shortcut on the desktop.
#include "DesktopShortcut.h"
#include "InstallRun.h"
#include "ufrmMain.h"

void TfrmMain::Install() {
    RunInstallation(InstallDrive->Drive(), Pad, IdHTTP1, AbUnZipper1, fileServer_);
    PlaceDesktopShortcut(ShellLink1, Pad);
}

// The installation step of the wizard.
#include "ufrmMain.h"

void TfrmMain::Install() {
    // The installation run is not linked into this build yet.
    throw Failure(L"Installation not available");
}

// The progress bar follows the HTTP client's progress events. The run holds
// the UI thread, so each event also lets the window paint; input stays
// queued until the run is over.
#include "ufrmMain.h"

#include <commctrl.h>

void TfrmMain::IdHTTP1WorkBegin(TWorkMode, std::int64_t AWorkCountMax) {
    // An unannounced length (0) keeps the previous maximum.
    if (AWorkCountMax > 0)
        SendMessageW(ProgressBar, PBM_SETRANGE32, 0, static_cast<LPARAM>(static_cast<std::int32_t>(AWorkCountMax)));
    PaintPending();
}

void TfrmMain::IdHTTP1Work(TWorkMode, std::int64_t AWorkCount) {
    SendMessageW(ProgressBar, PBM_SETPOS, static_cast<WPARAM>(static_cast<std::int32_t>(AWorkCount)), 0);
    PaintPending();
}

// Also while the server is silent: the window paints and stays responsive.
void TfrmMain::IdHTTP1Busy() { PaintPending(); }

void TfrmMain::IdHTTP1WorkEnd(TWorkMode) {
    SendMessageW(ProgressBar, PBM_SETPOS, 0, 0);
    PaintPending();
}

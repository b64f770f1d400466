#pragma once
// A plain white container window: the left strip, the page area, each page
// and the button bar. It passes the notifications of its controls on to the
// top-level window, so the main window handles them all in one place.
#include <windows.h>

// etchedTop: along its top edge only, an etched line of two rows (the
// button-shadow colour above the button-highlight colour), each this many
// pixels high; 0 for none.
HWND CreatePanel(HWND parent, int id, int x, int y, int width, int height, int etchedTop = 0);
// The etched line's rows at another density.
void SetEtchedTop(HWND panel, int etchedTop);

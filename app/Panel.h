#pragma once
// A plain white container window: the left strip, the page area, each page
// and the button bar. It passes the notifications of its controls on to the
// top-level window, so the main window handles them all in one place.
#include <windows.h>

enum class PanelEdge { None, EtchedTop };

HWND CreatePanel(HWND parent, int id, int x, int y, int width, int height, PanelEdge edge = PanelEdge::None);

#pragma once
// The wizard's window against its design: the rectangles of the window and
// its controls at 120 pixels per inch, scaled to a screen density.
#include <windows.h>

#include <string>
#include <vector>

// What differs from the design scaled to dpi, one line per fault: the client
// area, the image strip, the button bar and its buttons, the page area and
// every page made so far with its texts, the drive chooser and the progress
// bar. A text sized to its content must measure as the design's font at
// that density would make it, which checks the font's size too. Reads only
// what another process can read.
std::vector<std::string> LayoutFaults(HWND wizard, int dpi);

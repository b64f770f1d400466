#pragma once
// The wizard's pages in stack order, with their fixed Dutch texts.
#include <windows.h>

#include "DesignScale.h"
#include "Notebook.h"

enum class TPage : int { Start, Locatie, InstallMain, Einde, Abort };

struct PageFonts {
    HFONT text;   // the window's font
    HFONT title;  // page titles
};

// Adds the five pages to the notebook, each with its title and texts.
void AddWizardPages(TNotebook& notebook, const DesignScale& scale, const PageFonts& fonts);

// Where the working controls sit on their pages (design pixels).
struct DesignRect {
    int x, y, width, height;
};
inline constexpr DesignRect kInstallDriveBounds{21, 126, 409, 26};
inline constexpr int kInstallDriveItemHeight = 20;
inline constexpr DesignRect kProgressBarBounds{21, 167, 482, 23};

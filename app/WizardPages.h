#pragma once
// The wizard's pages in stack order, with their fixed Dutch texts.
#include <windows.h>

#include "DesignScale.h"

enum class TPage : int { Start, Locatie, InstallMain, Einde, Abort };
inline constexpr int kPageCount = 5;

struct PageFonts {
    HFONT text;   // the window's font
    HFONT title;  // page titles
};

// Puts a page's title and texts on it, in no place yet (the working
// controls are the window's own).
void AddWizardTexts(TPage which, HWND page);
// Places them and gives them their fonts, at the scale's density.
void PlaceWizardTexts(TPage which, HWND page, const DesignScale& scale, const PageFonts& fonts);

// Where the working controls sit on their pages (design pixels).
inline constexpr DesignRect kInstallDriveBounds{21, 126, 409, 26};
inline constexpr int kInstallDriveItemHeight = 20;
inline constexpr DesignRect kProgressBarBounds{21, 167, 482, 23};

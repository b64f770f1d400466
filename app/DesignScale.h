#pragma once
// The window is laid out at 120 pixels per inch; every position, size and
// font height is scaled to the screen's density when the window is made.
#include <windows.h>

class DesignScale {
public:
    static constexpr int DesignDpi = 120;

    explicit DesignScale(int screenDpi) : dpi_(screenDpi > 0 ? screenDpi : 96) {}

    // The density of the primary screen as the program sees it (we declare no
    // DPI awareness, so on a high-density screen the system scales us further).
    static DesignScale ForScreen() {
        HDC screen = GetDC(nullptr);
        const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) ReleaseDC(nullptr, screen);
        return DesignScale(dpi);
    }

    int Dpi() const { return dpi_; }
    int operator()(int designPixels) const { return MulDiv(designPixels, dpi_, DesignDpi); }

private:
    int dpi_;
};

#pragma once
// The window is laid out at 120 pixels per inch; every position, size and
// font height is scaled to the screen's density when the window is made.
#include <windows.h>

#include "GdiObjects.h"

class DesignScale {
public:
    static constexpr int kDesignDpi = 120;

    explicit DesignScale(int screenDpi) : dpi_(screenDpi > 0 ? screenDpi : 96) {}

    // The density of the primary screen as the program sees it (we declare no
    // DPI awareness, so on a high-density screen the system scales us further).
    static DesignScale ForScreen() {
        const ScopedDC screen(nullptr);
        return DesignScale(screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96);
    }

    int operator()(int designPixels) const { return MulDiv(designPixels, dpi_, kDesignDpi); }

private:
    int dpi_;
};

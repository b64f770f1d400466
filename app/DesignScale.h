#pragma once
// The window is laid out at 120 pixels per inch; every position, size and
// font height is scaled to the density the window is shown at, when it is
// made and again when it moves to a screen of another density.
#include <windows.h>

#include "GdiObjects.h"

// A rectangle in design pixels: left, top, width, height.
struct DesignRect {
    int x, y, width, height;
};

class DesignScale {
public:
    static constexpr int kDesignDpi = 120;

    explicit DesignScale(int screenDpi) : dpi_(screenDpi > 0 ? screenDpi : 96) {}

    // The density of the primary screen as the program sees it: 96 for a
    // program that declares no DPI awareness on a screen Windows scales.
    static DesignScale ForScreen() {
        const ScopedDC screen(nullptr);
        return DesignScale(screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96);
    }

    // The density of the window's screen (Windows 10 1607 and later; the
    // primary screen's before). For a program without DPI awareness it is
    // the same as ForScreen; a per-monitor aware one (release builds) gets
    // its monitor's own.
    static DesignScale ForWindow(HWND window) {
        using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
        const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
        if (getDpiForWindow)
            if (const UINT dpi = getDpiForWindow(window)) return DesignScale(static_cast<int>(dpi));
        return ForScreen();
    }

    int Dpi() const { return dpi_; }
    int operator()(int designPixels) const { return MulDiv(designPixels, dpi_, kDesignDpi); }

    // Moves and sizes a child window to a design rectangle of its parent.
    void Place(HWND control, const DesignRect& r) const {
        SetWindowPos(control, nullptr, (*this)(r.x), (*this)(r.y), (*this)(r.width), (*this)(r.height),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }

private:
    int dpi_;
};

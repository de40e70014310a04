// A window's client area as the screen shows it, read back pixel by pixel.
#pragma once

#include <windows.h>

#include <vector>

namespace veltar::driver {

// The main window at 96 DPI: its background, the green band's width, where the
// text starts and the height of a line.
inline constexpr COLORREF kBlue = RGB(0, 0, 255);
inline constexpr COLORREF kGreen = RGB(0, 255, 0);
inline constexpr int kBand = 17;
inline constexpr int kTextTop = 16;
inline constexpr int kLineHeight = 20;

class Capture {
public:
    explicit Capture(HWND window);
    // A rectangle of the screen, for a window that another process draws.
    explicit Capture(const RECT& screen);

    COLORREF At(int x, int y) const {
        const DWORD p = pixels[static_cast<std::size_t>(y) * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // Text is drawn yellow, possibly smoothed against the blue.
    bool IsText(int x, int y) const {
        const COLORREF c = At(x, y);
        return GetRValue(c) > 128 && GetGValue(c) > 128 && GetBValue(c) < 128;
    }
    int TextPixelsInRows(int top, int bottom) const;

    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;
};

}  // namespace veltar::driver

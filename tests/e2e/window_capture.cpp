#include "tests/e2e/window_capture.h"

namespace veltar::driver {

namespace {

// The pixels of the window's device context from (x, y) on.
void Read(Capture& capture, HWND window, int x, int y) {
    const int width = capture.width;
    const int height = capture.height;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC source = GetDC(window);
    const HDC memory = CreateCompatibleDC(source);
    const HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    capture.pixels.assign(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + width * height);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, source);
}

}  // namespace

Capture::Capture(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    width = client.right;
    height = client.bottom;
    Read(*this, window, 0, 0);
}

Capture::Capture(const RECT& screen) {
    width = screen.right - screen.left;
    height = screen.bottom - screen.top;
    Read(*this, nullptr, screen.left, screen.top);
}

int Capture::TextPixelsInRows(int top, int bottom) const {
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < width; ++x) count += IsText(x, y);
    return count;
}

}  // namespace veltar::driver

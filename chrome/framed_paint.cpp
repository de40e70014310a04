#include "chrome/framed_paint.h"

#include "base/scoped_win.h"
#include "sensors/platform/value_record.h"
#include "chrome/framed_background.h"

namespace {

constexpr BYTE kOpaque = 255;

}  // namespace

HBITMAP BlendFramedBitmap(HWND hWnd, std::pair<DWORD, DWORD> colors, HDC target, const RECT& margins) {
    RECT client{};
    GetClientRect(hWnd, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0) return nullptr;

    const veltar::ScopedMemoryDC memory(CreateCompatibleDC(target));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(width) * height * 4;
    void* bits = nullptr;
    veltar::ScopedBitmap bitmap(CreateDIBSection(target, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return nullptr;
    {
        const veltar::ScopedSelectObject selected(memory.get(), bitmap.get());
        veltar::FillFramedBackground(
            std::span(static_cast<std::uint32_t*>(bits), static_cast<std::size_t>(width) * height), width, height,
            colors.first, colors.second, {margins.left, margins.top, margins.right, margins.bottom});
        // The words are not premultiplied; the copy that follows makes the result opaque.
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, kOpaque, AC_SRC_ALPHA};
        if (!AlphaBlend(target, 0, 0, width, height, memory.get(), 0, 0, width, height, blend)) return nullptr;
    }
    return bitmap.Release();
}

void StretchBitmapToClient(HDC target, HWND hWnd, int sourceWidth, int sourceHeight, HBITMAP bitmap) {
    if (!bitmap) return;
    RECT client{};
    GetClientRect(hWnd, &client);
    // Undone in reverse: the previous bitmap selected back, the bitmap deleted, the context deleted.
    const veltar::ScopedMemoryDC memory(CreateCompatibleDC(target));
    const veltar::ScopedBitmap owned(bitmap);
    const veltar::ScopedSelectObject selected(memory.get(), bitmap);
    StretchBlt(target, 0, 0, client.right - client.left, client.bottom - client.top, memory.get(), 0, 0, sourceWidth,
               sourceHeight, SRCCOPY);
}

RECT PaintFramedBackground(HDC dc, HWND hWnd, std::pair<DWORD, DWORD> colors, const RECT& margins) {
    RECT client{};
    GetClientRect(hWnd, &client);
    const HBITMAP background = BlendFramedBitmap(hWnd, colors, dc, margins);
    StretchBitmapToClient(dc, hWnd, client.right - client.left, client.bottom - client.top, background);
    return client;
}

bool DrawTextInFont(HDC dc, const std::u16string& text, RECT bounds, int height, const std::u16string& face,
                    COLORREF color, UINT format) {
    const veltar::ScopedFont font(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0,
                                              FF_SWISS | DEFAULT_PITCH,
                                              veltar::AsOle(face.c_str())));
    if (!font) return false;
    const veltar::ScopedSelectObject selected(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color);
    const auto* wide = veltar::AsOle(text.c_str());
    DrawTextW(dc, wide, lstrlenW(wide), &bounds, format);
    return true;
}

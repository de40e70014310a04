// Draws the history's picture with GDI into a bitmap of its own size, which the
// window shows and the PNG file and the clipboard are made from.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "base/scoped_win.h"
#include "viewer/history_picture.h"

namespace veltar {

// A 32-bit top-down bitmap the picture is drawn into, kept while its size stays.
class PictureBitmap {
public:
    // Draws the picture; false when no bitmap of its size could be made.
    bool Draw(const Picture& picture);
    HBITMAP get() const { return m_bitmap.get(); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Each pixel as 0x00RRGGBB, top row first.
    std::vector<std::uint32_t> Pixels() const;

private:
    ScopedBitmap m_bitmap;
    void* m_bits = nullptr;
    int m_width = 0, m_height = 0;
};

// The pointer's line across its pane and, beside it, its moment and values.
void DrawPointer(HDC dc, const Picture& picture, const PointerReading& reading);

// Puts the bitmap on the clipboard as a device-independent bitmap; false when it could not.
bool CopyToClipboard(HWND owner, const PictureBitmap& bitmap);

}  // namespace veltar

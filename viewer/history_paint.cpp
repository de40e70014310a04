#include "viewer/history_paint.h"

#include <cstring>

#include "chrome/display_scale.h"

namespace veltar {
namespace {

constexpr int kFontHeight = 13;  // pixels at 96 DPI
constexpr COLORREF kGrid = RGB(0xE0, 0xE0, 0xE0);
constexpr COLORREF kFrame = RGB(0xB0, 0xB0, 0xB0);
constexpr COLORREF kPointerLine = RGB(0x40, 0x40, 0x40);
constexpr wchar_t kFontFace[] = L"\u5B8B\u4F53";  // the window's own face, 宋体

COLORREF Ref(Rgb c) { return RGB(c.r, c.g, c.b); }

using ScopedPen = Scoped<HPEN, DeleteObject>;

ScopedFont MakeFont(unsigned dpi) {
    return ScopedFont(CreateFontW(-ScaledPixels(kFontHeight, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                  DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, kFontFace));
}

void Text(HDC dc, const Label& label) {
    SetTextColor(dc, Ref(label.color));
    SetTextAlign(dc, TA_TOP | TA_NOUPDATECP |
                         (label.anchor == Anchor::Right ? TA_RIGHT : label.anchor == Anchor::Center ? TA_CENTER : TA_LEFT));
    TextOutW(dc, label.at.x, label.at.y, reinterpret_cast<const wchar_t*>(label.text.c_str()),
             static_cast<int>(label.text.size()));
}

void Fill(HDC dc, const RECT& box, COLORREF color) {
    const ScopedBrush brush(CreateSolidBrush(color));
    FillRect(dc, &box, brush.get());
}

void HorizontalLine(HDC dc, int left, int right, int y) {
    MoveToEx(dc, left, y, nullptr);
    LineTo(dc, right, y);
}

void VerticalLine(HDC dc, int x, int top, int bottom) {
    MoveToEx(dc, x, top, nullptr);
    LineTo(dc, x, bottom);
}

void DrawPane(HDC dc, const Pane& pane, unsigned dpi) {
    const Rect& plot = pane.plot;
    {
        const ScopedPen grid(CreatePen(PS_SOLID, 1, kGrid));
        const ScopedSelectObject selected(dc, grid.get());
        for (const int x : pane.gridX) VerticalLine(dc, x, plot.top, plot.bottom);
        for (const int y : pane.gridY) HorizontalLine(dc, plot.left, plot.right, y);
    }
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, plot.left, plot.top - 1, plot.right, plot.bottom + 1);
    for (const Trace& trace : pane.traces) {
        const ScopedBrush tint(CreateSolidBrush(Ref(LightTint(trace.color))));
        const ScopedPen none(CreatePen(PS_NULL, 0, 0));
        const ScopedSelectObject brush(dc, tint.get());
        const ScopedSelectObject pen(dc, none.get());
        for (const std::vector<Point>& band : trace.bands)
            Polygon(dc, reinterpret_cast<const POINT*>(band.data()), static_cast<int>(band.size()));
    }
    const int width = std::max(1, ScaledPixels(1, dpi));
    for (const LimitMark& limit : pane.limits) {
        // Dashes at any width: a geometric pen draws them where a cosmetic one would not.
        LOGBRUSH brush{BS_SOLID, Ref(limit.color), 0};
        const ScopedPen dashed(ExtCreatePen(PS_GEOMETRIC | (limit.critical ? PS_DASHDOT : PS_DASH) | PS_ENDCAP_FLAT,
                                            static_cast<DWORD>(width), &brush, 0, nullptr));
        const ScopedSelectObject pen(dc, dashed.get());
        HorizontalLine(dc, plot.left, plot.right, limit.y);
    }
    for (const Trace& trace : pane.traces) {
        const ScopedPen line(CreatePen(PS_SOLID, width, Ref(trace.color)));
        const ScopedSelectObject pen(dc, line.get());
        for (const std::vector<Point>& points : trace.lines)
            Polyline(dc, reinterpret_cast<const POINT*>(points.data()), static_cast<int>(points.size()));
    }
    RestoreDC(dc, saved);
    {
        const ScopedPen frame(CreatePen(PS_SOLID, 1, kFrame));
        const ScopedSelectObject pen(dc, frame.get());
        const ScopedSelectObject hollow(dc, GetStockObject(HOLLOW_BRUSH));
        Rectangle(dc, plot.left, plot.top, plot.right + 1, plot.bottom + 1);
    }
    for (const auto& [color, box] : pane.swatches) Fill(dc, {box.left, box.top, box.right, box.bottom}, Ref(color));
    for (const Label& label : pane.labels) Text(dc, label);
}

}  // namespace

bool PictureBitmap::Draw(const Picture& picture) {
    if (!m_bitmap || m_width != picture.width || m_height != picture.height) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), picture.width, -picture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        m_bitmap = ScopedBitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0));
        m_width = m_bitmap ? picture.width : 0;
        m_height = m_bitmap ? picture.height : 0;
        if (!m_bitmap) return false;
    }
    const ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
    const ScopedSelectObject bitmap(dc.get(), m_bitmap.get());
    const ScopedFont font = MakeFont(picture.dpi);
    const ScopedSelectObject selectedFont(dc.get(), font.get());
    SetBkMode(dc.get(), TRANSPARENT);
    Fill(dc.get(), {0, 0, picture.width, picture.height}, RGB(255, 255, 255));
    for (const Pane& pane : picture.panes) DrawPane(dc.get(), pane, picture.dpi);
    for (const Label& label : picture.labels) Text(dc.get(), label);
    GdiFlush();
    return true;
}

std::vector<std::uint32_t> PictureBitmap::Pixels() const {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height));
    if (m_bits) std::memcpy(pixels.data(), m_bits, pixels.size() * sizeof(std::uint32_t));
    for (std::uint32_t& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

void DrawPointer(HDC dc, const Picture& picture, const PointerReading& reading) {
    const Pane& pane = picture.panes[reading.pane];
    const unsigned dpi = picture.dpi;
    {
        const ScopedPen line(CreatePen(PS_SOLID, 1, kPointerLine));
        const ScopedSelectObject pen(dc, line.get());
        VerticalLine(dc, reading.x, pane.plot.top, pane.plot.bottom);
    }
    const ScopedFont font = MakeFont(dpi);
    const ScopedSelectObject selectedFont(dc, font.get());
    int width = 0;
    for (const auto& [color, text] : reading.lines) {
        SIZE size{};
        GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.c_str()), static_cast<int>(text.size()), &size);
        width = std::max(width, static_cast<int>(size.cx));
    }
    const int lineHeight = ScaledPixels(14, dpi);
    const int pad = ScaledPixels(4, dpi);
    const int boxWidth = width + 2 * pad;
    const int boxHeight = static_cast<int>(reading.lines.size()) * lineHeight + 2 * pad;
    // Beside the line, on the side with room for it.
    int left = reading.x + pad;
    if (left + boxWidth > pane.plot.right) left = reading.x - pad - boxWidth;
    const int top = std::max(0, std::min(pane.plot.top, picture.height - boxHeight));
    {
        const ScopedPen frame(CreatePen(PS_SOLID, 1, kFrame));
        const ScopedSelectObject pen(dc, frame.get());
        const ScopedSelectObject white(dc, GetStockObject(WHITE_BRUSH));
        Rectangle(dc, left, top, left + boxWidth, top + boxHeight);
    }
    SetBkMode(dc, TRANSPARENT);
    int y = top + pad;
    for (const auto& [color, text] : reading.lines) {
        Text(dc, {{left + pad, y}, Anchor::Left, text, color});
        y += lineHeight;
    }
}

bool CopyToClipboard(HWND owner, const PictureBitmap& bitmap) {
    const std::vector<std::uint32_t> pixels = bitmap.Pixels();
    const std::size_t bytes = pixels.size() * sizeof(std::uint32_t);
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + bytes);
    if (!memory) return false;
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(memory));
    // Bottom row first, as every program that pastes a bitmap reads it.
    *header = {sizeof(BITMAPINFOHEADER), bitmap.Width(), bitmap.Height(), 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    const std::size_t row = static_cast<std::size_t>(bitmap.Width());
    auto* rows = reinterpret_cast<std::uint32_t*>(header + 1);
    for (std::size_t y = 0; y < static_cast<std::size_t>(bitmap.Height()); ++y)
        std::memcpy(rows + (static_cast<std::size_t>(bitmap.Height()) - 1 - y) * row, pixels.data() + y * row,
                    row * sizeof(std::uint32_t));
    GlobalUnlock(memory);
    // The clipboard owns the memory once SetClipboardData has taken it.
    if (OpenClipboard(owner)) {
        EmptyClipboard();
        const bool taken = SetClipboardData(CF_DIB, memory) != nullptr;
        CloseClipboard();
        if (taken) return true;
    }
    GlobalFree(memory);
    return false;
}

}  // namespace veltar

// Rectangles and points in pixels, and the window placement rules.
#pragma once

#include <cstdint>

namespace veltar {

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    std::int32_t Width() const { return right - left; }
    std::int32_t Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const Point&) const = default;
};

// The half-open test: the right and bottom lines lie outside.
constexpr bool Contains(const Rect& r, Point p) {
    return r.left <= p.x && p.x < r.right && r.top <= p.y && p.y < r.bottom;
}

// True when the client point lies in the client rectangle but not in the
// inner rectangle that the margins leave.
bool IsInFrameBand(Point point, const Rect& client, const Rect& margins);

// The top-left corner that centres a window of the given size on the target
// rectangle, moved as little as needed to keep it inside the work area.
Point CenteredPosition(std::int32_t width, std::int32_t height, const Rect& target, const Rect& workArea);

}  // namespace veltar

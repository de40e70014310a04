#include "chrome/geometry.h"

namespace veltar {
namespace {

std::int32_t KeepInside(std::int32_t start, std::int32_t size, std::int32_t low, std::int32_t high) {
    if (start + size > high) start = high - size;
    if (start < low) start = low;
    return start;
}

}  // namespace

Point CenteredPosition(std::int32_t width, std::int32_t height, const Rect& target, const Rect& workArea) {
    const std::int32_t x = (target.left + target.right) / 2 - width / 2;
    const std::int32_t y = (target.top + target.bottom) / 2 - height / 2;
    return {KeepInside(x, width, workArea.left, workArea.right), KeepInside(y, height, workArea.top, workArea.bottom)};
}

bool IsInFrameBand(Point point, const Rect& client, const Rect& margins) {
    const Rect inner{client.left + margins.left, client.top + margins.top, client.right - margins.right,
                     client.bottom - margins.bottom};
    return Contains(client, point) && !Contains(inner, point);
}

}  // namespace veltar

// Pixel values at a display scale: every size of the windows is given for 96
// DPI (100 %) and grows with the window's DPI as MulDiv(value, dpi, 96) does.
#pragma once

#include <cstdint>

#include "chrome/geometry.h"

namespace veltar {

inline constexpr unsigned kDefaultDpi = 96;

// value × dpi / 96, the half rounded away from zero.
constexpr std::int32_t ScaledPixels(std::int32_t value, unsigned dpi) {
    const std::int64_t product = static_cast<std::int64_t>(value) * dpi;
    const std::int64_t half = kDefaultDpi / 2;
    return static_cast<std::int32_t>(product >= 0 ? (product + half) / kDefaultDpi
                                                  : -((-product + half) / kDefaultDpi));
}

constexpr Rect ScaledRect(const Rect& r, unsigned dpi) {
    return {ScaledPixels(r.left, dpi), ScaledPixels(r.top, dpi), ScaledPixels(r.right, dpi),
            ScaledPixels(r.bottom, dpi)};
}

}  // namespace veltar

#include "chrome/framed_background.h"

#include <algorithm>

namespace veltar {

void FillFramedBackground(std::span<std::uint32_t> pixels, std::int32_t width, std::int32_t height,
                          std::uint32_t inner, std::uint32_t frame, const Margins& margins) {
    if (width <= 0 || height <= 0 || pixels.size() < static_cast<std::size_t>(width) * height) return;
    // The interior's columns and rows, as half-open ranges (possibly empty).
    const std::int32_t firstColumn = std::max(margins.left + 1, 0);
    const std::int32_t endColumn = std::min(width - margins.right - 1, width);
    const std::int32_t firstRow = margins.top + 1;
    const std::int32_t endRow = height - margins.bottom - 1;
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint32_t* row = pixels.data() + static_cast<std::size_t>(height - 1 - y) * width;
        const bool interiorRow = y >= firstRow && y < endRow;
        for (std::int32_t x = 0; x < width; ++x)
            row[x] = interiorRow && x >= firstColumn && x < endColumn ? inner : frame;
    }
}

}  // namespace veltar

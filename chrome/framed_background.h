// The two-colour framed background: an interior colour inside a frame band one
// pixel wider than each margin.
#pragma once

#include <cstdint>
#include <span>

namespace veltar {

struct Margins {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// Fills a width x height image of 32-bit ARGB words stored bottom-up (memory
// row 0 is the image's bottom row). A pixel (x, y), counted from the top left,
// is interior when left < x < width - right - 1 and top < y < height - bottom - 1.
void FillFramedBackground(std::span<std::uint32_t> pixels, std::int32_t width, std::int32_t height,
                          std::uint32_t inner, std::uint32_t frame, const Margins& margins);

}  // namespace veltar

#include "chrome/framed_background.h"

#include <gtest/gtest.h>

#include <vector>

namespace veltar {
namespace {

constexpr std::uint32_t kInner = 0x7F0000FF;
constexpr std::uint32_t kFrame = 0x7F00FF00;

struct Image {
    std::int32_t width, height;
    std::vector<std::uint32_t> pixels;
    Image(std::int32_t w, std::int32_t h, const Margins& m) : width(w), height(h), pixels(std::size_t(w) * h, 0) {
        FillFramedBackground(pixels, w, h, kInner, kFrame, m);
    }
    // (x, y) from the top left; memory is bottom-up.
    std::uint32_t At(std::int32_t x, std::int32_t y) const {
        return pixels[static_cast<std::size_t>(height - 1 - y) * width + x];
    }
    // The interior's first and last column of a row, or -1 when it has none.
    std::pair<int, int> InteriorColumns(std::int32_t y) const {
        int first = -1, last = -1;
        for (int x = 0; x < width; ++x)
            if (At(x, y) == kInner) {
                if (first < 0) first = x;
                last = x;
            }
        return {first, last};
    }
};

TEST(FramedBackground, BandsAreOnePixelWiderThanTheMargins) {
    const Image image(100, 100, {16, 16, 16, 16});
    for (int y = 0; y < 100; ++y) {
        const bool interiorRow = y >= 17 && y <= 82;
        EXPECT_EQ(image.InteriorColumns(y), interiorRow ? std::make_pair(17, 82) : std::make_pair(-1, -1)) << y;
    }
    // Memory row 0 is the image's bottom row.
    EXPECT_EQ(image.pixels[17 * 100 + 50], kInner);
    EXPECT_EQ(image.pixels[16 * 100 + 50], kFrame);
}

TEST(FramedBackground, ThirtyFourPixelsLeaveNoInteriorAndThirtyFiveLeaveOneColumn) {
    const Image narrow(34, 60, {16, 16, 16, 16});
    for (int y = 0; y < 60; ++y) EXPECT_EQ(narrow.InteriorColumns(y), std::make_pair(-1, -1));
    const Image one(35, 60, {16, 16, 16, 16});
    EXPECT_EQ(one.InteriorColumns(30), std::make_pair(17, 17));
    const Image flat(60, 35, {16, 16, 16, 16});
    int rows = 0;
    for (int y = 0; y < 35; ++y) rows += flat.InteriorColumns(y).first >= 0;
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(flat.InteriorColumns(17), std::make_pair(17, 42));
}

TEST(FramedBackground, EachSideFollowsItsOwnMargin) {
    const Image about(120, 80, {6, 16, 6, 6});  // the About box's margins
    EXPECT_EQ(about.InteriorColumns(40), std::make_pair(7, 112));
    EXPECT_EQ(about.InteriorColumns(16).first, -1);
    EXPECT_EQ(about.InteriorColumns(17).first, 7);
    EXPECT_EQ(about.InteriorColumns(72).first, 7);
    EXPECT_EQ(about.InteriorColumns(73).first, -1);
}

TEST(FramedBackground, ABufferTooSmallIsLeftAlone) {
    std::vector<std::uint32_t> pixels(10, 1);
    FillFramedBackground(pixels, 5, 5, kInner, kFrame, {1, 1, 1, 1});
    EXPECT_EQ(pixels, std::vector<std::uint32_t>(10, 1));
}

}  // namespace
}  // namespace veltar

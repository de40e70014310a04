#include "chrome/geometry.h"

#include <gtest/gtest.h>

namespace veltar {
namespace {

TEST(CenteredPosition, CentresOnTheTargetAndStaysInsideTheWorkArea) {
    const Rect work{0, 0, 1280, 984};
    EXPECT_EQ(CenteredPosition(400, 200, work, work), (Point{440, 392}));
    // A target near the edge: moved back inside.
    EXPECT_EQ(CenteredPosition(400, 200, Rect{1200, 900, 1280, 984}, work), (Point{880, 784}));
    EXPECT_EQ(CenteredPosition(400, 200, Rect{-50, -50, 10, 10}, work), (Point{0, 0}));
    // A window larger than the work area keeps its top-left corner in it.
    EXPECT_EQ(CenteredPosition(2000, 1200, work, work), (Point{0, 0}));
    // A monitor left of the primary one has negative coordinates.
    const Rect left{-1920, 0, 0, 1040};
    EXPECT_EQ(CenteredPosition(300, 200, left, left), (Point{-1110, 420}));
}

}  // namespace
}  // namespace veltar

#include "ui/docking.h"

#include <gtest/gtest.h>

#include <vector>

namespace veltar {
namespace {

constexpr std::int32_t kScreen = 1920;

// Where a slide leaves the window after each step and at the end, as the
// window carries the plan out.
std::vector<std::int32_t> SlidePositions(std::int32_t start, std::int32_t step, std::int32_t final) {
    std::vector<std::int32_t> positions;
    for (int i = 0; i < kSlideSteps; ++i) positions.push_back(start += step);
    positions.push_back(final);
    return positions;
}

std::vector<std::int32_t> Range(std::int32_t from, std::int32_t step, std::int32_t final) {
    std::vector<std::int32_t> positions;
    for (std::int32_t p = from, i = 0; i < kSlideSteps; ++i, p += step) positions.push_back(p);
    positions.push_back(final);
    return positions;
}

TEST(TruncatedQuotient, RoundsTowardZeroForEitherSign) {
    EXPECT_EQ(TruncatedQuotient(-199, 20), -9);
    EXPECT_EQ(TruncatedQuotient(200, -20), -10);
    EXPECT_EQ(TruncatedQuotient(199, -20), -9);
    EXPECT_EQ(TruncatedQuotient(-19, 20), 0);
    EXPECT_EQ(TruncatedQuotient(-99, -20), 4);
}

TEST(PlanSlide, RightEdgeOutLeavesTheLeftColumnAndInReturnsToTheEdge) {
    const auto out = PlanSlide({1720, 300, 1920, 400}, DockEdge::Right, kScreen, SlideDirection::Out);
    ASSERT_TRUE(out);
    EXPECT_EQ(*out, (SlidePlan{10, 0, 1919, 300}));
    EXPECT_EQ(SlidePositions(1720, out->stepX, out->finalX), Range(1730, 10, 1919));

    const auto in = PlanSlide({1919, 300, 2119, 400}, DockEdge::Right, kScreen, SlideDirection::In);
    ASSERT_TRUE(in);
    EXPECT_EQ(*in, (SlidePlan{-9, 0, 1720, 300}));
    const auto positions = SlidePositions(1919, in->stepX, in->finalX);
    EXPECT_EQ(positions[kSlideSteps - 1], 1739);
    EXPECT_EQ(positions, Range(1910, -9, 1720));
}

TEST(PlanSlide, LeftEdgeOutLeavesTheRightColumnAndInReturnsToTheEdge) {
    const auto out = PlanSlide({0, 300, 200, 400}, DockEdge::Left, kScreen, SlideDirection::Out);
    ASSERT_TRUE(out);
    EXPECT_EQ(*out, (SlidePlan{-10, 0, -199, 300}));
    EXPECT_EQ(SlidePositions(0, out->stepX, out->finalX), Range(-10, -10, -199));
    EXPECT_EQ(out->finalX + 200, 1);  // the right edge, one pixel on the screen

    const auto in = PlanSlide({-199, 300, 1, 400}, DockEdge::Left, kScreen, SlideDirection::In);
    ASSERT_TRUE(in);
    EXPECT_EQ(*in, (SlidePlan{9, 0, 0, 300}));
    const auto positions = SlidePositions(-199, in->stepX, in->finalX);
    EXPECT_EQ(positions[kSlideSteps - 1], -19);
    EXPECT_EQ(positions.back(), 0);
}

TEST(PlanSlide, TopEdgeOutLeavesTheBottomRowAndInReturnsToTheEdge) {
    const auto out = PlanSlide({500, 0, 700, 100}, DockEdge::Top, kScreen, SlideDirection::Out);
    ASSERT_TRUE(out);
    EXPECT_EQ(*out, (SlidePlan{0, -5, 500, -99}));
    EXPECT_EQ(SlidePositions(0, out->stepY, out->finalY), Range(-5, -5, -99));

    const auto in = PlanSlide({500, -99, 700, 1}, DockEdge::Top, kScreen, SlideDirection::In);
    ASSERT_TRUE(in);
    EXPECT_EQ(*in, (SlidePlan{0, 4, 500, 0}));
    EXPECT_EQ(SlidePositions(-99, in->stepY, in->finalY)[kSlideSteps - 1], -19);
}

TEST(PlanSlide, AnUndockedWindowHasNoPlanAndShortDistancesJumpAtTheEnd) {
    EXPECT_FALSE(PlanSlide({1720, 0, 1920, 100}, DockEdge::None, kScreen, SlideDirection::Out));
    EXPECT_FALSE(PlanSlide({-199, 0, 1, 100}, DockEdge::None, kScreen, SlideDirection::In));
    // A 10-pixel-wide window: the step is 0, and only the final move goes anywhere.
    EXPECT_EQ(PlanSlide({0, 0, 10, 50}, DockEdge::Left, kScreen, SlideDirection::Out), (SlidePlan{0, 0, -9, 0}));
}

TEST(IsWithinDockArea, TestsLeftTopAndRightButNeverTheBottom) {
    EXPECT_TRUE(IsWithinDockArea({0, 0, 200, 100}, kScreen));
    EXPECT_TRUE(IsWithinDockArea({1720, 0, 1920, 100}, kScreen));
    EXPECT_FALSE(IsWithinDockArea({1721, 0, 1921, 100}, kScreen));
    EXPECT_FALSE(IsWithinDockArea({-1, 0, 199, 100}, kScreen));
    EXPECT_FALSE(IsWithinDockArea({0, -1, 200, 99}, kScreen));
    EXPECT_TRUE(IsWithinDockArea({300, 5000, 500, 5100}, kScreen));  // below the bottom
}

// The pointer while no edge holds the window: the rules must not need it.
constexpr Point kUnread{-12345, -12345};

TEST(ApplyMovingRules, DocksWhereTheProposedRectangleReachesAnEdge) {
    struct Case {
        Rect proposed;
        Rect expected;
        DockEdge edge;
    };
    const Case cases[] = {
        {{0, 300, 200, 400}, {0, 300, 200, 400}, DockEdge::Left},
        {{1, 300, 201, 400}, {1, 300, 201, 400}, DockEdge::None},
        {{-50, 300, 150, 400}, {0, 300, 200, 400}, DockEdge::Left},
        {{1720, 300, 1920, 400}, {1720, 300, 1920, 400}, DockEdge::Right},
        {{1719, 300, 1919, 400}, {1719, 300, 1919, 400}, DockEdge::None},
        {{1800, 300, 2000, 400}, {1720, 300, 1920, 400}, DockEdge::Right},
        {{500, 0, 700, 100}, {500, 0, 700, 100}, DockEdge::Top},
        {{500, 1, 700, 101}, {500, 1, 700, 101}, DockEdge::None},
        {{500, -40, 700, 60}, {500, 0, 700, 100}, DockEdge::Top},
        // Corners: clamped on both edges, and the top wins.
        {{-30, -30, 170, 70}, {0, 0, 200, 100}, DockEdge::Top},
        {{1760, -30, 1960, 70}, {1720, 0, 1920, 100}, DockEdge::Top},
        // The bottom edge never clamps.
        {{500, 1100, 700, 1200}, {500, 1100, 700, 1200}, DockEdge::None},
    };
    for (const Case& c : cases) {
        Rect r = c.proposed;
        DockEdge edge = DockEdge::None;
        ApplyMovingRules(r, edge, kScreen, kUnread);
        EXPECT_EQ(r, c.expected) << c.proposed.left << "," << c.proposed.top;
        EXPECT_EQ(edge, c.edge) << c.proposed.left << "," << c.proposed.top;
    }
}

TEST(ApplyMovingRules, ADockedWindowIsHeldUntilThePointerPassesTheReleaseTest) {
    struct Case {
        DockEdge edge;
        Rect proposed;
        Point pointer;
        Rect expected;
        DockEdge after;
    };
    const Case cases[] = {
        // Top: rows 0 and 1 hold, 2 releases; the clamp of that step still applies.
        {DockEdge::Top, {500, 30, 700, 130}, {600, 1}, {500, 0, 700, 100}, DockEdge::Top},
        {DockEdge::Top, {500, 30, 700, 130}, {600, 2}, {500, 0, 700, 100}, DockEdge::None},
        {DockEdge::Top, {-20, 30, 180, 130}, {80, 0}, {0, 0, 200, 100}, DockEdge::Top},
        {DockEdge::Top, {1750, 30, 1950, 130}, {1850, 0}, {1720, 0, 1920, 100}, DockEdge::Top},
        // Left: columns 0 and 1 hold.
        {DockEdge::Left, {40, 300, 240, 400}, {1, 350}, {0, 300, 200, 400}, DockEdge::Left},
        {DockEdge::Left, {40, 300, 240, 400}, {2, 350}, {0, 300, 200, 400}, DockEdge::None},
        {DockEdge::Left, {40, -10, 240, 90}, {0, 5}, {0, 0, 200, 100}, DockEdge::Left},
        // Right: only the last column holds.
        {DockEdge::Right, {1600, 300, 1800, 400}, {1919, 350}, {1720, 300, 1920, 400}, DockEdge::Right},
        {DockEdge::Right, {1600, 300, 1800, 400}, {1918, 350}, {1720, 300, 1920, 400}, DockEdge::None},
        {DockEdge::Right, {1600, -10, 1800, 90}, {1919, 5}, {1720, 0, 1920, 100}, DockEdge::Right},
        // Released at the left edge, the top clamp is not applied.
        {DockEdge::Left, {40, -10, 240, 90}, {2, 5}, {0, -10, 200, 90}, DockEdge::None},
    };
    for (const Case& c : cases) {
        Rect r = c.proposed;
        DockEdge edge = c.edge;
        ApplyMovingRules(r, edge, kScreen, c.pointer);
        EXPECT_EQ(r, c.expected) << static_cast<int>(c.edge) << " at " << c.pointer.x << "," << c.pointer.y;
        EXPECT_EQ(edge, c.after) << static_cast<int>(c.edge) << " at " << c.pointer.x << "," << c.pointer.y;
    }
}

TEST(ApplyMovingRules, AnUnknownEdgeLeavesEverythingAsItIs) {
    Rect r{-40, -40, 160, 60};
    auto edge = static_cast<DockEdge>(7);
    ApplyMovingRules(r, edge, kScreen, {0, 0});
    EXPECT_EQ(r, (Rect{-40, -40, 160, 60}));
    EXPECT_EQ(static_cast<int>(edge), 7);
}

TEST(IsInFrameBand, APressWithinTheMarginsOfTheClientEdgesIsInTheBand) {
    const Rect client{0, 0, 200, 100};
    const Rect mainMargins{16, 16, 16, 16};
    EXPECT_TRUE(IsInFrameBand({15, 50}, client, mainMargins));
    EXPECT_FALSE(IsInFrameBand({16, 50}, client, mainMargins));
    EXPECT_TRUE(IsInFrameBand({184, 50}, client, mainMargins));
    EXPECT_FALSE(IsInFrameBand({183, 50}, client, mainMargins));
    EXPECT_TRUE(IsInFrameBand({100, 99}, client, mainMargins));
    EXPECT_FALSE(IsInFrameBand({100, 100}, client, mainMargins));  // outside the client
    EXPECT_FALSE(IsInFrameBand({-1, 50}, client, mainMargins));

    const Rect aboutMargins{6, 16, 6, 6};
    EXPECT_TRUE(IsInFrameBand({100, 15}, client, aboutMargins));
    EXPECT_FALSE(IsInFrameBand({100, 16}, client, aboutMargins));
    EXPECT_TRUE(IsInFrameBand({5, 50}, client, aboutMargins));
    EXPECT_FALSE(IsInFrameBand({6, 50}, client, aboutMargins));
    EXPECT_TRUE(IsInFrameBand({100, 94}, client, aboutMargins));
    EXPECT_FALSE(IsInFrameBand({100, 93}, client, aboutMargins));
}

}  // namespace
}  // namespace veltar

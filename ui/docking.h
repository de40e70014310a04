// Edge docking, sliding and the frame-band test: arithmetic on rectangles and
// points, in screen pixels unless a comment says client.
#pragma once

#include <cstdint>
#include <optional>

#include "chrome/display_scale.h"
#include "chrome/geometry.h"

namespace veltar {

// The screen edge a window is held against. The bottom edge never docks.
enum class DockEdge : int { None = 0, Top = 1, Left = 2, Right = 3 };

enum class SlideDirection { In, Out };

inline constexpr unsigned kEdgeTimerId = 0xFFFF;
inline constexpr unsigned kEdgeTimerPeriodMs = 255;
inline constexpr int kSlideSteps = 20;
inline constexpr unsigned kSlideStepDelayMs = 3;

// a / b, truncated toward zero.
constexpr std::int32_t TruncatedQuotient(std::int32_t a, std::int32_t b) { return a / b; }

// True when the window lies on the screen at its left, top and right edges; the
// bottom is not tested.
bool IsWithinDockArea(const Rect& window, std::int32_t screenWidth);

// Edits the rectangle the move loop proposes, and the dock edge, in place. The
// pointer (screen coordinates) is read only while the edge is not None; it
// undocks the window once it is more than a pixel at the display's scale from the edge.
void ApplyMovingRules(Rect& proposed, DockEdge& edge, std::int32_t screenWidth, Point pointer,
                      unsigned dpi = kDefaultDpi);

// Moves a window that changed its size (at a new display scale) back onto its
// dock edge: against it where it was shown (current), or out of view but for
// the one-pixel strip where it had slid out. An undocked window stays as it is.
void KeepOnDockEdge(Rect& window, const Rect& current, DockEdge edge, std::int32_t screenWidth);

struct SlidePlan {
    std::int32_t stepX = 0;
    std::int32_t stepY = 0;
    std::int32_t finalX = 0;
    std::int32_t finalY = 0;
    bool operator==(const SlidePlan&) const = default;
};

// The steps and the final position of a slide, or none for an undocked window.
std::optional<SlidePlan> PlanSlide(const Rect& window, DockEdge edge, std::int32_t screenWidth,
                                   SlideDirection direction);

}  // namespace veltar

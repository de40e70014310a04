#include "ui/docking.h"

namespace veltar {
namespace {

// Each keeps the window's width or height: only its position along one axis changes.
void ClampLeft(Rect& r, std::int32_t width) {
    r.left = 0;
    r.right = width;
}

void ClampRight(Rect& r, std::int32_t width, std::int32_t screenWidth) {
    r.right = screenWidth;
    r.left = screenWidth - width;
}

void ClampTop(Rect& r, std::int32_t height) {
    r.top = 0;
    r.bottom = height;
}

}  // namespace

bool IsWithinDockArea(const Rect& window, std::int32_t screenWidth) {
    return window.left >= 0 && window.top >= 0 && window.right <= screenWidth;
}

void ApplyMovingRules(Rect& proposed, DockEdge& edge, std::int32_t screenWidth, Point pointer, unsigned dpi) {
    const std::int32_t reach = ScaledPixels(1, dpi);
    const std::int32_t width = proposed.Width();
    const std::int32_t height = proposed.Height();
    switch (edge) {
        case DockEdge::None:
            // Every test that holds clamps; the last one decides the edge.
            if (proposed.left <= 0) {
                ClampLeft(proposed, width);
                edge = DockEdge::Left;
            }
            if (proposed.right >= screenWidth) {
                ClampRight(proposed, width, screenWidth);
                edge = DockEdge::Right;
            }
            if (proposed.top <= 0) {
                ClampTop(proposed, height);
                edge = DockEdge::Top;
            }
            return;
        case DockEdge::Top:
            ClampTop(proposed, height);
            if (pointer.y > reach) {
                edge = DockEdge::None;
            } else if (proposed.left <= 0) {
                ClampLeft(proposed, width);
            } else if (proposed.right >= screenWidth) {
                ClampRight(proposed, width, screenWidth);
            }
            return;
        case DockEdge::Left:
            ClampLeft(proposed, width);
            if (pointer.x > reach) edge = DockEdge::None;
            else if (proposed.top <= 0) ClampTop(proposed, height);
            return;
        case DockEdge::Right:
            ClampRight(proposed, width, screenWidth);
            if (pointer.x < screenWidth - reach) edge = DockEdge::None;
            else if (proposed.top <= 0) ClampTop(proposed, height);
            return;
    }
}

void KeepOnDockEdge(Rect& window, const Rect& current, DockEdge edge, std::int32_t screenWidth) {
    const std::int32_t width = window.Width();
    const std::int32_t height = window.Height();
    switch (edge) {
        case DockEdge::Top:
            window.top = current.top < 0 ? 1 - height : 0;
            window.bottom = window.top + height;
            return;
        case DockEdge::Left:
            window.left = current.left < 0 ? 1 - width : 0;
            window.right = window.left + width;
            return;
        case DockEdge::Right:
            window.left = current.right > screenWidth ? screenWidth - 1 : screenWidth - width;
            window.right = window.left + width;
            return;
        case DockEdge::None:
            return;
    }
}

std::optional<SlidePlan> PlanSlide(const Rect& window, DockEdge edge, std::int32_t screenWidth,
                                   SlideDirection direction) {
    const bool out = direction == SlideDirection::Out;
    const auto q = TruncatedQuotient;
    switch (edge) {
        case DockEdge::Top:
            return out ? SlidePlan{0, q(window.bottom, -kSlideSteps), window.left, 1 - window.Height()}
                       : SlidePlan{0, q(window.top, -kSlideSteps), window.left, 0};
        case DockEdge::Left:
            return out ? SlidePlan{q(window.right, -kSlideSteps), 0, 1 - window.Width(), window.top}
                       : SlidePlan{q(window.left, -kSlideSteps), 0, 0, window.top};
        case DockEdge::Right:
            return out ? SlidePlan{q(screenWidth - window.left, kSlideSteps), 0, screenWidth - 1, window.top}
                       : SlidePlan{q(screenWidth - window.right, kSlideSteps), 0, screenWidth - window.Width(),
                                   window.top};
        case DockEdge::None:
            break;
    }
    return std::nullopt;
}

}  // namespace veltar

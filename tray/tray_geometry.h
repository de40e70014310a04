// The tray's pure rules: where the popup menu may stand, and what fits the tip.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace veltar {

// The x coordinate moved into [left, right], the work area's edges.
std::int32_t ClampMenuX(std::int32_t x, std::int32_t left, std::int32_t right);

// The tray tip holds 128 UTF-16 units with its terminator.
constexpr std::size_t kTrayTipUnits = 128;

// The longest head of the text that fits a field of the given units with its
// terminator, without cutting a surrogate pair in half.
std::u16string_view FitTip(std::u16string_view text, std::size_t fieldUnits = kTrayTipUnits);

}  // namespace veltar

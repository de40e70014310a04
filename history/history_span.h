// The spans a history is looked at over: "10m", "1h", "24h", "7d" and "30d", or,
// where any number of minutes is taken, "90m".
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace veltar {

// The span in milliseconds; nothing when the text names none.
std::optional<std::int64_t> ParseHistorySpan(std::u16string_view text, bool anyMinutes);

}  // namespace veltar

// When veltar-report's next round is due with --interval: on the grid of its
// start and the interval, at the first time of it still ahead. A round that
// ends late, or a machine that wakes from sleep, skips the rounds whose time has
// passed, as a scraper skips them: rounds never run back to back.
#pragma once

#include <cstdint>

namespace veltar {

// In the milliseconds of one clock: the first started + k × interval (k ≥ 1)
// after now.
std::uint64_t NextRoundDue(std::uint64_t started, std::uint64_t intervalMs, std::uint64_t now);

}  // namespace veltar

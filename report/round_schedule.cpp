#include "report/round_schedule.h"

namespace veltar {

std::uint64_t NextRoundDue(std::uint64_t started, std::uint64_t intervalMs, std::uint64_t now) {
    if (now < started) return started + intervalMs;
    return started + ((now - started) / intervalMs + 1) * intervalMs;
}

}  // namespace veltar

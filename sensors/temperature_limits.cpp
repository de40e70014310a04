#include "sensors/temperature_limits.h"

namespace veltar {
namespace {

constexpr double kLowestLimit = 40;
constexpr double kHighestLimit = 150;

}  // namespace

std::optional<double> DeclaredLimit(double celsius) {
    if (celsius < kLowestLimit || celsius > kHighestLimit) return std::nullopt;
    return celsius;
}

LimitState StateOf(double celsius, const TemperatureLimits& limits) {
    if (limits.critical && celsius >= *limits.critical) return LimitState::Critical;
    if (limits.warning && celsius >= *limits.warning) return LimitState::Warning;
    return LimitState::Normal;
}

}  // namespace veltar

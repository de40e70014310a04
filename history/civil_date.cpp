#include "history/civil_date.h"

namespace veltar {

// Howard Hinnant's days-to-civil algorithm, for the proleptic Gregorian calendar.
CivilDate CivilDateOf(std::int64_t daysSince1970) {
    const std::int64_t z = daysSince1970 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0)), month,
            static_cast<int>(doy - (153 * mp + 2) / 5 + 1)};
}

}  // namespace veltar

// The calendar date of a day counted from 1 January 1970.
#pragma once

#include <cstdint>

namespace veltar {

struct CivilDate {
    int year = 1970, month = 1, day = 1;
};

CivilDate CivilDateOf(std::int64_t daysSince1970);

}  // namespace veltar

// The indices of a one-dimensional array, read from its bounds and checked
// against what the array holds, so that no loop runs past its elements.
#pragma once

#include <cstdint>

#include "sensors/platform/value_record.h"

namespace veltar {

struct ArrayIndices {
    bool boundsRead = false;  // false: a bound could not be read, and both count as 0
    LONG lower = 0;
    std::uint32_t count = 0;  // the indices are lower, lower + 1, ..., lower + count - 1

    LONG At(std::uint32_t k) const { return static_cast<LONG>(static_cast<std::int64_t>(lower) + k); }
};

// Bounds that cannot be read count as 0: one index, 0. Bounds that can be read
// but do not span exactly the elements that a one-dimensional array holds (an
// upper bound that wrapped around, say) make no sense and give no index at all.
ArrayIndices ReadArrayIndices(SAFEARRAY* array);

}  // namespace veltar

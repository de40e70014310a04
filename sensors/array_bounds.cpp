#include "sensors/array_bounds.h"

namespace veltar {

ArrayIndices ReadArrayIndices(SAFEARRAY* array) {
    LONG lower = 0;
    LONG upper = 0;
    const bool lowerRead = SUCCEEDED(SafeArrayGetLBound(array, 1, &lower));
    const bool upperRead = SUCCEEDED(SafeArrayGetUBound(array, 1, &upper));
    if (!lowerRead || !upperRead) return {false, 0, 1};
    const std::int64_t span = static_cast<std::int64_t>(upper) - lower + 1;
    // An element is read with one index, which only a one-dimensional array takes.
    if (array->cDims != 1 || span != static_cast<std::int64_t>(array->rgsabound[0].cElements)) return {true, lower, 0};
    return {true, lower, static_cast<std::uint32_t>(span)};
}

}  // namespace veltar

#include "hardware/pawnio_calls.h"

namespace veltar::hardware {

std::vector<std::uint8_t> PackCall(std::string_view function, std::span<const std::uint64_t> arguments) {
    if (function.size() >= kFunctionNameSize) return {};
    std::vector<std::uint8_t> input(kFunctionNameSize + 8 * arguments.size(), 0);
    std::copy(function.begin(), function.end(), input.begin());
    std::size_t at = kFunctionNameSize;
    for (const std::uint64_t argument : arguments)
        for (int byte = 0; byte < 8; ++byte) input[at++] = static_cast<std::uint8_t>(argument >> (8 * byte));
    return input;
}

std::vector<std::uint64_t> UnpackValues(std::span<const std::uint8_t> output) {
    std::vector<std::uint64_t> values(output.size() / 8);
    for (std::size_t i = 0; i < values.size(); ++i)
        for (int byte = 7; byte >= 0; --byte) values[i] = values[i] << 8 | output[8 * i + static_cast<std::size_t>(byte)];
    return values;
}

}  // namespace veltar::hardware

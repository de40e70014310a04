// AMD processors whose control temperature (Tctl) runs a fixed offset above
// the die's: AMD's published figures, by the processor's brand string as
// Windows records it ("AMD Ryzen 7 1700X Eight-Core Processor").
#pragma once

#include <cstdint>
#include <string_view>

namespace veltar::hardware {

// The offset in °C for the processor named; 0 for every other name, an empty one included.
std::int64_t TctlOffset(std::u16string_view processorName);

}  // namespace veltar::hardware

// What the programs' command-line options hold: a value after "--name=" and a
// whole number in decimal digits.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace veltar {

// The value of "--name=value" when the argument is that option (name with its dashes).
std::optional<std::u16string_view> OptionValue(std::u16string_view argument, std::u16string_view name);

// The number from least to most that the text spells in at most nine decimal
// digits; none for an empty text, a sign, a space or any other character.
std::optional<std::uint32_t> DecimalNumber(std::u16string_view text, std::uint32_t least, std::uint32_t most);

}  // namespace veltar

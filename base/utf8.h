// Conversions between UTF-8 and the program's UTF-16 text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltar {

// Unpaired surrogates are written as U+FFFD.
std::string ToUtf8(std::u16string_view text);

// Nothing when the bytes are not well-formed UTF-8.
std::optional<std::u16string> FromUtf8(std::string_view bytes);

}  // namespace veltar

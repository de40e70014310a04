#include "base/option_text.h"

namespace veltar {

std::optional<std::u16string_view> OptionValue(std::u16string_view argument, std::u16string_view name) {
    if (argument.size() <= name.size() || argument.substr(0, name.size()) != name || argument[name.size()] != u'=')
        return std::nullopt;
    return argument.substr(name.size() + 1);
}

std::optional<std::uint32_t> DecimalNumber(std::u16string_view text, std::uint32_t least, std::uint32_t most) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    std::uint32_t value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - u'0');
    }
    if (value < least || value > most) return std::nullopt;
    return value;
}

}  // namespace veltar

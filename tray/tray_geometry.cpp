#include "tray/tray_geometry.h"

namespace veltar {

std::int32_t ClampMenuX(std::int32_t x, std::int32_t left, std::int32_t right) {
    if (x < left) return left;
    if (x > right) return right;
    return x;
}

std::u16string_view FitTip(std::u16string_view text, std::size_t fieldUnits) {
    if (fieldUnits == 0) return {};
    const std::size_t room = fieldUnits - 1;
    if (text.size() <= room) return text;
    std::size_t length = room;
    const char16_t last = text[length - 1];
    if (length > 0 && last >= 0xD800 && last <= 0xDBFF) --length;  // a high surrogate without its partner
    return text.substr(0, length);
}

}  // namespace veltar

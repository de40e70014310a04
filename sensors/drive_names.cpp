#include "sensors/drive_names.h"

namespace veltar {
namespace {

constexpr std::u16string_view kPrefix = u"PhysicalDrive";

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool StartsWithPrefix(std::u16string_view name) {
    if (name.size() < kPrefix.size()) return false;
    for (std::size_t i = 0; i < kPrefix.size(); ++i)
        if (Lower(name[i]) != Lower(kPrefix[i])) return false;
    return true;
}

// The drive's number, written as Windows writes it (no leading zero); -1 for anything else.
int DriveNumber(std::u16string_view digits) {
    if (digits.empty() || digits.size() > 2 || (digits.size() == 2 && digits[0] == u'0')) return -1;
    int number = 0;
    for (const char16_t c : digits) {
        if (c < u'0' || c > u'9') return -1;
        number = number * 10 + (c - u'0');
    }
    return number < 32 ? number : -1;
}

}  // namespace

std::uint32_t PhysicalDriveBits(std::u16string_view names) {
    std::uint32_t bits = 0;
    while (!names.empty()) {
        const std::size_t end = names.find(u'\0');
        const std::u16string_view name = names.substr(0, end);
        if (StartsWithPrefix(name)) {
            const int number = DriveNumber(name.substr(kPrefix.size()));
            if (number >= 0) bits |= std::uint32_t{1} << number;
        }
        if (end == std::u16string_view::npos) break;
        names.remove_prefix(end + 1);
    }
    return bits;
}

}  // namespace veltar

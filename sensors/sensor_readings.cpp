#include "sensors/sensor_readings.h"

#include <array>

namespace veltar {
namespace {

int DigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'z') return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
    return 99;
}

bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

constexpr std::u16string_view kSmartTemperatureMarker = u"0xC2,0x22,";
constexpr std::size_t kRawValueOffset = 25;  // five characters for each of five bytes
constexpr std::size_t kRawValueChars = 4;

// The first place of the marker: a Horspool search, which steps over most of a
// long SMART text without looking at every character.
std::size_t FindMarker(std::u16string_view text) {
    constexpr std::u16string_view marker = kSmartTemperatureMarker;
    constexpr std::size_t last = marker.size() - 1;
    std::array<std::uint8_t, 128> shift{};
    shift.fill(static_cast<std::uint8_t>(marker.size()));
    for (std::size_t i = 0; i < last; ++i) shift[marker[i]] = static_cast<std::uint8_t>(last - i);
    for (std::size_t p = 0; p + marker.size() <= text.size();) {
        const char16_t tail = text[p + last];
        if (tail == marker[last] && text.compare(p, marker.size(), marker) == 0) return p;
        p += tail < shift.size() ? shift[tail] : marker.size();
    }
    return std::u16string_view::npos;
}

}  // namespace

ParsedNumber ParseUnsignedLikeWcstoul(std::u16string_view text, int base) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    if (base == 16 && i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X') &&
        i + 2 < text.size() && DigitValue(text[i + 2]) < 16)
        i += 2;
    ParsedNumber result;
    std::uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && DigitValue(text[i]) < base; ++i) {
        result.hasDigits = true;
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(DigitValue(text[i]));
        if (value > 0xFFFFFFFFu) {
            overflow = true;
            value = 0xFFFFFFFFu;
        }
    }
    if (overflow) result.value = 0xFFFFFFFFu;
    else result.value = negative ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    return result;
}

std::optional<double> MainboardTemperature(std::u16string_view currentTemperature) {
    const ParsedNumber tenthsKelvin = ParseUnsignedLikeWcstoul(currentTemperature, 10);
    if (!tenthsKelvin.hasDigits) return std::nullopt;
    // Hundredths of a degree Celsius, wrapping as 32-bit arithmetic does.
    const auto hundredths = static_cast<std::int32_t>(tenthsKelvin.value * 10u - 27315u);
    return hundredths / 100.0;
}

double DiskTemperature(std::u16string_view vendorSpecific) {
    const std::size_t p = FindMarker(vendorSpecific);
    if (p == std::u16string_view::npos || vendorSpecific.size() - p < kRawValueOffset) return 0;
    return ParseUnsignedLikeWcstoul(vendorSpecific.substr(p + kRawValueOffset, kRawValueChars), 16).value;
}

std::optional<double> ProbeThreshold(std::u16string_view tenthsCelsius) {
    const ParsedNumber tenths = ParseUnsignedLikeWcstoul(tenthsCelsius, 10);
    if (!tenths.hasDigits) return std::nullopt;
    return static_cast<std::int32_t>(tenths.value) / 10.0;
}

double ProcessorThrottleTemperature(std::uint32_t targetLow) {
    const int target = static_cast<int>((targetLow >> 16) & 0xFF);
    const int offset = static_cast<int>((targetLow >> 24) & 0x3F);
    return target - offset;
}

double ProcessorTemperature(std::uint32_t targetLow, std::uint32_t statusLow) {
    const int target = static_cast<int>((targetLow >> 16) & 0xFF);
    const int readout = static_cast<int>((statusLow >> 16) & 0xFF);
    return target - readout;
}

}  // namespace veltar

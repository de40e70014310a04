// Parsing the sensor values out of their texts and register fields.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace veltar {

struct ParsedNumber {
    std::uint32_t value = 0;
    bool hasDigits = false;
};

// An unsigned number read as wcstoul reads it: leading white space, an
// optional sign, for base 16 an optional 0x, then digits up to the first
// other character; an overflow gives the largest 32-bit value.
ParsedNumber ParseUnsignedLikeWcstoul(std::u16string_view text, int base);

// Degrees Celsius from a "CurrentTemperature" text in tenths of a kelvin;
// none when the text has no digits and so is no reading.
std::optional<double> MainboardTemperature(std::u16string_view currentTemperature);

// Degrees Celsius from a "VendorSpecific" byte-array text: the raw value of the
// first SMART temperature attribute (0xC2 with flags 0x22), 0 without one.
double DiskTemperature(std::u16string_view vendorSpecific);

// A mainboard limit in degrees Celsius from a probe's threshold text in tenths
// of a degree; none when the text has no digits.
std::optional<double> ProbeThreshold(std::u16string_view tenthsCelsius);

// Where the processor begins to throttle: the target (bits 23:16 of the low
// half of IA32_TEMPERATURE_TARGET) less the TCC activation offset (bits 29:24).
double ProcessorThrottleTemperature(std::uint32_t targetLow);

// Degrees Celsius from the low halves of IA32_TEMPERATURE_TARGET and IA32_THERM_STATUS.
double ProcessorTemperature(std::uint32_t targetLow, std::uint32_t statusLow);

}  // namespace veltar

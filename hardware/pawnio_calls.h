// How a program talks to the PawnIO driver: its two control codes, the layout
// of a module-function call, and the module files tried in turn.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace veltar::hardware {

// CTL_CODE(41394, 0x821 and 0x841, METHOD_BUFFERED, FILE_ANY_ACCESS).
inline constexpr std::uint32_t kLoadModuleCode = 0xA1B22084u;
inline constexpr std::uint32_t kCallFunctionCode = 0xA1B22104u;

inline constexpr std::size_t kFunctionNameSize = 32;

// A call's input: the function's name in ASCII, zero-padded to 32 bytes, then
// each argument as 64 bits, little-endian. Empty when the name does not leave
// room for its terminating zero.
std::vector<std::uint8_t> PackCall(std::string_view function, std::span<const std::uint64_t> arguments);

// The 64-bit little-endian values that a call wrote: size / 8 of them.
std::vector<std::uint64_t> UnpackValues(std::span<const std::uint8_t> output);

enum class Vendor { Intel, Amd };

struct ModuleFile {
    const char16_t* name;
    Vendor vendor;
};

// The modules in the order they are tried: the one that loads names the vendor.
inline constexpr std::array<ModuleFile, 2> kModuleFiles{{{u"IntelMSR.bin", Vendor::Intel},
                                                         {u"AMDFamily17.bin", Vendor::Amd}}};

enum class ModuleLoad { Missing, Refused, Loaded };

struct ModuleChoice {
    std::optional<Vendor> vendor;  // the module that loaded
    bool anyFound = false;         // some module file was there
};

// Tries the module files in order with tryLoad(const ModuleFile&) -> ModuleLoad
// and stops at the first that loads.
template <typename TryLoad>
ModuleChoice ChooseModule(TryLoad tryLoad) {
    ModuleChoice choice;
    for (const ModuleFile& module : kModuleFiles) {
        const ModuleLoad load = tryLoad(module);
        if (load != ModuleLoad::Missing) choice.anyFound = true;
        if (load == ModuleLoad::Loaded) {
            choice.vendor = module.vendor;
            break;
        }
    }
    return choice;
}

}  // namespace veltar::hardware

#include "hardware/status_text.h"

#include "base/text_format.h"

namespace veltar::hardware {
namespace {

constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kAccessDenied = 5;

}  // namespace

std::u16string DeviceOpenFailure(std::uint32_t error) {
    if (error == kFileNotFound || error == kPathNotFound)
        return u"PawnIO is not installed: install it with its own installer (or start it if it is installed), "
               u"then start Veltar again.";
    if (error == kAccessDenied) return u"PawnIO admits administrators only: run as administrator.";
    std::u16string text;
    ReplaceFormatted(text, u"PawnIO could not be opened (Windows error %u).", error);
    return text;
}

std::u16string ModulesMissing() {
    return u"IntelMSR.bin and AMDFamily17.bin were not found beside veltar.exe: put IntelMSR.bin there on an "
           u"Intel processor, AMDFamily17.bin on an AMD one.";
}

std::u16string NoModuleAccepted() {
    return u"PawnIO: no module accepted this processor (IntelMSR.bin is for Intel processors, AMDFamily17.bin "
           u"for AMD family 17h and later).";
}

}  // namespace veltar::hardware

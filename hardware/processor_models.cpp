#include "hardware/processor_models.h"

#include <array>
#include <string>

namespace veltar::hardware {
namespace {

struct OffsetModel {
    std::u16string_view name;
    bool whole;  // the model number ends there; otherwise it is the start of one
    std::int64_t offset;
};

constexpr std::array<OffsetModel, 6> kOffsetModels{{
    {u"Ryzen 5 1600X", true, 20},
    {u"Ryzen 7 1700X", true, 20},
    {u"Ryzen 7 1800X", true, 20},
    {u"Ryzen 7 2700X", true, 10},
    {u"Threadripper 19", false, 27},  // 1900X, 1920X, 1950X
    {u"Threadripper 29", false, 27},  // 2920X, 2950X, 2970WX, 2990WX
}};

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t'; }
bool IsWordCharacter(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// The words of the name, one space between each.
std::u16string Normalized(std::u16string_view name) {
    std::u16string words;
    for (const char16_t c : name) {
        if (!IsSpace(c)) words += c;
        else if (!words.empty() && words.back() != u' ') words += u' ';
    }
    if (!words.empty() && words.back() == u' ') words.pop_back();
    return words;
}

bool Names(const std::u16string& words, const OffsetModel& model) {
    for (std::size_t at = words.find(model.name); at != std::u16string::npos; at = words.find(model.name, at + 1)) {
        const std::size_t end = at + model.name.size();
        const bool startsWord = at == 0 || !IsWordCharacter(words[at - 1]);
        const bool endsWord = !model.whole || end == words.size() || !IsWordCharacter(words[end]);
        if (startsWord && endsWord) return true;
    }
    return false;
}

}  // namespace

std::int64_t TctlOffset(std::u16string_view processorName) {
    const std::u16string words = Normalized(processorName);
    for (const OffsetModel& model : kOffsetModels)
        if (Names(words, model)) return model.offset;
    return 0;
}

}  // namespace veltar::hardware

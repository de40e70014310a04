#include "history/history_span.h"

#include "base/option_text.h"
#include "history/history_format.h"

namespace veltar {

std::optional<std::int64_t> ParseHistorySpan(std::u16string_view text, bool anyMinutes) {
    constexpr std::int64_t kHour = 60 * kMinuteMs;
    constexpr std::int64_t kDay = 24 * kHour;
    constexpr std::pair<std::u16string_view, std::int64_t> kNamed[] = {
        {u"10m", 10 * kMinuteMs}, {u"1h", kHour}, {u"24h", kDay}, {u"7d", 7 * kDay}, {u"30d", 30 * kDay}};
    for (const auto& [name, span] : kNamed)
        if (text == name) return span;
    if (!anyMinutes || text.empty() || text.back() != u'm') return std::nullopt;
    const auto minutes = DecimalNumber(text.substr(0, text.size() - 1), 1, 30 * 24 * 60);
    if (!minutes) return std::nullopt;
    return *minutes * kMinuteMs;
}

}  // namespace veltar

#include "history/history_span.h"

#include "history/history_format.h"

namespace veltar {

std::optional<std::int64_t> ParseHistorySpan(std::u16string_view text, bool anyMinutes) {
    constexpr std::int64_t kHour = 60 * kMinuteMs;
    constexpr std::int64_t kDay = 24 * kHour;
    constexpr std::pair<std::u16string_view, std::int64_t> kNamed[] = {
        {u"10m", 10 * kMinuteMs}, {u"1h", kHour}, {u"24h", kDay}, {u"7d", 7 * kDay}, {u"30d", 30 * kDay}};
    for (const auto& [name, span] : kNamed)
        if (text == name) return span;
    if (!anyMinutes || text.size() < 2 || text.size() > 6 || text.back() != u'm') return std::nullopt;
    std::int64_t minutes = 0;
    for (const char16_t c : text.substr(0, text.size() - 1)) {
        if (c < u'0' || c > u'9') return std::nullopt;
        minutes = minutes * 10 + (c - u'0');
    }
    if (minutes == 0 || minutes > 30 * 24 * 60) return std::nullopt;
    return minutes * kMinuteMs;
}

}  // namespace veltar

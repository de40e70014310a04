#include "viewer/history_options.h"

#include "base/option_text.h"

namespace veltar {
namespace {

constexpr int kSmallest = 200;
constexpr int kLargest = 8000;

std::optional<int> Dimension(std::u16string_view text) {
    const auto value = DecimalNumber(text, kSmallest, kLargest);
    return value ? std::optional<int>(static_cast<int>(*value)) : std::nullopt;
}

HistoryOptionsError Error(std::u16string message) { return {std::move(message)}; }

}  // namespace

std::variant<HistoryOptions, HistoryOptionsError> ParseHistoryOptions(std::span<const std::u16string_view> arguments) {
    HistoryOptions options;
    bool spanGiven = false, sizeGiven = false;
    for (const std::u16string_view argument : arguments) {
        const std::u16string text(argument);
        if (const auto save = OptionValue(argument, u"--save")) {
            if (options.save || save->empty()) return Error(u"--save takes one file name: " + text);
            options.save = std::u16string(*save);
        } else if (const auto span = OptionValue(argument, u"--span")) {
            const auto named = SpanNamed(*span);
            if (spanGiven || !named) return Error(u"--span takes one of 10m, 1h, 24h, 7d and 30d: " + text);
            options.span = *named;
            spanGiven = true;
        } else if (const auto size = OptionValue(argument, u"--size")) {
            const std::size_t by = size->find(u'x');
            const auto width = by == std::u16string_view::npos ? std::nullopt : Dimension(size->substr(0, by));
            const auto height = by == std::u16string_view::npos ? std::nullopt : Dimension(size->substr(by + 1));
            if (sizeGiven || !width || !height)
                return Error(u"--size takes WIDTHxHEIGHT in pixels, each 200 to 8000: " + text);
            options.width = *width;
            options.height = *height;
            sizeGiven = true;
        } else if (const auto file = OptionValue(argument, u"--file")) {
            if (options.file || file->empty()) return Error(u"--file takes one history file: " + text);
            options.file = std::u16string(*file);
        } else {
            return Error(u"unknown argument: " + text);
        }
    }
    if (sizeGiven && !options.save) return Error(u"--size goes with --save");
    return options;
}

}  // namespace veltar

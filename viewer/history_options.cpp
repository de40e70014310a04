#include "viewer/history_options.h"

namespace veltar {
namespace {

constexpr int kSmallest = 200;
constexpr int kLargest = 8000;

std::optional<std::u16string_view> ValueOf(std::u16string_view argument, std::u16string_view name) {
    if (argument.size() <= name.size() || argument.substr(0, name.size()) != name || argument[name.size()] != u'=')
        return std::nullopt;
    return argument.substr(name.size() + 1);
}

std::optional<int> Dimension(std::u16string_view text) {
    if (text.empty() || text.size() > 4) return std::nullopt;
    int value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    if (value < kSmallest || value > kLargest) return std::nullopt;
    return value;
}

HistoryOptionsError Error(std::u16string message) { return {std::move(message)}; }

}  // namespace

std::variant<HistoryOptions, HistoryOptionsError> ParseHistoryOptions(std::span<const std::u16string_view> arguments) {
    HistoryOptions options;
    bool spanGiven = false, sizeGiven = false;
    for (const std::u16string_view argument : arguments) {
        const std::u16string text(argument);
        if (const auto save = ValueOf(argument, u"--save")) {
            if (options.save || save->empty()) return Error(u"--save takes one file name: " + text);
            options.save = std::u16string(*save);
        } else if (const auto span = ValueOf(argument, u"--span")) {
            const auto named = SpanNamed(*span);
            if (spanGiven || !named) return Error(u"--span takes one of 10m, 1h, 24h, 7d and 30d: " + text);
            options.span = *named;
            spanGiven = true;
        } else if (const auto size = ValueOf(argument, u"--size")) {
            const std::size_t by = size->find(u'x');
            const auto width = by == std::u16string_view::npos ? std::nullopt : Dimension(size->substr(0, by));
            const auto height = by == std::u16string_view::npos ? std::nullopt : Dimension(size->substr(by + 1));
            if (sizeGiven || !width || !height)
                return Error(u"--size takes WIDTHxHEIGHT in pixels, each 200 to 8000: " + text);
            options.width = *width;
            options.height = *height;
            sizeGiven = true;
        } else if (const auto file = ValueOf(argument, u"--file")) {
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

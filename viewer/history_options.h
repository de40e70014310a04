// What veltar-history is asked to do, from its command line.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "viewer/history_picture.h"

namespace veltar {

struct HistoryOptions {
    std::optional<std::u16string> save;  // write the picture there and end, no window
    HistorySpan span = HistorySpan::Hour;
    int width = 960, height = 600;
    std::optional<std::u16string> file;  // another history than the user's own
};

struct HistoryOptionsError {
    std::u16string message;
};

std::variant<HistoryOptions, HistoryOptionsError> ParseHistoryOptions(std::span<const std::u16string_view> arguments);

}  // namespace veltar

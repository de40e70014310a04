#include "ui/report_view.h"

#include <algorithm>

namespace veltar {

ReportView ViewReadings(const std::vector<TemperatureReading>& readings) {
    ReportView view;
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const std::u16string line = FormatLine(readings[i]);
        const LimitState state = StateOf(readings[i]);
        view.text += line + u"\r\n";
        if (state == LimitState::Normal) {
            view.plainText += line + u"\r\n";
        } else {
            view.plainText += u"\r\n";
            view.marked.push_back({i, state, line});
        }
        view.worst = std::max(view.worst, state);
    }
    return view;
}

}  // namespace veltar

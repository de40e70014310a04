// What the window makes of readings at their limits: the marked lines and the
// balloons, refresh by refresh.
#include <gtest/gtest.h>

#include "ui/critical_alerts.h"
#include "ui/report_view.h"

namespace veltar {
namespace {

TemperatureReading Gpu(double celsius) { return {SensorKind::Gpu, 1, celsius, {85.0, 95.0}}; }
TemperatureReading Drive(double celsius) { return {SensorKind::Disk, 3, celsius, {70.0, 80.0}}; }

TEST(ReportView, MarkedLinesAreLeftEmptyInThePlainTextAndKeepTheirPlaces) {
    const ReportView view = ViewReadings({{SensorKind::Mainboard, 1, 31.21, {}}, Drive(72), Gpu(96)});
    EXPECT_EQ(view.text, u"主板-温度: 31.21℃\r\n硬盘3温度: 72.00℃\r\nGPU1-温度: 96.00℃\r\n");
    EXPECT_EQ(view.plainText, u"主板-温度: 31.21℃\r\n\r\n\r\n");
    EXPECT_EQ(view.marked, (std::vector<MarkedLine>{{1, LimitState::Warning, u"硬盘3温度: 72.00℃"},
                                                    {2, LimitState::Critical, u"GPU1-温度: 96.00℃"}}));
    EXPECT_EQ(view.worst, LimitState::Critical);
    const ReportView calm = ViewReadings({Drive(40), Gpu(60)});
    EXPECT_EQ(calm.plainText, calm.text);
    EXPECT_TRUE(calm.marked.empty());
    EXPECT_EQ(calm.worst, LimitState::Normal);
}

TEST(CriticalAlerts, OneBalloonACrossingReArmedFiveDegreesBelowTheLimit) {
    const Balloon crossed{u"A temperature is critical", u"GPU1-温度: 96.00℃ — critical limit 95.00℃"};
    const struct {
        std::vector<TemperatureReading> readings;
        std::optional<Balloon> balloon;
    } refreshes[] = {
        {{Gpu(90)}, std::nullopt},  // warning only
        {{Gpu(96)}, crossed},
        {{Gpu(97)}, std::nullopt},
        {{Gpu(94)}, std::nullopt},  // below the limit, not yet 5 °C below it
        {{Gpu(96)}, std::nullopt},
        {{}, std::nullopt},         // the card gone for a refresh
        {{Gpu(96)}, std::nullopt},
        {{Gpu(90)}, std::nullopt},  // 5 °C below: armed again
        {{Gpu(96)}, crossed},
        {{Gpu(99), Drive(85)}, {{u"A temperature is critical", u"硬盘3温度: 85.00℃ — critical limit 80.00℃"}}},
        {{Gpu(80), Drive(60)}, std::nullopt},
        {{Gpu(96), Drive(81)},
         {{u"2 temperatures are critical", u"GPU1-温度: 96.00℃ — critical limit 95.00℃"}}},  // the hottest
    };
    CriticalAlerts alerts;
    int refresh = 0;
    for (const auto& r : refreshes) EXPECT_EQ(alerts.Update(r.readings), r.balloon) << "refresh " << ++refresh;
}

}  // namespace
}  // namespace veltar

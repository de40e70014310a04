// veltar-report's options and its formats for monitoring systems: the check
// plugin's ranges at and beside their bounds, its status line, CSV rows.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "report/check_plugin.h"
#include "report/csv_rows.h"
#include "report/report_options.h"
#include "report/round_schedule.h"
#include "sensors/prometheus_text.h"

namespace veltar {
namespace {

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

TEST(CheckRange, EachFormAlertsJustOutsideItsBoundsOrWithAtJustInside) {
    const struct {
        const char16_t* range;
        double value;
        bool alerts;
    } cases[] = {
        {u"10", -0.01, true},  {u"10", 0, false},      {u"10", 10, false},     {u"10", 10.01, true},
        {u"10:", 9.99, true},  {u"10:", 10, false},    {u"10:", 1e9, false},
        {u"~:10", -1e9, false}, {u"~:10", 10, false},  {u"~:10", 10.01, true},
        {u"10:20", 9.99, true}, {u"10:20", 10, false}, {u"10:20", 20, false}, {u"10:20", 20.01, true},
        {u"@10:20", 9.99, false}, {u"@10:20", 10, true}, {u"@10:20", 20, true}, {u"@10:20", 20.01, false},
        {u"-5.5:-1", -5.5, false}, {u"-5.5:-1", -5.51, true}, {u":4", 0, false}, {u":4", -0.5, true},
        {u"@~:0", -3, true},   {u"@~:0", 0.01, false},
    };
    for (const auto& c : cases) {
        const auto range = ParseCheckRange(c.range);
        ASSERT_TRUE(range) << Narrow(c.range);
        EXPECT_EQ(Alerts(*range, c.value), c.alerts) << Narrow(c.range) << " " << c.value;
    }
    for (const char16_t* wrong : {u"", u"@", u"x", u"20:10", u"1e3", u"10:20:30", u"~", u"~:~", u"- 5", u"0x10"})
        EXPECT_FALSE(ParseCheckRange(wrong)) << Narrow(wrong);
}

const std::vector<TemperatureReading> kReadings = {
    {SensorKind::Mainboard, 1, 27.85, {}}, {SensorKind::Disk, 1, 45, {}}, {SensorKind::Processor, 1, 71.5, {}},
    {SensorKind::Processor, 2, 71.5, {}}};

CheckThreshold Threshold(const char16_t* text) { return {text, *ParseCheckRange(text)}; }

TEST(CheckPlugin, TheWorstStatusWinsAndThePerformanceDataFollowsTheReport) {
    const CheckAnswer ok = CheckReadings(kReadings, {});
    EXPECT_EQ(ok.status, CheckStatus::Ok);
    EXPECT_EQ(ok.line, u"VELTAR OK - 4 readings, the hottest cpu_1 at 71.50 C | 'mainboard_1'=27.85;; "
                       u"'disk_1'=45.00;; 'cpu_1'=71.50;; 'cpu_2'=71.50;;\n");
    const CheckAnswer warning = CheckReadings(kReadings, {Threshold(u"70"), Threshold(u"80")});
    EXPECT_EQ(warning.status, CheckStatus::Warning);
    EXPECT_EQ(warning.line.substr(0, 17), u"VELTAR WARNING - ");
    EXPECT_NE(warning.line.find(u"'disk_1'=45.00;70;80 "), std::u16string::npos);
    EXPECT_EQ(CheckReadings(kReadings, {Threshold(u"70"), Threshold(u"@45:45")}).status, CheckStatus::Critical);
    EXPECT_EQ(CheckReadings({kReadings[0]}, {}).line,
              u"VELTAR OK - 1 reading, the hottest mainboard_1 at 27.85 C | 'mainboard_1'=27.85;;\n");
    EXPECT_EQ(CheckUnknown(u"no reading is left after --sensor").line,
              u"VELTAR UNKNOWN - no reading is left after --sensor\n");
}

// A machine whose parts declare limits: one past its warning limit, one past its critical limit.
const std::vector<TemperatureReading> kJudged = {
    {SensorKind::Mainboard, 1, 27.85, {85.0, 100.05}}, {SensorKind::Disk, 1, 45, {}},
    {SensorKind::Disk, 2, 72, {70.0, 80.0}},           {SensorKind::Processor, 1, 71.5, {100.0, {}}},
    {SensorKind::Gpu, 1, 96, {{}, 95.0}}};

TEST(CheckPlugin, WithoutRangesEachReadingIsJudgedAgainstItsOwnLimits) {
    const CheckAnswer critical = CheckReadings(kJudged, {});
    EXPECT_EQ(critical.status, CheckStatus::Critical);
    EXPECT_EQ(critical.line, u"VELTAR CRITICAL - disk_2 at 72.00 C (warning 70.00 C), gpu_1 at 96.00 C (critical "
                             u"95.00 C) | 'mainboard_1'=27.85;85.00;100.05 'disk_1'=45.00;; 'disk_2'=72.00;70.00;80.00 "
                             u"'cpu_1'=71.50;100.00; 'gpu_1'=96.00;;95.00\n");
    const CheckAnswer warning = CheckReadings({kJudged[0], kJudged[2]}, {});
    EXPECT_EQ(warning.status, CheckStatus::Warning);
    EXPECT_EQ(warning.line.substr(0, 54), u"VELTAR WARNING - disk_2 at 72.00 C (warning 70.00 C) |");
    const CheckAnswer ok = CheckReadings({kJudged[0], kJudged[1], kJudged[3]}, {});
    EXPECT_EQ(ok.status, CheckStatus::Ok);
    EXPECT_EQ(ok.line, u"VELTAR OK - 3 readings, the hottest cpu_1 at 71.50 C | 'mainboard_1'=27.85;85.00;100.05 "
                       u"'disk_1'=45.00;; 'cpu_1'=71.50;100.00;\n");
    // A range given: judged by it alone, as before.
    EXPECT_EQ(CheckReadings(kJudged, {Threshold(u"100"), std::nullopt}).status, CheckStatus::Ok);
}

TEST(PrometheusText, LimitFamiliesCarryTheTemperatureSamplesLabelsAndAreLeftOutWhenEmpty) {
    const std::u16string head =
        u"# HELP veltar_temperature_celsius Temperature of a sensor of this computer, in degrees Celsius.\n"
        u"# TYPE veltar_temperature_celsius gauge\n";
    EXPECT_EQ(FormatPrometheus(kReadings),
              head + u"veltar_temperature_celsius{sensor=\"mainboard\",index=\"1\"} 27.85\n"
                     u"veltar_temperature_celsius{sensor=\"disk\",index=\"1\"} 45.00\n"
                     u"veltar_temperature_celsius{sensor=\"cpu\",index=\"1\"} 71.50\n"
                     u"veltar_temperature_celsius{sensor=\"cpu\",index=\"2\"} 71.50\n");
    EXPECT_EQ(FormatPrometheus({}), head);
    const std::u16string judged = FormatPrometheus(kJudged);
    const std::u16string limits = judged.substr(judged.find(u"# HELP veltar_temperature_warning_celsius"));
    EXPECT_EQ(limits,
              u"# HELP veltar_temperature_warning_celsius Temperature at which the sensor's part starts to throttle, "
              u"as its hardware declares it, in degrees Celsius.\n"
              u"# TYPE veltar_temperature_warning_celsius gauge\n"
              u"veltar_temperature_warning_celsius{sensor=\"mainboard\",index=\"1\"} 85.00\n"
              u"veltar_temperature_warning_celsius{sensor=\"disk\",index=\"2\"} 70.00\n"
              u"veltar_temperature_warning_celsius{sensor=\"cpu\",index=\"1\"} 100.00\n"
              u"# HELP veltar_temperature_critical_celsius Temperature at which damage or shutdown begins for the "
              u"sensor's part, as its hardware declares it, in degrees Celsius.\n"
              u"# TYPE veltar_temperature_critical_celsius gauge\n"
              u"veltar_temperature_critical_celsius{sensor=\"mainboard\",index=\"1\"} 100.05\n"
              u"veltar_temperature_critical_celsius{sensor=\"disk\",index=\"2\"} 80.00\n"
              u"veltar_temperature_critical_celsius{sensor=\"gpu\",index=\"1\"} 95.00\n");
}

TEST(PrometheusText, EachRoundSaysWhetherItReadTheHardwareAndWhenItRan) {
    EXPECT_EQ(FormatRoundGauges(false, 1'765'290'123'045),
              u"# HELP veltar_scrape_success Whether the last round could read this computer's hardware (1) or not "
              u"(0).\n# TYPE veltar_scrape_success gauge\nveltar_scrape_success 0\n"
              u"# HELP veltar_last_round_timestamp_seconds When the last round ran, in seconds since 1970 (UTC).\n"
              u"# TYPE veltar_last_round_timestamp_seconds gauge\nveltar_last_round_timestamp_seconds 1765290123.045\n");
    EXPECT_NE(FormatRoundGauges(true, 5).find(u"veltar_scrape_success 1\n"), std::u16string::npos);
}

// Rounds stay on the grid of the start; those whose time has passed are skipped.
TEST(RoundSchedule, TheNextRoundIsTheFirstTimeOfTheGridStillAhead) {
    const struct {
        std::uint64_t now;
        std::uint64_t due;
    } cases[] = {
        {1'000, 16'000},                   // a round of a second
        {15'999, 16'000},                  // a round just in time
        {16'000, 31'000},                  // one that ends as the next is due: not back to back
        {16'500, 31'000},                  // one half a second late
        {1'000 + 3'600'000 + 7'000, 3'616'000},  // an hour's sleep: the 240 rounds missed are skipped
    };
    for (const auto& c : cases) EXPECT_EQ(NextRoundDue(1'000, 15'000, c.now), c.due) << c.now;
}

TEST(CsvRows, IsoTimeWithTheOffsetAndOneRowAReading) {
    EXPECT_EQ(IsoTime({2026, 12, 8, 14, 3, 5, 480}), u"2026-12-08T14:03:05+08:00");
    EXPECT_EQ(IsoTime({2026, 1, 2, 3, 4, 5, -570}), u"2026-01-02T03:04:05-09:30");
    EXPECT_EQ(IsoTime({2026, 7, 1, 0, 0, 0, 0}), u"2026-07-01T00:00:00+00:00");
    EXPECT_EQ(CsvHeader() + CsvRows({kReadings[0], kReadings[3]}, {2026, 12, 8, 14, 3, 5, 60}),
              u"time,sensor,index,celsius\r\n2026-12-08T14:03:05+01:00,mainboard,1,27.85\r\n"
              u"2026-12-08T14:03:05+01:00,cpu,2,71.50\r\n");
}

TEST(ReportOptions, WrongCombinationsAreRefusedWithAReason) {
    const struct {
        std::vector<std::u16string_view> arguments;
        const char16_t* error;
    } cases[] = {
        {{u"--format=json"}, u"unknown format: json (prometheus, nagios or csv)"},
        {{u"--sensor=fan"}, u"unknown sensor: fan (mainboard, disk, cpu, gpu or memory)"},
        {{u"--format=csv", u"--format=csv"}, u"--format is given more than once"},
        {{u"--warning=80"}, u"--warning and --critical go with --format=nagios"},
        {{u"--format=nagios", u"--critical=9:1"}, u"--critical is not a range: 9:1"},
        {{u"--format=nagios", u"--interval=5"}, u"--format=nagios answers once: --interval does not go with it"},
        {{u"--count=3"}, u"--count goes with --interval"},
        {{u"--interval=0"}, u"--interval takes whole seconds, at least 1: --interval=0"},
        {{u"--interval=1", u"--count=x"}, u"--count takes a whole number, at least 1: --count=x"},
        {{u"--output="}, u"--output needs a file name"},
        {{u"--output"}, u"unknown argument: --output"},
        {{u"--history=2h"}, u"--history takes 10m, 1h, 24h, 7d, 30d or a number of minutes such as 90m: --history=2h"},
        {{u"--history=0m"}, u"--history takes 10m, 1h, 24h, 7d, 30d or a number of minutes such as 90m: --history=0m"},
        {{u"--history=1h", u"--format=prometheus"}, u"--history is written as csv or text only"},
        {{u"--history=1h", u"--interval=5"}, u"--history goes with --format and --sensor only"},
        {{u"--history-file=h.dat"}, u"--history-file goes with --history"},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseReportOptions(c.arguments);
        ASSERT_TRUE(std::holds_alternative<OptionsError>(parsed)) << Narrow(c.error);
        EXPECT_EQ(std::get<OptionsError>(parsed).message, c.error);
    }
    const std::u16string_view good[] = {u"--format=nagios", u"--sensor=cpu", u"--sensor=disk", u"--sensor=cpu",
                                        u"--warning=~:70", u"--output=C:\\x.txt"};
    const auto options = std::get<ReportOptions>(ParseReportOptions(good));
    EXPECT_EQ(options.sensors, (std::vector<SensorKind>{SensorKind::Processor, SensorKind::Disk}));
    EXPECT_EQ(KeepSensors(kReadings, options.sensors).size(), 3u);
    EXPECT_TRUE(AsksForCheckFormat(good));
    const std::u16string_view history[] = {u"--history=90m", u"--history-file=h.dat", u"--sensor=gpu"};
    const auto exported = std::get<ReportOptions>(ParseReportOptions(history));
    EXPECT_EQ(exported.historySpanMs, 90 * 60'000);
    EXPECT_EQ(exported.format, ReportFormat::Csv);
    const std::u16string_view text[] = {u"--history=7d", u"--format=text"};
    EXPECT_EQ(std::get<ReportOptions>(ParseReportOptions(text)).format, ReportFormat::Report);
}

}  // namespace
}  // namespace veltar

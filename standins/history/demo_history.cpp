#include "standins/history/demo_history.h"

#include <cmath>
#include <vector>

#include "history/history_writer.h"

namespace veltar {
namespace {

constexpr std::int64_t kHourMs = 60 * kMinuteMs;
constexpr std::int64_t kDayMs = 24 * kHourMs;
constexpr int kDays = 7;
constexpr std::uint32_t kProcessors = 4;

// Repeatable noise: a small linear congruential generator, −1 to 1.
class Noise {
public:
    double Next() {
        m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(m_state >> 33) / static_cast<double>(1ull << 30) - 1.0;
    }

private:
    std::uint64_t m_state = 0x5EED;
};

// How busy the machine is, 0 to 1, at an hour of the day (0–24), the last day's script apart.
double Load(double hour, bool lastDay) {
    if (hour < 7.5) return 0.02;                              // the night
    if (lastDay && hour >= 20 && hour < 22.5) return 0.95;    // the game
    if (hour >= 9 && hour < 18) return 0.35 + 0.1 * std::sin(hour * 2.1);
    return 0.15;
}

double Smooth(double previous, double target, double rate) { return previous + (target - previous) * rate; }

}  // namespace

bool MakeDemoHistory(HistoryFile& file, std::int64_t endMs) {
    constexpr std::size_t kReadings = 4 + kProcessors;
    const std::int64_t start = endMs - kDays * kDayMs;
    const auto writer = HistoryWriter::Create(file, kReadings, start);
    if (!writer) return false;
    Noise noise;
    double board = 32, disk = 30, nvme = 38, gpu = 35, cpu = 36;
    std::vector<TemperatureReading> readings;
    // The clock of the day starts at midnight: the week begins at a local midnight of the script.
    const std::int64_t midnight = start - start % kDayMs;
    for (std::int64_t t = start; t <= endMs; t += kRefreshMs) {
        const bool lastDay = t >= endMs - kDayMs;
        const double hour = static_cast<double>((t - midnight) % kDayMs) / kHourMs;
        // Veltar was not running for an hour before the game.
        if (lastDay && hour >= 18.5 && hour < 19.5) continue;
        const double load = Load(hour, lastDay);
        const bool scan = lastDay && hour >= 14 && hour < 15.5;
        board = Smooth(board, 30 + 14 * load, 0.002);
        disk = Smooth(disk, 29 + 6 * load + (scan ? 11 : 0), 0.001);
        nvme = Smooth(nvme, 36 + 18 * load + (scan ? 24 : 0), 0.004);
        gpu = Smooth(gpu, 34 + 54 * load, 0.003);
        cpu = Smooth(cpu, 35 + 45 * load, 0.02);
        readings.clear();
        readings.push_back({SensorKind::Mainboard, 1, board + 0.3 * noise.Next(), {80.0, 95.0}});
        readings.push_back({SensorKind::Disk, 1, disk + 0.2 * noise.Next(), {}});
        readings.push_back({SensorKind::Disk, 2, nvme + 0.5 * noise.Next(), {70.0, 80.0}});
        for (std::uint32_t i = 1; i <= kProcessors; ++i) {
            // One refresh in the afternoon reads a spike, as a busy core does.
            const bool spike = lastDay && i == 3 && t / kRefreshMs % 4800 == 2400 && hour > 12 && hour < 13;
            readings.push_back({SensorKind::Processor, i, std::round(cpu + 2.0 * i + 3 * noise.Next()) + (spike ? 30 : 0),
                                {100.0, std::nullopt}});
        }
        readings.push_back({SensorKind::Gpu, 1, gpu + 0.6 * noise.Next(), {83.0, 93.0}});
        if (!writer->Record(t, readings)) return false;
    }
    return writer->Finish();
}

}  // namespace veltar

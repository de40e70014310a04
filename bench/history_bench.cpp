// The history natively: recording a refresh of 16 readings (into memory and into
// a file through the system), and the picture of a day of every refresh of 16
// readings made from a file already in memory (read, then laid out).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "history/history_reader.h"
#include "history/history_writer.h"
#include "history/memory_history_file.h"
#include "viewer/history_picture.h"

namespace {

constexpr std::int64_t kStart = 1'765'000'800'000;

// The same file through the system's calls, as the window's recorder writes it.
class SystemFile : public veltar::HistoryFile {
public:
    explicit SystemFile(const char* path) : m_fd(open(path, O_RDWR | O_CREAT | O_TRUNC, 0600)) {}
    ~SystemFile() override { close(m_fd); }
    std::uint64_t Size() override { return static_cast<std::uint64_t>(lseek(m_fd, 0, SEEK_END)); }
    bool Resize(std::uint64_t size) override { return ftruncate(m_fd, static_cast<off_t>(size)) == 0; }
    bool Read(std::uint64_t offset, std::span<std::byte> bytes) override {
        return pread(m_fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) == static_cast<ssize_t>(bytes.size());
    }
    bool Write(std::uint64_t offset, std::span<const std::byte> bytes) override {
        return pwrite(m_fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) == static_cast<ssize_t>(bytes.size());
    }
    bool Flush() override { return fdatasync(m_fd) == 0; }

private:
    int m_fd;
};

std::vector<veltar::TemperatureReading> Sixteen(int step) {
    std::vector<veltar::TemperatureReading> readings;
    readings.push_back({veltar::SensorKind::Mainboard, 1, 38.5, {80.0, 95.0}});
    for (std::uint32_t i = 1; i <= 3; ++i) readings.push_back({veltar::SensorKind::Disk, i, 36.0 + i, {70.0, 80.0}});
    for (std::uint32_t i = 1; i <= 11; ++i)
        readings.push_back({veltar::SensorKind::Processor, i, 40.0 + (step * 7 + i) % 30, {100.0, std::nullopt}});
    readings.push_back({veltar::SensorKind::Gpu, 1, 55.0 + step % 20, {83.0, 93.0}});
    return readings;
}

template <typename File>
void Record(benchmark::State& state, File& file) {
    auto writer = veltar::HistoryWriter::Create(file, 16, kStart);
    const auto readings = Sixteen(1);
    std::int64_t t = kStart;
    for (auto _ : state) benchmark::DoNotOptimize(writer->Record(t += veltar::kRefreshMs, readings));
}

void RecordInMemory(benchmark::State& state) {
    veltar::MemoryHistoryFile file;
    Record(state, file);
}
BENCHMARK(RecordInMemory)->Repetitions(5)->ReportAggregatesOnly(true);

void RecordToAFile(benchmark::State& state) {
    char path[] = "/tmp/veltar-history-bench-XXXXXX";
    close(mkstemp(path));
    {
        SystemFile file(path);
        Record(state, file);
    }
    std::remove(path);
}
BENCHMARK(RecordToAFile)->Repetitions(5)->ReportAggregatesOnly(true);

void PictureOfADay(benchmark::State& state) {
    veltar::MemoryHistoryFile file;
    auto writer = veltar::HistoryWriter::Create(file, 16, kStart);
    for (std::uint64_t i = 0; i < veltar::kRefreshesKept; ++i)
        writer->Record(kStart + static_cast<std::int64_t>(i) * veltar::kRefreshMs, Sixteen(static_cast<int>(i)));
    const std::int64_t now = kStart + static_cast<std::int64_t>(veltar::kRefreshesKept) * veltar::kRefreshMs;
    for (auto _ : state) {
        veltar::HistoryTable table;
        veltar::HistoryReader().Update(file, table);
        const veltar::Picture picture = veltar::DrawHistory(table, veltar::HistorySpan::Day, now, 960, 600, 96,
                                                            [](std::int64_t ms) { return ms; });
        benchmark::DoNotOptimize(picture.panes.size());
    }
}
BENCHMARK(PictureOfADay)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

// The history file over a memory file: both rings kept and rolled over, a
// record torn at any byte skipped, a foreign file refused, the clock set back,
// a killed writer's minute finished by the next, the reader following.
#include <gtest/gtest.h>

#include <vector>

#include "history/history_reader.h"
#include "history/history_writer.h"
#include "history/memory_history_file.h"

namespace veltar {
namespace {

constexpr std::int64_t kStart = 1'765'000'800'000;  // a minute's start

struct Collected : HistorySink {
    void Reset() override {
        refreshes.clear();
        minutes.clear();
        ++resets;
    }
    void Refresh(const RefreshRecord& r) override { refreshes.push_back(r); }
    void Minute(const MinuteRecord& m) override { minutes.push_back(m); }
    std::vector<RefreshRecord> refreshes;
    std::vector<MinuteRecord> minutes;
    int resets = 0;
};

std::vector<TemperatureReading> Machine(double celsius) {
    return {{SensorKind::Mainboard, 1, celsius, {80.0, 95.0}},
            {SensorKind::Disk, 1, 0, {}},
            {SensorKind::Gpu, 1, celsius + 10, {83.0, std::nullopt}}};
}

Collected ReadAll(MemoryHistoryFile& file) {
    Collected all;
    HistoryReader reader;
    EXPECT_EQ(reader.Update(file, all), HistoryRead::Reloaded);
    return all;
}

TEST(HistoryFile, KeepsEveryRefreshAndEachMinutesRangeAsRecorded) {
    MemoryHistoryFile file;
    auto writer = HistoryWriter::Create(file, 3, kStart);
    ASSERT_TRUE(writer);
    EXPECT_LE(file.Size(), kHistoryLargestFile);
    // 40, 41, ... 59 at one-refresh steps: the first minute holds 80 refreshes.
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(writer->Record(kStart + i * kRefreshMs, Machine(40 + i % 20)));
    const std::uint64_t size = file.Size();
    ASSERT_TRUE(writer->Finish());
    EXPECT_EQ(file.Size(), size);

    const Collected all = ReadAll(file);
    ASSERT_EQ(all.refreshes.size(), 100u);
    EXPECT_EQ(all.refreshes[7].timeMs, kStart + 7 * kRefreshMs);
    EXPECT_EQ(all.refreshes[7].readings, Machine(47));
    ASSERT_EQ(all.minutes.size(), 2u);
    const MinuteRecord& first = all.minutes[0];
    EXPECT_EQ(first.minuteMs, kStart);
    ASSERT_EQ(first.readings.size(), 3u);
    EXPECT_EQ(first.readings[0].minimum, 40);
    EXPECT_EQ(first.readings[0].maximum, 59);
    EXPECT_DOUBLE_EQ(first.readings[0].mean, 49.5);
    EXPECT_EQ(first.readings[2].limits, (TemperatureLimits{83.0, std::nullopt}));
    EXPECT_EQ(all.minutes[1].minuteMs, kStart + kMinuteMs);
}

TEST(HistoryFile, RollsEachRingOverKeepingTheNewestInOrder) {
    MemoryHistoryFile file;
    auto writer = HistoryWriter::Create(file, 3, kStart);
    const std::uint64_t held = RefreshesHeld(*ReadLayout(file), 3);
    EXPECT_GE(held, kRefreshesKept);
    const std::uint64_t written = held + 500;
    for (std::uint64_t i = 0; i < written; ++i)
        ASSERT_TRUE(writer->Record(kStart + static_cast<std::int64_t>(i) * kRefreshMs, Machine(50)));
    const Collected all = ReadAll(file);
    ASSERT_GE(all.refreshes.size(), held - 1);
    EXPECT_EQ(all.refreshes.back().sequence, written);
    for (std::size_t i = 1; i < all.refreshes.size(); ++i)
        ASSERT_EQ(all.refreshes[i].sequence, all.refreshes[i - 1].sequence + 1);
    EXPECT_EQ(all.minutes.size(), static_cast<std::size_t>((written - 1) * kRefreshMs / kMinuteMs));
}

TEST(HistoryFile, SkipsARecordTornAtAnyByteAndGoesOnAfterIt) {
    MemoryHistoryFile file;
    auto writer = HistoryWriter::Create(file, 3, kStart);
    for (int i = 0; i < 3; ++i) writer->Record(kStart + i * kRefreshMs, Machine(50 + i));
    const std::vector<std::byte> whole = file.bytes;
    writer->Record(kStart + 3 * kRefreshMs, Machine(60));
    const std::vector<std::byte> fourth = file.bytes;
    std::size_t first = 0;
    while (whole[first] == fourth[first]) ++first;
    std::size_t last = fourth.size();
    while (whole[last - 1] == fourth[last - 1]) --last;
    for (std::size_t torn = first; torn < last; ++torn) {
        // The crash left the fourth record written up to this byte.
        MemoryHistoryFile crashed;
        crashed.bytes = whole;
        std::copy(fourth.begin() + static_cast<std::ptrdiff_t>(first), fourth.begin() + static_cast<std::ptrdiff_t>(torn),
                  crashed.bytes.begin() + static_cast<std::ptrdiff_t>(first));
        Collected all = ReadAll(crashed);
        ASSERT_EQ(all.refreshes.size(), 3u) << torn;
        EXPECT_EQ(all.refreshes.back().readings, Machine(52));
        if (torn != (first + last) / 2) continue;
        auto resumed = HistoryWriter::Resume(crashed);
        ASSERT_TRUE(resumed);
        resumed->Record(kStart + 4 * kRefreshMs, Machine(61));
        all = ReadAll(crashed);
        ASSERT_EQ(all.refreshes.size(), 4u);
        EXPECT_EQ(all.refreshes.back().sequence, 4u);
        EXPECT_EQ(all.refreshes.back().readings, Machine(61));
    }
    // A byte changed inside the second record: that one alone is skipped.
    MemoryHistoryFile flipped;
    flipped.bytes = fourth;
    const HistoryLayout layout = *ReadLayout(flipped);
    flipped.bytes[layout.refreshes.offset + EncodeRefresh({1, kStart, Machine(50)}).size() + 40] ^= std::byte{1};
    const Collected rest = ReadAll(flipped);
    ASSERT_EQ(rest.refreshes.size(), 3u);
    EXPECT_EQ(rest.refreshes[1].sequence, 3u);
}

TEST(HistoryFile, RefusesWhatIsNotAHistoryOfThisFormat) {
    MemoryHistoryFile good;
    HistoryWriter::Create(good, 3, kStart);
    std::vector<MemoryHistoryFile> foreign(5);
    foreign[1].bytes.assign(8192, std::byte{0x5A});                    // garbage
    foreign[2].bytes = good.bytes;
    foreign[2].bytes.resize(good.bytes.size() - 8);                   // truncated
    foreign[3].bytes = good.bytes;
    foreign[3].bytes[8] = std::byte{2};                               // another version
    foreign[4].bytes = good.bytes;
    foreign[4].bytes[20] ^= std::byte{0x10};                          // a header that does not add up
    for (std::size_t i = 0; i < foreign.size(); ++i) {
        EXPECT_FALSE(HistoryWriter::Resume(foreign[i])) << i;
        Collected none;
        EXPECT_EQ(HistoryReader().Update(foreign[i], none), HistoryRead::NotHistory) << i;
    }
    EXPECT_TRUE(HistoryWriter::Resume(good));
}

TEST(HistoryFile, TheClockSetBackLosesAndReordersNothing) {
    MemoryHistoryFile file;
    auto writer = HistoryWriter::Create(file, 3, kStart);
    const std::int64_t times[] = {kStart + 5000, kStart + 5750, kStart - 3'600'000, kStart - 3'599'250};
    for (int i = 0; i < 4; ++i) writer->Record(times[i], Machine(40 + i));
    writer->Finish();
    const Collected all = ReadAll(file);
    ASSERT_EQ(all.refreshes.size(), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(all.refreshes[static_cast<std::size_t>(i)].timeMs, times[i]);
    ASSERT_EQ(all.minutes.size(), 2u);
    EXPECT_EQ(all.minutes[0].minuteMs, kStart);
    EXPECT_EQ(all.minutes[1].minuteMs, kStart - 3'600'000);
}

TEST(HistoryFile, ANewWriterFinishesTheMinuteAKilledOneWasGathering) {
    MemoryHistoryFile file;
    {
        auto killed = HistoryWriter::Create(file, 3, kStart);
        for (int i = 0; i < 10; ++i) killed->Record(kStart + i * kRefreshMs, Machine(40 + i));
    }  // never finished
    auto writer = HistoryWriter::Resume(file);
    ASSERT_TRUE(writer);
    writer->Record(kStart + kMinuteMs, Machine(70));
    const Collected all = ReadAll(file);
    ASSERT_EQ(all.minutes.size(), 1u);
    EXPECT_EQ(all.minutes[0].readings[0].minimum, 40);
    EXPECT_EQ(all.minutes[0].readings[0].maximum, 49);
    EXPECT_EQ(all.refreshes.size(), 11u);
}

TEST(HistoryFile, TheReaderFollowsTheWriterAndNoticesANewHistory) {
    MemoryHistoryFile file;
    auto writer = HistoryWriter::Create(file, 3, kStart);
    Collected seen;
    HistoryReader reader;
    EXPECT_EQ(reader.Update(file, seen), HistoryRead::Reloaded);
    EXPECT_EQ(reader.Update(file, seen), HistoryRead::Unchanged);
    for (int i = 0; i < 90; ++i) writer->Record(kStart + i * kRefreshMs, Machine(45));
    EXPECT_EQ(reader.Update(file, seen), HistoryRead::Appended);
    EXPECT_EQ(seen.refreshes.size(), 90u);
    EXPECT_EQ(seen.minutes.size(), 1u);
    // Round the ring and on, the reader never taking the middle of an older record for a new one.
    const std::uint64_t total = RefreshesHeld(*ReadLayout(file), 3) + 20'000;
    std::uint64_t taken = seen.refreshes.size();
    seen.refreshes.clear();
    for (std::uint64_t i = 90; i < total; ++i) {
        writer->Record(kStart + static_cast<std::int64_t>(i) * kRefreshMs, Machine(45));
        if (i % 7'000 != 0) continue;
        EXPECT_EQ(reader.Update(file, seen), HistoryRead::Appended);
        taken += seen.refreshes.size();
        EXPECT_EQ(seen.refreshes.back().sequence, i + 1);
        seen.refreshes.clear();
    }
    reader.Update(file, seen);
    EXPECT_EQ(taken + seen.refreshes.size(), total);
    writer = HistoryWriter::Create(file, 3, kStart + 1);
    writer->Record(kStart + kMinuteMs, Machine(45));
    EXPECT_EQ(reader.Update(file, seen), HistoryRead::Reloaded);
    EXPECT_EQ(seen.resets, 2);
    EXPECT_EQ(seen.refreshes.size(), 1u);
}

TEST(HistoryFile, EveryMachineFitsTheLargestFileTheMinutesFirst) {
    for (const std::size_t readings : {0u, 16u, 64u, 256u, 2000u}) {
        const HistoryLayout layout = PlanHistoryLayout(readings, kStart);
        EXPECT_LE(layout.FileSize(), kHistoryLargestFile) << readings;
        EXPECT_GT(RefreshesHeld(layout, readings), 1000u) << readings;
        if (readings <= 64) {
            EXPECT_GE(MinutesHeld(layout, readings), kMinutesKept) << readings;
        }
        if (readings <= 16) {
            EXPECT_GE(RefreshesHeld(layout, readings), kRefreshesKept) << readings;
        }
    }
}

}  // namespace
}  // namespace veltar

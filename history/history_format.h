// The history file: a header, then two rings of checksummed records, every
// refresh in one and each minute's minimum, mean and maximum in the other.
// Made at its full size once, never grown; times in UTC milliseconds since 1970.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "history/history_file.h"
#include "sensors/temperature_report.h"

namespace veltar {

inline constexpr std::uint64_t kHistoryLargestFile = 64ull << 20;
inline constexpr std::uint64_t kHistoryHeaderSize = 4096;
inline constexpr std::int64_t kRefreshMs = 750;
inline constexpr std::int64_t kMinuteMs = 60'000;
inline constexpr std::uint64_t kRefreshesKept = 24ull * 3600 * 1000 / kRefreshMs;  // a day
inline constexpr std::uint64_t kMinutesKept = 30ull * 24 * 60;                     // thirty days

// Where each ring lies in the file, in bytes.
struct HistoryRegion {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    bool operator==(const HistoryRegion&) const = default;
};

struct HistoryLayout {
    HistoryRegion refreshes;
    HistoryRegion minutes;
    std::int64_t createdMs = 0;  // tells one history from the one that replaced it
    std::uint64_t FileSize() const { return minutes.offset + minutes.size; }
    bool operator==(const HistoryLayout&) const = default;
};

// The rings' sizes for a machine of this many readings, a little room left for
// a drive plugged in later: a day of refreshes and thirty days of minutes where
// that fits in the largest file; else the minutes first, in three quarters of it
// at most, and the refreshes in the rest.
HistoryLayout PlanHistoryLayout(std::size_t readings, std::int64_t createdMs);
// How many records of a machine of this many readings each ring holds.
std::uint64_t RefreshesHeld(const HistoryLayout& layout, std::size_t readings);
std::uint64_t MinutesHeld(const HistoryLayout& layout, std::size_t readings);

// The header's bytes, and the layout they give; nothing when they are not the
// header of a history of this format that fits a file of that size.
std::vector<std::byte> EncodeHeader(const HistoryLayout& layout);
std::optional<HistoryLayout> DecodeHeader(std::span<const std::byte> header, std::uint64_t fileSize);
std::optional<HistoryLayout> ReadLayout(HistoryFile& file);

// One recorded refresh: its time and each reading as the report had it.
struct RefreshRecord {
    std::uint64_t sequence = 0;
    std::int64_t timeMs = 0;
    std::vector<TemperatureReading> readings;
};

// One reading over a minute.
struct MinuteReading {
    SensorKind kind = SensorKind::Mainboard;
    std::uint32_t number = 1;
    double minimum = 0;
    double mean = 0;
    double maximum = 0;
    TemperatureLimits limits;  // the last declared in the minute
};

struct MinuteRecord {
    std::uint64_t sequence = 0;
    std::int64_t minuteMs = 0;  // the minute's start
    std::vector<MinuteReading> readings;
};

std::vector<std::byte> EncodeRefresh(const RefreshRecord& record);
std::vector<std::byte> EncodeMinute(const MinuteRecord& record);
// The record at the start of the bytes, and its length; nothing when it is not
// a whole record of that kind with a right checksum.
std::optional<std::pair<RefreshRecord, std::size_t>> DecodeRefresh(std::span<const std::byte> bytes);
std::optional<std::pair<MinuteRecord, std::size_t>> DecodeMinute(std::span<const std::byte> bytes);

// The length the head of a record of that ring claims, before the record is
// checked whole; nothing when the head is no such record's. Heads are this long.
inline constexpr std::size_t kRecordHeadSize = 28;
std::optional<std::size_t> ClaimedLength(std::span<const std::byte> head, bool minutes);

// A record found in a ring: where it starts and its length.
struct RingRecord {
    std::uint64_t sequence = 0;
    std::uint64_t position = 0;  // from the ring's start
    std::uint64_t length = 0;
};

// The ring's whole records oldest first, by sequence, torn and overwritten ones
// skipped; nothing when the ring cannot be read.
std::optional<std::vector<RingRecord>> ScanRing(HistoryFile& file, const HistoryRegion& region, bool minutes,
                                                std::vector<std::byte>& ringBytes);

std::uint32_t Crc32(std::span<const std::byte> bytes);

}  // namespace veltar

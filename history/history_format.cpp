#include "history/history_format.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace veltar {
namespace {

constexpr char kMagic[8] = {'V', 'E', 'L', 'T', 'A', 'R', 'H', 'I'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderFields = 56;
constexpr std::uint32_t kRefreshMagic = 0x31465256;  // "VRF1"
constexpr std::uint32_t kMinuteMagic = 0x314E4D56;   // "VMN1"
constexpr std::size_t kRecordHead = kRecordHeadSize;
constexpr std::size_t kRecordTail = 4;
constexpr std::size_t kAlignment = 8;
constexpr std::size_t kRefreshEntry = 8;
constexpr std::size_t kMinuteEntry = 12;
constexpr std::int16_t kNoValue = std::numeric_limits<std::int16_t>::min();
constexpr std::uint32_t kLargestNumber = 0x1FFF;
// Room for readings that come later, as a drive plugged in.
constexpr std::size_t kSpareReadings = 2;

template <typename T>
void Put(std::vector<std::byte>& out, std::size_t at, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i)
        out[at + i] = static_cast<std::byte>(static_cast<std::uint64_t>(value) >> (8 * i) & 0xFF);
}

template <typename T>
T Get(std::span<const std::byte> in, std::size_t at) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) value |= std::to_integer<std::uint64_t>(in[at + i]) << (8 * i);
    return static_cast<T>(value);
}

std::size_t Aligned(std::size_t length) { return (length + kAlignment - 1) / kAlignment * kAlignment; }

std::size_t RecordLength(std::size_t readings, std::size_t entry) {
    return Aligned(kRecordHead + readings * entry + kRecordTail);
}

// Hundredths of a degree, as the report shows them; beyond ±327 °C the value is
// kept at the edge, far outside any plausible reading.
std::int16_t Hundredths(double celsius) {
    if (std::isnan(celsius)) return kNoValue;
    return static_cast<std::int16_t>(std::lround(std::clamp(celsius, -327.67, 327.67) * 100));
}
std::int16_t Hundredths(const std::optional<double>& celsius) { return celsius ? Hundredths(*celsius) : kNoValue; }
double Celsius(std::int16_t hundredths) { return hundredths / 100.0; }
std::optional<double> Limit(std::int16_t hundredths) {
    if (hundredths == kNoValue) return std::nullopt;
    return Celsius(hundredths);
}

std::uint16_t Id(SensorKind kind, std::uint32_t number) {
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(kind) << 13 | std::min(number, kLargestNumber));
}
std::optional<std::pair<SensorKind, std::uint32_t>> FromId(std::uint16_t id) {
    const std::uint32_t kind = id >> 13;
    if (kind > static_cast<std::uint32_t>(SensorKind::Memory)) return std::nullopt;
    return std::pair{static_cast<SensorKind>(kind), static_cast<std::uint32_t>(id & kLargestNumber)};
}

std::vector<std::byte> StartRecord(std::uint32_t magic, std::uint64_t sequence, std::int64_t time,
                                   std::size_t readings, std::size_t entry) {
    std::vector<std::byte> out(RecordLength(readings, entry));
    Put(out, 0, magic);
    Put(out, 4, static_cast<std::uint32_t>(out.size()));
    Put(out, 8, sequence);
    Put(out, 16, time);
    Put(out, 24, static_cast<std::uint32_t>(readings));
    return out;
}

void Seal(std::vector<std::byte>& out) {
    Put(out, out.size() - kRecordTail, Crc32(std::span(out).first(out.size() - kRecordTail)));
}

// The length of the whole, checksummed record of this kind at the start of the bytes.
std::optional<std::size_t> SealedLength(std::span<const std::byte> in, std::uint32_t magic, std::size_t entry) {
    if (in.size() < kRecordHead + kRecordTail || Get<std::uint32_t>(in, 0) != magic) return std::nullopt;
    const std::size_t length = Get<std::uint32_t>(in, 4);
    const std::size_t readings = Get<std::uint32_t>(in, 24);
    if (length > in.size() || readings > (length - kRecordHead) / entry || length != RecordLength(readings, entry))
        return std::nullopt;
    if (Crc32(in.first(length - kRecordTail)) != Get<std::uint32_t>(in, length - kRecordTail)) return std::nullopt;
    return length;
}

std::array<std::uint32_t, 256> CrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

}  // namespace

std::uint32_t Crc32(std::span<const std::byte> bytes) {
    static const std::array<std::uint32_t, 256> table = CrcTable();
    std::uint32_t c = 0xFFFFFFFFu;
    for (const std::byte b : bytes) c = table[(c ^ std::to_integer<std::uint32_t>(b)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

HistoryLayout PlanHistoryLayout(std::size_t readings, std::int64_t createdMs) {
    const std::size_t planned = readings + kSpareReadings;
    const std::uint64_t room = kHistoryLargestFile - kHistoryHeaderSize;
    const std::uint64_t minutesWanted = kMinutesKept * RecordLength(planned, kMinuteEntry);
    const std::uint64_t refreshesWanted = kRefreshesKept * RecordLength(planned, kRefreshEntry);
    std::uint64_t minutes = minutesWanted;
    std::uint64_t refreshes = refreshesWanted;
    if (minutes + refreshes > room) {
        minutes = std::min(minutes, room / 4 * 3);
        refreshes = room - minutes;
    }
    minutes = minutes / kAlignment * kAlignment;
    refreshes = refreshes / kAlignment * kAlignment;
    HistoryLayout layout;
    layout.refreshes = {kHistoryHeaderSize, refreshes};
    layout.minutes = {kHistoryHeaderSize + refreshes, minutes};
    layout.createdMs = createdMs;
    return layout;
}

std::uint64_t RefreshesHeld(const HistoryLayout& layout, std::size_t readings) {
    return layout.refreshes.size / RecordLength(readings, kRefreshEntry);
}

std::uint64_t MinutesHeld(const HistoryLayout& layout, std::size_t readings) {
    return layout.minutes.size / RecordLength(readings, kMinuteEntry);
}

std::vector<std::byte> EncodeHeader(const HistoryLayout& layout) {
    std::vector<std::byte> out(kHistoryHeaderSize);
    std::memcpy(out.data(), kMagic, sizeof kMagic);
    Put(out, 8, kVersion);
    Put(out, 12, static_cast<std::uint32_t>(kHistoryHeaderSize));
    Put(out, 16, layout.refreshes.offset);
    Put(out, 24, layout.refreshes.size);
    Put(out, 32, layout.minutes.offset);
    Put(out, 40, layout.minutes.size);
    Put(out, 48, layout.createdMs);
    Put(out, kHeaderFields, Crc32(std::span(out).first(kHeaderFields)));
    return out;
}

std::optional<HistoryLayout> DecodeHeader(std::span<const std::byte> in, std::uint64_t fileSize) {
    if (in.size() < kHeaderFields + 4 || std::memcmp(in.data(), kMagic, sizeof kMagic) != 0) return std::nullopt;
    if (Get<std::uint32_t>(in, 8) != kVersion || Get<std::uint32_t>(in, 12) != kHistoryHeaderSize) return std::nullopt;
    if (Crc32(in.first(kHeaderFields)) != Get<std::uint32_t>(in, kHeaderFields)) return std::nullopt;
    HistoryLayout layout;
    layout.refreshes = {Get<std::uint64_t>(in, 16), Get<std::uint64_t>(in, 24)};
    layout.minutes = {Get<std::uint64_t>(in, 32), Get<std::uint64_t>(in, 40)};
    layout.createdMs = Get<std::int64_t>(in, 48);
    const bool laidOut = layout.refreshes.offset == kHistoryHeaderSize &&
                         layout.minutes.offset == kHistoryHeaderSize + layout.refreshes.size &&
                         layout.FileSize() <= kHistoryLargestFile && layout.FileSize() == fileSize;
    if (!laidOut) return std::nullopt;
    return layout;
}

std::optional<HistoryLayout> ReadLayout(HistoryFile& file) {
    std::vector<std::byte> header(kHistoryHeaderSize);
    const std::uint64_t size = file.Size();
    if (size < kHistoryHeaderSize || !file.Read(0, header)) return std::nullopt;
    return DecodeHeader(header, size);
}

std::vector<std::byte> EncodeRefresh(const RefreshRecord& record) {
    std::vector<std::byte> out =
        StartRecord(kRefreshMagic, record.sequence, record.timeMs, record.readings.size(), kRefreshEntry);
    std::size_t at = kRecordHead;
    for (const TemperatureReading& reading : record.readings) {
        Put(out, at, Id(reading.kind, reading.number));
        Put(out, at + 2, Hundredths(reading.celsius));
        Put(out, at + 4, Hundredths(reading.limits.warning));
        Put(out, at + 6, Hundredths(reading.limits.critical));
        at += kRefreshEntry;
    }
    Seal(out);
    return out;
}

std::vector<std::byte> EncodeMinute(const MinuteRecord& record) {
    std::vector<std::byte> out =
        StartRecord(kMinuteMagic, record.sequence, record.minuteMs, record.readings.size(), kMinuteEntry);
    std::size_t at = kRecordHead;
    for (const MinuteReading& reading : record.readings) {
        Put(out, at, Id(reading.kind, reading.number));
        Put(out, at + 2, Hundredths(reading.minimum));
        Put(out, at + 4, Hundredths(reading.mean));
        Put(out, at + 6, Hundredths(reading.maximum));
        Put(out, at + 8, Hundredths(reading.limits.warning));
        Put(out, at + 10, Hundredths(reading.limits.critical));
        at += kMinuteEntry;
    }
    Seal(out);
    return out;
}

std::optional<std::pair<RefreshRecord, std::size_t>> DecodeRefresh(std::span<const std::byte> in) {
    const auto length = SealedLength(in, kRefreshMagic, kRefreshEntry);
    if (!length) return std::nullopt;
    RefreshRecord record{Get<std::uint64_t>(in, 8), Get<std::int64_t>(in, 16), {}};
    const std::size_t count = Get<std::uint32_t>(in, 24);
    record.readings.reserve(count);
    for (std::size_t i = 0, at = kRecordHead; i < count; ++i, at += kRefreshEntry) {
        const auto id = FromId(Get<std::uint16_t>(in, at));
        if (!id) return std::nullopt;
        record.readings.push_back({id->first, id->second, Celsius(Get<std::int16_t>(in, at + 2)),
                                   {Limit(Get<std::int16_t>(in, at + 4)), Limit(Get<std::int16_t>(in, at + 6))}});
    }
    return std::pair{std::move(record), *length};
}

std::optional<std::pair<MinuteRecord, std::size_t>> DecodeMinute(std::span<const std::byte> in) {
    const auto length = SealedLength(in, kMinuteMagic, kMinuteEntry);
    if (!length) return std::nullopt;
    MinuteRecord record{Get<std::uint64_t>(in, 8), Get<std::int64_t>(in, 16), {}};
    const std::size_t count = Get<std::uint32_t>(in, 24);
    record.readings.reserve(count);
    for (std::size_t i = 0, at = kRecordHead; i < count; ++i, at += kMinuteEntry) {
        const auto id = FromId(Get<std::uint16_t>(in, at));
        if (!id) return std::nullopt;
        record.readings.push_back({id->first, id->second, Celsius(Get<std::int16_t>(in, at + 2)),
                                   Celsius(Get<std::int16_t>(in, at + 4)), Celsius(Get<std::int16_t>(in, at + 6)),
                                   {Limit(Get<std::int16_t>(in, at + 8)), Limit(Get<std::int16_t>(in, at + 10))}});
    }
    return std::pair{std::move(record), *length};
}

std::optional<std::size_t> ClaimedLength(std::span<const std::byte> head, bool minutes) {
    if (head.size() < kRecordHead || Get<std::uint32_t>(head, 0) != (minutes ? kMinuteMagic : kRefreshMagic))
        return std::nullopt;
    const std::size_t readings = Get<std::uint32_t>(head, 24);
    const std::size_t length = Get<std::uint32_t>(head, 4);
    if (readings > kLargestNumber * 4 || length != RecordLength(readings, minutes ? kMinuteEntry : kRefreshEntry))
        return std::nullopt;
    return length;
}

std::optional<std::vector<RingRecord>> ScanRing(HistoryFile& file, const HistoryRegion& region, bool minutes,
                                                std::vector<std::byte>& ringBytes) {
    ringBytes.resize(region.size);
    if (!file.Read(region.offset, ringBytes)) return std::nullopt;
    const std::uint32_t magic = minutes ? kMinuteMagic : kRefreshMagic;
    const std::size_t entry = minutes ? kMinuteEntry : kRefreshEntry;
    const std::span<const std::byte> ring(ringBytes);
    std::vector<RingRecord> found;
    for (std::size_t at = 0; at + kRecordHead + kRecordTail <= ring.size();) {
        if (const auto length = SealedLength(ring.subspan(at), magic, entry)) {
            found.push_back({Get<std::uint64_t>(ring, at + 8), at, *length});
            at += *length;
        } else {
            at += kAlignment;
        }
    }
    std::sort(found.begin(), found.end(), [](const RingRecord& a, const RingRecord& b) { return a.sequence < b.sequence; });
    return found;
}

}  // namespace veltar

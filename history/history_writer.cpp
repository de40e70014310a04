#include "history/history_writer.h"

#include <algorithm>
#include <cmath>

namespace veltar {
namespace {

std::int64_t MinuteOf(std::int64_t timeMs) {
    return (timeMs >= 0 ? timeMs / kMinuteMs : (timeMs - kMinuteMs + 1) / kMinuteMs) * kMinuteMs;
}

}  // namespace

HistoryWriter::HistoryWriter(HistoryFile& file, const HistoryLayout& layout) : m_file(file) {
    m_refreshes.region = layout.refreshes;
    m_minutes.region = layout.minutes;
}

std::unique_ptr<HistoryWriter> HistoryWriter::Create(HistoryFile& file, std::size_t readings, std::int64_t nowMs) {
    const HistoryLayout layout = PlanHistoryLayout(readings, nowMs);
    // The rings start empty, zeros being no record, and written whole, so that
    // the disk's room is taken now: a full disk fails here, not a day later.
    if (!file.Resize(0) || !file.Resize(layout.FileSize())) return nullptr;
    const std::vector<std::byte> zeros(1 << 20);
    for (std::uint64_t at = kHistoryHeaderSize; at < layout.FileSize(); at += zeros.size()) {
        const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(zeros.size(), layout.FileSize() - at));
        if (!file.Write(at, std::span(zeros).first(length))) return nullptr;
    }
    if (!file.Write(0, EncodeHeader(layout)) || !file.Flush()) return nullptr;
    return std::unique_ptr<HistoryWriter>(new HistoryWriter(file, layout));
}

std::unique_ptr<HistoryWriter> HistoryWriter::Resume(HistoryFile& file) {
    const auto layout = ReadLayout(file);
    if (!layout) return nullptr;
    std::unique_ptr<HistoryWriter> writer(new HistoryWriter(file, *layout));
    std::vector<std::byte> bytes;
    std::optional<std::int64_t> lastMinute;
    for (Ring* ring : {&writer->m_minutes, &writer->m_refreshes}) {
        const bool minutes = ring == &writer->m_minutes;
        const auto records = ScanRing(file, ring->region, minutes, bytes);
        if (!records) return nullptr;
        if (records->empty()) continue;
        ring->next = records->back().position + records->back().length;
        ring->sequence = records->back().sequence + 1;
        if (minutes) {
            if (const auto last = DecodeMinute(std::span(bytes).subspan(records->back().position)))
                lastMinute = last->first.minuteMs;
            continue;
        }
        // The minute a stopped writer was gathering, from its refreshes, unless it was recorded.
        std::vector<RefreshRecord> pending;
        for (auto it = records->rbegin(); it != records->rend(); ++it) {
            auto refresh = DecodeRefresh(std::span(bytes).subspan(it->position));
            if (!refresh) continue;
            const std::int64_t minute = MinuteOf(refresh->first.timeMs);
            if (lastMinute && minute <= *lastMinute) break;
            if (!pending.empty() && minute != MinuteOf(pending.back().timeMs)) break;
            pending.push_back(std::move(refresh->first));
        }
        for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
            writer->m_minute = MinuteOf(it->timeMs);
            writer->Gather(it->readings);
        }
    }
    return writer;
}

bool HistoryWriter::Append(Ring& ring, std::vector<std::byte> record) {
    if (record.size() > ring.region.size) return false;
    if (ring.next + record.size() > ring.region.size) ring.next = 0;
    if (!m_file.Write(ring.region.offset + ring.next, record)) return false;
    ring.next += record.size();
    ++ring.sequence;
    return true;
}

void HistoryWriter::Gather(const std::vector<TemperatureReading>& readings) {
    for (const TemperatureReading& reading : readings) {
        Gathered& g = m_gathered[{reading.kind, reading.number}];
        g.minimum = g.samples ? std::min(g.minimum, reading.celsius) : reading.celsius;
        g.maximum = g.samples ? std::max(g.maximum, reading.celsius) : reading.celsius;
        g.sum += reading.celsius;
        ++g.samples;
        g.limits = reading.limits;
    }
}

bool HistoryWriter::WriteMinute() {
    if (!m_minute) return true;
    MinuteRecord record{m_minutes.sequence, *m_minute, {}};
    for (const auto& [key, g] : m_gathered)
        record.readings.push_back({key.first, key.second, g.minimum, g.sum / g.samples, g.maximum, g.limits});
    m_minute.reset();
    m_gathered.clear();
    return Append(m_minutes, EncodeMinute(record)) && m_file.Flush();
}

bool HistoryWriter::Record(std::int64_t timeMs, const std::vector<TemperatureReading>& readings) {
    const std::int64_t minute = MinuteOf(timeMs);
    // A minute ends when a refresh of another minute comes, the clock set back too.
    if (m_minute && *m_minute != minute && !WriteMinute()) return false;
    if (!Append(m_refreshes, EncodeRefresh({m_refreshes.sequence, timeMs, readings}))) return false;
    m_minute = minute;
    Gather(readings);
    return true;
}

bool HistoryWriter::Finish() { return WriteMinute(); }

}  // namespace veltar

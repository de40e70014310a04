#include "history/history_reader.h"

namespace veltar {

bool HistoryReader::Load(HistoryFile& file, HistorySink& sink, Ring& ring, bool minutes) {
    std::vector<std::byte> bytes;
    const auto records = ScanRing(file, ring.region, minutes, bytes);
    if (!records) return false;
    ring.next = 0;
    ring.sequence = 1;  // a writer's first
    for (const RingRecord& found : *records) {
        const auto record = std::span<const std::byte>(bytes).subspan(found.position);
        if (minutes) {
            if (const auto minute = DecodeMinute(record)) sink.Minute(minute->first);
        } else if (const auto refresh = DecodeRefresh(record)) {
            sink.Refresh(refresh->first);
        }
        ring.next = found.position + found.length;
        ring.sequence = found.sequence + 1;
    }
    return true;
}

// True when a record was taken, false when none is there yet, nothing when the file failed.
std::optional<bool> HistoryReader::Follow(HistoryFile& file, HistorySink& sink, Ring& ring, bool minutes) {
    std::vector<std::byte> bytes;
    // The writer goes on where it stopped, or at the ring's start when the record would not fit.
    for (const std::uint64_t at : {ring.next, std::uint64_t{0}}) {
        if (at + kRecordHeadSize > ring.region.size) continue;
        bytes.resize(kRecordHeadSize);
        if (!file.Read(ring.region.offset + at, bytes)) return std::nullopt;
        // What lies there may be the middle of an older record: only a record's head is read on.
        const auto length = ClaimedLength(bytes, minutes);
        if (!length || *length > ring.region.size - at) continue;
        bytes.resize(*length);
        if (!file.Read(ring.region.offset + at, bytes)) return std::nullopt;
        std::uint64_t sequence = 0;
        if (minutes) {
            const auto minute = DecodeMinute(bytes);
            if (!minute || minute->first.sequence != ring.sequence) continue;
            sink.Minute(minute->first);
            sequence = minute->first.sequence;
        } else {
            const auto refresh = DecodeRefresh(bytes);
            if (!refresh || refresh->first.sequence != ring.sequence) continue;
            sink.Refresh(refresh->first);
            sequence = refresh->first.sequence;
        }
        ring.next = at + *length;
        ring.sequence = sequence + 1;
        return true;
    }
    return false;
}

HistoryRead HistoryReader::Update(HistoryFile& file, HistorySink& sink) {
    const auto layout = ReadLayout(file);
    if (!layout) return HistoryRead::NotHistory;
    if (layout != m_layout) {
        m_layout.reset();
        sink.Reset();
        m_refreshes = {layout->refreshes};
        m_minutes = {layout->minutes};
        if (!Load(file, sink, m_minutes, true) || !Load(file, sink, m_refreshes, false))
            return HistoryRead::Unreadable;
        m_layout = layout;
        return HistoryRead::Reloaded;
    }
    bool appended = false;
    for (Ring* ring : {&m_minutes, &m_refreshes}) {
        for (;;) {
            const auto taken = Follow(file, sink, *ring, ring == &m_minutes);
            if (!taken) return HistoryRead::Unreadable;
            if (!*taken) break;
            appended = true;
        }
    }
    return appended ? HistoryRead::Appended : HistoryRead::Unchanged;
}

}  // namespace veltar

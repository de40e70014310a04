// Records each refresh in a history file: the refresh at once, each minute's
// minimum, mean and maximum when the minute is over, the disk flushed then.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "history/history_format.h"

namespace veltar {

class HistoryWriter {
public:
    // Lays a new history out in the file for a machine of this many readings,
    // replacing whatever the file held; nothing when it cannot be written.
    static std::unique_ptr<HistoryWriter> Create(HistoryFile& file, std::size_t readings, std::int64_t nowMs);
    // Goes on with the history the file holds; nothing when the file holds none
    // of this format or cannot be read.
    static std::unique_ptr<HistoryWriter> Resume(HistoryFile& file);

    // Records a refresh; false when the file would not take it.
    bool Record(std::int64_t timeMs, const std::vector<TemperatureReading>& readings);
    // Records the minute being gathered and flushes, as at a minute's end.
    bool Finish();

private:
    struct Ring {
        HistoryRegion region;
        std::uint64_t next = 0;  // where the next record starts, from the ring's start
        std::uint64_t sequence = 1;
    };
    struct Gathered {
        double minimum = 0, maximum = 0, sum = 0;
        std::uint32_t samples = 0;
        TemperatureLimits limits;
    };

    HistoryWriter(HistoryFile& file, const HistoryLayout& layout);
    bool Append(Ring& ring, std::vector<std::byte> record);
    void Gather(const std::vector<TemperatureReading>& readings);
    bool WriteMinute();

    HistoryFile& m_file;
    Ring m_refreshes;
    Ring m_minutes;
    // The minute being gathered, each reading by kind and number in the report's order.
    std::optional<std::int64_t> m_minute;
    std::map<std::pair<SensorKind, std::uint32_t>, Gathered> m_gathered;
};

}  // namespace veltar

// Reads a history as its writer goes on: everything at first, then what was
// recorded since, each ring's records oldest first.
#pragma once

#include <optional>

#include "history/history_format.h"

namespace veltar {

// Takes the records read.
class HistorySink {
public:
    virtual ~HistorySink() = default;
    // What was taken before belongs to a history that is no longer there.
    virtual void Reset() = 0;
    virtual void Refresh(const RefreshRecord& record) = 0;
    virtual void Minute(const MinuteRecord& record) = 0;
};

enum class HistoryRead { Unchanged, Appended, Reloaded, NotHistory, Unreadable };

class HistoryReader {
public:
    // Hands the sink what was recorded since the last call; at the first call,
    // or when the file holds another history now, everything after a Reset.
    HistoryRead Update(HistoryFile& file, HistorySink& sink);

private:
    struct Ring {
        HistoryRegion region;
        std::uint64_t next = 0;
        std::uint64_t sequence = 0;  // the next one expected
    };
    bool Load(HistoryFile& file, HistorySink& sink, Ring& ring, bool minutes);
    std::optional<bool> Follow(HistoryFile& file, HistorySink& sink, Ring& ring, bool minutes);

    std::optional<HistoryLayout> m_layout;
    Ring m_refreshes;
    Ring m_minutes;
};

}  // namespace veltar

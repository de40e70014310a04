// A week of a made-up machine's readings, the last day scripted: a quiet night,
// a disk scan in the afternoon, a game in the evening that takes the graphics
// card past its warning limit, and an hour when Veltar was not running.
#pragma once

#include <cstdint>

#include "history/history_file.h"

namespace veltar {

// Records the week in the file, ending at endMs; false when it could not be written.
bool MakeDemoHistory(HistoryFile& file, std::int64_t endMs);

}  // namespace veltar

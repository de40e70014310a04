// veltar-demo-history FILE [END]: writes the demo history to FILE, its last
// refresh at END (milliseconds since 1970 in UTC) or now.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "history/memory_history_file.h"
#include "standins/history/demo_history.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: veltar-demo-history FILE [END]\n";
        return 2;
    }
    const std::int64_t end =
        argc == 3 ? std::strtoll(argv[2], nullptr, 10)
                  : std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::system_clock::now().time_since_epoch()).count();
    veltar::MemoryHistoryFile memory;
    if (!veltar::MakeDemoHistory(memory, end)) {
        std::cerr << "veltar-demo-history: the history could not be made\n";
        return 1;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(memory.bytes.data()), static_cast<std::streamsize>(memory.bytes.size()));
    out.close();
    if (!out) {
        std::cerr << "veltar-demo-history: " << argv[1] << " could not be written\n";
        return 1;
    }
    return 0;
}

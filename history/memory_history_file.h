// A history file held in memory: for tests, benchmarks and the demo history's maker.
#pragma once

#include <algorithm>
#include <vector>

#include "history/history_file.h"

namespace veltar {

class MemoryHistoryFile : public HistoryFile {
public:
    std::uint64_t Size() override { return bytes.size(); }
    bool Resize(std::uint64_t size) override {
        if (failWrites) return false;
        bytes.resize(size);
        return true;
    }
    bool Read(std::uint64_t offset, std::span<std::byte> out) override {
        if (offset > bytes.size() || out.size() > bytes.size() - offset) return false;
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
        return true;
    }
    bool Write(std::uint64_t offset, std::span<const std::byte> in) override {
        if (failWrites || offset > bytes.size() || in.size() > bytes.size() - offset) return false;
        std::copy(in.begin(), in.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
        ++writes;
        return true;
    }
    bool Flush() override {
        ++flushes;
        return !failWrites;
    }

    std::vector<std::byte> bytes;
    bool failWrites = false;
    int writes = 0;
    int flushes = 0;
};

}  // namespace veltar

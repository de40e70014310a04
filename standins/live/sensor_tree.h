// The Linux kernel's sensor files, read-only: the part of /sys and /dev that
// the live source reads, below a root that tests may replace with a tree of
// their own. Paths are relative to that root and use '/'.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltar::live {

class SensorTree {
public:
    virtual ~SensorTree() = default;
    // A small text file whole; nothing when it cannot be read.
    virtual std::optional<std::string> Read(std::string_view path) const = 0;
    // The bytes at an offset of a file (a register of the msr device); nothing
    // unless all of them can be read.
    virtual std::optional<std::vector<std::uint8_t>> ReadAt(std::string_view path, std::uint64_t offset,
                                                           std::size_t count) const = 0;
    // The names in a folder, in no particular order; none when it cannot be listed.
    virtual std::vector<std::string> List(std::string_view folder) const = 0;
};

// A tree held in memory, for tests: files by path, folders implied by them.
class MemorySensorTree final : public SensorTree {
public:
    void Add(std::string path, std::string content) { m_files[std::move(path)] = std::move(content); }

    std::optional<std::string> Read(std::string_view path) const override;
    std::optional<std::vector<std::uint8_t>> ReadAt(std::string_view path, std::uint64_t offset,
                                                   std::size_t count) const override;
    std::vector<std::string> List(std::string_view folder) const override;

private:
    std::map<std::string, std::string, std::less<>> m_files;
};

}  // namespace veltar::live

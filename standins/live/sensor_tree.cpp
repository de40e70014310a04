#include "standins/live/sensor_tree.h"

#include <set>

namespace veltar::live {

std::optional<std::string> MemorySensorTree::Read(std::string_view path) const {
    const auto found = m_files.find(path);
    if (found == m_files.end()) return std::nullopt;
    return found->second;
}

std::optional<std::vector<std::uint8_t>> MemorySensorTree::ReadAt(std::string_view path, std::uint64_t offset,
                                                                  std::size_t count) const {
    const auto found = m_files.find(path);
    if (found == m_files.end() || offset > found->second.size() || found->second.size() - offset < count)
        return std::nullopt;
    const auto begin = found->second.begin() + static_cast<std::ptrdiff_t>(offset);
    return std::vector<std::uint8_t>(begin, begin + static_cast<std::ptrdiff_t>(count));
}

std::vector<std::string> MemorySensorTree::List(std::string_view folder) const {
    const std::string prefix = std::string(folder) + "/";
    std::set<std::string> names;
    for (const auto& [path, content] : m_files) {
        if (!path.starts_with(prefix)) continue;
        const std::size_t end = path.find('/', prefix.size());
        names.insert(path.substr(prefix.size(), end == std::string::npos ? std::string::npos : end - prefix.size()));
    }
    return {names.begin(), names.end()};
}

}  // namespace veltar::live

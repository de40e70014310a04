// The kernel's sensor files as Wine shows them: below drive Z:, Wine's view of
// the Linux root, or below the folder that VELTAR_SYSFS_ROOT names (tests'
// trees). Opened for reading only.
#pragma once

#include <string>

#include "standins/live/sensor_tree.h"

namespace veltar::live {

class WinSensorTree final : public SensorTree {
public:
    WinSensorTree();

    std::optional<std::string> Read(std::string_view path) const override;
    std::optional<std::vector<std::uint8_t>> ReadAt(std::string_view path, std::uint64_t offset,
                                                   std::size_t count) const override;
    std::vector<std::string> List(std::string_view folder) const override;

    // The Windows path of a file of the tree.
    std::wstring WindowsPath(std::string_view relative) const;

private:
    std::wstring m_root;  // ends with a backslash
};

}  // namespace veltar::live

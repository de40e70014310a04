// Where a history lives: a file of fixed size read and written at offsets. The
// programs use the Windows file; tests, benchmarks and the demo tool one in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace veltar {

class HistoryFile {
public:
    virtual ~HistoryFile() = default;
    virtual std::uint64_t Size() = 0;
    // Makes the file this long; false when it could not.
    virtual bool Resize(std::uint64_t size) = 0;
    // Reads the bytes at the offset; false when they are not all there.
    virtual bool Read(std::uint64_t offset, std::span<std::byte> bytes) = 0;
    // Hands the bytes to the system at the offset; false when not all were taken.
    virtual bool Write(std::uint64_t offset, std::span<const std::byte> bytes) = 0;
    // Puts what was written on the disk.
    virtual bool Flush() = 0;
};

}  // namespace veltar

// A picture as a PNG file: 8-bit RGB, each row filtered against the one above,
// compressed with deflate's fixed codes and runs.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace veltar {

// The file's bytes for pixels given top row first, each 0x00RRGGBB.
std::string EncodePng(int width, int height, std::span<const std::uint32_t> pixels);

}  // namespace veltar

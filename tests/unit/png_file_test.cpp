// The viewer's PNG files, read back with zlib.
#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "viewer/png_file.h"

namespace veltar {
namespace {

TEST(HistoryPng, InflatesToThePixelsGiven) {
    std::vector<std::uint32_t> pixels(300 * 7, 0xFFFFFF);
    pixels[5] = 0x1F77B4;
    pixels[300 * 6 + 299] = 0xD62728;
    const std::string png = EncodePng(300, 7, pixels);
    ASSERT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    ASSERT_EQ(png.substr(12, 4), "IHDR");
    const std::size_t idat = png.find("IDAT");
    ASSERT_NE(idat, std::string::npos);
    const std::uint32_t length = static_cast<std::uint8_t>(png[idat - 4]) << 24 | static_cast<std::uint8_t>(png[idat - 3]) << 16 |
                                 static_cast<std::uint8_t>(png[idat - 2]) << 8 | static_cast<std::uint8_t>(png[idat - 1]);
    std::vector<unsigned char> raw(7 * (1 + 300 * 3));
    uLongf size = raw.size();
    ASSERT_EQ(uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(png.data() + idat + 4), length), Z_OK);
    ASSERT_EQ(size, raw.size());
    // Undo the "Up" filter and compare.
    std::vector<unsigned char> above(900, 0);
    for (int y = 0; y < 7; ++y) {
        ASSERT_EQ(raw[static_cast<std::size_t>(y) * 901], 2);
        for (int x = 0; x < 300; ++x) {
            std::uint32_t p = 0;
            for (int c = 0; c < 3; ++c) {
                auto& value = above[static_cast<std::size_t>(x * 3 + c)];
                value = static_cast<unsigned char>(value + raw[static_cast<std::size_t>(y) * 901 + 1 + x * 3 + c]);
                p = p << 8 | value;
            }
            ASSERT_EQ(p, pixels[static_cast<std::size_t>(y * 300 + x)]) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace veltar

#include "viewer/png_file.h"

#include <array>
#include <vector>

#include "history/history_format.h"

namespace veltar {
namespace {

// Writes deflate's bit stream: values least significant bit first, Huffman codes most significant first.
class BitWriter {
public:
    void Bits(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) Bit(value >> i & 1);
    }
    void Code(std::uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) Bit(code >> i & 1);
    }
    std::string Finish() {
        if (m_used) m_out.push_back(static_cast<char>(m_byte));
        return std::move(m_out);
    }

private:
    void Bit(std::uint32_t bit) {
        m_byte |= bit << m_used;
        if (++m_used == 8) {
            m_out.push_back(static_cast<char>(m_byte));
            m_byte = 0;
            m_used = 0;
        }
    }
    std::string m_out;
    std::uint32_t m_byte = 0;
    int m_used = 0;
};

// A literal or length symbol in the fixed code.
void Symbol(BitWriter& out, int symbol) {
    if (symbol < 144) out.Code(0x30 + symbol, 8);
    else if (symbol < 256) out.Code(0x190 + symbol - 144, 9);
    else if (symbol < 280) out.Code(symbol - 256, 7);
    else out.Code(0xC0 + symbol - 280, 8);
}

// A run of this length repeating the byte before it (distance 1).
void Run(BitWriter& out, int length) {
    constexpr std::array<int, 29> kBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                           31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    constexpr std::array<int, 29> kExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                            2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    int code = 28;
    while (kBase[static_cast<std::size_t>(code)] > length) --code;
    Symbol(out, 257 + code);
    out.Bits(static_cast<std::uint32_t>(length - kBase[static_cast<std::size_t>(code)]),
             kExtra[static_cast<std::size_t>(code)]);
    out.Code(0, 5);  // distance 1
}

std::string Deflate(const std::vector<std::uint8_t>& data) {
    constexpr int kLongestRun = 258;
    BitWriter out;
    out.Bits(1, 1);  // the last block
    out.Bits(1, 2);  // fixed codes
    for (std::size_t i = 0; i < data.size();) {
        std::size_t run = 0;
        if (i > 0)
            while (i + run < data.size() && run < kLongestRun && data[i + run] == data[i - 1]) ++run;
        if (run >= 3) {
            Run(out, static_cast<int>(run));
            i += run;
        } else {
            Symbol(out, data[i++]);
        }
    }
    Symbol(out, 256);
    return out.Finish();
}

void Put32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift & 0xFF));
}

void Chunk(std::string& png, const char* type, const std::string& data) {
    Put32(png, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    png += typed;
    Put32(png, Crc32(std::as_bytes(std::span(typed.data(), typed.size()))));
}

}  // namespace

std::string EncodePng(int width, int height, std::span<const std::uint32_t> pixels) {
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    std::vector<std::uint8_t> filtered;
    filtered.reserve((stride + 1) * static_cast<std::size_t>(height));
    std::vector<std::uint8_t> above(stride, 0), row(stride);
    std::uint32_t a = 1, b = 0;  // Adler-32 of the unfiltered stream as zlib sees it
    const auto adler = [&](std::uint8_t byte) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                           static_cast<std::size_t>(x)];
            row[static_cast<std::size_t>(x) * 3] = static_cast<std::uint8_t>(p >> 16);
            row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<std::uint8_t>(p >> 8);
            row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<std::uint8_t>(p);
        }
        filtered.push_back(2);  // "Up"
        adler(2);
        for (std::size_t i = 0; i < stride; ++i) {
            const auto byte = static_cast<std::uint8_t>(row[i] - above[i]);
            filtered.push_back(byte);
            adler(byte);
        }
        above.swap(row);
    }
    std::string zlib = "\x78\x01";
    zlib += Deflate(filtered);
    Put32(zlib, b << 16 | a);

    std::string header;
    Put32(header, static_cast<std::uint32_t>(width));
    Put32(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, adaptive filters, no interlace
    std::string png = "\x89PNG\r\n\x1a\n";
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", zlib);
    Chunk(png, "IEND", "");
    return png;
}

}  // namespace veltar

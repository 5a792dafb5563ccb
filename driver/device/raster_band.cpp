#include "raster_band.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

namespace raster_device {
namespace {

// A dot as the module reads it from memory: red, green, blue, 0.
constexpr std::uint32_t dot_of(std::int32_t red, std::int32_t green, std::int32_t blue) {
    // Table rows that substitution wrote are whatever the configuration held;
    // a dot component is one byte.
    return static_cast<std::uint32_t>(std::clamp(red, 0, 255)) |
           static_cast<std::uint32_t>(std::clamp(green, 0, 255)) << 8 |
           static_cast<std::uint32_t>(std::clamp(blue, 0, 255)) << 16;
}

void store(std::uint8_t* at, std::uint32_t dot) {
    // Dots are little-endian bytes; the band buffer need not be aligned.
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(dot),
                                   static_cast<std::uint8_t>(dot >> 8),
                                   static_cast<std::uint8_t>(dot >> 16), 0};
    std::memcpy(at, bytes, sizeof bytes);
}

constexpr std::uint32_t white_dot = dot_of(255, 255, 255);
constexpr std::uint32_t black_dot = dot_of(0, 0, 0);

// The eight dots of every byte of a bitonal row, highest bit first.
struct Bitonal_Dots {
    std::array<std::array<std::uint8_t, 8 * dot_bytes>, 256> of_byte{};
    Bitonal_Dots() {
        for (int b = 0; b < 256; ++b)
            for (int bit = 0; bit < 8; ++bit)
                store(of_byte[b].data() + dot_bytes * bit,
                      (b >> (7 - bit) & 1) ? black_dot : white_dot);
    }
};

void convert_indexed(const std::uint8_t* row, int count,
                     const raster_render::Palette_Rgb_Table& table, std::uint8_t* dots) {
    // One dot per palette row, made once per row instead of once per pixel.
    std::array<std::uint32_t, 256> lut{};
    for (std::size_t i = 0; i < table.size() && i < lut.size(); ++i) {
        std::array<std::uint8_t, dot_bytes> dot;
        store(dot.data(), dot_of(table[i].red, table[i].green, table[i].blue));
        std::memcpy(&lut[i], dot.data(), dot_bytes);
    }
    // Eight pixels a step; eight of one index, as paper and wide fills
    // are, become one stretch of the same dot.
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, row + i, sizeof eight);
        std::uint8_t* out = dots + dot_bytes * i;
        if (eight == 0x0101010101010101ull * (eight & 0xFF)) {
            const std::uint64_t two = 0x0000000100000001ull * lut[eight & 0xFF];
            for (int k = 0; k < 4; ++k)
                std::memcpy(out + 8 * k, &two, sizeof two);
        } else {
            for (int k = 0; k < 8; ++k)
                std::memcpy(out + dot_bytes * k, &lut[row[i + k]], dot_bytes);
        }
    }
    for (; i < count; ++i)
        std::memcpy(dots + dot_bytes * i, &lut[row[i]], dot_bytes);
}

void convert_true_color(const std::uint8_t* row, int count, bool grey, std::uint8_t* dots) {
    if (!grey) {
        // The read-back pixel already is red, green, blue; only the fourth byte goes.
        for (int i = 0; i < count; ++i) {
            std::uint32_t pixel;
            std::memcpy(&pixel, row + dot_bytes * i, sizeof pixel);
            pixel &= 0x00FFFFFFu;
            std::memcpy(dots + dot_bytes * i, &pixel, sizeof pixel);
        }
        return;
    }
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* pixel = row + dot_bytes * i;
        std::int32_t r = pixel[0], g = pixel[1], b = pixel[2];
        if (r != g || g != b)
            r = g = b = raster_render::grey_level(r, g, b);
        store(dots + dot_bytes * i, dot_of(r, g, b));
    }
}

void convert_bitonal(const std::uint8_t* row, int first, int count, std::uint8_t* dots) {
    static const Bitonal_Dots table;
    int i = 0;
    auto one = [&](int c) {
        store(dots + dot_bytes * i, (row[c / 8] >> (7 - c % 8) & 1) ? black_dot : white_dot);
        ++i;
    };
    // Single bits up to a byte boundary, whole bytes, then the rest.
    while (i < count && (first + i) % 8 != 0)
        one(first + i);
    for (; i + 8 <= count; i += 8)
        std::memcpy(dots + dot_bytes * i, table.of_byte[row[(first + i) / 8]].data(),
                    8 * dot_bytes);
    while (i < count)
        one(first + i);
}

} // namespace

void convert_row(int color_system, const std::uint8_t* row, int first, int count,
                 const raster_render::Palette_Rgb_Table& table, bool grey, std::uint8_t* dots) {
    using namespace raster_render;
    if (count <= 0)
        return;
    switch (color_system) {
    case color_system_indexed:
        convert_indexed(row + first, count, table, dots);
        break;
    case color_system_true_color:
        convert_true_color(row + dot_bytes * static_cast<std::ptrdiff_t>(first), count, grey, dots);
        break;
    default:
        convert_bitonal(row, first, count, dots);
        break;
    }
}

} // namespace raster_device

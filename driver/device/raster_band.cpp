#include "raster_band.h"

#include <algorithm>
#include <cstddef>

namespace raster_device {
namespace {

void put_dot(std::uint8_t* dot, std::int32_t red, std::int32_t green, std::int32_t blue) {
    // Table rows that substitution wrote are whatever the configuration held;
    // a dot component is one byte.
    dot[0] = static_cast<std::uint8_t>(std::clamp(red, 0, 255));
    dot[1] = static_cast<std::uint8_t>(std::clamp(green, 0, 255));
    dot[2] = static_cast<std::uint8_t>(std::clamp(blue, 0, 255));
    dot[3] = 0;
}

} // namespace

void convert_row(int color_system, const std::uint8_t* row, int first, int count,
                 const raster_render::Palette_Rgb_Table& table, bool grey, std::uint8_t* dots) {
    using namespace raster_render;
    switch (color_system) {
    case color_system_indexed:
        for (int i = 0; i < count; ++i) {
            const Palette_Rgb& rgb = table[row[first + i]];
            put_dot(dots + dot_bytes * i, rgb.red, rgb.green, rgb.blue);
        }
        break;
    case color_system_true_color:
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* pixel = row + dot_bytes * static_cast<std::ptrdiff_t>(first + i);
            std::int32_t r = pixel[0], g = pixel[1], b = pixel[2];
            if (grey && (r != g || g != b))
                r = g = b = grey_level(r, g, b);
            put_dot(dots + dot_bytes * i, r, g, b);
        }
        break;
    default:
        for (int i = 0; i < count; ++i) {
            const int c = first + i;
            const bool ink = (row[c / 8] >> (7 - c % 8) & 1) != 0;
            const std::int32_t level = ink ? 0 : 255;
            put_dot(dots + dot_bytes * i, level, level, level);
        }
        break;
    }
}

} // namespace raster_device

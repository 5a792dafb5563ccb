// Band output's row conversion: a page-image row, as the image engine reads
// it back, becomes printer dots of 4 bytes each: red, green, blue, 0.
#pragma once

#include "raster_palette.h"

#include <cstdint>

namespace raster_device {

// Bytes per printer dot.
inline constexpr int dot_bytes = 4;

// Converts `count` pixels of a read-back row, starting at pixel `first`, into
// `dots` (count × 4 bytes). `color_system` says how the row is read back:
// - indexed: one palette index per byte; each becomes its row of the palette
//   RGB table;
// - true colour: 4 bytes per pixel, red, green, blue and one more; with
//   `grey` set a pixel whose components differ becomes its grey level in all
//   three;
// - bitonal: 8 pixels per byte, the first in the highest bit; a set bit is
//   black ink, a clear bit white paper.
void convert_row(int color_system, const std::uint8_t* row, int first, int count,
                 const raster_render::Palette_Rgb_Table& table, bool grey, std::uint8_t* dots);

} // namespace raster_device

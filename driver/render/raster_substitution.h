// Colour substitution and convert-to-black: the settings the configuration
// gives and the palette indices worked out from them at each picture start.
#pragma once

#include "raster_palette.h"

#include <array>
#include <cstddef>
#include <cstdint>

class HT_Custom_Configurations;

inline constexpr int raster_conversion_count = 3;

// Part of the device: the members keep the device's names.
struct RASTER_Color_Substitution {
    std::int32_t m_change_color = 0;  // substitution on
    std::int32_t m_draw_to_black = 0; // everything to black
    std::int32_t m_convert_color[raster_conversion_count] = {};
    // Red, green, blue.
    std::uint8_t m_compare_rgb[raster_conversion_count][3] = {};
    std::uint8_t m_swap_rgb[raster_conversion_count][3] = {};
    // Palette indices, -1 when no colour applies.
    std::int32_t m_compare_index[raster_conversion_count] = {-1, -1, -1};
    std::int32_t m_swap_index[raster_conversion_count] = {-1, -1, -1};
    std::int32_t m_black_index = -1;
};

namespace raster_render {

// Reads the substitution keys. Substitution off clears convert-to-black and
// the conversions; convert-to-black clears the conversions; a conversion
// lacking its comparison or replacement colour is off; and substitution with
// nothing left to do is off. The replacement 0xFFFFFF (white) is kept as black.
void read_substitution(const HT_Custom_Configurations* items, RASTER_Color_Substitution& s);

// The indices of an indexed picture, searched in (and possibly written into)
// the palette RGB table: the first black row for convert-to-black, else for
// each conversion the last row of its comparison and replacement colours; a
// replacement found in no row is written over the comparison row. Other
// colour systems, or substitution off, leave every comparison index at -1.
void prepare_substitution_indices(RASTER_Color_Substitution& s, int color_system,
                                  Palette_Rgb_Table& table);

// What each source index of an indexed image is stored as. Substitution
// off: itself. Convert-to-black: every index but 0 (the background) becomes
// the black index. Otherwise conversions 1 to 3 in turn replace a source
// index equal to their comparison index by their replacement index, each
// testing the source index, so the last matching conversion wins.
using Index_Map = std::array<std::uint8_t, palette_size>;
Index_Map index_substitution_map(const RASTER_Color_Substitution& s);

// Host colours (bytes blue, green, red, alpha) into the page image's order
// (red, green, blue, alpha), `count` pixels from `in` to `out`. With
// substitution on: convert-to-black zeroes red, green and blue; otherwise
// the first conversion that is on and whose comparison colour the pixel has
// gives its replacement. Alpha is kept.
void convert_rgb32_pixels(const RASTER_Color_Substitution& s, const std::uint8_t* in,
                          std::uint8_t* out, std::size_t count);

} // namespace raster_render

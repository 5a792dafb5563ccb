// The driver's 256-entry palette of the indexed colour system: entry 0 the
// background, a colour cube of 6 levels per primary from entry 1, and a grey
// ramp from entry 217. The driver installs it; the plot program draws with
// the same colours where the device keeps no palette of its own. Header only:
// the media library itself stays free of the host's classes.
#pragma once

#include "ht_color_cube.h"
#include "ht_palette.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace raster_media {

inline constexpr std::size_t palette_size = 256;
inline constexpr int cube_first_index = 1;
inline constexpr int cube_levels = 6;
inline constexpr int grey_ramp_first = 217;
inline constexpr int grey_ramp_step = 7;

// The cube, checked once it is complete: any change after the check would
// void it.
inline HT_Color_Cube driver_color_cube() {
    HT_Color_Cube cube(HT_Int_RGB{2, 2, 2}, 1.0f, 0);
    cube.set_red_levels(cube_levels);
    cube.set_green_levels(cube_levels);
    cube.set_blue_levels(cube_levels);
    cube.set_first_index(cube_first_index);
    cube.validate();
    return cube;
}

// Entries 217 to 255: 0, 7, 14, ..., 252, then 255 for the last two.
inline void write_grey_ramp(HT_Palette& palette) {
    for (int k = 0; grey_ramp_first + k < static_cast<int>(palette_size); ++k) {
        const auto level = static_cast<std::uint32_t>(std::min(grey_ramp_step * k, 255));
        palette.set_entry(static_cast<std::size_t>(grey_ramp_first + k),
                          0xFF000000u | level << 16 | level << 8 | level);
    }
}

} // namespace raster_media

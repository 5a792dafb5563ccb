// Colour systems, the palette the driver installs, and the process-wide
// palette RGB table and grey flags that band output reads.
#pragma once

#include "driver_palette.h"
#include "ht_color_system.h"

#include <array>
#include <cstddef>
#include <cstdint>

class HT_Palette;
struct RASTER_Color_Substitution;

namespace raster_render {

inline constexpr int color_system_indexed = HT_Color_System_Indexed;
inline constexpr int color_system_true_color = HT_Color_System_True_Color;
inline constexpr int color_system_bitonal = HT_Color_System_Bitonal;
inline bool valid_color_system(int system) {
    return system >= color_system_indexed && system <= color_system_bitonal;
}

// Palette layout of the indexed system.
using raster_media::palette_size;

// The printed colour of a palette index.
struct Palette_Rgb {
    std::int32_t red;
    std::int32_t green;
    std::int32_t blue;
    bool operator==(const Palette_Rgb&) const = default;
};
using Palette_Rgb_Table = std::array<Palette_Rgb, palette_size>;

// Set for a grey picture, cleared at every picture start.
struct Grey_Flags {
    std::int32_t indexed = 0;
    std::int32_t true_color = 0;
};

// The process's table and flags: one device prints at a time.
Palette_Rgb_Table& palette_rgb_table();
Grey_Flags& grey_flags();

// Host colours: blue in bits 0-7, green 8-15, red 16-23, alpha 24-31.
constexpr std::uint32_t host_color(std::uint32_t red, std::uint32_t green, std::uint32_t blue,
                                   std::uint32_t alpha = 255) {
    return (alpha & 0xFF) << 24 | (red & 0xFF) << 16 | (green & 0xFF) << 8 | (blue & 0xFF);
}
constexpr Palette_Rgb rgb_of_host(std::uint32_t color) {
    return {static_cast<std::int32_t>(color >> 16 & 0xFF),
            static_cast<std::int32_t>(color >> 8 & 0xFF), static_cast<std::int32_t>(color & 0xFF)};
}
// A Windows colour value 0x00BBGGRR as a host colour with alpha 255.
constexpr std::uint32_t host_color_of_windows(std::uint32_t value) {
    return host_color(value & 0xFF, value >> 8 & 0xFF, value >> 16 & 0xFF, 255);
}

// Grey of a colour: (30 r + 59 g + 11 b) / 100, within 0 to 255.
std::int32_t grey_level(std::int32_t red, std::int32_t green, std::int32_t blue);

// Palette entry 0: the background (0x00BBGGRR, top byte ignored), alpha 255.
void write_background_entry(HT_Palette& palette, std::uint32_t background);
using raster_media::write_grey_ramp;
// Every palette entry into the table.
void copy_palette_to_table(const HT_Palette& palette, Palette_Rgb_Table& table);

// One entry of the indexed colour space of a picture: red, green, blue, 255.
struct Color_Space_Entry {
    std::uint8_t red, green, blue, alpha;
};
using Color_Space_Entries = std::array<Color_Space_Entry, palette_size>;

// The palette work at the start of an indexed picture: the table and the
// colour space take the palette's colours, the substitution indices are
// prepared on those rows (possibly writing a replacement into a row), and
// for grey output (negative colour count) every table row then becomes its
// grey and the indexed grey flag is set. Both flags are cleared first. The
// result depends on the palette and the settings alone, never on earlier
// pictures.
void prepare_indexed_picture(const HT_Palette& palette, std::int32_t color_count,
                             RASTER_Color_Substitution& substitution, Palette_Rgb_Table& table,
                             Grey_Flags& flags, Color_Space_Entries& entries);

} // namespace raster_render

#include "raster_palette.h"

#include "ht_palette.h"
#include "raster_substitution.h"

#include <algorithm>

namespace raster_render {

Palette_Rgb_Table& palette_rgb_table() {
    static Palette_Rgb_Table table{};
    return table;
}

Grey_Flags& grey_flags() {
    static Grey_Flags flags;
    return flags;
}

std::int32_t grey_level(std::int32_t red, std::int32_t green, std::int32_t blue) {
    // Rows substitution wrote can hold any int; the sum must not overflow.
    const long long sum = 30LL * red + 59LL * green + 11LL * blue;
    return static_cast<std::int32_t>(std::clamp<long long>(sum / 100, 0, 255));
}

void write_background_entry(HT_Palette& palette, std::uint32_t background) {
    palette.set_entry(0, host_color_of_windows(background));
}

void write_grey_ramp(HT_Palette& palette) {
    for (int k = 0; grey_ramp_first + k < static_cast<int>(palette_size); ++k) {
        const std::uint32_t level = static_cast<std::uint32_t>(std::min(grey_ramp_step * k, 255));
        palette.set_entry(static_cast<std::size_t>(grey_ramp_first + k),
                          host_color(level, level, level));
    }
}

void copy_palette_to_table(const HT_Palette& palette, Palette_Rgb_Table& table) {
    for (std::size_t i = 0; i < palette_size; ++i)
        table[i] = rgb_of_host(palette.get_entry(i));
}

void prepare_indexed_picture(const HT_Palette& palette, std::int32_t color_count,
                             const RASTER_Color_Substitution& substitution,
                             Palette_Rgb_Table& table, Grey_Flags& flags,
                             Color_Space_Entries& entries) {
    flags = Grey_Flags{};
    if (color_count < 0) {
        // Grey: the colour space keeps the colours, the printer gets greys.
        for (std::size_t i = 0; i < palette_size; ++i) {
            const Palette_Rgb rgb = rgb_of_host(palette.get_entry(i));
            entries[i] = {static_cast<std::uint8_t>(rgb.red), static_cast<std::uint8_t>(rgb.green),
                          static_cast<std::uint8_t>(rgb.blue), 255};
            Palette_Rgb& row = table[i];
            if (row.red != row.green || row.green != row.blue) {
                const std::int32_t g = grey_level(row.red, row.green, row.blue);
                row = {g, g, g};
            }
        }
        flags.indexed = 1;
        return;
    }

    // Colour. An entry a conversion replaces keeps its row: substitution may
    // have written the replacement there, and it must stay printed so.
    const bool converting = substitution.m_change_color != 0 && substitution.m_draw_to_black == 0;
    for (std::size_t i = 0; i < palette_size; ++i) {
        const Palette_Rgb rgb = rgb_of_host(palette.get_entry(i));
        bool replaced = false;
        for (int c = 0; converting && c < raster_conversion_count; ++c)
            replaced = replaced || is_enabled_comparison(substitution, c, rgb);
        if (!replaced)
            table[i] = rgb;
        const Palette_Rgb& row = table[i];
        entries[i] = {static_cast<std::uint8_t>(row.red), static_cast<std::uint8_t>(row.green),
                      static_cast<std::uint8_t>(row.blue), 255};
    }
}

} // namespace raster_render

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

void copy_palette_to_table(const HT_Palette& palette, Palette_Rgb_Table& table) {
    for (std::size_t i = 0; i < palette_size; ++i)
        table[i] = rgb_of_host(palette.get_entry(i));
}

void prepare_indexed_picture(const HT_Palette& palette, std::int32_t color_count,
                             RASTER_Color_Substitution& substitution, Palette_Rgb_Table& table,
                             Grey_Flags& flags, Color_Space_Entries& entries) {
    // Every picture starts from the palette itself, never from rows an
    // earlier picture's substitution wrote: the same page prints the same
    // way every time.
    flags = Grey_Flags{};
    for (std::size_t i = 0; i < palette_size; ++i) {
        const Palette_Rgb rgb = rgb_of_host(palette.get_entry(i));
        table[i] = rgb;
        entries[i] = {static_cast<std::uint8_t>(rgb.red), static_cast<std::uint8_t>(rgb.green),
                      static_cast<std::uint8_t>(rgb.blue), 255};
    }

    // Substitution finds its colours among the palette's...
    prepare_substitution_indices(substitution, color_system_indexed, table);

    // ...and a grey plot prints what it made in grey too; the colour space
    // keeps the colours.
    if (color_count < 0) {
        for (Palette_Rgb& row : table) {
            if (row.red != row.green || row.green != row.blue) {
                const std::int32_t g = grey_level(row.red, row.green, row.blue);
                row = {g, g, g};
            }
        }
        flags.indexed = 1;
    }
}

} // namespace raster_render

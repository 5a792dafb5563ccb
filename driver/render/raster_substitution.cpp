#include "raster_substitution.h"

#include "ht_custom.h"

#include <string>

namespace raster_render {
namespace {

bool read_bool(const HT_Custom_Configurations* items, const char* key, bool& value) {
    auto item = items ? items->find(key) : nullptr;
    return item && item->get_bool(value);
}

bool read_long(const HT_Custom_Configurations* items, const char* key, std::int32_t& value) {
    auto item = items ? items->find(key) : nullptr;
    return item && item->get_long(value);
}

// Red, green and blue of a Windows colour value 0x00BBGGRR.
void split_color(std::uint32_t value, std::uint8_t (&rgb)[3]) {
    rgb[0] = static_cast<std::uint8_t>(value & 0xFF);
    rgb[1] = static_cast<std::uint8_t>(value >> 8 & 0xFF);
    rgb[2] = static_cast<std::uint8_t>(value >> 16 & 0xFF);
}

bool row_is(const Palette_Rgb& row, const std::uint8_t (&rgb)[3]) {
    return row.red == rgb[0] && row.green == rgb[1] && row.blue == rgb[2];
}

// The highest index whose row is `rgb`, or -1.
std::int32_t last_row_of(const Palette_Rgb_Table& table, const std::uint8_t (&rgb)[3]) {
    std::int32_t found = -1;
    for (std::size_t i = 0; i < table.size(); ++i)
        if (row_is(table[i], rgb))
            found = static_cast<std::int32_t>(i);
    return found;
}

} // namespace

void read_substitution(const HT_Custom_Configurations* items, RASTER_Color_Substitution& s) {
    bool on = false;
    read_bool(items, "RASTER_ChangeColor", on);
    s.m_change_color = on ? 1 : 0;
    s.m_draw_to_black = 0;
    for (int i = 0; i < raster_conversion_count; ++i)
        s.m_convert_color[i] = 0;

    if (s.m_change_color) {
        bool black = false;
        read_bool(items, "RASTER_Draw2Black", black);
        s.m_draw_to_black = black ? 1 : 0;
        for (int i = 0; !black && i < raster_conversion_count; ++i) {
            const std::string n = std::to_string(i + 1);
            bool flag = false;
            if (!read_bool(items, ("RASTER_ConvertColor" + n).c_str(), flag))
                continue;
            s.m_convert_color[i] = flag ? 1 : 0;

            std::int32_t compare = 0;
            if (read_long(items, ("RASTER_RGB_Compare" + n + "_IndexColor").c_str(), compare))
                split_color(static_cast<std::uint32_t>(compare), s.m_compare_rgb[i]);
            else
                s.m_convert_color[i] = 0;

            // The dialog's "Black" is stored as white; it prints black.
            std::int32_t swap = 0;
            if (read_long(items, ("RASTER_RGB_Swap" + n + "_IndexColor").c_str(), swap))
                split_color(swap == 0xFFFFFF ? 0u : static_cast<std::uint32_t>(swap),
                            s.m_swap_rgb[i]);
            else
                s.m_convert_color[i] = 0;
        }
    }

    // Substitution with nothing to do is off.
    bool any = s.m_draw_to_black != 0;
    for (int i = 0; i < raster_conversion_count; ++i)
        any = any || s.m_convert_color[i] != 0;
    if (!any)
        s.m_change_color = 0;
}

void prepare_substitution_indices(RASTER_Color_Substitution& s, int color_system,
                                  Palette_Rgb_Table& table) {
    for (int i = 0; i < raster_conversion_count; ++i)
        s.m_compare_index[i] = -1;
    if (color_system != color_system_indexed || s.m_change_color == 0)
        return;

    if (s.m_draw_to_black != 0) {
        static constexpr std::uint8_t black[3] = {0, 0, 0};
        s.m_black_index = 1;
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (row_is(table[i], black)) {
                s.m_black_index = static_cast<std::int32_t>(i);
                break;
            }
        }
        return;
    }

    for (int i = 0; i < raster_conversion_count; ++i)
        s.m_swap_index[i] = -1;
    for (int i = 0; i < raster_conversion_count; ++i) {
        if (s.m_convert_color[i] == 0)
            continue;
        s.m_compare_index[i] = last_row_of(table, s.m_compare_rgb[i]);
        if (s.m_compare_index[i] < 0)
            continue;
        s.m_swap_index[i] = last_row_of(table, s.m_swap_rgb[i]);
        if (s.m_swap_index[i] < 0) {
            // No row prints the replacement: make the comparison row print it.
            const std::uint8_t(&swap)[3] = s.m_swap_rgb[i];
            table[static_cast<std::size_t>(s.m_compare_index[i])] = {swap[0], swap[1], swap[2]};
            s.m_swap_index[i] = s.m_compare_index[i];
        }
    }
}

Index_Map index_substitution_map(const RASTER_Color_Substitution& s) {
    Index_Map map{};
    for (std::size_t p = 0; p < map.size(); ++p)
        map[p] = static_cast<std::uint8_t>(p);
    if (s.m_change_color == 0)
        return map;

    if (s.m_draw_to_black != 0) {
        const auto black = static_cast<std::uint8_t>(s.m_black_index & 0xFF);
        for (std::size_t p = 1; p < map.size(); ++p)
            map[p] = black;
        return map;
    }

    // Every test looks at the source index, so a later conversion of the
    // same index overrides an earlier one.
    for (int i = 0; i < raster_conversion_count; ++i) {
        if (s.m_compare_index[i] == -1)
            continue;
        const auto from = static_cast<std::size_t>(s.m_compare_index[i] & 0xFF);
        map[from] = static_cast<std::uint8_t>(s.m_swap_index[i] & 0xFF);
    }
    return map;
}

void convert_rgb32_pixels(const RASTER_Color_Substitution& s, const std::uint8_t* in,
                          std::uint8_t* out, std::size_t count) {
    // Without substitution only the byte order changes.
    if (s.m_change_color == 0) {
        for (std::size_t k = 0; k < count; ++k, in += 4, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = in[3];
        }
        return;
    }

    // Colours as 0xRRGGBB, compared whole; the conversions that are on, in order.
    const bool black = s.m_draw_to_black != 0;
    std::uint32_t compare[raster_conversion_count], swap[raster_conversion_count];
    int conversions = 0;
    for (int i = 0; !black && i < raster_conversion_count; ++i) {
        if (s.m_convert_color[i] == 0)
            continue;
        const std::uint8_t* c = s.m_compare_rgb[i];
        const std::uint8_t* w = s.m_swap_rgb[i];
        compare[conversions] = std::uint32_t{c[0]} << 16 | std::uint32_t{c[1]} << 8 | c[2];
        swap[conversions] = std::uint32_t{w[0]} << 16 | std::uint32_t{w[1]} << 8 | w[2];
        ++conversions;
    }
    for (std::size_t k = 0; k < count; ++k, in += 4, out += 4) {
        std::uint32_t rgb =
            black ? 0 : std::uint32_t{in[2]} << 16 | std::uint32_t{in[1]} << 8 | in[0];
        for (int i = 0; i < conversions; ++i) {
            if (rgb == compare[i]) {
                rgb = swap[i];
                break;
            }
        }
        out[0] = static_cast<std::uint8_t>(rgb >> 16);
        out[1] = static_cast<std::uint8_t>(rgb >> 8);
        out[2] = static_cast<std::uint8_t>(rgb);
        out[3] = in[3];
    }
}

} // namespace raster_render

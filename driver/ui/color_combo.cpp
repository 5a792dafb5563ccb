// Colour lists and the bridge to the outside colour dialog.
#include "color_combo.h"

#include "plat_resource.h"
#include "resource_ids.h"

#include <algorithm>

namespace raster_ui {

// Index 0 white, 1 to 7 the basic colours, then 24 hues in ten shades each
// (10 to 249) with two near-whites before them, and six greys at the end. The
// shades equal in hue and strength to a basic colour differ from it by one
// step, so that every value has exactly one index.
// clang-format off
const std::array<std::uint32_t, color_table_size> color_table = {
    0xFFFFFF, 0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF00FF, 0x000000,  // 0 to 7
    0xFEFEFE, 0xFDFDFD, 0x0101FF, 0x7F7FFF, 0x0000A5, 0x5252A5, 0x00007F, 0x3F3F7F,  // 8 to 15
    0x00004C, 0x26264C, 0x000026, 0x131326, 0x003FFF, 0x7F9FFF, 0x0029A5, 0x5267A5,  // 16 to 23
    0x001F7F, 0x3F4F7F, 0x00134C, 0x262F4C, 0x000926, 0x131726, 0x007FFF, 0x7FBFFF,  // 24 to 31
    0x0052A5, 0x527CA5, 0x003F7F, 0x3F5F7F, 0x00264C, 0x26394C, 0x001326, 0x131C26,  // 32 to 39
    0x00BFFF, 0x7FDFFF, 0x007CA5, 0x5291A5, 0x005F7F, 0x3F6F7F, 0x00394C, 0x26424C,  // 40 to 47
    0x001C26, 0x132126, 0x01FFFF, 0x7FFFFF, 0x00A5A5, 0x52A5A5, 0x007F7F, 0x3F7F7F,  // 48 to 55
    0x004C4C, 0x264C4C, 0x002626, 0x132626, 0x00FFBF, 0x7FFFDF, 0x00A57C, 0x52A591,  // 56 to 63
    0x007F5F, 0x3F7F6F, 0x004C39, 0x264C42, 0x00261C, 0x132621, 0x00FF7F, 0x7FFFBF,  // 64 to 71
    0x00A552, 0x52A57C, 0x007F3F, 0x3F7F5F, 0x004C26, 0x264C39, 0x002613, 0x13261C,  // 72 to 79
    0x00FF3F, 0x7FFF9F, 0x00A529, 0x52A567, 0x007F1F, 0x3F7F4F, 0x004C13, 0x264C2F,  // 80 to 87
    0x002609, 0x132617, 0x01FF01, 0x7FFF7F, 0x00A500, 0x52A552, 0x007F00, 0x3F7F3F,  // 88 to 95
    0x004C00, 0x264C26, 0x002600, 0x132613, 0x3FFF00, 0x9FFF7F, 0x29A500, 0x67A552,  // 96 to 103
    0x1F7F00, 0x4F7F3F, 0x134C00, 0x2F4C26, 0x092600, 0x172613, 0x7FFF00, 0xBFFF7F,  // 104 to 111
    0x52A500, 0x7CA552, 0x3F7F00, 0x5F7F3F, 0x264C00, 0x394C26, 0x132600, 0x1C2613,  // 112 to 119
    0xBFFF00, 0xDFFF7F, 0x7CA500, 0x91A552, 0x5F7F00, 0x6F7F3F, 0x394C00, 0x424C26,  // 120 to 127
    0x1C2600, 0x212613, 0xFFFF01, 0xFFFF7F, 0xA5A500, 0xA5A552, 0x7F7F00, 0x7F7F3F,  // 128 to 135
    0x4C4C00, 0x4C4C26, 0x262600, 0x262613, 0xFFBF00, 0xFFDF7F, 0xA57C00, 0xA59152,  // 136 to 143
    0x7F5F00, 0x7F6F3F, 0x4C3900, 0x4C4226, 0x261C00, 0x262113, 0xFF7F00, 0xFFBF7F,  // 144 to 151
    0xA55200, 0xA57C52, 0x7F3F00, 0x7F5F3F, 0x4C2600, 0x4C3926, 0x261300, 0x261C13,  // 152 to 159
    0xFF3F00, 0xFF9F7F, 0xA52900, 0xA56752, 0x7F1F00, 0x7F4F3F, 0x4C1300, 0x4C2F26,  // 160 to 167
    0x260900, 0x261713, 0xFF0101, 0xFF7F7F, 0xA50000, 0xA55252, 0x7F0000, 0x7F3F3F,  // 168 to 175
    0x4C0000, 0x4C2626, 0x260000, 0x261313, 0xFF003F, 0xFF7F9F, 0xA50029, 0xA55267,  // 176 to 183
    0x7F001F, 0x7F3F4F, 0x4C0013, 0x4C262F, 0x260009, 0x261317, 0xFF007F, 0xFF7FBF,  // 184 to 191
    0xA50052, 0xA5527C, 0x7F003F, 0x7F3F5F, 0x4C0026, 0x4C2639, 0x260013, 0x26131C,  // 192 to 199
    0xFF00BF, 0xFF7FDF, 0xA5007C, 0xA55291, 0x7F005F, 0x7F3F6F, 0x4C0039, 0x4C2642,  // 200 to 207
    0x26001C, 0x261321, 0xFF01FF, 0xFF7FFF, 0xA500A5, 0xA552A5, 0x7F007F, 0x7F3F7F,  // 208 to 215
    0x4C004C, 0x4C264C, 0x260026, 0x261326, 0xBF00FF, 0xDF7FFF, 0x7C00A5, 0x9152A5,  // 216 to 223
    0x5F007F, 0x6F3F7F, 0x39004C, 0x42264C, 0x1C0026, 0x211326, 0x7F00FF, 0xBF7FFF,  // 224 to 231
    0x5200A5, 0x7C52A5, 0x3F007F, 0x5F3F7F, 0x26004C, 0x39264C, 0x130026, 0x1C1326,  // 232 to 239
    0x3F00FF, 0x9F7FFF, 0x2900A5, 0x6752A5, 0x1F007F, 0x4F3F7F, 0x13004C, 0x2F264C,  // 240 to 247
    0x090026, 0x171326, 0x545454, 0x767676, 0x989898, 0xBABABA, 0xDCDCDC, 0xFCFCFC,  // 248 to 255
};
// clang-format on

const std::array<Basic_Color, 8> basic_colors = {{
    {rsrc_id::color_white, 0x000000, 0xFFFFFF},
    {rsrc_id::color_red, 0x0000FF, 0x0000FF},
    {rsrc_id::color_yellow, 0x00FFFF, 0x00FFFF},
    {rsrc_id::color_green, 0x00FF00, 0x00FF00},
    {rsrc_id::color_cyan, 0xFFFF00, 0xFFFF00},
    {rsrc_id::color_blue, 0xFF0000, 0xFF0000},
    {rsrc_id::color_magenta, 0xFF00FF, 0xFF00FF},
    {rsrc_id::color_black, 0xFFFFFF, 0x000000},
}};

std::optional<int> basic_item_of(std::uint32_t value) {
    for (std::size_t i = 0; i < basic_colors.size(); ++i)
        if (basic_colors[i].value == value)
            return static_cast<int>(i);
    return std::nullopt;
}

int palette_index_of(std::uint32_t value) {
    if (auto basic = basic_item_of(value))
        return *basic;
    for (int i = 1; i < color_table_size; ++i)
        if (color_table[static_cast<std::size_t>(i)] == value)
            return i;
    return 0;
}

Color_Names load_color_names(plat::Module module) {
    Color_Names names;
    for (std::size_t i = 0; i < basic_colors.size(); ++i)
        names[i] = plat::load_string(module, basic_colors[i].name_id).value_or("");
    names[other_colors_item] = plat::load_string(module, rsrc_id::color_other).value_or("");
    return names;
}

// ---------------------------------------------------------------------------
// color.dll

bool Color_Library::available() {
    if (!m_loaded) {
        m_loaded = true;
        if (plat::Library library = plat::load_library(m_path.c_str())) {
            if (auto init =
                    reinterpret_cast<Init_Color_Dll>(plat::find_symbol(library, "InitColorDLL")))
                init();
            m_do_color_dialog =
                reinterpret_cast<Do_Color_Dialog>(plat::find_symbol(library, "DoColorDialog"));
        }
    }
    return m_do_color_dialog != nullptr;
}

int Color_Library::choose(plat::Device_Context dc, int current) {
    if (!available())
        return current;
    return m_do_color_dialog(dc, current, color_table_size, 0, 0);
}

// ---------------------------------------------------------------------------
// ColorComboBox

void ColorComboBox::fill(plat::Dialog& dialog, std::uint32_t value, const Color_Names& names) {
    dialog.combo_reset(m_id);
    for (const auto& name : names)
        dialog.combo_add(m_id, name);
    for (std::size_t i = 0; i < basic_colors.size(); ++i)
        dialog.combo_set_data(m_id, static_cast<int>(i), basic_colors[i].value);
    dialog.combo_set_data(m_id, other_colors_item, value);

    const auto basic = basic_item_of(value);
    dialog.combo_select(m_id, basic.value_or(other_colors_item));
    if (!basic && palette_index_of(value) != 0)
        otherColor = static_cast<std::int32_t>(value);
}

std::optional<std::uint32_t> ColorComboBox::selected_value(const plat::Dialog& dialog) const {
    const int selected = dialog.combo_selection(m_id);
    if (selected < 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(dialog.combo_data(m_id, selected));
}

void ColorComboBox::close_up(plat::Dialog& dialog, Color_Library& library) {
    auto selected = selected_value(dialog);
    if (!selected)
        return;
    std::uint32_t value = *selected;

    if (dialog.combo_selection(m_id) == other_colors_item && library.available()) {
        plat::Device_Context dc = plat::create_compatible_context(dialog.window());
        const int current = palette_index_of(value);
        const int chosen = library.choose(dc, current);
        plat::delete_context(dc);
        // The index comes from an outside library: only one inside the table counts.
        if (chosen != current && chosen > 0 && chosen < color_table_size) {
            value = color_table[static_cast<std::size_t>(chosen)];
            otherColor = static_cast<std::int32_t>(value);
        }
    }

    dialog.combo_set_data(m_id, other_colors_item, static_cast<std::intptr_t>(value));
    if (auto basic = basic_item_of(value))
        dialog.combo_select(m_id, *basic);
}

void ColorComboBox::draw(const plat::Owner_Draw_Item& item, plat::Draw_Context& dc,
                         const Color_Names& names) const {
    if (item.item >= 0) {
        const bool disabled = (item.state & plat::ods_disabled) != 0;
        const auto text_color = dc.system_color(disabled ? plat::System_Color::gray_text
                                                         : plat::System_Color::window_text);
        const auto background = dc.system_color(disabled ? plat::System_Color::button_face
                                                         : plat::System_Color::window);
        const plat::Rect& r = item.rect;
        const int h = r.height();
        dc.draw_text(r, r.left + (h - 4) + 5, r.top + (h - dc.text_height()) / 2, item.text,
                     text_color, background);

        // The swatch goes by the name shown; anything else is "Other Colors".
        std::uint32_t swatch = static_cast<std::uint32_t>(otherColor) & 0xFFFFFF;
        for (std::size_t i = 0; i < basic_colors.size(); ++i)
            if (!names[i].empty() && item.text == names[i]) {
                swatch = basic_colors[i].swatch;
                break;
            }
        const plat::Rect square{r.left + 2, r.top + 2, r.left + 2 + h - 4, r.bottom - 2};
        dc.fill_rect(square, swatch);
        dc.frame_rect(square, 0x000000);
    }
    if (item.state & plat::ods_focus)
        dc.draw_focus_rect(item.rect);
}

} // namespace raster_ui

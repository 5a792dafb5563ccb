// color.dll: a 256-colour picker shown through the platform's dialogs. The
// person picks an index from a list of swatches, types it, or slides to it;
// the palette picture and a swatch of the chosen colour follow.
#include "color_dll.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <type_traits>

#define COLOR_DLL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using plat::Control_Kind;

const plat::Dialog_Control picker_controls[] = {
    {color_id_palette, Control_Kind::bitmap, "palette", 7, 7, 96, 96,
     plat::style_notify | plat::style_tab_stop},
    {plat::id_static, Control_Kind::label, "Index:", 110, 9, 30, 8},
    {color_id_index, Control_Kind::edit, "", 142, 7, 28, 12,
     plat::style_number | plat::style_tab_stop},
    {color_id_slider, Control_Kind::slider, "", 108, 24, 88, 14, plat::style_tab_stop},
    {color_id_list, Control_Kind::combo_box, "", 110, 44, 86, 120,
     plat::style_drop_list | plat::style_owner_draw | plat::style_tab_stop},
    {color_id_swatch, Control_Kind::bitmap, "swatch", 110, 62, 40, 24},
    {color_id_value, Control_Kind::label, "", 110, 90, 86, 8},
    {plat::id_ok, Control_Kind::push_button, "OK", 90, 112, 50, 14,
     plat::style_default | plat::style_tab_stop},
    {plat::id_cancel, Control_Kind::push_button, "Cancel", 146, 112, 50, 14, plat::style_tab_stop},
};

const plat::Dialog_Template picker_template{
    color_dialog_id, "Select Color", "Sans Serif", 8, 203, 133, picker_controls};

constexpr int cell = 10; // pixels of one palette cell in the picture

unsigned red(std::uint32_t c) {
    return c & 0xFF;
}
unsigned green(std::uint32_t c) {
    return (c >> 8) & 0xFF;
}
unsigned blue(std::uint32_t c) {
    return (c >> 16) & 0xFF;
}

std::string item_text(int index) {
    char text[48];
    const std::uint32_t c = color_dll_palette[static_cast<std::size_t>(index)];
    std::snprintf(text, sizeof text, "%d: #%02X%02X%02X", index, red(c), green(c), blue(c));
    return text;
}

// The whole palette, sixteen cells a row, with the chosen cell framed black
// inside white so that the mark shows on light and dark colours alike.
plat::Dialog_Image palette_picture(int count, int chosen) {
    plat::Dialog_Image image;
    image.width = image.height = 16 * cell;
    image.pixels.assign(static_cast<std::size_t>(image.width * image.height),
                        plat::default_system_color(plat::System_Color::button_face));
    auto put = [&](int px, int py, std::uint32_t c) {
        image.pixels[static_cast<std::size_t>(py * image.width + px)] = c;
    };
    for (int i = 0; i < count; ++i)
        for (int y = 1; y < cell; ++y)
            for (int x = 1; x < cell; ++x)
                put((i % 16) * cell + x, (i / 16) * cell + y,
                    color_dll_palette[static_cast<std::size_t>(i)]);
    if (chosen >= 0 && chosen < count) {
        const int left = (chosen % 16) * cell, top = (chosen / 16) * cell;
        for (int k = 0; k <= cell; ++k) {
            const int x = std::min(left + k, image.width - 1);
            const int y = std::min(top + k, image.height - 1);
            const int right = std::min(left + cell, image.width - 1);
            const int bottom = std::min(top + cell, image.height - 1);
            put(x, top, 0x000000);
            put(x, bottom, 0x000000);
            put(left, y, 0x000000);
            put(right, y, 0x000000);
            if (k >= 1 && k <= cell - 1) {
                put(x, top + 1, 0xFFFFFF);
                put(x, bottom - 1, 0xFFFFFF);
                put(left + 1, y, 0xFFFFFF);
                put(right - 1, y, 0xFFFFFF);
            }
        }
    }
    return image;
}

class Picker : public plat::Dialog_Handler {
public:
    Picker(int index, int count) : m_index(index), m_count(count) {}
    int index() const { return m_index; }

    void on_init(plat::Dialog& d) override {
        for (int i = 0; i < m_count; ++i) {
            const int at = d.combo_add(color_id_list, item_text(i));
            d.combo_set_data(color_id_list, at, color_dll_palette[static_cast<std::size_t>(i)]);
        }
        d.slider_set_range(color_id_slider, 0, m_count - 1);
        d.slider_set_tick_frequency(color_id_slider, 16);
        d.slider_set_page_size(color_id_slider, 16);
        d.set_text_limit(color_id_index, 3);
        show(d, 0);
        d.set_focus(color_id_palette);
    }

    void on_command(plat::Dialog& d, int id, plat::Notify code) override {
        if (id == color_id_list && code == plat::Notify::selection_changed) {
            if (d.combo_selection(color_id_list) >= 0) {
                m_index = d.combo_selection(color_id_list);
                show(d, id);
            }
        } else if (id == color_id_slider &&
                   (code == plat::Notify::custom_draw || code == plat::Notify::slider_released)) {
            m_index = d.slider_position(color_id_slider);
            show(d, id);
        } else if (id == color_id_index && code == plat::Notify::edit_update) {
            typed(d);
        } else if (id == color_id_palette) {
            picked(d, code);
        }
    }

    void on_owner_draw(plat::Dialog&, const plat::Owner_Draw_Item& item,
                       plat::Draw_Context& dc) override {
        const bool selected = (item.state & plat::ods_selected) != 0;
        const bool disabled = (item.state & plat::ods_disabled) != 0;
        const plat::Color_Ref fore = dc.system_color(disabled   ? plat::System_Color::gray_text
                                                     : selected ? plat::System_Color::highlight_text
                                                                : plat::System_Color::window_text);
        const plat::Color_Ref back = dc.system_color(disabled   ? plat::System_Color::button_face
                                                     : selected ? plat::System_Color::highlight
                                                                : plat::System_Color::window);
        const plat::Rect& r = item.rect;
        if (item.item >= 0) {
            const int side = std::max(0, r.height() - 4);
            dc.draw_text(r, r.left + side + 7, r.top + (r.height() - dc.text_height()) / 2,
                         item.text, fore, back);
            const plat::Rect swatch{r.left + 2, r.top + 2, r.left + 2 + side, r.bottom - 2};
            dc.fill_rect(swatch, static_cast<plat::Color_Ref>(item.item_data));
            dc.frame_rect(swatch, 0);
        }
        if (item.state & plat::ods_focus)
            dc.draw_focus_rect(r);
    }

private:
    // A click on a cell of the palette chooses it; the arrow keys move over
    // the grid, a row at a time up and down.
    void picked(plat::Dialog& d, plat::Notify code) {
        int next = m_index;
        switch (code) {
        case plat::Notify::clicked: {
            const auto [x, y] = d.click_point(color_id_palette);
            if (x < 0 || y < 0 || x >= 16 * cell || y >= 16 * cell)
                return;
            next = (y / cell) * 16 + x / cell;
            break;
        }
        case plat::Notify::key_left:
            next = m_index - 1;
            break;
        case plat::Notify::key_right:
            next = m_index + 1;
            break;
        case plat::Notify::key_up:
            next = m_index - 16;
            break;
        case plat::Notify::key_down:
            next = m_index + 16;
            break;
        default:
            return;
        }
        if (next < 0 || next >= m_count || next == m_index)
            return;
        m_index = next;
        show(d, color_id_palette);
    }

    // The index was typed: take it if it is one, else bound it in place.
    void typed(plat::Dialog& d) {
        const std::string text = d.text(color_id_index);
        if (text.empty())
            return;
        int value = 0;
        for (char ch : text) {
            if (ch < '0' || ch > '9')
                return; // a number edit lets only digits through
            value = std::min(value * 10 + (ch - '0'), 9999);
        }
        if (value > m_count - 1) {
            value = m_count - 1;
            d.set_text(color_id_index, std::to_string(value));
            d.set_edit_selection(color_id_index, -1, -1);
        }
        m_index = value;
        show(d, color_id_index);
    }

    // Brings every control but `from` (where the change came from) to the index.
    void show(plat::Dialog& d, int from) {
        const std::uint32_t c = color_dll_palette[static_cast<std::size_t>(m_index)];
        if (from != color_id_index) {
            d.set_text(color_id_index, std::to_string(m_index));
            d.set_edit_selection(color_id_index, -1, -1);
        }
        if (from != color_id_slider)
            d.slider_set_position(color_id_slider, m_index);
        if (from != color_id_list)
            d.combo_select(color_id_list, m_index);
        d.set_image(color_id_palette, palette_picture(m_count, m_index));
        plat::Dialog_Image swatch;
        swatch.width = 40;
        swatch.height = 24;
        swatch.pixels.assign(40 * 24, c);
        d.set_image(color_id_swatch, swatch);
        char value[64];
        std::snprintf(value, sizeof value, "RGB %u, %u, %u", red(c), green(c), blue(c));
        d.set_text(color_id_value, value);
    }

    int m_index;
    int m_count;
};

} // namespace

COLOR_DLL_EXPORT void InitColorDLL() {
    // Nothing to prepare: the palette is constant data and the dialog is
    // built at each call. Kept because callers initialise the library first.
}

COLOR_DLL_EXPORT int DoColorDialog(plat::Device_Context dc, int current, int count, int, int) {
    const int offered = count >= 1 && count <= 256 ? count : 256;
    const int start = current >= 0 && current < offered ? current : 0;
    try {
        Picker picker(start, offered);
        const int result = plat::run_dialog(picker_template, picker, plat::context_window(dc));
        return result == plat::id_ok ? picker.index() : current;
    } catch (const std::exception& e) {
        // Nothing may escape into a C caller; the caller keeps its colour.
        std::fprintf(stderr, "color.dll: %s\n", e.what());
        return current;
    } catch (...) {
        return current;
    }
}

// Type checks: the exports match the contract the driver calls them by.
static_assert(std::is_same_v<decltype(&InitColorDLL), Init_Color_Dll>);
static_assert(std::is_same_v<decltype(&DoColorDialog), Do_Color_Dialog>);

// Paper Config: sliders and edits that follow each other, three lists, and
// input bounded in place as it is typed.
#include "paper_config.h"

#include "dialog_resources.h"
#include "language.h"
#include "media_tables.h"
#include "resource_ids.h"

#include <algorithm>
#include <array>
#include <string>

namespace raster_ui {
namespace {

namespace p = rsrc_id::paper;
using raster_media::Named_List;

// A setting edited with a slider, an edit, or both.
struct Number_Control {
    int slider; // 0: none
    int edit;   // 0: none
    int minimum, maximum;
    int tick_frequency;
    int max_chars;
    bool is_signed; // the edit takes a leading sign
    std::int32_t Paper_Settings::*member;
};

constexpr std::array<Number_Control, 5> number_controls = {{
    {p::density_slider, p::density_edit, -50, 50, 50, 3, true, &Paper_Settings::density},
    {p::drying_slider, p::drying_edit, 0, 50, 1, 2, false, &Paper_Settings::drying_time},
    {p::feed_slider, p::feed_edit, -70, 70, 70, 3, true, &Paper_Settings::feed_offset},
    {0, p::thickness_edit, 1, 16, 0, 2, false, &Paper_Settings::thickness},
    {p::suction_slider, 0, 0, 4, 1, 0, false, &Paper_Settings::suction},
}};

struct List_Control {
    int id;
    Named_List list;
    std::int32_t Paper_Settings::*member;
};

constexpr std::array<List_Control, 3> list_controls = {{
    {p::cut_method, Named_List::cut_method, &Paper_Settings::cutting},
    {p::platen_gap, Named_List::platen_gap, &Paper_Settings::platen_gap},
    {p::eject_roller, Named_List::eject_roller, &Paper_Settings::eject_roller},
}};

} // namespace

bool paper_config_bounds(std::int32_t Paper_Settings::*member, int& minimum, int& maximum) {
    for (const auto& n : number_controls)
        if (n.member == member) {
            minimum = n.minimum;
            maximum = n.maximum;
            return true;
        }
    return false;
}

namespace {

const Number_Control* by_edit(int id) {
    for (const auto& n : number_controls)
        if (n.edit != 0 && n.edit == id)
            return &n;
    return nullptr;
}

const Number_Control* by_slider(int id) {
    for (const auto& n : number_controls)
        if (n.slider != 0 && n.slider == id)
            return &n;
    return nullptr;
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

void copy_mechanics(const Paper_Settings& from, Paper_Settings& to) {
    for (const auto& setting : raster_media::mechanical_paper_settings)
        to.*setting.member = from.*setting.member;
}

Paper_Config_Dialog::Paper_Config_Dialog(Paper_Settings& shared, const Paper_Settings& default_row)
    : m_shared(shared), m_default(default_row), m_working(shared) {}

int Paper_Config_Dialog::run(plat::Window parent) {
    m_working = m_shared;
    return plat::run_dialog(paper_config_template(), *this, parent);
}

void Paper_Config_Dialog::on_init(plat::Dialog& dialog) {
    for (const auto& n : number_controls) {
        if (n.slider) {
            dialog.slider_set_range(n.slider, n.minimum, n.maximum);
            dialog.slider_set_tick_frequency(n.slider, n.tick_frequency);
            dialog.slider_set_page_size(n.slider, 1);
        }
        if (n.edit)
            dialog.set_text_limit(n.edit, n.max_chars);
    }
    for (const auto& l : list_controls) {
        dialog.combo_reset(l.id);
        for (int i = 0; i < raster_media::named_list_count(l.list); ++i)
            dialog.combo_add(l.id, raster_lang::tr(raster_media::named_entry(l.list, i).name));
    }
    show_values(dialog);
    // A stored value outside a control's range is shown as the control can
    // show it, and that is the value kept: a slider's first drawing takes its
    // (bounded) position, as dragging it would; the thickness edit is bounded
    // as typing would bound it.
    for (const auto& n : number_controls) {
        std::int32_t& value = m_working.*n.member;
        const std::int32_t bounded =
            n.slider ? dialog.slider_position(n.slider) : std::clamp(value, n.minimum, n.maximum);
        if (bounded != value) {
            value = bounded;
            if (n.edit)
                dialog.set_text(n.edit, std::to_string(value));
        }
    }
}

void Paper_Config_Dialog::show_values(plat::Dialog& dialog) {
    for (const auto& n : number_controls) {
        const std::int32_t value = m_working.*n.member;
        if (n.slider)
            dialog.slider_set_position(n.slider, value);
        if (n.edit)
            dialog.set_text(n.edit, std::to_string(value));
    }
    for (const auto& l : list_controls)
        dialog.combo_select(l.id, m_working.*l.member);
}

void Paper_Config_Dialog::on_command(plat::Dialog& dialog, int id, plat::Notify code) {
    using plat::Notify;
    if (id == p::reset_to_defaults && code == Notify::clicked) {
        // Gamma and bidirectional printing are not this dialog's.
        copy_mechanics(m_default, m_working);
        show_values(dialog);
        return;
    }
    for (const auto& l : list_controls)
        if (l.id == id && code == Notify::selection_changed) {
            const int selected = dialog.combo_selection(id);
            if (selected >= 0)
                m_working.*l.member = selected;
            return;
        }
    if (code == Notify::edit_update && by_edit(id)) {
        edit_updated(dialog, id);
        return;
    }
    // The suction slider has no edit to follow it while it moves.
    if (const Number_Control* n = by_slider(id))
        if (code == Notify::slider_released || (code == Notify::custom_draw && n->edit))
            slider_moved(dialog, id);
}

void Paper_Config_Dialog::slider_moved(plat::Dialog& dialog, int id) {
    const Number_Control& n = *by_slider(id);
    m_working.*n.member = dialog.slider_position(id);
    if (n.edit)
        dialog.set_text(n.edit, std::to_string(m_working.*n.member));
}

void Paper_Config_Dialog::edit_updated(plat::Dialog& dialog, int id) {
    const Number_Control& n = *by_edit(id);
    const std::string text = dialog.text(id);

    // Half-typed input is left alone: nothing, or a sign on its own.
    if (text.empty())
        return;
    if (n.is_signed && text.size() == 1 && (text[0] == '-' || text[0] == '+'))
        return;

    const bool first_ok = is_digit(text[0]) || (n.is_signed && (text[0] == '-' || text[0] == '+'));
    if (!first_ok) {
        dialog.set_text(id, "");
        return;
    }
    for (std::size_t i = 1; i < text.size(); ++i)
        if (!is_digit(text[i])) {
            // Keep what was valid; the value stays as it was.
            dialog.set_text(id, text.substr(0, i));
            dialog.set_edit_selection(id, -1, -1);
            return;
        }

    std::int32_t value = parse_value(text);
    if (value < n.minimum) {
        value = n.minimum;
        dialog.set_text(id, std::to_string(value));
    } else if (value > n.maximum) {
        value = n.maximum;
        dialog.set_text(id, std::to_string(value));
    }
    m_working.*n.member = value;
    if (n.slider) {
        dialog.slider_set_position(n.slider, value);
        dialog.set_edit_selection(id, -1, -1);
    }
}

bool Paper_Config_Dialog::on_ok(plat::Dialog&) {
    copy_mechanics(m_working, m_shared);
    return true;
}

} // namespace raster_ui

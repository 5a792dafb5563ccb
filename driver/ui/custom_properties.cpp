// Custom Properties: reading the configuration into the controls, keeping
// each paper's record in the definitions store while the person switches
// papers and ink sets, and writing everything back at OK.
#include "custom_properties.h"

#include "dialog_resources.h"
#include "driver_folder.h"
#include "language.h"
#include "media_tables.h"
#include "paper_config.h"
#include "resource_ids.h"

#include <string>

namespace raster_ui {

bool exportAllowed = false;

Paper_Settings& shared_paper_settings() {
    static Paper_Settings settings;
    return settings;
}

std::string default_color_library_path() {
    return raster_media::driver_folder_of(plat::main_executable_path()) + "color.dll";
}

std::string resolution_key(std::string_view name, double resolution) {
    return std::string(name) + (resolution == 360.0 ? "_360" : "_720");
}

namespace {

namespace c = rsrc_id::custom;
using raster_media::Ink_Set;
using raster_media::Named_List;

constexpr std::string_view gamma_key = raster_media::paper_key(&Paper_Settings::gamma);
constexpr std::string_view two_way_key = raster_media::paper_key(&Paper_Settings::two_way);
constexpr const char* key_paper_kind[2] = {"PaperKindMode_4c", "PaperKindMode_7c"};

// A stored value as a number, whichever kind of custom data holds it.
std::int32_t value_of(const HT_Custom_Config_Item& item) {
    std::int32_t value = 0;
    if (item.get_long(value))
        return value;
    bool flag = false;
    if (item.get_bool(flag))
        return flag ? 1 : 0;
    return 0;
}

void fill_named_list(plat::Dialog& dialog, int id, Named_List list) {
    dialog.combo_reset(id);
    for (int i = 0; i < raster_media::named_list_count(list); ++i)
        dialog.combo_add(id, raster_lang::tr(raster_media::named_entry(list, i).name));
}

} // namespace

Custom_Properties_Dialog::Custom_Properties_Dialog(HT_Plotter_Definition& definition,
                                                   plat::Window parent, Ui_Environment environment)
    : m_definition(definition), m_parent(parent), m_env(std::move(environment)),
      m_color_library(m_env.color_library), m_colors{{
                                                {c::compare1, "RASTER_RGB_Compare1_IndexColor"},
                                                {c::compare2, "RASTER_RGB_Compare2_IndexColor"},
                                                {c::compare3, "RASTER_RGB_Compare3_IndexColor"},
                                                {c::swap1, "RASTER_RGB_Swap1_IndexColor"},
                                                {c::swap2, "RASTER_RGB_Swap2_IndexColor"},
                                                {c::swap3, "RASTER_RGB_Swap3_IndexColor"},
                                            }},
      m_flags{{
          {"RASTER_ChangeColor", c::apply_color_conversion},
          {"RASTER_Draw2Black", c::convert_to_black},
          {"RASTER_ConvertColor1", c::apply1},
          {"RASTER_ConvertColor2", c::apply2},
          {"RASTER_ConvertColor3", c::apply3},
      }} {}

int Custom_Properties_Dialog::run() {
    return plat::run_dialog(custom_properties_template(), *this, m_parent);
}

// ---------------------------------------------------------------------------
// Configuration items

Custom_Properties_Dialog::Item Custom_Properties_Dialog::item(const std::string& key) {
    auto found = m_items.find(key);
    if (found != m_items.end())
        return found->second;
    Item it = m_config ? m_config->find(key.c_str()) : Item();
    m_items.emplace(key, it);
    return it;
}

bool Custom_Properties_Dialog::offered(const std::string& key) const {
    return m_caps && m_caps->find(key.c_str());
}

std::int32_t Custom_Properties_Dialog::read_long(const std::string& key) {
    Item it = item(key);
    return it && offered(key) ? value_of(*it) : 0;
}

void Custom_Properties_Dialog::write_long(const std::string& key, std::int32_t value) {
    if (Item it = item(key))
        it->set_data(new HT_Std_Long_Custom_Data(value));
}

void Custom_Properties_Dialog::write_bool(const std::string& key, bool value) {
    if (Item it = item(key))
        it->set_data(new HT_Std_Boolean_Custom_Data(value));
}

// ---------------------------------------------------------------------------
// Start

void Custom_Properties_Dialog::on_init(plat::Dialog& dialog) {
    AdvancedDefinitions& store = definitions_store();
    store.openOrCreateDefinitions(dialog.window(), m_env.driver_path);

    // There is no palette-based display here, so swatches are drawn with plain
    // colour values.
    auto config = m_definition.get_plotter_configuration();
    auto caps = m_definition.get_plotter_capabilities();
    m_config = config ? config->get_custom_configuration() : nullptr;
    m_caps = caps ? caps->get_custom_capabilities() : nullptr;
    auto rcm = config ? config->get_res_color_mem_configuration() : nullptr;
    auto entry = rcm ? rcm->get_current() : nullptr;
    m_resolution = entry ? static_cast<double>(entry->x_resolution) : 0.0;
    m_color_names = load_color_names(m_env.module);

    // Colour lists: filled only when their key is in the configuration.
    for (auto& color : m_colors) {
        color.otherColor = -1;
        dialog.enable(color.id(), false);
        if (Item it = item(color.key())) {
            dialog.enable(color.id(), true);
            color.fill(dialog, static_cast<std::uint32_t>(value_of(*it)), m_color_names);
        }
    }
    for (auto& flag : m_flags) {
        Item it = item(flag.key);
        flag.on = it && (value_of(*it) & 0xFF) != 0;
        dialog.set_check(flag.control, flag.on ? plat::checked : plat::unchecked);
    }
    apply_color_rules(dialog);

    // From here every key is read only when the printer offers it.
    m_device = read_long("Device_ID");
    m_color_correct = read_long("ColorCorrectMode");
    const std::int32_t colors = entry ? entry->color_count : 0;
    if (colors == 4 || colors == 256) {
        fill_named_list(dialog, c::color_correction, Named_List::color_correction);
        dialog.combo_select(c::color_correction, m_color_correct);
        dialog.enable(c::color_correction, true);
    } else {
        dialog.combo_reset(c::color_correction);
        dialog.enable(c::color_correction, false);
    }
    dialog.set_text(c::quality_label,
                    m_resolution == 360.0 ? ui_texts().quality_fast : ui_texts().quality_high);

    m_cartridge = read_long("CartrigeOpt") != 0 ? 1 : 0;
    dialog.check_radio(c::photo_ink_set, c::high_speed_ink_set,
                       m_cartridge == 1 ? c::photo_ink_set : c::high_speed_ink_set);
    for (int group = 0; group < 2; ++group)
        m_paper_index[group] = read_long(key_paper_kind[group]);
    fill_paper_types(dialog);

    m_gamma = read_long(resolution_key(gamma_key, m_resolution));
    m_bothway = read_long(resolution_key(two_way_key, m_resolution));
    fill_named_list(dialog, c::gamma, Named_List::gamma);
    show_gamma_and_bidirectional(dialog);

    Paper_Settings& shared = shared_paper_settings();
    for (const auto& setting : raster_media::mechanical_paper_settings)
        shared.*setting.member = read_long(resolution_key(setting.key, m_resolution));
}

void Custom_Properties_Dialog::apply_color_rules(plat::Dialog& dialog) {
    const bool change = m_flags[0].on;
    const bool black = m_flags[1].on;
    dialog.enable(c::convert_to_black, change);
    for (int row = 0; row < 3; ++row) {
        const bool row_on = change && !black && m_flags[static_cast<std::size_t>(2 + row)].on;
        dialog.enable(m_flags[static_cast<std::size_t>(2 + row)].control, change && !black);
        dialog.enable(m_colors[static_cast<std::size_t>(row)].id(), row_on);
        dialog.enable(m_colors[static_cast<std::size_t>(3 + row)].id(), row_on);
    }
}

void Custom_Properties_Dialog::fill_paper_types(plat::Dialog& dialog) {
    const Ink_Set ink_set = m_cartridge == 1 ? Ink_Set::photo : Ink_Set::high_speed;
    dialog.combo_reset(c::paper_type);
    for (int i = 0; i < raster_media::media_type_count(ink_set); ++i)
        dialog.combo_add(c::paper_type, raster_lang::tr(raster_media::media_type_name(ink_set, i)));
    dialog.combo_select(c::paper_type, paper_index());
}

void Custom_Properties_Dialog::show_gamma_and_bidirectional(plat::Dialog& dialog) {
    dialog.combo_select(c::gamma, m_gamma);
    // Other values than 0 and 1 leave the box as it is.
    if (m_bothway == 1)
        dialog.set_check(c::bidirectional, plat::checked);
    else if (m_bothway == 0)
        dialog.set_check(c::bidirectional, plat::unchecked);
}

// ---------------------------------------------------------------------------
// Paper records

Paper_Settings Custom_Properties_Dialog::current_record() const {
    Paper_Settings record = shared_paper_settings();
    record.gamma = m_gamma;
    record.two_way = m_bothway;
    return record;
}

void Custom_Properties_Dialog::take_record(const Paper_Settings& record) {
    m_gamma = record.gamma;
    m_bothway = record.two_way;
    copy_mechanics(record, shared_paper_settings());
}

void Custom_Properties_Dialog::store_current_paper() {
    definitions_store().storePaper(m_resolution, m_cartridge, paper_index(), current_record());
}

void Custom_Properties_Dialog::load_current_paper(plat::Dialog& dialog) {
    // A record that cannot be read whole keeps what it does not say.
    Paper_Settings record = current_record();
    definitions_store().loadPaper(m_resolution, m_cartridge, paper_index(), record);
    take_record(record);
    show_gamma_and_bidirectional(dialog);
}

void Custom_Properties_Dialog::paper_type_changed(plat::Dialog& dialog) {
    const int selected = dialog.combo_selection(c::paper_type);
    if (selected < 0)
        return;
    if (selected != paper_index())
        store_current_paper();
    m_paper_index[m_cartridge] = selected;
    // Choosing the same paper again brings back its stored record.
    load_current_paper(dialog);
    exportAllowed = false;
}

void Custom_Properties_Dialog::ink_set_clicked(plat::Dialog& dialog, int option) {
    if (m_cartridge != option) {
        store_current_paper();
        m_cartridge = option;
        load_current_paper(dialog);
    }
    fill_paper_types(dialog);
    exportAllowed = false;
}

void Custom_Properties_Dialog::open_paper_config(plat::Dialog& dialog) {
    Paper_Config_Dialog paper(shared_paper_settings(),
                              default_paper(m_resolution, m_cartridge, paper_index()));
    if (paper.run(dialog.window()) == plat::id_ok)
        exportAllowed = false;
}

// ---------------------------------------------------------------------------
// What the person does

void Custom_Properties_Dialog::on_command(plat::Dialog& dialog, int id, plat::Notify code) {
    using plat::Notify;

    for (auto& flag : m_flags)
        if (flag.control == id && code == Notify::clicked) {
            flag.on = !flag.on;
            dialog.set_check(id, flag.on ? plat::checked : plat::unchecked);
            apply_color_rules(dialog);
            return;
        }
    for (auto& color : m_colors)
        if (color.id() == id) {
            if (code == Notify::close_up && m_config && item(color.key())) {
                color.close_up(dialog, m_color_library);
                dialog.redraw(id);
            }
            return;
        }

    switch (id) {
    case c::color_correction:
        if (code == Notify::selection_changed && dialog.combo_selection(id) >= 0)
            m_color_correct = dialog.combo_selection(id);
        break;
    case c::gamma:
        if (code == Notify::selection_changed && dialog.combo_selection(id) >= 0) {
            m_gamma = dialog.combo_selection(id);
            exportAllowed = false;
        }
        break;
    case c::paper_type:
        if (code == Notify::selection_changed)
            paper_type_changed(dialog);
        break;
    case c::bidirectional:
        if (code == Notify::clicked) {
            m_bothway = dialog.check(id) == plat::checked ? 1 : 0;
            exportAllowed = false;
        }
        break;
    case c::photo_ink_set:
        if (code == Notify::clicked)
            ink_set_clicked(dialog, 1);
        break;
    case c::high_speed_ink_set:
        if (code == Notify::clicked)
            ink_set_clicked(dialog, 0);
        break;
    case c::paper_config:
        if (code == Notify::clicked)
            open_paper_config(dialog);
        break;
    case c::import_definitions:
        if (code == Notify::clicked)
            import_definitions(dialog);
        break;
    case c::export_definitions:
        if (code == Notify::clicked)
            export_definitions(dialog);
        break;
    case c::help:
        if (code == Notify::clicked)
            _DoHelp(dialog.window(), m_env.help_file.c_str(),
                    std::string(ui_texts().help_topic).c_str(), plat::help_topic);
        break;
    default:
        break;
    }
}

void Custom_Properties_Dialog::on_owner_draw(plat::Dialog&, const plat::Owner_Draw_Item& item,
                                             plat::Draw_Context& dc) {
    for (const auto& color : m_colors)
        if (color.id() == item.control_id)
            color.draw(item, dc, m_color_names);
}

bool Custom_Properties_Dialog::on_help(plat::Dialog&, const plat::Help_Info& info) {
    _DoHelp(info.window, m_env.help_file.c_str(), std::to_string(info.context_id).c_str(),
            plat::help_context_popup);
    return true;
}

// ---------------------------------------------------------------------------
// The end

void Custom_Properties_Dialog::write_configuration(plat::Dialog& dialog) {
    for (const auto& color : m_colors)
        if (auto value = color.selected_value(dialog))
            write_long(color.key(), static_cast<std::int32_t>(*value));
    for (const auto& flag : m_flags)
        write_bool(flag.key, flag.on);

    write_long("Device_ID", m_device);
    write_long(key_paper_kind[0], m_paper_index[0]);
    write_long(key_paper_kind[1], m_paper_index[1]);
    write_long(resolution_key(gamma_key, m_resolution), m_gamma);
    write_long("ColorCorrectMode", m_color_correct);
    write_long(resolution_key(two_way_key, m_resolution), m_bothway);
    write_long("CartrigeOpt", m_cartridge);
    const Paper_Settings& shared = shared_paper_settings();
    for (const auto& setting : raster_media::mechanical_paper_settings)
        write_long(resolution_key(setting.key, m_resolution), shared.*setting.member);

    AdvancedDefinitions& store = definitions_store();
    store_current_paper();
    store.write_file(); // a failed write leaves the store; nothing to tell

    // The other resolution's keys take the selected paper's stored record, so
    // both sets describe the same paper.
    const double other = m_resolution == 360.0 ? 720.0 : 360.0;
    if (AdvancedDefinitions::slot_index(other, m_cartridge, paper_index())) {
        Paper_Settings record = default_paper(other, m_cartridge, paper_index());
        store.loadPaper(other, m_cartridge, paper_index(), record);
        for (const auto& setting : raster_media::paper_settings)
            write_long(resolution_key(setting.key, other), record.*setting.member);
    }
}

bool Custom_Properties_Dialog::on_ok(plat::Dialog& dialog) {
    exportAllowed = true;
    write_configuration(dialog);
    return true;
}

bool Custom_Properties_Dialog::on_cancel(plat::Dialog&) {
    exportAllowed = false;
    return true;
}

void Custom_Properties_Dialog::show_error(plat::Dialog& dialog, std::string_view text) {
    plat::message_box(dialog.window(), std::string(text), std::string(ui_texts().error_caption),
                      plat::mb_ok | plat::mb_icon_error);
}

} // namespace raster_ui

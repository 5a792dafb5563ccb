// Dialog templates and texts of the English build. Rectangles are in dialog
// units: x, y, width, height; a combo box's height is that of its open list.
#include "dialog_resources.h"
#include "resource_ids.h"

namespace raster_ui {
namespace {

using plat::Control_Kind;
using plat::Dialog_Control;
using plat::id_static;

namespace c = rsrc_id::custom;
namespace p = rsrc_id::paper;

constexpr auto button = Control_Kind::push_button;
constexpr auto check = Control_Kind::check_box;
constexpr auto radio = Control_Kind::radio_button;
constexpr auto group = Control_Kind::group_box;
constexpr auto label = Control_Kind::label;
constexpr auto edit = Control_Kind::edit;
constexpr auto combo = Control_Kind::combo_box;
constexpr auto slider = Control_Kind::slider;

constexpr unsigned tab = plat::style_tab_stop;
constexpr unsigned list = plat::style_drop_list | plat::style_tab_stop;
// The colour lists draw a swatch beside each name.
constexpr unsigned color_list = list | plat::style_owner_draw;
// These boxes change their mark only when the handler says so.
constexpr unsigned manual_check = plat::style_tab_stop;
constexpr unsigned auto_check = plat::style_auto | plat::style_tab_stop;

// clang-format off
constexpr Dialog_Control custom_properties_controls[] = {
    {id_static,                group,  "Print Color Conversion",  7,   7, 309, 118},
    {c::apply_color_conversion, check, "Apply Color Conversion", 15,  20, 120,  10, manual_check},
    {c::convert_to_black,       check, "Convert all to black",  165,  20, 120,  10, manual_check},
    {id_static,                group,  "Substitution",           15,  36, 293,  82},
    {id_static,                label,  "Original Screen Color",  62,  48, 100,   8},
    {id_static,                label,  "Print Converted Color", 190,  48, 100,   8},
    {id_static,                label,  "->",                    177,  62,  10,   8},
    {id_static,                label,  "->",                    177,  80,  10,   8},
    {id_static,                label,  "->",                    177,  98,  10,   8},
    {c::apply1,                check,  "Apply",                  23,  62,  34,  10, manual_check},
    {c::apply2,                check,  "Apply",                  23,  80,  34,  10, manual_check},
    {c::apply3,                check,  "Apply",                  23,  98,  34,  10, manual_check},
    {c::compare1,              combo,  "",                       62,  60, 110, 100, color_list},
    {c::compare2,              combo,  "",                       62,  78, 110, 100, color_list},
    {c::compare3,              combo,  "",                       62,  96, 110, 100, color_list},
    {c::swap1,                 combo,  "",                      190,  60, 110, 100, color_list},
    {c::swap2,                 combo,  "",                      190,  78, 110, 100, color_list},
    {c::swap3,                 combo,  "",                      190,  96, 110, 100, color_list},

    {id_static,                group,  "Print settings",          7, 130, 309, 115},
    {c::cartridge_option,      group,  "Cartridge Option",       15, 142, 140,  42},
    {c::photo_ink_set,         radio,  "Photo Quality Ink Set",  23, 155, 125,  10,
     plat::style_group | auto_check},
    {c::high_speed_ink_set,    radio,  "High Speed Ink Set",     23, 169, 125,  10, auto_check},
    {c::paper_type_label,      label,  "Paper Type",             15, 192,  60,   8},
    {c::paper_type,            combo,  "",                       15, 203, 140, 100,
     list | plat::style_group},
    {c::bidirectional,         check,  "Bidirectional Printing", 15, 225, 140,  10, auto_check},
    {c::mode_settings,         group,  "Mode Settings",         165, 142, 143,  96},
    {c::quality_label,         label,  "Quality Selection; Fast", 173, 155, 127, 8},
    {c::color_correction,      combo,  "",                      173, 166, 127,  60, list},
    {c::paper_config,          button, "Paper Config...",       173, 186, 127,  14, tab},
    {c::gamma_label,           label,  "Gamma",                 173, 206,  40,   8},
    {c::gamma,                 combo,  "",                      173, 217,  60,  60, list},

    {c::import_definitions,    button, "Import...",               7, 253,  50,  14, tab},
    {c::export_definitions,    button, "Export...",              61, 253,  50,  14, tab},
    {plat::id_ok,              button, "OK",                    158, 253,  50,  14,
     tab | plat::style_default},
    {plat::id_cancel,          button, "Cancel",                212, 253,  50,  14, tab},
    {c::help,                  button, "Help",                  266, 253,  50,  14, tab},
};

constexpr Dialog_Control paper_config_controls[] = {
    {id_static,          group,  "Color Density",               7,   7, 205,  44},
    {p::density_slider,  slider, "",                           14,  19, 130,  16,
     tab | plat::style_ticks},
    {id_static,          label,  "-50",                        14,  37,  16,   8},
    {id_static,          label,  "50",                        128,  37,  16,   8, plat::style_right},
    {p::density_edit,    edit,   "",                          150,  19,  26,  12, tab},
    {id_static,          label,  "(%)",                       180,  21,  28,   8},

    {id_static,          group,  "Drying Time Per Head Pass",   7,  55, 205,  44},
    {p::drying_slider,   slider, "",                           14,  67, 130,  16, tab},
    {id_static,          label,  "0",                          14,  85,  16,   8},
    {id_static,          label,  "50",                        128,  85,  16,   8, plat::style_right},
    {p::drying_edit,     edit,   "",                          150,  67,  26,  12, tab},
    {id_static,          label,  "(0.1sec.)",                 180,  69,  30,   8},

    {id_static,          group,  "Paper Feed Adjustment",       7, 103, 205,  44},
    {p::feed_slider,     slider, "",                           14, 115, 130,  16,
     tab | plat::style_ticks},
    {id_static,          label,  "-70",                        14, 133,  16,   8},
    {id_static,          label,  "70",                        128, 133,  16,   8, plat::style_right},
    {p::feed_edit,       edit,   "",                          150, 115,  26,  12, tab},
    {id_static,          label,  "(0.01%)",                   180, 117,  30,   8},

    {id_static,          group,  "Paper Thickness",             7, 151, 205,  28},
    {p::thickness_edit,  edit,   "",                           14, 163,  26,  12, tab},
    {id_static,          label,  "(0.1mm)",                    44, 165,  40,   8},

    {id_static,          group,  "Paper Suction",               7, 183, 205,  44},
    {p::suction_slider,  slider, "",                           14, 195, 190,  16,
     tab | plat::style_ticks},
    // One label under each tick; the ticks sit about 45 units apart.
    {id_static,          label,  "Standard",                   10, 213,  42,   8},
    {id_static,          label,  "-1",                         56, 213,  16,   8, plat::style_center},
    {id_static,          label,  "-2",                        101, 213,  16,   8, plat::style_center},
    {id_static,          label,  "-3",                        146, 213,  16,   8, plat::style_center},
    {id_static,          label,  "-4",                        191, 213,  16,   8, plat::style_center},

    {id_static,          group,  "Cut Method",                  7, 231, 205,  30},
    {p::cut_method,      combo,  "",                           14, 243, 120,  70, list},
    {id_static,          group,  "Platen Gap",                  7, 265, 205,  30},
    {p::platen_gap,      combo,  "",                           14, 277, 120,  70, list},
    {id_static,          group,  "Eject Roller Type",           7, 299, 205,  30},
    {p::eject_roller,    combo,  "",                           14, 311, 120,  70, list},

    {p::reset_to_defaults, button, "Reset To Defaults",         7, 339,  90,  14, tab},
    {plat::id_ok,        button, "OK",                        108, 374,  50,  14,
     tab | plat::style_default},
    {plat::id_cancel,    button, "Cancel",                    162, 374,  50,  14, tab},
};
// clang-format on

constexpr plat::Dialog_Template custom_properties{
    rsrc_id::dlg_custom_properties, "VORNA Custom Properties", "MS Sans Serif", 9, 323, 275,
    custom_properties_controls};

constexpr plat::Dialog_Template paper_config{
    rsrc_id::dlg_paper_config, "Paper Config", "MS Sans Serif", 9, 219, 395, paper_config_controls};

constexpr Ui_Texts texts{
    .error_caption = "Custom Properties Error",
    .definitions_incorrect =
        "The contents of the definition file are incorrect.\nDefaults will be used.",
    .export_not_allowed = "You cannot export until the Custom Properties settings have been "
                          "set.\n\nPush the OK button to close Custom Properties,\nthen re-open "
                          "Custom Properties to export.",
    .export_folder_refused = "The selected folder cannot be used for export.",
    .import_own_file = "You cannot import the selected file.",
    .import_wrong_name = "You cannot import this kind of file.",
    .import_unreadable = "The selected file cannot be read.",
    .import_incorrect = "Contents of the selected file are incorrect.",
    .quality_fast = "Quality Selection; Fast",
    .quality_high = "Quality Selection; High",
    .import_title = "Select Advanced Definitions File to Import",
    .export_title = "Select Folder",
    .definitions_filter = "Advanced Definitions (vornatv.px_)",
    .help_topic = "Custom Properties setting",
};

} // namespace

const plat::Dialog_Template& english_custom_properties_template() {
    return custom_properties;
}

const plat::Dialog_Template& english_paper_config_template() {
    return paper_config;
}

const Ui_Texts& english_ui_texts() {
    return texts;
}

} // namespace raster_ui

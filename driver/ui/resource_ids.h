// Numbers of the dialogs' resources: templates and controls. The string
// messages' numbers come with the common errors.
#pragma once

#include "message_ids.h"

namespace rsrc_id {

// Dialog templates.
inline constexpr int dlg_custom_properties = 101;
inline constexpr int dlg_paper_config = 133;

// Controls of the Custom Properties dialog.
namespace custom {
inline constexpr int apply_color_conversion = 1001; // RASTER_ChangeColor
inline constexpr int paper_type = 1002;
inline constexpr int help = 1003;
inline constexpr int compare1 = 1004;
inline constexpr int convert_to_black = 1005; // RASTER_Draw2Black
inline constexpr int compare2 = 1006;
inline constexpr int compare3 = 1007;
inline constexpr int swap1 = 1008;
inline constexpr int swap2 = 1009;
inline constexpr int swap3 = 1010;
inline constexpr int color_correction = 1011;
inline constexpr int gamma = 1012;
inline constexpr int apply1 = 1021;
inline constexpr int apply2 = 1022;
inline constexpr int apply3 = 1023;
inline constexpr int paper_type_label = 1026;
inline constexpr int gamma_label = 1027;
inline constexpr int bidirectional = 1028;
inline constexpr int quality_label = 1031;
inline constexpr int paper_config = 1032;
inline constexpr int import_definitions = 1033;
inline constexpr int export_definitions = 1034;
inline constexpr int mode_settings = 1035;
inline constexpr int cartridge_option = 1036;
inline constexpr int photo_ink_set = 1037;
inline constexpr int high_speed_ink_set = 1038;
} // namespace custom

// Controls of the Paper Config dialog.
namespace paper {
inline constexpr int reset_to_defaults = 1031;
inline constexpr int cut_method = 1032;
inline constexpr int thickness_edit = 1033;
inline constexpr int density_slider = 1034;
inline constexpr int feed_edit = 1035;
inline constexpr int density_edit = 1036;
inline constexpr int drying_edit = 1037;
inline constexpr int drying_slider = 1038;
inline constexpr int feed_slider = 1039;
inline constexpr int suction_slider = 1040;
inline constexpr int platen_gap = 1041;
inline constexpr int eject_roller = 1042;
} // namespace paper

} // namespace rsrc_id

// Refers to the resource object so that linking the resource library pulls it
// in even without --whole-archive. Returns the number of string resources.
int driver_resources_anchor();

// The printer's fixed tables, as the printer's documentation lists them, and
// the bounded lookups over them.
#include "media_tables.h"

#include <cstring>
#include <iterator>

namespace raster_media {
namespace {

// ---------------------------------------------------------------------------
// Media types

const Media_Type_Record high_speed_media_types[8] = {
    {"Plain Paper"},       {"Plain Paper (line drawing)"},
    {"Tracing Paper"},     {"Coated Inkjet Paper"},
    {"Heavy Matte Paper"}, {"Fine Matte Paper"},
    {"Light Matte Paper"}, {""},
};

const Media_Type_Record photo_media_types[12] = {
    {"Plain Paper"},
    {"Plain Paper (line drawing)"},
    {"Tracing Paper"},
    {"Coated Inkjet Paper"},
    {"Heavy Matte Paper"},
    {"Fine Matte Paper"},
    {"Light Matte Paper"},
    {"Photo Paper Luster (250)"},
    {"Photo Paper Glossy (250)"},
    {"Photo Paper Semigloss (250)"},
    {"Photo Paper Semimatte (250)"},
    {""},
};

// ---------------------------------------------------------------------------
// Named settings lists

const Named_Value_Record gamma_list[] = {
    {"1.5", 150},
    {"1.8", 180},
    {"2.2", 220},
    {"", 0},
};

// The printer knows the vivid mode as 2, not 1.
const Named_Value_Record color_correction_list[] = {
    {"Photo-realistic", 0},
    {"Vivid", 2},
    {"", 0},
};

const Named_Value_Record cut_method_list[] = {
    {"Standard", 0}, {"Thin Paper", 1}, {"Thick Paper, Fast", 2}, {"Thick Paper, Slow", 3}, {"", 0},
};

const Named_Value_Record platen_gap_list[] = {
    {"Auto", 0}, {"Wider", 1}, {"Wide", 2}, {"Standard", 3}, {"Narrow", 4}, {"", 0},
};

const Named_Value_Record eject_roller_list[] = {
    {"Auto", 0}, {"Starwheel-Sheet", 1}, {"Starwheel-Roll Curled", 2}, {"No Roller-Roll Normal", 3},
    {"", 0},
};

// ---------------------------------------------------------------------------
// Media sizes: display name, size code, width, height, printable width,
// printable height, in dots at 360 dpi.

// clang-format off
const Media_Size_Record roll_sizes[] = {
    {"Letter Roll Paper",             1, 3060, 3960, 2976, 3876},
    {"A4 Roll Paper Portrait",        9, 2976, 4209, 2892, 4125},
    {"A4 Roll Paper Landscape",     256, 4209, 2976, 4125, 2892},
    {"A3 Roll Paper Portrait",        8, 4209, 5953, 4125, 5869},
    {"A3 Roll Paper Landscape",     256, 5953, 4209, 5869, 4125},
    {"A2 Roll Paper Portrait",      257, 5953, 8419, 5869, 8335},
    {"ANSI B Roll Paper Portrait",  262, 3960, 6120, 3876, 6036},
    {"ANSI B Roll Paper Landscape", 256, 6120, 3960, 6036, 3876},
    {"ANSI C Roll Paper Portrait",  261, 6120, 7920, 6036, 7836},
    {"ARCH A Roll Paper Portrait",  256, 3240, 4320, 3156, 4236},
    {"ARCH A Roll Paper Landscape", 256, 4320, 3240, 4236, 3156},
    {"ARCH B Roll Paper Portrait",  256, 4320, 6480, 4236, 6396},
    {"UserDefined",                 256,    0,    0,    0,    0},
};

// Without margins the printable width runs 84 dots past the paper.
const Media_Size_Record borderless_sizes[] = {
    {"Letter Roll Borderless Portrait",  256, 3060, 3988, 3144, 3988},
    {"A4 Roll Borderless Portrait",      256, 2976, 4238, 3060, 4238},
    {"A4 Roll Borderless Landscape",     256, 4209, 3005, 4293, 3005},
    {"A3 Roll Borderless Portrait",      256, 4209, 5981, 4293, 5981},
    {"A3 Roll Borderless Landscape",     256, 5953, 4238, 6037, 4238},
    {"A2 Roll Borderless Portrait",      256, 5953, 8447, 6037, 8447},
    {"ANSI B Roll Borderless Landscape", 256, 6120, 3988, 6204, 3988},
    {"ANSI C Roll Borderless Portrait",  256, 6120, 7948, 6204, 7948},
    {"ARCH A Roll Borderless Landscape", 256, 4320, 3268, 4404, 3268},
    {"ARCH B Roll Borderless Portrait",  256, 4320, 6508, 4404, 6508},
    {"UserDefined",                      256,    0,    0,    0,    0},
};

const Media_Size_Record tray_sizes[] = {
    {"Letter Paper Tray",   1, 3060, 3960, 2976, 3876},
    {"A4 Paper Tray",       9, 2976, 4209, 2892, 4125},
    {"A3 Paper Tray",       8, 4209, 5953, 4125, 5869},
    {"A2 Paper Tray",     257, 5953, 8419, 5869, 8335},
    {"ANSI B Paper Tray", 262, 3960, 6120, 3876, 6036},
    {"ANSI C Paper Tray", 261, 6120, 7920, 6036, 7836},
    {"ARCH A Paper Tray", 256, 3240, 4320, 3156, 4236},
    {"ARCH B Paper Tray", 256, 4320, 6480, 4236, 6396},
    {"UserDefined",       256,    0,    0,    0,    0},
};

const Media_Size_Record manual_feed_sizes[] = {
    {"Letter Manual Feed",   1, 3060, 3960, 2976, 3876},
    {"A4 Manual Feed",       9, 2976, 4209, 2892, 4125},
    {"A3 Manual Feed",       8, 4209, 5953, 4125, 5869},
    {"A2 Manual Feed",     257, 5953, 8419, 5869, 8335},
    {"ANSI B Manual Feed", 262, 3960, 6120, 3876, 6036},
    {"ANSI C Manual Feed", 261, 6120, 7920, 6036, 7836},
    {"ARCH A Manual Feed", 256, 3240, 4320, 3156, 4236},
    {"ARCH B Manual Feed", 256, 4320, 6480, 4236, 6396},
    {"UserDefined",        256,    0,    0,    0,    0},
};
// clang-format on

// Stored in the printer's own order: roll, without margins, paper tray,
// manual feed. Callers always go through the media source index.
const std::span<const Media_Size_Record> media_size_tables[media_source_count] = {
    roll_sizes,
    borderless_sizes,
    tray_sizes,
    manual_feed_sizes,
};

// Media source index (0 roll, 1 without margins, 2 manual feed, 3 paper tray)
// to storage position.
constexpr int storage_of_source[media_source_count] = {0, 1, 3, 2};

// ---------------------------------------------------------------------------
// Canonical media size names, per language, rows as in the size tables.

const char* const en_roll[] = {
    "Letter_Roll_Paper",
    "A4_Roll_Paper_Portrait",
    "A4_Roll_Paper_Landscape",
    "A3_Roll_Paper_Portrait",
    "A3_Roll_Paper_Landscape",
    "A2_Roll_Paper_Portrait",
    "ANSI_B_Roll_Paper_Portrait",
    "ANSI_B_Roll_Paper_Landscape",
    "ANSI_C_Roll_Paper_Portrait",
    "ARCH_A_Roll_Paper_Portrait",
    "ARCH_A_Roll_Paper_Landscape",
    "ARCH_B_Roll_Paper_Portrait",
    "UserDefined",
};
const char* const en_borderless[] = {
    "Letter_Roll_Borderless_Portrait",
    "A4_Roll_Borderless_Portrait",
    "A4_Roll_Borderless_Landscape",
    "A3_Roll_Borderless_Portrait",
    "A3_Roll_Borderless_Landscape",
    "A2_Roll_Borderless_Portrait",
    "ANSI_B_Roll_Borderless_Landscape",
    "ANSI_C_Roll_Borderless_Portrait",
    "ARCH_A_Roll_Borderless_Landscape",
    "ARCH_B_Roll_Borderless_Portrait",
    "UserDefined",
};
const char* const en_manual[] = {
    "Letter_Manual_Feed", "A4_Manual_Feed",     "A3_Manual_Feed",
    "A2_Manual_Feed",     "ANSI_B_Manual_Feed", "ANSI_C_Manual_Feed",
    "ARCH_A_Manual_Feed", "ARCH_B_Manual_Feed", "UserDefined",
};
const char* const en_tray[] = {
    "Letter_Paper_Tray", "A4_Paper_Tray",     "A3_Paper_Tray",
    "A2_Paper_Tray",     "ANSI_B_Paper_Tray", "ANSI_C_Paper_Tray",
    "ARCH_A_Paper_Tray", "ARCH_B_Paper_Tray", "UserDefined",
};

const char* const sp_roll[] = {
    "Carta_Rollo_Papel",
    "A4_Vertical_Rollo_Papel",
    "A4_Horizontal_Rollo_Papel",
    "A3_Vertical_Rollo_Papel",
    "A3_Horizontal_Rollo_Papel",
    "A2_Vertical_Rollo_Papel",
    "ANSI_B_Vertical_Rollo_Papel",
    "ANSI_B_Horizontal_Rollo_Papel",
    "ANSI_C_Vertical_Rollo_Papel",
    "ARCH_A_Vertical_Rollo_Papel",
    "ARCH_A_Horizontal_Rollo_Papel",
    "ARCH_B_Vertical_Rollo_Papel",
    "UserDefined",
};
const char* const sp_borderless[] = {
    "Carta_Vert._Rollo_Sin_Márgenes",
    "A4_Vert._Rollo_Sin_Márgenes",
    "A4_Horiz._Rollo_Sin_Márgenes",
    "A3_Vert._Rollo_Sin_Márgenes",
    "A3_Horiz._Rollo_Sin_Márgenes",
    "A2_Vert._Rollo_Sin_Márgenes",
    "ANSI_B_Horiz._Rollo_Sin_Márgenes",
    "ANSI_C_Vert._Rollo_Sin_Márgenes",
    "ARCH_A_Horiz._Rollo_Sin_Márgenes",
    "ARCH_B_Vert._Rollo_Sin_Márgenes",
    "UserDefined",
};
const char* const sp_manual[] = {
    "Carta_Alim._Manual",  "A4_Alim._Manual",     "A3_Alim._Manual",
    "A2_Alim._Manual",     "ANSI_B_Alim._Manual", "ANSI_C_Alim._Manual",
    "ARCH_A_Alim._Manual", "ARCH_B_Alim._Manual", "UserDefined",
};
const char* const sp_tray[] = {
    "Carta_Bandeja_Papel",  "A4_Bandeja_Papel",     "A3_Bandeja_Papel",
    "A2_Bandeja_Papel",     "ANSI_B_Bandeja_Papel", "ANSI_C_Bandeja_Papel",
    "ARCH_A_Bandeja_Papel", "ARCH_B_Bandeja_Papel", "UserDefined",
};
const char* const it_roll[] = {
    "Letter_Rotolo",
    "A4_Rotolo_lunghezza",
    "A4_Rotolo_larghezza",
    "A3_Rotolo_lunghezza",
    "A3_Rotolo_larghezza",
    "A2_Rotolo_lunghezza",
    "ANSI_B_Rotolo_lunghezza",
    "ANSI_B_Rotolo_larghezza",
    "ANSI_C_Rotolo_lunghezza",
    "ARCH_A_Rotolo_lunghezza",
    "ARCH_A_Rotolo_larghezza",
    "ARCH_B_Rotolo_lunghezza",
    "UserDefined",
};
const char* const it_borderless[] = {
    "Letter_Rotolo_lunghezza_senza_margini",
    "A4_Rotolo_lunghezza_senza_margini",
    "A4_Rotolo_larghezza_senza_margini",
    "A3_Rotolo_lunghezza_senza_margini",
    "A3_Rotolo_larghezza_senza_margini",
    "A2_Rotolo_lunghezza_senza_margini",
    "ANSI_B_Rotolo_larghezza_senza_margini",
    "ANSI_C_Rotolo_lunghezza_senza_margini",
    "ARCH_A_Rotolo_larghezza_senza_margini",
    "ARCH_B_Rotolo_lunghezza_senza_margini",
    "UserDefined",
};
const char* const it_manual[] = {
    "Letter_Manuale", "A4_Manuale",     "A3_Manuale",     "A2_Manuale",  "ANSI_B_Manuale",
    "ANSI_C_Manuale", "ARCH_A_Manuale", "ARCH_B_Manuale", "UserDefined",
};
const char* const it_tray[] = {
    "Letter_Cassetto", "A4_Cassetto",     "A3_Cassetto",     "A2_Cassetto", "ANSI_B_Cassetto",
    "ANSI_C_Cassetto", "ARCH_A_Cassetto", "ARCH_B_Cassetto", "UserDefined",
};
const char* const ge_roll[] = {
    "Letter-Rollenpapier",
    "A4-Rollenpapier_Hochformat",
    "A4-Rollenpapier_Querformat",
    "A3-Rollenpapier_Hochformat",
    "A3-Rollenpapier_Querformat",
    "A2-Rollenpapier_Hochformat",
    "ANSI_B-Rollenpapier_Hochformat",
    "ANSI_B-Rollenpapier_Querformat",
    "ANSI_C-Rollenpapier_Hochformat",
    "ARCH_A-Rollenpapier_Hochformat",
    "ARCH_A-Rollenpapier_Querformat",
    "ARCH_B-Rollenpapier_Hochformat",
    "UserDefined",
};
const char* const ge_borderless[] = {
    "Letter-Rollenpapier_(randlos)_Hochformat",
    "A4-Rollenpapier_(randlos)_Hochformat",
    "A4-Rollenpapier_(randlos)_Querformat",
    "A3-Rollenpapier_(randlos)_Hochformat",
    "A3-Rollenpapier_(randlos)_Querformat",
    "A2-Rollenpapier_(randlos)_Hochformat",
    "ANSI_B-Rollenpapier_(randlos)_Querformat",
    "ANSI_C-Rollenpapier_(randlos)_Hochformat",
    "ARCH_A-Rollenpapier_(randlos)_Querformat",
    "ARCH_B-Rollenpapier_(randlos)_Hochformat",
    "UserDefined",
};
const char* const ge_manual[] = {
    "Letter-Manuelle_Zufuhr", "A4-Manuelle_Zufuhr",     "A3-Manuelle_Zufuhr",
    "A2-Manuelle_Zufuhr",     "ANSI_B-Manuelle_Zufuhr", "ANSI_C-Manuelle_Zufuhr",
    "ARCH_A-Manuelle_Zufuhr", "ARCH_B-Manuelle_Zufuhr", "UserDefined",
};
const char* const ge_tray[] = {
    "Letter-Papierfach", "A4-Papierfach",     "A3-Papierfach",
    "A2-Papierfach",     "ANSI_B-Papierfach", "ANSI_C-Papierfach",
    "ARCH_A-Papierfach", "ARCH_B-Papierfach", "UserDefined",
};
const char* const ko_roll[] = {
    "Letter_롤_용지_",      "A4_롤_용지(세로)",     "A4_롤_용지(가로)",     "A3_롤_용지(세로)",
    "A3_롤_용지(가로)",     "A2_롤_용지(세로)",     "ANSI_B_롤_용지(세로)", "ANSI_B_롤_용지(가로)",
    "ANSI_C_롤_용지(세로)", "ARCH_A_롤_용지(세로)", "ARCH_A_롤_용지(가로)", "ARCH_B_롤_용지(세로)",
    "UserDefined",
};
const char* const ko_borderless[] = {
    "Letter_롤_용지(세로_여백없음)",
    "A4_롤_용지(세로_여백없음)",
    "A4_롤_용지(가로_여백없음)",
    "A3_롤_용지(세로_여백없음)",
    "A3_롤_용지(가로_여백없음)",
    "A2_롤_용지(세로_여백없음)",
    "ANSI_B_롤_용지(가로_여백없음)",
    "ANSI_C_롤_용지(세로_여백없음)",
    "ARCH_A_롤_용지(가로_여백없음)",
    "ARCH_B_롤_용지(세로_여백없음)",
    "UserDefined",
};
const char* const ko_manual[] = {
    "Letter_수동_급지_", "A4_수동_급지_",     "A3_수동_급지_",
    "A2_수동_급지_",     "ANSI_B_수동_급지_", "ANSI_C_수동_급지_",
    "ARCH_A_수동_급지_", "ARCH_B_수동_급지_", "UserDefined",
};
const char* const ko_tray[] = {
    "Letter_용지_트레이", "A4_용지_트레이",     "A3_용지_트레이",
    "A2_용지_트레이",     "ANSI_B_용지_트레이", "ANSI_C_용지_트레이",
    "ARCH_A_용지_트레이", "ARCH_B_용지_트레이", "UserDefined",
};

// One language's names, in the storage order of the size tables.
struct Canonical_Names {
    std::span<const char* const> table[media_source_count];
};

const Canonical_Names canonical_names[] = {
    {{en_roll, en_borderless, en_tray, en_manual}}, // English
    {{sp_roll, sp_borderless, sp_tray, sp_manual}}, // Spanish
    {{it_roll, it_borderless, it_tray, it_manual}}, // Italian
    {{ge_roll, ge_borderless, ge_tray, ge_manual}}, // German
    {{ko_roll, ko_borderless, ko_tray, ko_manual}}, // Korean
};

struct Build_Language {
    std::string_view build;
    Media_Language language;
};

const Build_Language build_languages[] = {
    {"vorna_tarv_en_7", Media_Language::english}, {"vorna_tarv_en2_7", Media_Language::english},
    {"vorna_tarv_sp_7", Media_Language::spanish}, {"vorna_tarv_it_6", Media_Language::italian},
    {"vorna_tarv_ge2_7", Media_Language::german}, {"vorna_tarv_ko_7", Media_Language::korean},
};

// ---------------------------------------------------------------------------
// Print mode table. Columns: 0 media code, 1 to 4 mode, 5 and 6 resolution,
// 7 to 9 pass set-up, 10, 11 colour mode of the page, 12, 13 media class, and
// 14 to 17. Row comments give row: media type index, resolution.

// clang-format off
const Print_Mode_Row print_mode_rows[print_mode_row_count] = {
    //  0,  1, 2, 3, 4,   5,   6,   7,   8, 9, 10, 11,   12, 13,  14, 15, 16, 17
    // Block A, rows 0 to 13: high-speed ink set, colour
    {{  1, 11, 7, 1, 1, 360, 360, 720, 360, 3,  2,  2, 1024,  1, 100,  0,  0,  0}}, //  0:  0, 360
    {{  1, 11, 7, 1, 1, 720, 720, 720, 720, 1,  2,  2, 1024,  1, 100,  0,  0,  0}}, //  1:  0, 720
    {{332, 11, 7, 1, 1, 360, 360, 720, 360, 3,  2,  2, 1024,  1, 100,  0,  0,  0}}, //  2:  1, 360
    {{332, 11, 7, 1, 1, 720, 720, 720, 720, 1,  2,  2, 1024,  1, 100,  0,  0,  0}}, //  3:  1, 720
    {{305, 11, 7, 1, 1, 360, 360, 720, 360, 3,  2,  2, 1024,  1, 100,  1,  0,  0}}, //  4:  2, 360
    {{305, 11, 7, 1, 1, 720, 720, 720, 720, 1,  2,  2, 1024,  1, 100,  1,  0,  0}}, //  5:  2, 720
    {{318, 11, 7, 1, 1, 360, 360, 360, 720, 1,  2,  2, 1024,  1, 100,  0,  0,  0}}, //  6:  3, 360
    {{318, 11, 7, 1, 1, 720, 720, 720, 720, 1,  2,  2, 1024,  1, 100,  0,  0,  0}}, //  7:  3, 720
    {{306, 11, 7, 1, 1, 360, 360, 360, 720, 3,  2,  2, 1024,  2, 100,  0,  0,  0}}, //  8:  4, 360
    {{306, 11, 7, 1, 1, 720, 720, 720, 720, 1,  2,  2, 1024,  2, 100,  0,  0,  0}}, //  9:  4, 720
    {{274, 11, 7, 1, 1, 360, 360, 360, 720, 3,  2,  2, 1024,  2, 100,  0,  0,  0}}, // 10:  5, 360
    {{274, 11, 7, 1, 1, 720, 720, 720, 720, 1,  2,  2, 1024,  2, 100,  0,  0,  0}}, // 11:  5, 720
    {{330, 11, 7, 1, 1, 360, 360, 360, 720, 1,  2,  2, 1024,  2, 100,  0,  0,  0}}, // 12:  6, 360
    {{330, 11, 7, 1, 1, 720, 720, 720, 720, 1,  2,  2, 1024,  2, 100,  0,  0,  0}}, // 13:  6, 720
    // Block B, rows 14 to 35: photo ink set, colour
    {{  1,  1, 7, 6, 6, 360, 360, 360, 360, 1,  2,  2, 1024,  1, 100,  0,  0,  0}}, // 14:  0, 360
    {{  1,  1, 7, 6, 6, 720, 720, 720, 720, 1,  2,  2, 1024,  1, 100,  0,  0,  0}}, // 15:  0, 720
    {{332,  1, 7, 6, 6, 360, 360, 720, 360, 3,  2,  2, 1024,  1, 100,  0,  0,  0}}, // 16:  1, 360
    {{332,  1, 7, 6, 6, 720, 720, 720, 720, 1,  2,  2, 1024,  1, 100,  0,  0,  0}}, // 17:  1, 720
    {{305,  1, 7, 6, 6, 360, 360, 720, 360, 3,  2,  2, 1024,  1, 100,  1,  0,  0}}, // 18:  2, 360
    {{305,  1, 7, 6, 6, 720, 720, 720, 720, 1,  2,  2, 1024,  1, 100,  1,  0,  0}}, // 19:  2, 720
    {{318,  1, 7, 6, 6, 360, 360, 360, 720, 1,  2,  2, 1024,  1, 100,  0,  0,  0}}, // 20:  3, 360
    {{318,  1, 7, 6, 6, 720, 720, 720, 720, 1,  2,  2, 1024,  1, 100,  0,  0,  0}}, // 21:  3, 720
    {{306,  1, 7, 6, 6, 360, 360, 360, 720, 3,  2,  2, 1024,  2, 100,  0,  0,  0}}, // 22:  4, 360
    {{306,  1, 7, 6, 6, 720, 720, 720, 720, 1,  2,  2, 1024,  2, 100,  0,  0,  0}}, // 23:  4, 720
    {{274,  1, 7, 6, 6, 360, 360, 360, 720, 3,  2,  2, 1024,  2, 100,  0,  0,  0}}, // 24:  5, 360
    {{274,  1, 7, 6, 6, 720, 720, 720, 720, 1,  2,  2, 1024,  2, 100,  0,  0,  0}}, // 25:  5, 720
    {{330,  1, 7, 6, 6, 360, 360, 360, 720, 1,  2,  2, 1024,  2, 100,  0,  0,  0}}, // 26:  6, 360
    {{330,  1, 7, 6, 6, 720, 720, 720, 720, 1,  2,  2, 1024,  2, 100,  0,  0,  0}}, // 27:  6, 720
    {{321,  1, 7, 6, 6, 360, 360, 360, 720, 1,  2,  2, 1024,  3, 100,  0,  0,  0}}, // 28:  7, 360
    {{321,  1, 7, 6, 6, 720, 720, 720, 720, 1,  2,  2, 1024,  3, 100,  0,  0,  0}}, // 29:  7, 720
    {{307,  1, 7, 6, 6, 360, 360, 360, 720, 1,  2,  2, 1024,  3, 100,  0,  0,  0}}, // 30:  8, 360
    {{307,  1, 7, 6, 6, 720, 720, 720, 720, 1,  2,  2, 1024,  3, 100,  0,  0,  0}}, // 31:  8, 720
    {{308,  1, 7, 6, 6, 360, 360, 360, 720, 1,  2,  2, 1024,  3, 100,  0,  0,  0}}, // 32:  9, 360
    {{308,  1, 7, 6, 6, 720, 720, 720, 720, 1,  2,  2, 1024,  3, 100,  0,  0,  0}}, // 33:  9, 720
    {{309,  1, 7, 6, 6, 360, 360, 360, 720, 1,  2,  2, 1024,  3, 100,  0,  0,  0}}, // 34: 10, 360
    {{309,  1, 7, 6, 6, 720, 720, 720, 720, 1,  2,  2, 1024,  3, 100,  0,  0,  0}}, // 35: 10, 720
    // Block C, rows 36 to 49: high-speed ink set, grey or monochrome
    {{  1, 11, 7, 1, 0, 360, 360, 720, 360, 3,  2,  0, 1024,  1, 100,  0,  0,  0}}, // 36:  0, 360
    {{  1, 11, 7, 1, 0, 720, 720, 720, 720, 1,  2,  0, 1024,  1, 100,  0,  0,  0}}, // 37:  0, 720
    {{332, 11, 7, 1, 0, 360, 360, 720, 360, 3,  2,  0, 1024,  1, 100,  0,  0,  0}}, // 38:  1, 360
    {{332, 11, 7, 1, 0, 720, 720, 720, 720, 1,  2,  0, 1024,  1, 100,  0,  0,  0}}, // 39:  1, 720
    {{305, 11, 7, 1, 0, 360, 360, 720, 360, 3,  2,  0, 1024,  1, 100,  1,  0,  0}}, // 40:  2, 360
    {{305, 11, 7, 1, 0, 720, 720, 720, 720, 1,  2,  0, 1024,  1, 100,  1,  0,  0}}, // 41:  2, 720
    {{318, 11, 7, 1, 0, 360, 360, 360, 720, 1,  2,  0, 1024,  1, 100,  0,  0,  0}}, // 42:  3, 360
    {{318, 11, 7, 1, 0, 720, 720, 720, 720, 1,  2,  0, 1024,  1, 100,  0,  0,  0}}, // 43:  3, 720
    {{306, 11, 7, 1, 0, 360, 360, 360, 720, 3,  2,  0, 1024,  2, 100,  0,  0,  0}}, // 44:  4, 360
    {{306, 11, 7, 1, 0, 720, 720, 720, 720, 1,  2,  0, 1024,  2, 100,  0,  0,  0}}, // 45:  4, 720
    {{274, 11, 7, 1, 0, 360, 360, 360, 720, 3,  2,  0, 1024,  2, 100,  0,  0,  0}}, // 46:  5, 360
    {{274, 11, 7, 1, 0, 720, 720, 720, 720, 1,  2,  0, 1024,  2, 100,  0,  0,  0}}, // 47:  5, 720
    {{330, 11, 7, 1, 0, 360, 360, 360, 720, 1,  2,  0, 1024,  2, 100,  0,  0,  0}}, // 48:  6, 360
    {{330, 11, 7, 1, 0, 720, 720, 720, 720, 1,  2,  0, 1024,  2, 100,  0,  0,  0}}, // 49:  6, 720
    // Block D, rows 50 to 71: photo ink set, grey or monochrome
    {{  1,  1, 7, 6, 0, 360, 360, 360, 360, 1,  2,  0, 1024,  1, 100,  0,  0,  0}}, // 50:  0, 360
    {{  1,  1, 7, 6, 0, 720, 720, 720, 720, 1,  2,  0, 1024,  1, 100,  0,  0,  0}}, // 51:  0, 720
    {{332,  1, 7, 6, 0, 360, 360, 720, 360, 3,  2,  0, 1024,  1, 100,  0,  0,  0}}, // 52:  1, 360
    {{332,  1, 7, 6, 0, 720, 720, 720, 720, 1,  2,  0, 1024,  1, 100,  0,  0,  0}}, // 53:  1, 720
    {{305,  1, 7, 6, 0, 360, 360, 720, 360, 3,  2,  0, 1024,  1, 100,  1,  0,  0}}, // 54:  2, 360
    {{305,  1, 7, 6, 0, 720, 720, 720, 720, 1,  2,  0, 1024,  1, 100,  1,  0,  0}}, // 55:  2, 720
    {{318,  1, 7, 6, 0, 360, 360, 360, 720, 1,  2,  0, 1024,  1, 100,  0,  0,  0}}, // 56:  3, 360
    {{318,  1, 7, 6, 0, 720, 720, 720, 720, 1,  2,  0, 1024,  1, 100,  0,  0,  0}}, // 57:  3, 720
    {{306,  1, 7, 6, 0, 360, 360, 360, 720, 3,  2,  0, 1024,  2, 100,  0,  0,  0}}, // 58:  4, 360
    {{306,  1, 7, 6, 0, 720, 720, 720, 720, 1,  2,  0, 1024,  2, 100,  0,  0,  0}}, // 59:  4, 720
    {{274,  1, 7, 6, 0, 360, 360, 360, 720, 3,  2,  0, 1024,  2, 100,  0,  0,  0}}, // 60:  5, 360
    {{274,  1, 7, 6, 0, 720, 720, 720, 720, 1,  2,  0, 1024,  2, 100,  0,  0,  0}}, // 61:  5, 720
    {{330,  1, 7, 6, 0, 360, 360, 360, 720, 1,  2,  0, 1024,  2, 100,  0,  0,  0}}, // 62:  6, 360
    {{330,  1, 7, 6, 0, 720, 720, 720, 720, 1,  2,  0, 1024,  2, 100,  0,  0,  0}}, // 63:  6, 720
    {{321,  1, 7, 6, 0, 360, 360, 360, 720, 1,  2,  0, 1024,  3, 100,  0,  0,  0}}, // 64:  7, 360
    {{321,  1, 7, 6, 0, 720, 720, 720, 720, 1,  2,  0, 1024,  3, 100,  0,  0,  0}}, // 65:  7, 720
    {{307,  1, 7, 6, 0, 360, 360, 360, 720, 1,  2,  0, 1024,  3, 100,  0,  0,  0}}, // 66:  8, 360
    {{307,  1, 7, 6, 0, 720, 720, 720, 720, 1,  2,  0, 1024,  3, 100,  0,  0,  0}}, // 67:  8, 720
    {{308,  1, 7, 6, 0, 360, 360, 360, 720, 1,  2,  0, 1024,  3, 100,  0,  0,  0}}, // 68:  9, 360
    {{308,  1, 7, 6, 0, 720, 720, 720, 720, 1,  2,  0, 1024,  3, 100,  0,  0,  0}}, // 69:  9, 720
    {{309,  1, 7, 6, 0, 360, 360, 360, 720, 1,  2,  0, 1024,  3, 100,  0,  0,  0}}, // 70: 10, 360
    {{309,  1, 7, 6, 0, 720, 720, 720, 720, 1,  2,  0, 1024,  3, 100,  0,  0,  0}}, // 71: 10, 720

};
// clang-format on

static_assert(std::size(print_mode_rows) == print_mode_row_count);

// Entries of a list before its end entry (the one with an empty name).
template <class Record> int count_until_empty(std::span<const Record> list) {
    int n = 0;
    for (const Record& r : list) {
        if (r.name[0] == '\0')
            break;
        ++n;
    }
    return n;
}

} // namespace

// ---------------------------------------------------------------------------
// Ink sets and media types

Ink_Set ink_set_from_option(std::int32_t cartrige_opt) {
    return cartrige_opt == 0 ? Ink_Set::high_speed : Ink_Set::photo;
}

std::span<const Media_Type_Record> media_type_list(Ink_Set ink_set) {
    if (ink_set == Ink_Set::photo)
        return photo_media_types;
    return high_speed_media_types;
}

int media_type_count(Ink_Set ink_set) {
    return count_until_empty(media_type_list(ink_set));
}

int valid_media_type_index(Ink_Set ink_set, std::int32_t index) {
    if (index < 0 || index >= media_type_count(ink_set))
        return 0;
    return index;
}

const char* media_type_name(Ink_Set ink_set, std::int32_t index) {
    return media_type_list(ink_set)[valid_media_type_index(ink_set, index)].name;
}

// ---------------------------------------------------------------------------
// Named settings lists

std::span<const Named_Value_Record> named_list(Named_List list) {
    switch (list) {
    case Named_List::gamma:
        return gamma_list;
    case Named_List::color_correction:
        return color_correction_list;
    case Named_List::cut_method:
        return cut_method_list;
    case Named_List::platen_gap:
        return platen_gap_list;
    case Named_List::eject_roller:
        return eject_roller_list;
    }
    return gamma_list;
}

int named_list_count(Named_List list) {
    return count_until_empty(named_list(list));
}

int named_list_default(Named_List list) {
    return list == Named_List::gamma ? 1 : 0;
}

int valid_named_position(Named_List list, std::int32_t position) {
    if (position < 0 || position >= named_list_count(list))
        return named_list_default(list);
    return position;
}

const Named_Value_Record& named_entry(Named_List list, std::int32_t position) {
    return named_list(list)[valid_named_position(list, position)];
}

std::int32_t named_value(Named_List list, std::int32_t position) {
    return named_entry(list, position).value;
}

// ---------------------------------------------------------------------------
// Media sources and sizes

int valid_media_source(std::int32_t source) {
    if (source < 0 || source >= media_source_count)
        return media_source_roll;
    return source;
}

std::span<const Media_Size_Record> media_size_table(std::int32_t source) {
    return media_size_tables[storage_of_source[valid_media_source(source)]];
}

int valid_media_size_index(std::int32_t source, std::int32_t index) {
    const int rows = static_cast<int>(media_size_table(source).size());
    if (index < 0 || index >= rows)
        return rows - 1;
    return index;
}

const Media_Size_Record& media_size_record(std::int32_t source, std::int32_t index) {
    return media_size_table(source)[valid_media_size_index(source, index)];
}

// ---------------------------------------------------------------------------
// Canonical names

std::optional<Media_Language> media_language_of_build(std::string_view build) {
    for (const Build_Language& b : build_languages) {
        if (b.build == build)
            return b.language;
    }
    return std::nullopt;
}

const char* canonical_media_size_name(Media_Language language, std::int32_t source,
                                      std::int32_t index) {
    auto lang = static_cast<std::size_t>(language);
    if (lang >= std::size(canonical_names))
        lang = 0;
    const auto names = canonical_names[lang].table[storage_of_source[valid_media_source(source)]];
    return names[valid_media_size_index(source, index)];
}

// ---------------------------------------------------------------------------
// Print mode table

Print_Mode_Block print_mode_block(Ink_Set ink_set, bool color_output) {
    if (ink_set == Ink_Set::photo)
        return color_output ? print_mode_block_b : print_mode_block_d;
    return color_output ? print_mode_block_a : print_mode_block_c;
}

int print_mode_row_index(Ink_Set ink_set, std::int32_t media_type_index, std::int32_t resolution) {
    return 2 * valid_media_type_index(ink_set, media_type_index) + (resolution != 360 ? 1 : 0);
}

const Print_Mode_Row& print_mode_row(Print_Mode_Block block, std::int32_t row_index) {
    if (row_index < 0 || row_index >= block.rows)
        row_index = (row_index % 2 != 0) ? 1 : 0;
    // A block that is not one of the four cannot reach past the table either.
    if (block.first_row < 0 || block.first_row > print_mode_row_count - 2)
        block = print_mode_block_a;
    const int row = block.first_row + row_index;
    return print_mode_rows[row < print_mode_row_count ? row : block.first_row];
}

std::span<const Print_Mode_Row> print_mode_table() {
    return print_mode_rows;
}

} // namespace raster_media

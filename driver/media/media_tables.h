// The printer's fixed catalogue: media types per ink set, the named settings
// lists, the media size tables of each media source and the print mode table.
// Everything here is constant data; the lookups never read outside a table,
// whatever index they are given, because indexes can come from an imported
// definitions file or a hand-edited configuration.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace raster_media {

// Width of every fixed-size name field, terminator included.
inline constexpr std::size_t name_field_size = 60;

// One entry of a media type list; an empty name ends the list.
struct Media_Type_Record {
    char name[name_field_size];
};

// A named choice: the dialogs show the name and store the list position, the
// spool module receives the value. An empty name with value 0 ends the list.
struct Named_Value_Record {
    char name[name_field_size];
    std::int32_t value;
};

// One media size of a media source. Lengths are in dots at 360 dpi.
struct Media_Size_Record {
    char name[name_field_size];
    std::int32_t size_code;
    std::int32_t width;
    std::int32_t height;
    std::int32_t printable_width;
    std::int32_t printable_height;
};

// One row of the print mode table. The spool module receives the address of
// column 1 and reads columns 1 to 17 as consecutive 32-bit integers, so this
// must stay a plain array.
inline constexpr int print_mode_columns = 18;
struct Print_Mode_Row {
    std::int32_t column[print_mode_columns];
};

static_assert(sizeof(Media_Type_Record) == 60);
static_assert(sizeof(Named_Value_Record) == 64);
static_assert(sizeof(Media_Size_Record) == 80);
static_assert(sizeof(Print_Mode_Row) == 72);

// ---------------------------------------------------------------------------
// Ink sets and media types

// `CartrigeOpt` 0 selects the high-speed set, any other value the photo set.
enum class Ink_Set { high_speed, photo };
Ink_Set ink_set_from_option(std::int32_t cartrige_opt);

// The whole list of an ink set, end entry included (8 and 12 slots).
std::span<const Media_Type_Record> media_type_list(Ink_Set ink_set);
// Entries before the end entry: 7 and 11.
int media_type_count(Ink_Set ink_set);
// A usable media type index: out-of-range values fall back to 0 (Plain Paper),
// the one paper every ink set has.
int valid_media_type_index(Ink_Set ink_set, std::int32_t index);
const char* media_type_name(Ink_Set ink_set, std::int32_t index);

// ---------------------------------------------------------------------------
// Named settings lists

enum class Named_List { gamma, color_correction, cut_method, platen_gap, eject_roller };

// The whole list, end entry included.
std::span<const Named_Value_Record> named_list(Named_List list);
// Entries before the end entry: 3, 2, 4, 5, 4.
int named_list_count(Named_List list);
// Position used when the stored one is outside the list: gamma 1 ("1.8", the
// default of every paper), the first entry otherwise.
int named_list_default(Named_List list);
int valid_named_position(Named_List list, std::int32_t position);
const Named_Value_Record& named_entry(Named_List list, std::int32_t position);
std::int32_t named_value(Named_List list, std::int32_t position);

// ---------------------------------------------------------------------------
// Media sources and media sizes

inline constexpr int media_source_roll = 0;
inline constexpr int media_source_roll_borderless = 1;
inline constexpr int media_source_manual_feed = 2;
inline constexpr int media_source_paper_tray = 3;
inline constexpr int media_source_count = 4;

// A usable media source index: out-of-range values mean roll paper.
int valid_media_source(std::int32_t source);

// The rows of a source's table, the closing "UserDefined" row included
// (13, 11, 9 and 9 rows).
std::span<const Media_Size_Record> media_size_table(std::int32_t source);
// A usable media size index: out-of-range values select the last row,
// "UserDefined", whose lengths come from the host's own media bounds.
int valid_media_size_index(std::int32_t source, std::int32_t index);
const Media_Size_Record& media_size_record(std::int32_t source, std::int32_t index);

inline constexpr char user_defined_name[] = "UserDefined";

// ---------------------------------------------------------------------------
// Canonical media size names, by which the host's selected size is recognised.
// Each language build of the driver has its own set; rows match the media
// size tables.

enum class Media_Language { english, spanish, italian, german, korean };

// The language of a deliverable ("vorna_tarv_en_7", "vorna_tarv_sp_7", ...);
// nothing for an unknown name.
std::optional<Media_Language> media_language_of_build(std::string_view build);

// The canonical name of a row; an out-of-range index gives the closing
// "UserDefined" row's name, as for the size records.
const char* canonical_media_size_name(Media_Language language, std::int32_t source,
                                      std::int32_t index);

// ---------------------------------------------------------------------------
// Print mode table: four blocks, by ink set and colour output. Inside a block
// the row for media type m is 2m at 360 dpi and 2m + 1 at 720 dpi.

inline constexpr int print_mode_row_count = 72;

struct Print_Mode_Block {
    int first_row;
    int rows;
};
inline constexpr Print_Mode_Block print_mode_block_a{0, 14};  // high-speed, colour
inline constexpr Print_Mode_Block print_mode_block_b{14, 22}; // photo, colour
inline constexpr Print_Mode_Block print_mode_block_c{36, 14}; // high-speed, grey
inline constexpr Print_Mode_Block print_mode_block_d{50, 22}; // photo, grey

Print_Mode_Block print_mode_block(Ink_Set ink_set, bool color_output);

// Row index within a block: 2 × media type index, plus 1 at any resolution but
// 360. The media type index is first made valid for the ink set.
int print_mode_row_index(Ink_Set ink_set, std::int32_t media_type_index, std::int32_t resolution);

// A row of a block. A row index outside the block falls back to Plain Paper
// at the same resolution parity, so the lookup stays inside the block.
const Print_Mode_Row& print_mode_row(Print_Mode_Block block, std::int32_t row_index);

// The whole table, for checks and dumps.
std::span<const Print_Mode_Row> print_mode_table();

} // namespace raster_media

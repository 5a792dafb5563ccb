// The colour lists of the substitution rows: eight named colours and "Other
// Colors", which opens the colour dialog of the outside library color.dll.
// Values are 0x00BBGGRR, as the colour keys store them.
#pragma once

#include "plat_dialog.h"
#include "plat_module.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace raster_ui {

// The colour dialog's palette: index to colour value. All 256 are distinct.
inline constexpr int color_table_size = 256;
extern const std::array<std::uint32_t, color_table_size> color_table;

// The eight named entries, in list order: string-table id of the name, the
// value stored, the colour of the swatch. White and black are stored the
// other way round from what they show.
struct Basic_Color {
    std::uint32_t name_id;
    std::uint32_t value;
    std::uint32_t swatch;
};
extern const std::array<Basic_Color, 8> basic_colors;
inline constexpr int other_colors_item = 8;

// The list of a basic value (0 to 7), or nothing.
std::optional<int> basic_item_of(std::uint32_t value);

// Colour value to palette index: the basic values by list position, anything
// else by its place in the colour table (1 to 255), and 0 when not there.
int palette_index_of(std::uint32_t value);

// The nine entry names of this build, from the driver's string table.
using Color_Names = std::array<std::string, 9>;
Color_Names load_color_names(plat::Module module);

// The outside colour dialog library: "InitColorDLL" once after loading,
// "DoColorDialog" (context, current index, 256, 0, 0) answers the chosen index.
class Color_Library {
public:
    explicit Color_Library(std::string path) : m_path(std::move(path)) {}

    // Loads the library at the first call and keeps it (it is never freed:
    // it may keep windows or palettes of its own). False without the dialog.
    bool available();
    // The index the person chose; `current` when the dialog is missing.
    int choose(plat::Device_Context dc, int current);

private:
    using Init_Color_Dll = void (*)();
    using Do_Color_Dialog = int (*)(plat::Device_Context dc, int index, int count, int reserved1,
                                    int reserved2);

    std::string m_path;
    bool m_loaded = false;
    Do_Color_Dialog m_do_color_dialog = nullptr;
};

// One colour list: its control, the key it edits, and the colour shown by
// "Other Colors" (-1: none yet).
class ColorComboBox {
public:
    ColorComboBox(int id, const char* key) : m_id(id), m_key(key) {}

    int id() const { return m_id; }
    const char* key() const { return m_key; }
    std::int32_t otherColor = -1;

    // Fills the nine entries for stored value `value` and selects its entry.
    void fill(plat::Dialog& dialog, std::uint32_t value, const Color_Names& names);

    // The value of the selected entry; nothing when none is selected.
    std::optional<std::uint32_t> selected_value(const plat::Dialog& dialog) const;

    // After the person closed the list: "Other Colors" asks the colour dialog,
    // then the value becomes the data of "Other Colors" and the matching named
    // entry, if any, is selected.
    void close_up(plat::Dialog& dialog, Color_Library& library);

    // Paints one entry: a swatch and the name.
    void draw(const plat::Owner_Draw_Item& item, plat::Draw_Context& dc,
              const Color_Names& names) const;

private:
    int m_id;
    const char* m_key;
};

} // namespace raster_ui

// The Custom Properties dialog: the printer's own settings of the current
// plot configuration (colour substitution, ink set, paper type, two-way
// printing, colour correction, gamma, and through Paper Config the paper's
// mechanical settings), with the per-paper records of the definitions file
// and their import and export.
//
// The dialog only changes items that already exist in the configuration; a
// key without an item is never written.
#pragma once

#include "color_combo.h"
#include "definitions_file.h"
#include "ht_definition.h"
#include "plat_dialog.h"
#include "plat_module.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>

namespace raster_ui {

// Where the dialog finds what lies outside it.
struct Ui_Environment {
    plat::Module module = nullptr; // the driver library: its string table
    std::string driver_path;       // the library's file; the definitions file lies beside it
    std::string help_file;         // help file of this language build
    std::string color_library;     // path of color.dll
};

// color.dll in the driver folder.
std::string default_color_library_path();

// Process-wide state shared by the dialogs of the library.
// The selected paper's settings while a dialog runs; Paper Config edits the
// eight mechanical ones, Custom Properties keeps gamma and two-way printing
// in its own state.
Paper_Settings& shared_paper_settings();
// Export is allowed only in a dialog opened after an OK and not changed
// since: set by OK, cleared by Cancel and by the setting changes.
extern bool exportAllowed;

class Custom_Properties_Dialog : public plat::Dialog_Handler {
public:
    Custom_Properties_Dialog(HT_Plotter_Definition& definition, plat::Window parent,
                             Ui_Environment environment);

    // Runs the dialog modally: plat::id_ok, plat::id_cancel, or -1 when it
    // could not be shown.
    int run();

    void on_init(plat::Dialog& dialog) override;
    void on_command(plat::Dialog& dialog, int id, plat::Notify code) override;
    void on_owner_draw(plat::Dialog& dialog, const plat::Owner_Draw_Item& item,
                       plat::Draw_Context& dc) override;
    bool on_help(plat::Dialog& dialog, const plat::Help_Info& info) override;
    bool on_ok(plat::Dialog& dialog) override;
    bool on_cancel(plat::Dialog& dialog) override;

private:
    using Item = HT_Smart_Pointer<HT_Custom_Config_Item>;

    // Items are looked up once, at start, and written through at OK.
    Item item(const std::string& key);
    bool offered(const std::string& key) const;
    // The value of a key when the printer offers it and the item exists, else 0.
    std::int32_t read_long(const std::string& key);
    void write_long(const std::string& key, std::int32_t value);
    void write_bool(const std::string& key, bool value);

    void apply_color_rules(plat::Dialog& dialog);
    void fill_paper_types(plat::Dialog& dialog);
    void show_gamma_and_bidirectional(plat::Dialog& dialog);

    // The record of the paper on screen: gamma, two-way printing and the shared
    // mechanical settings.
    Paper_Settings current_record() const;
    void take_record(const Paper_Settings& record);
    void store_current_paper();
    void load_current_paper(plat::Dialog& dialog);
    std::int32_t paper_index() const { return m_paper_index[m_cartridge]; }

    void paper_type_changed(plat::Dialog& dialog);
    void ink_set_clicked(plat::Dialog& dialog, int option);
    void open_paper_config(plat::Dialog& dialog);
    void write_configuration(plat::Dialog& dialog);

    // Import and export of the definitions file.
    void export_definitions(plat::Dialog& dialog);
    void import_definitions(plat::Dialog& dialog);
    void show_error(plat::Dialog& dialog, std::string_view text);

    HT_Plotter_Definition& m_definition;
    plat::Window m_parent;
    Ui_Environment m_env;
    Color_Names m_color_names;
    Color_Library m_color_library;

    HT_Smart_Pointer<HT_Custom_Configurations> m_config;
    HT_Smart_Pointer<HT_Custom_Capabilities> m_caps;
    std::map<std::string, Item> m_items;

    std::array<ColorComboBox, 6> m_colors;

    // RASTER_ChangeColor, RASTER_Draw2Black, RASTER_ConvertColor1 to 3.
    struct Flag {
        const char* key;
        int control;
        bool on = false;
    };
    std::array<Flag, 5> m_flags;

    double m_resolution = 0.0;
    std::int32_t m_device = 0;
    std::int32_t m_color_correct = 0;
    int m_cartridge = 0;                    // 0 high-speed ink set (group 0), 1 photo (group 1)
    std::int32_t m_paper_index[2] = {0, 0}; // per ink set, both kept
    std::int32_t m_gamma = 0;
    std::int32_t m_bothway = 0;
};

// The name of a per-resolution key: "_360" at exactly 360 dpi, else "_720".
std::string resolution_key(std::string_view name, double resolution);

} // namespace raster_ui

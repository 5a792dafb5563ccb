// The Paper Config dialog: the eight mechanical settings of the selected
// paper at the current resolution. It edits a working copy and hands it back
// only at OK; nothing reaches the configuration or the definitions file
// before Custom Properties itself is confirmed.
#pragma once

#include "definitions_file.h"
#include "plat_dialog.h"

namespace raster_ui {

class Paper_Config_Dialog : public plat::Dialog_Handler {
public:
    // `shared`: the current paper's settings, of which the eight mechanical
    // ones are edited; `default_row`: what "Reset To Defaults" restores.
    Paper_Config_Dialog(Paper_Settings& shared, const Paper_Settings& default_row);

    // Runs the dialog modally; the result it ended with (plat::id_ok copies
    // the working values into `shared`), or -1 when it could not be shown.
    int run(plat::Window parent);

    const Paper_Settings& working() const { return m_working; }

    void on_init(plat::Dialog& dialog) override;
    void on_command(plat::Dialog& dialog, int id, plat::Notify code) override;
    bool on_ok(plat::Dialog& dialog) override;

private:
    void show_values(plat::Dialog& dialog);
    void edit_updated(plat::Dialog& dialog, int id);
    void slider_moved(plat::Dialog& dialog, int id);

    Paper_Settings& m_shared;
    Paper_Settings m_default;
    Paper_Settings m_working;
};

// The bounds within which the dialog holds a numeric setting (density,
// drying time, feed, thickness, suction); false for the listed ones.
bool paper_config_bounds(std::int32_t Paper_Settings::*member, int& minimum, int& maximum);

// Copies the eight mechanical settings (all but gamma and bidirectional).
void copy_mechanics(const Paper_Settings& from, Paper_Settings& to);

} // namespace raster_ui

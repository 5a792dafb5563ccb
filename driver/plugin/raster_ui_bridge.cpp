// The definition's way into the Custom Properties dialog.
#include "custom_properties.h"
#include "raster_definition_detail.h"
#include "raster_module.h"
#include "raster_plugin.h"

namespace raster {

bool run_custom_properties(HT_RASTER_Plotter_Definition* definition, void* parent_window) {
    if (!definition)
        return false;
    // Hold the definition for the dialog's run. An object nobody counts
    // belongs to its caller outright: a reference taken and dropped here
    // would delete it.
    HT_Smart_Pointer<HT_RASTER_Plotter_Definition> held;
    if (SPMP::count(definition) > 0)
        held = HT_Smart_Pointer<HT_RASTER_Plotter_Definition>(definition);

    raster_ui::Ui_Environment environment;
    environment.module = module_instance();
    environment.driver_path = plat::module_path(environment.module);
    environment.help_file = help_file_name();
    environment.color_library = raster_ui::default_color_library_path();

    // The host's window only parents the dialog; it is never destroyed here.
    raster_ui::Custom_Properties_Dialog dialog(
        *definition, static_cast<plat::Window>(parent_window), std::move(environment));
    return dialog.run() == plat::id_ok;
}

} // namespace raster

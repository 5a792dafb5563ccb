// The definition's way into the Custom Properties dialog.
#include "raster_definition_detail.h"
#include "raster_plugin.h"

namespace raster {
bool run_custom_properties(HT_RASTER_Plotter_Definition* definition, void* parent_window) {
    // Until the dialog exists nothing can be confirmed, so the answer is "not OK".
    (void)definition;
    (void)parent_window;
    return false;
}
} // namespace raster

// A surface's colour system and palette, fixed when the device's
// configuration is established.
#include "ht_color_cube.h"
#include "message_ids.h"
#include "raster_draw.h"
#include "raster_error.h"
#include "raster_surface.h"

namespace raster_render {

void set_up_color_system(RASTER_Drawing_Surface& s, int color_system, const char* operation) {
    s.m_color_system = color_system;
    s.renderer_options().set_color_system(color_system);

    switch (color_system) {
    case color_system_indexed: {
        write_background_entry(s.m_palette, s.m_background);

        if (!s.m_palette.install(raster_media::driver_color_cube()))
            raster_error::raise_severe_message(raster_error::device_init,
                                               rsrc_id::err_palette_install, operation);

        write_grey_ramp(s.m_palette);
        copy_palette_to_table(s.m_palette, palette_rgb_table());
        s.renderer_options().set_palette(s.m_palette);
        break;
    }
    case color_system_true_color:
        break;
    case color_system_bitonal:
        write_background_entry(s.m_palette, s.m_background);
        write_grey_ramp(s.m_palette);
        s.renderer_options().set_palette(s.m_palette);
        break;
    default:
        // The printer's contract names the dot action for an unknown colour
        // system, wherever it is found.
        raster_error::raise_severe_message(raster_error::device_init, rsrc_id::err_color_system,
                                           "raster_plotter_draw_dci_dot");
    }
    register_drawing_actions(s, true);
}

} // namespace raster_render

// The device's colour system and palette, fixed when the configuration is
// established.
#include "ht_color_cube.h"
#include "raster_draw.h"
#include "raster_driver.h"
#include "raster_errors.h"
#include "resource_ids.h"

using namespace raster_render;

void RASTER_Driver::spd_initialize_palette() {
    auto config = m_definition ? m_definition->get_plotter_configuration() : nullptr;
    auto rcm = config ? config->get_res_color_mem_configuration() : nullptr;
    auto entry = rcm ? rcm->get_current() : nullptr;
    if (!entry)
        raster_device::raise_error(101, raster_device::op_spd_initialize_palette, "res_color_mem");

    m_color_system = entry->color_system;
    renderer_options().set_color_system(m_color_system);

    switch (m_color_system) {
    case color_system_indexed: {
        write_background_entry(m_palette, m_background);

        if (!m_palette.install(raster_media::driver_color_cube()))
            raster_device::raise_severe_message(102, rsrc_id::err_palette_install,
                                                raster_device::op_spd_initialize_palette);

        write_grey_ramp(m_palette);
        copy_palette_to_table(m_palette, palette_rgb_table());
        renderer_options().set_palette(m_palette);
        register_image_action(*this, m_color_system);
        break;
    }
    case color_system_true_color:
        register_image_action(*this, m_color_system);
        break;
    case color_system_bitonal:
        write_background_entry(m_palette, m_background);
        write_grey_ramp(m_palette);
        renderer_options().set_palette(m_palette);
        register_image_action(*this, m_color_system);
        break;
    default:
        raster_device::raise_severe_message(102, rsrc_id::err_color_system,
                                            "raster_plotter_draw_dci_dot");
    }
}

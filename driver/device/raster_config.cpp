// Establishing the configuration: the device's own copy of the definition,
// the custom settings, the driver folder and the palette.
#include "raster_draw.h"
#include "raster_driver.h"
#include "raster_errors.h"

#include "plat_module.h"

#include <new>

using namespace raster_device;

void RASTER_Driver::establish_configuration(HT_Smart_Pointer<HT_Plotter_Definition> definition) {
    // A definition of the device's own. Its failures name the error
    // handler's operation, as the printer's contract has them do.
    m_definition.release();
    HT_RASTER_Plotter_Definition* own = nullptr;
    try {
        own = new (std::nothrow) HT_RASTER_Plotter_Definition(m_error_handler);
    } catch (HT_Error& e) {
        e.append_trace(op_establish_configuration);
        throw;
    }
    if (!own)
        raise_error(error::null_pointer, op_set_error_handler, "m_definition");
    m_definition = own;

    // Copies of the given definition's parts, and its shoebox itself.
    auto meta = definition ? ht_clone(definition->get_meta_capabilities()) : nullptr;
    auto caps_of = definition ? definition->get_plotter_capabilities() : nullptr;
    auto config_of = definition ? definition->get_plotter_configuration() : nullptr;
    HT_Smart_Pointer<HT_Plotter_Capabilities> caps(caps_of ? caps_of->clone() : nullptr);
    HT_Smart_Pointer<HT_Plotter_Configuration> config(config_of ? config_of->clone() : nullptr);
    if (!meta || !caps || !config) {
        m_definition.release();
        raise_error(error::null_pointer, op_set_error_handler, "definition");
    }
    m_definition->set_meta_capabilities(meta);
    m_definition->set_plotter_capabilities(caps);
    m_definition->set_plotter_configuration(config);
    m_definition->set_shoebox(definition->get_shoebox());

    // The image engine's names.
    const Ie_Names ie = read_ie_names(caps->get_custom_capabilities().get());
    m_ie_file_type = ie.file_type;
    m_ie_compression = ie.compression;
    m_ie_module_name = ie.module_name;

    // Background, colour substitution, printer and paper settings.
    auto items = config->get_custom_configuration();
    m_background = read_background(items.get());
    raster_render::read_substitution(items.get(), *this);
    read_printer_settings(items.get(), m_printer);

    // The driver folder beside the host program.
    m_driver_folder = driver_folder_of(plat::main_executable_path());

    // The output channel follows the definition; then the palette.
    if (m_plotter_io)
        m_plotter_io->configure(m_definition);
    spd_initialize_palette();
}

void RASTER_Driver::spd_initialize_palette() {
    auto config = m_definition ? m_definition->get_plotter_configuration() : nullptr;
    auto rcm = config ? config->get_res_color_mem_configuration() : nullptr;
    auto entry = rcm ? rcm->get_current() : nullptr;
    if (!entry)
        raise_error(error::null_pointer, op_spd_initialize_palette, "res_color_mem");
    raster_render::set_up_color_system(*this, entry->color_system, op_spd_initialize_palette);
}

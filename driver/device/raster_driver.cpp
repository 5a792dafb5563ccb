// The device object: creation, the error handler and output channel, the
// small operations, the media readers and the record builders.
#include "raster_driver.h"

#include "ie_rep.h"
#include "language.h"
#include "plat_ui.h"
#include "raster_draw.h"
#include "raster_errors.h"
#include "raster_plugin.h"

#include <new>

namespace raster_device {

namespace {
HT_Smart_Pointer<HT_AutoCAD_Shoebox> job_shoebox(const RASTER_Driver& d) {
    auto shoebox = d.definition() ? d.definition()->get_shoebox() : nullptr;
    return shoebox ? shoebox->get_autocad_shoebox() : nullptr;
}
} // namespace

std::string job_temp_folder(const RASTER_Driver& d) {
    auto acad = job_shoebox(d);
    return acad ? acad->temp_folder.str() : std::string();
}

HT_Smart_Pointer<HT_Progress> job_progress(const RASTER_Driver& d) {
    auto acad = job_shoebox(d);
    return acad ? acad->progress : nullptr;
}

void show_missing_spool_module() {
    plat::message_box(nullptr, raster_lang::tr("V_MOD0.DLL has not been installed."),
                      raster_lang::tr("Serious AutoCAD error"), plat::mb_ok | plat::mb_icon_error);
}

} // namespace raster_device

using namespace raster_device;

RASTER_Driver::RASTER_Driver() : m_color_space(csNone) {
    // Reporting on, and the engine's share of memory.
    ieRep.set_error_reporting(0, 1);
    ieRep.set_memory_limit(0x7D000000);

    HT_Renderer_Options& options = renderer_options();
    options.set_buffer_depth(8);
    options.set_pixel_aspect(1.0f);
    options.set_window(0, 0, 0x7FFF, 0x7FFF);

    set_standard_actions(false);
    raster_render::register_drawing_actions(*this);
}

RASTER_Driver::~RASTER_Driver() {
    if (page_output_device() == this)
        set_page_output_device(nullptr);
    release_page_image();
    m_definition.release();
    ieRep.set_error_reporting(0, 1);
}

void RASTER_Driver::update() {}

#if HT_HOST_GENERATION >= 7
void RASTER_Driver::reserved_operation() {}
#endif

void RASTER_Driver::set_error_handler(HT_Smart_Pointer<HT_Error_Handler> handler) {
    m_error_handler = std::move(handler);

    // The output channel comes from the driver's own factory.
    HT_Smart_Pointer<HT_RASTER_Plotter_Class_Factory> factory(new (std::nothrow)
                                                                  HT_RASTER_Plotter_Class_Factory);
    if (!factory)
        raise_error(error::memory, op_set_error_handler, "pCF");
    HT_Smart_Pointer<HT_Plotter_IO> io(factory->HD_Create_Plotter_IO(m_error_handler));
    factory.release();
    if (!io)
        raise_error(error::memory, op_set_error_handler, "m_plotter_io");
    m_plotter_io = io;
}

HT_Plotter_Definition* RASTER_Driver::get_plotter_definition() {
    HT_RASTER_Plotter_Definition* definition = nullptr;
    try {
        definition = new (std::nothrow) HT_RASTER_Plotter_Definition(m_error_handler);
    } catch (HT_Error& e) {
        e.append_trace(op_get_plotter_definition);
        throw;
    }
    if (!definition)
        raise_error(error::null_pointer, op_get_plotter_definition, "");
    return definition;
}

void RASTER_Driver::mark_page_drawn() {
    mark_drawn();
}

int RASTER_Driver::write_output(const void* bytes, std::size_t count) {
    if (m_output_failed)
        return 0;
    const std::size_t written = m_plotter_io ? m_plotter_io->write(bytes, count) : 0;
    if (written < count) {
        if (m_progress)
            m_progress->set_failure(2);
        m_output_failed = 1;
        return 1;
    }
    return 0;
}

// ---- media readers -------------------------------------------------------------

namespace {

HT_Smart_Pointer<HT_Plotter_Configuration> configuration_of(const RASTER_Driver& d) {
    return d.definition() ? d.definition()->get_plotter_configuration() : nullptr;
}

HT_Smart_Pointer<HT_Media_Configuration> media_configuration_of(const RASTER_Driver& d) {
    auto config = configuration_of(d);
    return config ? config->get_media_configuration() : nullptr;
}

HT_Smart_Pointer<HT_ResColorMem> res_color_mem_of(const RASTER_Driver& d) {
    auto config = configuration_of(d);
    auto rcm = config ? config->get_res_color_mem_configuration() : nullptr;
    return rcm ? rcm->get_current() : nullptr;
}

} // namespace

raster_media::Media_Device_Settings RASTER_Driver::media_settings() const {
    raster_media::Media_Device_Settings s;
    s.resolution = m_resolution;
    s.cartrige_opt = m_printer.cartrige_opt;
    s.paper_kind_4c = m_printer.paper_kind_4c;
    s.paper_kind_7c = m_printer.paper_kind_7c;
    s.device_id = m_printer.device_id;
    s.color_correct_mode = m_printer.color_correct_mode;
    s.paper = m_printer.active;
    s.module_directory = m_driver_folder;
    s.language = raster_lang::current().media_language;
    s.page_width = m_row_length;
    s.page_rows = m_row_count;
    return s;
}

void RASTER_Driver::read_color_output_flag() {
    auto entry = res_color_mem_of(*this);
    raster_media::read_color_output_flag(m_media, entry ? entry->color_count : 0);
}

void RASTER_Driver::read_media_source() {
    auto media = media_configuration_of(*this);
    raster_media::read_media_source(m_media, media ? media->get_source_name().str() : "");
}

void RASTER_Driver::read_media_size() {
    auto media = media_configuration_of(*this);
    if (media)
        raster_media::read_media_size(m_media, media_settings(), media->get_size_name().str());
}

void RASTER_Driver::read_copy_count() {
    auto media = media_configuration_of(*this);
    raster_media::read_copy_count(m_media, media ? media->get_copies() : 1);
}

// ---- record builders -------------------------------------------------------------

void RASTER_Driver::fill_job_params(Spool_Job_Params& params) {
    auto media = media_configuration_of(*this);
    raster_media::Media_Bounds bounds{0, 0, 0, 0};
    std::int32_t finishing = 0;
    if (media) {
        const HT_Media_Bounds& b = media->get_bounds();
        bounds = {b.x_min, b.x_max, b.y_min, b.y_max};
        if (auto settings = media->get_media_settings())
            finishing = settings->get_finishing();
    }
    raster_media::fill_job_params(m_media, media_settings(), bounds, finishing, params);
}

void RASTER_Driver::fill_print_mode(Spool_Print_Mode& mode) {
    raster_media::fill_print_mode(media_settings(), mode);
}

void RASTER_Driver::fill_media(Spool_Media& media) {
    raster_media::fill_media(m_media, media_settings(), media);
}

void RASTER_Driver::fill_modules(Spool_Modules& modules, Spool_Output_Fn output) {
    raster_media::fill_modules(media_settings(), output, modules);
}

void RASTER_Driver::fill_page_params(Spool_Page_Params& page) {
    raster_media::fill_page_params(m_media, media_settings(), page);
}

// ---- creation ----------------------------------------------------------------------

HT_Plotter_Device_Data* HD_Create_Plotter_Device() {
    try {
        return new (std::nothrow) RASTER_Driver;
    } catch (...) {
        // A member that could not be made; the host gets no device.
        return nullptr;
    }
}

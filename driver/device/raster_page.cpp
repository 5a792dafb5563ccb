// Page set-up: the geometry in dots at `establish`, and at each picture start
// the colours, the page image, the spool module check and the media settings.
#include "ie_rep.h"
#include "message_ids.h"
#include "plat_module.h"
#include "raster_draw.h"
#include "raster_driver.h"
#include "raster_errors.h"

#include <cmath>

using namespace raster_device;
using namespace raster_render;

namespace {

// Rounded printable-area values beyond this are no page a printer can take,
// and would overflow the geometry.
constexpr double max_page_dots = 1 << 24;

HT_Smart_Pointer<HT_ResColorMem> res_color_mem_of(const RASTER_Driver& d) {
    auto config = d.definition() ? d.definition()->get_plotter_configuration() : nullptr;
    auto rcm = config ? config->get_res_color_mem_configuration() : nullptr;
    return rcm ? rcm->get_current() : nullptr;
}

// The selected media size, looked up in the capabilities by source and name.
HT_Smart_Pointer<HT_Media_Size> selected_media_size(const RASTER_Driver& d) {
    auto config = d.definition() ? d.definition()->get_plotter_configuration() : nullptr;
    auto media = config ? config->get_media_configuration() : nullptr;
    auto caps = d.definition() ? d.definition()->get_plotter_capabilities() : nullptr;
    auto media_caps = caps ? caps->get_media_capabilities() : nullptr;
    if (!media || !media_caps)
        return nullptr;
    auto source = media_caps->find_source(media->get_source_name().c_str());
    return source ? source->find_size(media->get_size_name().c_str()) : nullptr;
}

int horizontal_pad(int color_system) {
    switch (color_system) {
    case color_system_true_color:
        return 1;
    case color_system_indexed:
        return 4;
    default:
        return 32;
    }
}

[[noreturn]] void page_failure(unsigned message) {
    raise_severe_message(error::device_init, message, op_begin_picture);
}

} // namespace

void RASTER_Driver::establish() {
    // Media size and resolution of the configuration.
    auto size = selected_media_size(*this);
    auto entry = res_color_mem_of(*this);
    if (!size || !entry)
        raise_error(error::null_pointer, op_establish_configuration,
                    !size ? "media size" : "res_color_mem");

    // The printable area in dots, or as it is at 100 dpi.
    const HT_Media_Bounds& area = size->printable;
    float values[4] = {area.x_min, area.x_max, area.y_min, area.y_max};
    m_resolution_from_config = size->units == 1 ? 1 : 0;
    if (m_resolution_from_config) {
        const float x_resolution = static_cast<float>(entry->x_resolution);
        const float y_resolution = static_cast<float>(entry->y_resolution);
        m_resolution = entry->x_resolution;
        constexpr float inch_per_mm = 0.03937008f;
        values[0] = values[0] * inch_per_mm * x_resolution;
        values[1] = values[1] * inch_per_mm * x_resolution;
        values[2] = values[2] * inch_per_mm * y_resolution;
        values[3] = values[3] * inch_per_mm * y_resolution;
    } else {
        m_resolution = 100;
    }

    // Whole dots; a page that is empty, inverted or beyond any printer is
    // refused before its sizes can overflow.
    double rounded[4];
    for (int i = 0; i < 4; ++i) {
        m_printable_area[i] = values[i];
        rounded[i] = std::floor(static_cast<double>(values[i]) + 0.5);
        if (!std::isfinite(rounded[i]) || std::fabs(rounded[i]) > max_page_dots)
            raise_error(error::null_pointer, op_establish_configuration, "printable area");
    }
    const int extra = m_resolution_from_config ? 0 : 1;
    const double row_length = rounded[1] - rounded[0] + extra;
    const double row_count = rounded[3] - rounded[2] + extra;
    if (row_length < 1 || row_count < 1 || row_length > max_page_dots || row_count > max_page_dots)
        raise_error(error::null_pointer, op_establish_configuration, "printable area");

    // The page image: wider than the printed row by 10 and a pad each side,
    // one row higher than the printed rows.
    m_row_length = static_cast<std::int32_t>(row_length);
    m_row_count = static_cast<std::int32_t>(row_count);
    m_pad_x = horizontal_pad(m_color_system);
    m_pad_y = 0;
    m_last_column = m_row_length + 10 + 2 * m_pad_x - 1;
    m_last_row = m_row_count;

    // The dot action for the resolution.
    register_drawing_actions(*this);

    // Renderer options.
    HT_Renderer_Options& options = renderer_options();
    options.set_pattern_scale(static_cast<float>(m_resolution * 0.5));
    options.set_color_system(m_color_system);
    if (m_color_system == color_system_bitonal)
        options.set_bitonal_format((m_background & 0xFFFFFFu) != 0 ? HT_Bitonal_Set_Is_Black
                                                                   : HT_Bitonal_Set_Is_White);

    // Colour depth and the paper settings of the resolution in use.
    m_color_depth = entry->color_depth;
    m_printer.active = m_resolution == 360 ? m_printer.paper_360 : m_printer.paper_720;
}

void RASTER_Driver::begin_picture(const HT_Document_Info& document) {
    auto entry = res_color_mem_of(*this);
    if (!entry)
        raise_error(error::null_pointer, op_begin_picture, "res_color_mem");
    if (!m_plotter_io)
        raise_error(error::null_pointer, op_begin_picture, "m_plotter_io");

    // The job's progress, a page without drawing, the document.
    m_progress = job_progress(*this);
    set_page_output_device(nullptr);
    m_picture_width = m_last_column + 1;
    m_picture_height = m_last_row + 1;
    m_origin_x = 0;
    m_origin_y = 0;
    m_document_info = document;
    grey_flags() = Grey_Flags{};

    // Colours of the page.
    switch (m_color_system) {
    case color_system_true_color:
        m_color_space = csRgb;
        m_image_type = m_color_depth == 32 ? ie_pixel::rgb32 : ie_pixel::rgb24;
        grey_flags().true_color = entry->color_count < 0 ? 1 : 0;
        break;
    case color_system_bitonal:
        m_color_space = csBitonal;
        m_image_type = ie_pixel::bitonal;
        break;
    case color_system_indexed: {
        Color_Space_Entries entries{};
        prepare_indexed_picture(m_palette, entry->color_count, *this, palette_rgb_table(),
                                grey_flags(), entries);
        Ie_Rgba rgba[palette_size];
        for (std::size_t i = 0; i < palette_size; ++i)
            rgba[i] = {entries[i].red, entries[i].green, entries[i].blue, entries[i].alpha};
        Ie_Space_Ref space =
            csSpaceRepConstructor1(csRgb, static_cast<int>(palette_size), 0, rgba, 0);
        if (!space)
            page_failure(rsrc_id::err_ie_image_create);
        if (!(space == m_color_space))
            m_color_space = space;
        m_image_type = ie_pixel::index8;
        break;
    }
    default:
        // The printer's contract names the dot action for an unknown colour
        // system, wherever it is found.
        raise_severe_message(error::device_init, rsrc_id::err_color_system,
                             "raster_plotter_draw_dci_dot");
    }

    // Page numbers run from 1 and never reach 0.
    if (++m_page_number == 0)
        m_page_number = 1;

    // The page image, and the spool module it will go to. A failure
    // leaves no page image.
    create_page_image();
    try {
        check_spool_module();
    } catch (...) {
        release_page_image();
        throw;
    }

    // Output, and the media settings of the page.
    m_output_failed = 0;
    m_plotter_io->start_document(document);
    read_media_source();
    read_media_size();
    read_color_output_flag();
    read_copy_count();

    // Substitution indices: an indexed page prepared its own with its
    // palette; the other systems keep none.
    if (m_color_system != color_system_indexed)
        prepare_substitution_indices(*this, m_color_system, palette_rgb_table());
}

void RASTER_Driver::create_page_image() {
    release_page_image();
    const int width = m_last_column + 1;
    const int height = m_last_row + 1;

    // The file writer the image engine needs for the file type.
    if (!ieRep.file_type_registered(m_ie_file_type.c_str())) {
        ieRep.load_module(m_ie_module_name.c_str());
        if (!ieRep.file_type_registered(m_ie_file_type.c_str()))
            page_failure(rsrc_id::err_ie_file_writer);
    }

    // Checkpointing into the job's temporary folder.
    const std::string folder = job_temp_folder(*this);
    if (folder.empty() || !ieRep.enable_checkpointing(2048, folder.c_str()))
        page_failure(rsrc_id::err_ie_checkpointing);

    // Memory, asked again with error reporting off.
    if (!ieRep.memory_available(m_image_type, width, height)) {
        ieRep.set_error_reporting(0, 0);
        if (!ieRep.memory_available(m_image_type, width, height))
            page_failure(rsrc_id::err_ie_memory);
    }

    // The image.
    std::unique_ptr<ieImgRep> image =
        ieRep.create_image(width, height, m_image_type, m_color_space, ieSizeAny);
    if (!image)
        page_failure(rsrc_id::err_ie_image_create);
    if (!image->valid()) {
        image.reset();
        page_failure(rsrc_id::err_ie_image_invalid);
    }

    // Cleared to the background.
    image->clear(ieOffsetOrigin, ieSizeFull, cleared_value(m_color_system, m_background));

    // The pixel access the drawing actions write through.
    std::unique_ptr<Ie_Write_Context> access = image->write_context();
    if (!access)
        page_failure(rsrc_id::err_ie_write_context);
    m_image_rows = access->rows();
    m_image_windowed = access->windowed();
    m_image_width = access->width();
    m_image_height = access->height();
    m_image = std::move(image);
    m_image_access = std::move(access);
}

void RASTER_Driver::check_spool_module() {
    const std::string path = m_driver_folder + spool_module_file;
    plat::Library module = plat::load_library(path.c_str());
    if (!module) {
        show_missing_spool_module();
        raise_severe(error::device_init, op_begin_picture, "");
    }
    plat::free_library(module);
}

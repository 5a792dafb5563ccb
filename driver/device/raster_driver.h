// RASTER_Driver: the device the host's renderer draws into. It keeps its own
// copy of the plotter definition, the output channel, the settings read from
// the configuration, the page image of the current page and the colour
// state, and turns each page into printer data through the spool module.
#pragma once

#include "ht_definition.h"
#include "ht_renderer.h"
#include "ie_image.h"
#include "media_job.h"
#include "raster_plugin.h"
#include "raster_settings.h"
#include "raster_surface.h"
#include "spool_records.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#define RASTER_DEVICE_EXPORT __attribute__((visibility("default")))

class RASTER_Driver : public RASTER_Drawing_Surface {
public:
    RASTER_Driver();
    ~RASTER_Driver() override;

    // ---- the host's operations ----
    void establish() override;
    void begin_picture(const HT_Document_Info& document) override;
    void end_picture() override;
    void update() override;
#if HT_HOST_GENERATION >= 7
    void reserved_operation() override;
#endif
    void establish_configuration(HT_Smart_Pointer<HT_Plotter_Definition> definition) override;
    void set_error_handler(HT_Smart_Pointer<HT_Error_Handler> handler) override;
    HT_Plotter_Definition* get_plotter_definition() override;

    // ---- the driver's own operations ----
    virtual void spd_initialize_palette();
    // 1 when the host asked to cancel the plot.
    virtual int is_cancel_requested() {
        return drawing_cancelled();
    }
    // Records this device as the one whose page has drawing.
    virtual void mark_page_drawn();
    // Sends printer data to the output channel; 1 when the write fell short
    // (this time), 0 otherwise. After a short write nothing more is written.
    virtual int write_output(const void* bytes, std::size_t count);

    // Media readers, run at each picture start.
    virtual void read_color_output_flag();
    virtual void read_media_source();
    virtual void read_media_size();
    virtual void read_copy_count();

    // Builders of the spool module's records, run at the job start.
    virtual void fill_job_params(Spool_Job_Params& params);
    virtual void fill_print_mode(Spool_Print_Mode& mode);
    virtual void fill_media(Spool_Media& media);
    virtual void fill_modules(Spool_Modules& modules, Spool_Output_Fn output);
    virtual void fill_page_params(Spool_Page_Params& page);

    // The media catalogue's view of the device's settings.
    raster_media::Media_Device_Settings media_settings() const;

    // ---- access to the device's state ----
    HT_RASTER_Plotter_Definition* definition() const {
        return m_definition.get();
    }
    HT_Error_Handler* error_handler() const {
        return m_error_handler.get();
    }
    HT_Plotter_IO* plotter_io() const {
        return m_plotter_io.get();
    }
    const HT_Document_Info& document_info() const {
        return m_document_info;
    }
    const std::string& ie_file_type() const {
        return m_ie_file_type;
    }
    const std::string& ie_compression() const {
        return m_ie_compression;
    }
    const std::string& ie_module_name() const {
        return m_ie_module_name;
    }
    void set_ie_module_name(std::string name) {
        m_ie_module_name = std::move(name);
    }
    const Ie_Space_Ref& color_space() const {
        return m_color_space;
    }
    std::int32_t row_length() const {
        return m_row_length;
    }
    std::int32_t row_count() const {
        return m_row_count;
    }
    bool output_failed() const {
        return m_output_failed != 0;
    }
    const raster_media::Media_State& media() const {
        return m_media;
    }
    const raster_device::Printer_Settings& printer() const {
        return m_printer;
    }
    const std::string& driver_folder() const {
        return m_driver_folder;
    }
    void set_driver_folder(std::string folder) {
        m_driver_folder = std::move(folder);
    }

private:
    class Page_Output; // the phases of end_picture

    void create_page_image();
    void check_spool_module();

    HT_Smart_Pointer<HT_RASTER_Plotter_Definition> m_definition;
    HT_Smart_Pointer<HT_Error_Handler> m_error_handler;
    HT_Smart_Pointer<HT_Plotter_IO> m_plotter_io;
    HT_Document_Info m_document_info;
    std::string m_ie_file_type;
    std::string m_ie_compression;
    std::string m_ie_module_name;
    Ie_Space_Ref m_color_space;
    int m_image_type = 0;  // ie_pixel::*
    int m_color_depth = 0; // bits
    // Printable area in dots: left, right, top, bottom.
    float m_printable_area[4] = {0, 0, 0, 0};

    // The printed part of the page image, and the picture the host sees.
    std::int32_t m_row_length = 0; // printed dots per row
    std::int32_t m_row_count = 0;  // printed rows
    std::int32_t m_picture_width = 0;
    std::int32_t m_picture_height = 0;
    std::int32_t m_origin_x = 0;
    std::int32_t m_origin_y = 0;

    std::uint8_t m_output_failed = 0;
    raster_media::Media_State m_media;
    raster_device::Printer_Settings m_printer;
    // Where the spool module and the modules it is given lie.
    std::string m_driver_folder;
};

namespace raster_device {

// The device whose page has had a drawing call since the picture started.
using raster_render::page_output_device;
using raster_render::set_page_output_device;

// The job's shoebox entries the host set up: its temporary folder (empty
// when none) and its progress object (empty when none).
std::string job_temp_folder(const RASTER_Driver& d);
HT_Smart_Pointer<HT_Progress> job_progress(const RASTER_Driver& d);

// The message box shown when the spool module cannot be loaded.
void show_missing_spool_module();

} // namespace raster_device

extern "C" {
// The host's way to a new device; null when it cannot be made.
RASTER_DEVICE_EXPORT HT_Plotter_Device_Data* HD_Create_Plotter_Device();
}

// Page end: the page image goes row by row, two rows to a band, through the
// spool module; its printer data goes to the output channel and, for extra
// copies, into the copy file, from which the copies are sent again.
#include "ie_rep.h"
#include "message_ids.h"
#include "plat_module.h"
#include "raster_band.h"
#include "raster_copies.h"
#include "raster_driver.h"
#include "raster_errors.h"
#include "raster_status.h"

#include <filesystem>
#include <new>
#include <type_traits>
#include <vector>

using namespace raster_device;
using namespace raster_render;

namespace {

// The spool module of one page, freed when the page is done.
class Spool_Module {
public:
    Spool_Module() = default;
    ~Spool_Module() { free(); }
    Spool_Module(const Spool_Module&) = delete;
    Spool_Module& operator=(const Spool_Module&) = delete;

    // False when the module or one of the entry points the driver calls is missing.
    bool load(const std::string& folder) {
        const std::string path = folder + spool_module_file;
        m_library = plat::load_library(path.c_str());
        if (!m_library)
            return false;
        init_job = entry<Spool_Init_Job_Fn>(spool_init_job_name);
        init_page = entry<Spool_Init_Page_Fn>(spool_init_page_name);
        band_out = entry<Spool_Band_Out_Fn>(spool_band_out_name);
        terminate_page = entry<Spool_Terminate_Page_Fn>(spool_terminate_page_name);
        destroy_job = entry<Spool_Destroy_Job_Fn>(spool_destroy_job_name);
        // Looked up as the module offers them; the driver never calls them.
        entry<Spool_Reset_Job_Fn>(spool_reset_job_name);
        entry<Spool_Terminate_Page_Ex_Fn>(spool_terminate_page_ex_name);
        if (init_job && init_page && band_out && terminate_page && destroy_job)
            return true;
        free();
        return false;
    }

    void free() {
        if (m_library)
            plat::free_library(m_library);
        m_library = nullptr;
    }

    Spool_Init_Job_Fn init_job = nullptr;
    Spool_Init_Page_Fn init_page = nullptr;
    Spool_Band_Out_Fn band_out = nullptr;
    Spool_Terminate_Page_Fn terminate_page = nullptr;
    Spool_Destroy_Job_Fn destroy_job = nullptr;

private:
    template <class Fn> Fn entry(const char* name) {
        return reinterpret_cast<Fn>(plat::find_symbol(m_library, name));
    }
    plat::Library m_library = nullptr;
};

// What the output callback reaches. The module hands back the address of the
// modules record it was given, which is where this context begins.
struct Job_Context {
    Spool_Modules modules;
    RASTER_Driver* device;
    Copy_Recorder* copies;
};
static_assert(std::is_standard_layout_v<Job_Context>);

extern "C" std::int32_t spool_output(void* context, const std::uint8_t* data, std::uint32_t count) {
    auto* job = reinterpret_cast<Job_Context*>(static_cast<Spool_Modules*>(context));
    if (!job || (!data && count != 0))
        return spool_output_ok;
    // Only a page with drawing reaches the printer; the copies keep it all.
    if (page_output_device() == job->device)
        job->device->write_output(data, count);
    if (job->copies)
        job->copies->append(data, count);
    return spool_output_ok;
}

// Undoes whatever the page end still holds, on every way out.
class Page_End {
public:
    explicit Page_End(RASTER_Driver& device) : m_device(device) {}
    ~Page_End() {
        if (m_output_open)
            m_device.plotter_io()->close();
        m_device.m_progress.release();
        ieRep.set_error_reporting(0, 1);
        m_device.release_page_image();
    }
    Page_End(const Page_End&) = delete;
    Page_End& operator=(const Page_End&) = delete;

    void output_opened() { m_output_open = true; }
    // Closes the output channel; false when what was written did not all land.
    bool close_output() {
        m_output_open = false;
        return m_device.plotter_io()->close();
    }

private:
    RASTER_Driver& m_device;
    bool m_output_open = false;
};

std::string plot_to_file_name(const RASTER_Driver& d) {
    auto config = d.definition() ? d.definition()->get_plotter_configuration() : nullptr;
    auto io = config ? config->get_io_configuration() : nullptr;
    return io ? io->get_plot_to_file_name().str() : std::string();
}

// A plot to a file of its own; "-" is the host's name for the device itself.
bool has_file_part(const std::string& name) {
    return name != "-" && !std::filesystem::path(name).filename().empty();
}

[[noreturn]] void spool_failure(std::int32_t result) {
    raise_error(error::output, op_end_picture, spool_result_message(result));
}

} // namespace

// The phases of one page's trip to the printer, sharing what the page end
// holds. Members go in the order the page end makes them, so that a failure
// undoes them in reverse: the status window first, the page image's reader
// last (before the page end itself drops the image).
class RASTER_Driver::Page_Output {
public:
    Page_Output(RASTER_Driver& device, Page_End& page_end)
        : m_device(device), m_page_end(page_end), m_dot_type(device.m_color_system) {}
    Page_Output(const Page_Output&) = delete;
    Page_Output& operator=(const Page_Output&) = delete;

    void open_output();
    void check_memory();
    void start_spool_job();
    void send_bands();
    void end_spool_job();
    void replay_copies();
    void close_output();

private:
    void record_copies();
    void fill_job_records();
    void send_band(int top, int band_rows);

    RASTER_Driver& m_device;
    Page_End& m_page_end;
    const int m_dot_type; // dots by colour system
    std::unique_ptr<Ie_Read_Context> m_reader;
    std::string m_plot_file;
    int m_copies = 1;
    bool m_copies_lost = false;
    Copy_Recorder m_recorder;
    Spool_Module m_module;
    Job_Context m_context{};
    Spool_Job_Params m_params{};
    Spool_Print_Mode m_mode{};
    Spool_Media m_spool_media{};
    Spool_Margin_Free m_margin_free{};
    Spool_Job m_job = nullptr;
    std::vector<std::uint8_t> m_line;
    std::vector<std::uint8_t> m_band;
    bool m_drawn = false;
    Spool_Status m_status;
};

void RASTER_Driver::Page_Output::open_output() {
    RASTER_Driver& d = m_device;
    if (!d.m_image || !d.m_plotter_io)
        raise_error(error::null_pointer, op_end_picture, !d.m_image ? "m_image" : "m_plotter_io");
    if (!d.m_plotter_io->open())
        raise_error(error::output, op_end_picture, "m_plotter_io");
    m_page_end.output_opened();
}

// Memory for the whole page image, asked again with error reporting off; then
// the reader of its rows.
void RASTER_Driver::Page_Output::check_memory() {
    RASTER_Driver& d = m_device;
    const int width = d.m_last_column + 1;
    const int height = d.m_last_row + 1;
    if (!ieRep.memory_available(d.m_image_type, width, height)) {
        ieRep.set_error_reporting(0, 0);
        if (!ieRep.memory_available(d.m_image_type, width, height))
            raise_severe_message(error::virtual_memory, rsrc_id::err_ie_memory, op_end_picture);
    }
    m_reader = d.m_image->read_context();
    if (!m_reader)
        raise_severe_message(error::device_init, rsrc_id::err_ie_write_context, op_end_picture);
}

// Extra copies are recorded, unless the plot goes to a file.
void RASTER_Driver::Page_Output::record_copies() {
    m_plot_file = plot_to_file_name(m_device);
    m_copies = m_device.m_media.copy_count;
    if (m_copies > 1 && has_file_part(m_plot_file))
        m_copies = 1;
    if (m_copies < 1)
        m_copies = 1;
    if (m_copies > 1) {
        std::string why;
        if (!m_recorder.create(job_temp_folder(m_device), why))
            raise_error(error::output, op_end_picture, message_text(rsrc_id::err_temporary_file));
    }
}

void RASTER_Driver::Page_Output::fill_job_records() {
    RASTER_Driver& d = m_device;
    m_context.device = &d;
    m_context.copies = m_copies > 1 ? &m_recorder : nullptr;
    d.fill_job_params(m_params);
    d.fill_print_mode(m_mode);
    d.fill_media(m_spool_media);
    const bool margin_free_roll =
        d.m_media.media_source == raster_media::media_source_roll_borderless;
    if (margin_free_roll)
        raster_media::fill_margin_free(m_margin_free);
    d.fill_modules(m_context.modules, spool_output);
    if (grey_flags().indexed || grey_flags().true_color || m_dot_type == color_system_bitonal)
        m_params.mode_column_3 = 0;
    m_params.margin_free = margin_free_roll ? &m_margin_free : nullptr;
    m_params.print_mode = &m_mode;
    m_params.media = &m_spool_media;
}

// The spool module's job and page; the job start reaches the output through
// the module's output callback.
void RASTER_Driver::Page_Output::start_spool_job() {
    record_copies();
    if (!m_module.load(m_device.m_driver_folder)) {
        show_missing_spool_module();
        raise_severe(error::device_init, op_end_picture, "");
    }
    fill_job_records();
    if (const std::int32_t result = m_module.init_job(&m_job, &m_params, &m_context.modules))
        spool_failure(result);
    Spool_Page_Params page{};
    m_device.fill_page_params(page);
    if (const std::int32_t result = m_module.init_page(m_job, &page))
        spool_failure(result);
}

void RASTER_Driver::Page_Output::send_band(int top, int band_rows) {
    const std::uint32_t row_length = static_cast<std::uint32_t>(m_device.m_row_length);
    const Spool_Band_Size size{0, 0, row_length, static_cast<std::uint32_t>(band_rows)};
    const Spool_Band_Data data{row_length * dot_bytes, m_band.data()};
    const Spool_Band_Rect rect{0, static_cast<std::uint32_t>(top), row_length,
                               static_cast<std::uint32_t>(top + band_rows)};
    const Spool_Band_Reserved reserved{};
    if (const std::int32_t result =
            m_module.band_out(m_job, &size, &data, nullptr, &rect, &reserved)) {
        // A refused band leaves the page and the job open: the printer's
        // contract ends neither, and the module is dropped as it stands.
        m_status.close();
        spool_failure(result);
    }
}

// Two rows to a band, top to bottom, each row converted to printer dots. The
// printed row starts past the pad, where the host's column 0 lies. The job
// start is copy block 0, each row after it a block of its own.
void RASTER_Driver::Page_Output::send_bands() {
    RASTER_Driver& d = m_device;
    const int row_length = d.m_row_length;
    const int rows = d.m_row_count;
    try {
        m_line.resize(m_reader->row_bytes(row_length) + 4);
        m_band.resize(2 * static_cast<std::size_t>(row_length) * dot_bytes);
    } catch (const std::bad_alloc&) {
        raise_error(error::memory, op_end_picture, message_text(rsrc_id::err_memory_allocation));
    }
    m_drawn = page_output_device() == &d;
    m_status.show(!m_drawn                     ? status_template_blank
                  : has_file_part(m_plot_file) ? status_template_file
                                               : status_template_device,
                  m_copies, rows);
    m_recorder.next_block();

    const std::uint32_t stride = static_cast<std::uint32_t>(row_length) * dot_bytes;
    const bool grey_true_color = grey_flags().true_color != 0;
    bool pending = false;
    int top = 0;
    for (int j = 0; j < rows; ++j) {
        m_status.advance();
        if (d.is_cancel_requested()) {
            m_copies = 1;
            break;
        }
        m_reader->read_row(j, d.m_pad_x, row_length, m_line.data());
        convert_row(m_dot_type, m_line.data(), 0, row_length, palette_rgb_table(), grey_true_color,
                    m_band.data() + (pending ? stride : 0));
        if (pending) {
            send_band(top, 2);
            top += 2;
        }
        pending = !pending;
        m_recorder.next_block();
        if (j == rows - 1 && pending) {
            send_band(rows - 1, 1);
            pending = false;
            m_recorder.next_block();
        }
    }
}

// Page and job end; the module and the page image go.
void RASTER_Driver::Page_Output::end_spool_job() {
    m_band = {};
    m_module.terminate_page(m_job);
    m_module.destroy_job(m_job);
    m_module.free();
    m_reader.reset();
    m_line = {};
    m_device.release_page_image();
}

// The extra copies, sent again block by block from the copy file.
void RASTER_Driver::Page_Output::replay_copies() {
    m_copies_lost = m_copies > 1 && m_recorder.failed();
    if (m_copies > 1 && !m_copies_lost) {
        std::vector<std::uint8_t> block;
        auto send = [&]() {
            if (m_drawn)
                m_device.write_output(block.data(), block.size());
        };
        const std::size_t last = m_recorder.last_block();
        bool stop = false;
        for (int copy = 2; copy <= m_copies && !stop; ++copy) {
            m_status.restart_page(static_cast<int>(last));
            for (std::size_t k = 0; k <= last; ++k) {
                if (m_device.is_cancel_requested()) {
                    // The printer still gets the page and job end.
                    if (m_recorder.read_block(last, block))
                        send();
                    else
                        m_copies_lost = true;
                    stop = true;
                    break;
                }
                m_status.advance();
                if (!m_recorder.read_block(k, block)) {
                    m_copies_lost = true;
                    stop = true;
                    break;
                }
                send();
            }
        }
    }
    m_status.close();
    m_recorder.close();
}

// A write that fell short, or copies that could not be sent, fail the page.
void RASTER_Driver::Page_Output::close_output() {
    const bool closed = m_page_end.close_output();
    if (m_copies_lost)
        raise_error(error::output, op_end_picture, "vorna.cpy");
    if (m_device.m_output_failed || !closed)
        raise_error(error::output, op_end_picture, "m_plotter_io");
}

void RASTER_Driver::end_picture() {
    Page_End page_end(*this);
    // A cancelled plot has no output.
    if (is_cancel_requested())
        return;
    Page_Output page(*this, page_end);
    page.open_output();
    page.check_memory();
    page.start_spool_job();
    page.send_bands();
    page.end_spool_job();
    page.replay_copies();
    page.close_output();
}

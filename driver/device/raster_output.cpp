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

void RASTER_Driver::end_picture() {
    // 1. Dots by colour system.
    const int dot_type = m_color_system;
    Page_End page_end(*this);

    // 2. A cancelled plot has no output.
    if (is_cancel_requested())
        return;
    if (!m_image || !m_plotter_io)
        raise_error(error::null_pointer, op_end_picture, !m_image ? "m_image" : "m_plotter_io");

    // 3. The output channel.
    if (!m_plotter_io->open())
        raise_error(error::output, op_end_picture, "m_plotter_io");
    page_end.output_opened();

    // 4. Memory, then the page image's rows.
    const int width = m_last_column + 1;
    const int height = m_last_row + 1;
    if (!ieRep.memory_available(m_image_type, width, height)) {
        ieRep.set_error_reporting(0, 0);
        if (!ieRep.memory_available(m_image_type, width, height))
            raise_severe_message(error::virtual_memory, rsrc_id::err_ie_memory, op_end_picture);
    }
    std::unique_ptr<Ie_Read_Context> reader = m_image->read_context();
    if (!reader)
        raise_severe_message(error::device_init, rsrc_id::err_ie_write_context, op_end_picture);

    // 5. Extra copies are recorded, unless the plot goes to a file.
    const std::string plot_file = plot_to_file_name(*this);
    int copies = m_media.copy_count;
    if (copies > 1 && has_file_part(plot_file))
        copies = 1;
    if (copies < 1)
        copies = 1;
    Copy_Recorder recorder;
    if (copies > 1) {
        std::string why;
        if (!recorder.create(job_temp_folder(*this), why))
            raise_error(error::output, op_end_picture, message_text(rsrc_id::err_temporary_file));
    }

    // 6. The spool module: job and page.
    Spool_Module module;
    if (!module.load(m_driver_folder)) {
        show_missing_spool_module();
        raise_severe(error::device_init, op_end_picture, "");
    }
    Job_Context context{};
    context.device = this;
    context.copies = copies > 1 ? &recorder : nullptr;
    Spool_Job_Params params{};
    Spool_Print_Mode mode{};
    Spool_Media media{};
    Spool_Margin_Free margin_free{};
    fill_job_params(params);
    fill_print_mode(mode);
    fill_media(media);
    const bool margin_free_roll =
        m_media.media_source == raster_media::media_source_roll_borderless;
    if (margin_free_roll)
        raster_media::fill_margin_free(margin_free);
    fill_modules(context.modules, spool_output);
    if (grey_flags().indexed || grey_flags().true_color || dot_type == color_system_bitonal)
        params.mode_column_3 = 0;
    params.margin_free = margin_free_roll ? &margin_free : nullptr;
    params.print_mode = &mode;
    params.media = &media;

    Spool_Job job = nullptr;
    if (const std::int32_t result = module.init_job(&job, &params, &context.modules))
        spool_failure(result);
    Spool_Page_Params page{};
    fill_page_params(page);
    if (const std::int32_t result = module.init_page(job, &page))
        spool_failure(result);

    // 7. Buffers and the status window; the job start is block 0.
    const int row_length = m_row_length;
    const int rows = m_row_count;
    std::vector<std::uint8_t> line;
    std::vector<std::uint8_t> band;
    try {
        line.resize(reader->row_bytes(row_length) + 4);
        band.resize(2 * static_cast<std::size_t>(row_length) * dot_bytes);
    } catch (const std::bad_alloc&) {
        raise_error(error::memory, op_end_picture, message_text(rsrc_id::err_memory_allocation));
    }
    const bool drawn = page_output_device() == this;
    Spool_Status status;
    status.show(!drawn                     ? status_template_blank
                : has_file_part(plot_file) ? status_template_file
                                           : status_template_device,
                copies, rows);
    recorder.next_block();

    // 8. Two rows to a band, top to bottom. The printed row starts past the
    // pad, where the host's column 0 lies.
    const std::uint32_t stride = static_cast<std::uint32_t>(row_length) * dot_bytes;
    auto send_band = [&](int top, int band_rows) {
        const Spool_Band_Size size{0, 0, static_cast<std::uint32_t>(row_length),
                                   static_cast<std::uint32_t>(band_rows)};
        const Spool_Band_Data data{stride, band.data()};
        const Spool_Band_Rect rect{0, static_cast<std::uint32_t>(top),
                                   static_cast<std::uint32_t>(row_length),
                                   static_cast<std::uint32_t>(top + band_rows)};
        const Spool_Band_Reserved reserved{};
        if (const std::int32_t result =
                module.band_out(job, &size, &data, nullptr, &rect, &reserved)) {
            status.close();
            spool_failure(result);
        }
    };
    const bool grey_true_color = grey_flags().true_color != 0;
    bool pending = false;
    int top = 0;
    for (int j = 0; j < rows; ++j) {
        status.advance();
        if (is_cancel_requested()) {
            copies = 1;
            break;
        }
        reader->read_row(j, m_pad_x, row_length, line.data());
        convert_row(dot_type, line.data(), 0, row_length, palette_rgb_table(), grey_true_color,
                    band.data() + (pending ? stride : 0));
        if (pending) {
            send_band(top, 2);
            top += 2;
        }
        pending = !pending;
        recorder.next_block();
        if (j == rows - 1 && pending) {
            send_band(rows - 1, 1);
            pending = false;
            recorder.next_block();
        }
    }

    // 9, 10. Page and job end; the module and the page image go.
    band = {};
    module.terminate_page(job);
    module.destroy_job(job);
    module.free();
    reader.reset();
    line = {};
    release_page_image();

    // 11. The extra copies, sent again block by block.
    bool copies_lost = copies > 1 && recorder.failed();
    if (copies > 1 && !copies_lost) {
        std::vector<std::uint8_t> block;
        auto send = [&]() {
            if (drawn)
                write_output(block.data(), block.size());
        };
        const std::size_t last = recorder.last_block();
        bool stop = false;
        for (int copy = 2; copy <= copies && !stop; ++copy) {
            status.restart_page(static_cast<int>(last));
            for (std::size_t k = 0; k <= last; ++k) {
                if (is_cancel_requested()) {
                    // The printer still gets the page and job end.
                    if (recorder.read_block(last, block))
                        send();
                    else
                        copies_lost = true;
                    stop = true;
                    break;
                }
                status.advance();
                if (!recorder.read_block(k, block)) {
                    copies_lost = true;
                    stop = true;
                    break;
                }
                send();
            }
        }
    }
    status.close();
    recorder.close();

    // 12. The output channel; a write that fell short fails the page.
    const bool closed = page_end.close_output();
    if (copies_lost)
        raise_error(error::output, op_end_picture, "vorna.cpy");
    if (m_output_failed || !closed)
        raise_error(error::output, op_end_picture, "m_plotter_io");
}

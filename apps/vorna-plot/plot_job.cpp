#include "plot_job.h"

#include "cad_input.h"
#include "color_system_name.h"
#include "driver_palette.h"
#include "driver_session.h"
#include "file_identity.h"
#include "ht_draw.h"
#include "ht_plot_config.h"
#include "ht_renderer.h"
#include "picture.h"
#include "plat_file.h"
#include "plat_module.h"
#include "plat_status.h"
#include "plot_session.h"
#include "preview.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace plot {
namespace {

namespace fs = std::filesystem;

std::atomic<HT_Progress*> g_cancel_target{nullptr};
// A Ctrl-C that came while no plot was running, kept for the next one.
std::atomic<bool> g_interrupted{false};
std::atomic<int> g_signals{0};

extern "C" void on_interrupt(int sig) {
    // Only async-signal-safe work here: atomics, unlink, write, raise.
    if (g_signals.fetch_add(1) > 0) {
        // Asked again: stop now, but leave no partial printer data behind.
        remove_live_temp_folder();
        ::signal(sig, SIG_DFL);
        ::raise(sig);
        return;
    }
    if (HT_Progress* p = g_cancel_target.load())
        p->request_cancel();
    else
        g_interrupted.store(true);
    static const char note[] = "\nvorna-plot: cancelling (once more to stop at once)\n";
    const ssize_t ignored = ::write(2, note, sizeof note - 1);
    (void)ignored;
}

// A descriptor closed with its owner.
struct File_Descriptor {
    int fd = -1;
    File_Descriptor() = default;
    ~File_Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
    File_Descriptor(const File_Descriptor&) = delete;
    File_Descriptor& operator=(const File_Descriptor&) = delete;
};

// A fault with the exit status it calls for.
struct Plot_Failure {
    int status;
    std::string message;
};

[[noreturn]] void fail(int status, const std::string& message) {
    throw Plot_Failure{status, message};
}

// Makes the job's progress display current for the job: the status window
// in a real window when asked for and a display can be reached, else the
// terminal display; restores the previous status back end afterwards.
class Status_Display {
public:
    Status_Display(bool show, bool window) {
        if (window)
            open_window();
        if (!m_window && show)
            m_terminal = std::make_unique<plat::Status_Terminal>();
        plat::Status_Services* current = m_window ? m_window : m_terminal.get();
        if (current)
            m_previous = plat::set_status_services(current);
    }
    ~Status_Display() {
        if (m_window || m_terminal)
            plat::set_status_services(m_previous);
        if (m_session)
            m_close(m_session);
        // Qt keeps threads and handlers of its own: its library stays mapped.
    }
    Status_Display(const Status_Display&) = delete;
    Status_Display& operator=(const Status_Display&) = delete;

private:
    // The window back end is loaded from beside the program only now, so that
    // plotting works where Qt is not installed; without it, or without a
    // display, the terminal shows the progress instead, without complaint.
    void open_window() {
        const std::string exe = plat::main_executable_path();
        const std::string path = exe.substr(0, exe.rfind('/') + 1) + "libvorna_qt.so";
        plat::Library library = plat::load_library(path.c_str());
        if (!library)
            return;
        using Open = void* (*)(char*, unsigned long);
        using Status = void* (*)(void*);
        auto open = reinterpret_cast<Open>(plat::find_symbol(library, "vorna_qt_open"));
        auto status = reinterpret_cast<Status>(plat::find_symbol(library, "vorna_qt_status"));
        m_close = reinterpret_cast<void (*)(void*)>(plat::find_symbol(library, "vorna_qt_close"));
        if (!open || !status || !m_close)
            return;
        char why[256] = "";
        m_session = open(why, sizeof why);
        if (m_session)
            m_window = static_cast<plat::Status_Services*>(status(m_session));
    }

    std::unique_ptr<plat::Status_Terminal> m_terminal;
    plat::Status_Services* m_window = nullptr;
    void* m_session = nullptr;
    void (*m_close)(void*) = nullptr;
    plat::Status_Services* m_previous = nullptr;
};

// Ctrl-C cancels this job while it lives.
class Cancel_Scope {
public:
    explicit Cancel_Scope(HT_Progress* p) { set_cancel_target(p); }
    ~Cancel_Scope() { set_cancel_target(nullptr); }
    Cancel_Scope(const Cancel_Scope&) = delete;
    Cancel_Scope& operator=(const Cancel_Scope&) = delete;
};

std::uint32_t host_color(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return 0xFF000000u | std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | b;
}

// The colours of the driver's 256-entry palette: the background, a cube of
// 6 levels per primary from entry 1, a grey ramp from entry 217. The indexed
// system uses the device's own palette; the others draw an entry's colour.
HT_Palette reference_palette(std::uint32_t background) {
    HT_Palette palette;
    palette.set_entry(0, background | 0xFF000000u);
    palette.install(raster_media::driver_color_cube());
    raster_media::write_grey_ramp(palette);
    return palette;
}

// The configured background as a host colour (the key holds 0x00BBGGRR).
std::uint32_t configured_background(const HT_Plotter_Definition& definition) {
    std::int32_t value = 0;
    auto config = definition.get_plotter_configuration();
    auto custom = config ? config->get_custom_configuration() : nullptr;
    auto item = custom ? custom->find("RASTER_RGB_Back_Color") : nullptr;
    if (item)
        item->get_long(value);
    const auto v = static_cast<std::uint32_t>(value);
    return host_color(v & 0xFF, v >> 8 & 0xFF, v >> 16 & 0xFF);
}

class Page_Painter {
public:
    Page_Painter(HT_Plotter_Device_Data& device, const Page_Frame& frame,
                 const HT_Palette& reference, Picture_Cache& pictures)
        : m_renderer(device), m_frame(frame), m_reference(reference), m_pictures(pictures),
          m_indexed(frame.geometry().color_system == HT_Color_System_Indexed) {
        if (m_indexed && device.renderer_options().has_palette())
            m_palette = device.renderer_options().palette();
        else
            m_palette = reference;
    }

    // Draws one primitive; false when the device has nothing to draw it with.
    bool draw(const drawing::Primitive& p, const drawing::Clip* clip) {
        HT_Rendition r;
        set_color(p.color, r);
        if (clip)
            r.clip_region = HT_Smart_Pointer<HT_Contour_Set_Data>(contours(*clip));
        switch (p.kind) {
        case drawing::Kind::dot:
            for (const auto& pt : p.points)
                if (!m_renderer.draw_dot(m_frame.dot(pt), r))
                    return false;
            return true;
        case drawing::Kind::strip:
            return m_renderer.draw_triangle_strip(vertices(p.points), r);
        case drawing::Kind::polygon:
            return m_renderer.fill_polygon(vertices(p.points), r, HT_Fill_Even_Odd);
        case drawing::Kind::polyline:
            return m_renderer.draw_polyline(vertices(p.points),
                                            static_cast<float>(m_frame.length(p.width)), r);
        case drawing::Kind::image:
            return draw_picture(*p.image, r);
        }
        return false;
    }

    // A page without drawing still feeds a sheet: the device prints a page
    // once any drawing action was called, so call one that puts nothing on
    // the paper (a dot beyond its edge).
    bool feed_blank_sheet() {
        HT_Rendition r;
        set_color(drawing::Color{}, r);
        return m_renderer.draw_dot(HT_DCI_Point{-1, -1, 0}, r);
    }

private:
    void set_color(const drawing::Color& c, HT_Rendition& r) const {
        if (c.kind == drawing::Color::Kind::rgb) {
            r.color = host_color(c.red, c.green, c.blue);
            r.color_index = -1;
        } else if (m_indexed) {
            r.color = m_palette.get_entry(static_cast<std::size_t>(c.index)) | 0xFF000000u;
            r.color_index = c.index;
        } else {
            r.color = m_reference.get_entry(static_cast<std::size_t>(c.index)) | 0xFF000000u;
            r.color_index = -1;
        }
    }

    std::vector<HT_DCI_Point> vertices(const std::vector<drawing::Point>& points) const {
        std::vector<HT_DCI_Point> out;
        out.reserve(points.size());
        for (const auto& pt : points)
            out.push_back(m_frame.vertex(pt));
        return out;
    }

    HT_Contour_Set_Data* contours(const drawing::Clip& clip) const {
        auto* set = new HT_Contour_Set_Data;
        for (const auto& contour : clip) {
            HT_Contour_Set_Data::Contour c;
            c.reserve(contour.size());
            for (const auto& pt : contour)
                c.push_back(m_frame.vertex_real(pt));
            set->add_contour(std::move(c));
        }
        return set;
    }

    // The part of the picture on the printed area, in strips of rows, so that
    // a large picture never needs a page-sized buffer.
    bool draw_picture(const drawing::Image_Ref& image, const HT_Rendition& r) {
        const Rgba_Picture& picture = m_pictures.get(image.path);
        const Picture_Placement place = place_picture(m_frame, image);
        const Page_Geometry& g = m_frame.geometry();
        // Host dot (left + k, top - t) for column k and row t of the placement;
        // printed dots have x from 0 to width - 1 and y from 1 to rows.
        const std::int64_t k0 = std::max<std::int64_t>(0, -std::int64_t{place.left});
        const std::int64_t k1 =
            std::min<std::int64_t>(place.width, std::int64_t{g.width} - place.left);
        const std::int64_t t0 = std::max<std::int64_t>(0, std::int64_t{place.top} - g.rows);
        const std::int64_t t1 = std::min<std::int64_t>(place.height, place.top);
        if (k0 >= k1 || t0 >= t1)
            return true;
        const auto cols = static_cast<std::int32_t>(k1 - k0);
        constexpr std::int64_t strip = 256;
        for (std::int64_t t = t0; t < t1; t += strip) {
            const auto rows = static_cast<std::int32_t>(std::min(strip, t1 - t));
            std::vector<std::uint32_t> pixels =
                resample(picture, place, static_cast<std::int32_t>(k0), cols,
                         static_cast<std::int32_t>(t), rows);
            HT_Smart_Pointer<HT_Memory_Image> shared(
                new HT_Memory_Image(cols, rows, std::move(pixels)));
            const HT_DCI_Point at{static_cast<std::int32_t>(place.left + k0),
                                  static_cast<std::int32_t>(place.top - t), 0};
            if (!m_renderer.draw_image(at, *shared, r))
                return false;
        }
        return true;
    }

    HT_Renderer m_renderer;
    const Page_Frame& m_frame;
    const HT_Palette& m_reference;
    Picture_Cache& m_pictures;
    HT_Palette m_palette;
    bool m_indexed;
};

// Copies at most `limit` bytes of `in` to `out` and returns how many; every
// write is checked, so a short write is a failed job, never a shorter file.
std::uint64_t copy_checked(int in, int out, std::uint64_t limit, const std::string& source,
                           const char* failure) {
    std::vector<char> buffer(1 << 20);
    std::uint64_t total = 0;
    while (total < limit) {
        const auto want =
            static_cast<std::size_t>(std::min<std::uint64_t>(limit - total, buffer.size()));
        const ssize_t n = ::read(in, buffer.data(), want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(in);
            fail(exit_failed,
                 source + ": cannot read the printer data back: " + std::strerror(error));
        }
        if (n == 0)
            break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w =
                ::write(out, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                const int error = w < 0 ? errno : ENOSPC;
                ::close(in);
                fail(exit_failed, std::string(failure) + ": " + std::strerror(error));
            }
            done += w;
        }
        total += static_cast<std::uint64_t>(n);
    }
    return total;
}

// Appends what the device wrote for one page to the job's output, and empties
// the page file for the next page.
std::uint64_t append_page(const std::string& page_file, int out) {
    const int in = ::open(page_file.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        if (errno == ENOENT)
            return 0; // a page without drawing sends nothing
        fail(exit_failed,
             page_file + ": cannot read the printer data back: " + std::strerror(errno));
    }
    const std::uint64_t total = copy_checked(
        in, out, UINT64_MAX, page_file, "cannot keep the printer data in the temporary folder");
    ::close(in);
    if (::truncate(page_file.c_str(), 0) != 0)
        fail(exit_failed, page_file + ": cannot empty: " + std::strerror(errno));
    return total;
}

// Appends the first `bytes` of the job file `times` times more, for copies
// into a file.
void repeat_job(const std::string& job_file, int out, std::uint64_t bytes, int times) {
    for (int t = 0; t < times; ++t) {
        const int in = ::open(job_file.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0)
            fail(exit_failed,
                 job_file + ": cannot read the printer data back: " + std::strerror(errno));
        const std::uint64_t copied =
            copy_checked(in, out, bytes, job_file, "cannot write the copies");
        ::close(in);
        if (copied != bytes)
            fail(exit_failed, job_file + ": the printer data ended early");
    }
}

void check_output_place(const std::string& file) {
    const fs::path p(file);
    const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
    std::error_code ec;
    if (fs::is_directory(p, ec))
        fail(exit_usage, file + ": is a folder");
    if (!fs::is_directory(folder, ec))
        fail(exit_usage, file + ": there is no folder " + folder.string());
}

std::string mib(unsigned long long bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / 1048576.0);
    return text;
}

unsigned long long available_memory() {
    std::FILE* f = std::fopen("/proc/meminfo", "re");
    unsigned long long kib = 0;
    if (f) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1)
                break;
        std::fclose(f);
    }
    return kib * 1024;
}

// The page image lives in a file in the job's temporary folder (a small one in
// memory). A page that cannot be held there is refused before minutes of
// rendering, with the sizes a person needs to make room.
void check_page_fits(const Page_Geometry& g, const std::string& folder) {
    // The image is wider than the printed row by 10 and a word each side, one
    // row taller; rows are whole 32-bit words.
    const unsigned long long per_word = g.color_system == HT_Color_System_True_Color ? 1
                                        : g.color_system == HT_Color_System_Indexed  ? 4
                                                                                     : 32;
    const unsigned long long w = static_cast<unsigned long long>(g.width) + 10 + 2 * per_word;
    const unsigned long long h = static_cast<unsigned long long>(g.rows) + 1;
    const unsigned long long bytes = (w + per_word - 1) / per_word * 4 * h;
    constexpr unsigned long long in_memory_below = 2048ull * 1024;
    const unsigned long long memory = available_memory();
    const std::string size = std::to_string(g.width) + " x " + std::to_string(g.rows) +
                             " dots at " + std::to_string(g.x_dpi) + " dpi";
    if (bytes < in_memory_below) {
        if (memory > 0 && memory < bytes)
            fail(exit_failed, "the page (" + size + ") needs " + mib(bytes) +
                                  " of memory, and only " + mib(memory) + " is available");
        return;
    }
    struct statvfs fs {};
    if (::statvfs(folder.c_str(), &fs) != 0)
        return; // the image engine will say what is wrong with the folder
    const unsigned long long free_bytes =
        static_cast<unsigned long long>(fs.f_bavail) * static_cast<unsigned long long>(fs.f_frsize);
    if (free_bytes < bytes)
        fail(exit_failed, "the page (" + size + ") needs " + mib(bytes) +
                              " for its image in the temporary folder " +
                              fs::path(folder).parent_path().string() + ", which has " +
                              mib(free_bytes) + " free (memory available: " + mib(memory) +
                              "); set TMPDIR to a folder with more room, or choose a smaller "
                              "page or resolution");
}

// Names the page a failure happened on; before the first page, the drawing.
std::string where(const Plot_Options& o, int page) {
    return page > 0 ? o.drawing + ": page " + std::to_string(page) : o.drawing;
}

void report_driver_messages(const HT_Std_Error_Handler& handler, std::size_t& seen,
                            std::FILE* messages) {
    const auto& reports = handler.reports();
    for (; seen < reports.size(); ++seen)
        std::fprintf(messages, "vorna-plot: the driver reported: %s\n", reports[seen].c_str());
}

// Pictures are decoded when drawn; here each is checked to be a file and the
// distinct ones to fit in memory together, so that a bad one stops the job
// before anything is printed.
void check_pictures(const Plot_Options& o, const drawing::Drawing& d) {
    std::map<File_Identity, std::uint64_t> sizes;
    std::uint64_t total = 0;
    for (std::size_t pg = 0; pg < d.pages.size(); ++pg) {
        const auto& prims = d.pages[pg].primitives;
        for (std::size_t k = 0; k < prims.size(); ++k) {
            if (!prims[k].image)
                continue;
            const std::string at = where(o, static_cast<int>(pg + 1)) + ", primitive " +
                                   std::to_string(k + 1) + " (image): file: ";
            File_Identity id;
            try {
                id = picture_identity(prims[k].image->path);
            } catch (const Picture_Error& e) {
                fail(exit_usage, at + e.what());
            }
            const std::uint64_t bytes =
                std::uint64_t{prims[k].image->width} * prims[k].image->height * 4;
            if (!sizes.emplace(id, bytes).second)
                continue;
            total += bytes;
            if (total > max_picture_bytes)
                fail(exit_usage, at + prims[k].image->path + ": the drawing's pictures take " +
                                     mib(total) + " decoded, more than the " +
                                     mib(max_picture_bytes) + " allowed");
        }
    }
}

std::unique_ptr<Plot_Session> open_session(const Plot_Options& o) {
    Session_Options so;
    so.driver = o.driver;
    so.config = o.config;
    for (const auto& setting : o.settings) {
        const auto eq = setting.find('=');
        if (eq == std::string::npos || eq == 0)
            fail(exit_usage, "--option: \"" + setting + "\" is not NAME=VALUE");
        so.settings.emplace_back(setting.substr(0, eq), setting.substr(eq + 1));
    }
    if (o.copies > 0)
        so.settings.emplace_back("copies", std::to_string(o.copies));
    try {
        return std::make_unique<Plot_Session>(so);
    } catch (const HT_Config_Error& e) {
        fail(exit_usage, e.what());
    } catch (const Frame_Error& e) {
        fail(exit_usage, (o.config.empty() ? std::string("default configuration") : o.config) +
                             ": " + e.what());
    }
}

// Nothing written may replace what the job reads, nor one output another.
void check_clashes(const Plot_Options& o, const drawing::Drawing& d, const std::string& target) {
    std::vector<Named_File> inputs = {{"the drawing", o.drawing}, {"the configuration", o.config}};
    for (const auto& page : d.pages)
        for (const auto& prim : page.primitives)
            if (prim.image)
                inputs.push_back({"a picture of the drawing", prim.image->path});
    std::vector<Named_File> outputs = {{"the printer data", target}};
    const int pages = static_cast<int>(d.pages.size());
    for (int pg = 1; !o.preview.empty() && pg <= pages; ++pg)
        outputs.push_back({"the preview", preview_name(o.preview, pg, pages)});
    if (const std::string clash = file_clash(inputs, outputs); !clash.empty())
        fail(exit_usage, clash);
}

// One job from drawing to output, phase by phase: load the inputs, choose the
// output, plot the pages, write the previews, put the output in place.
class Plot_Job {
public:
    Plot_Job(const Plot_Options& o, std::FILE* messages) : m_o(o), m_messages(messages) {}

    void load_inputs();
    void choose_output();
    void plot_pages();
    void write_previews();
    void put_output_in_place();
    void print_summary() const;
    const Plot_Report& report() const { return m_report; }

private:
    void prepare_pages();
    void plot_page(const drawing::Page& page, int page_number);
    void keep_page();

    const Plot_Options& m_o;
    std::FILE* m_messages;
    Plot_Report m_report;
    drawing::Drawing m_d;
    // A CAD drawing is laid out once the page is known.
    bool m_cad = false;
    cad::Plot_Settings m_cad_settings;
    Picture_Cache m_pictures;
    std::unique_ptr<Plot_Session> m_session;
    std::string m_target;
    bool m_to_stdout = false;
    std::unique_ptr<plat::File_Replacement> m_output;
    int m_copies = 1;
    std::unique_ptr<Page_Frame> m_frame;
    std::unique_ptr<Cancel_Scope> m_cancel_scope;
    std::string m_job_file;
    File_Descriptor m_job;
    HT_Palette m_reference;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> m_page_ranges;
    std::uint64_t m_job_bytes = 0;
    std::size_t m_seen_reports = 0;
};

void Plot_Job::load_inputs() {
    m_cad = is_cad_drawing(m_o.drawing);
    try {
        if (m_cad)
            m_cad_settings = plot_settings(m_o.config, m_o.plot_settings);
        else
            m_d = drawing::load_drawing(m_o.drawing);
    } catch (const drawing::Drawing_Error& e) {
        fail(exit_usage, e.what());
    }
    check_pictures(m_o, m_d);
    m_session = open_session(m_o);
}

// Where the printer data goes: -o, else the configuration's file.
void Plot_Job::choose_output() {
    m_target = m_o.output;
    if (m_target.empty())
        m_target = ht_get_setting(m_session->definition(), "plot-to-file");
    m_to_stdout = m_target.empty() || m_target == "-";
    if (m_to_stdout && !m_o.preview.empty())
        fail(exit_usage, "--preview needs the printer data in a file: give -o FILE");
    if (m_to_stdout && ::isatty(1))
        fail(exit_usage, "will not write printer data to a terminal: give -o FILE");
    m_report.output = m_to_stdout ? "-" : m_target;
    // Output files are put in place at the end: find out now, not after a
    // long plot, that they cannot be.
    if (!m_to_stdout)
        check_output_place(m_target);
    if (!m_o.preview.empty())
        check_output_place(m_o.preview);
    check_clashes(m_o, m_d, m_to_stdout ? "" : m_target);
    // Opening the new output now (a file beside it, not yet in place) finds
    // an unwritable folder or file before the render, not after it.
    try {
        if (!m_to_stdout)
            m_output = std::make_unique<plat::File_Replacement>(m_target);
        for (std::size_t i = 0; !m_o.preview.empty() && i < m_d.pages.size(); ++i)
            plat::File_Replacement(preview_name(m_o.preview, static_cast<int>(i + 1),
                                                static_cast<int>(m_d.pages.size())));
    } catch (const plat::File_Error& e) {
        fail(exit_failed, e.what());
    }
    // The device writes each page into the job's folder; the pages are
    // gathered there and replace an earlier output only when the whole job
    // succeeded.
    // The driver sends copies only to standard output; into a file the whole
    // job is written again for each copy, as the printer takes it.
    m_copies = std::atoi(ht_get_setting(m_session->definition(), "copies").c_str());
    // An empty name is standard output; "-" would count as a file name, and
    // the driver makes its copies only when the name has no file part.
    if (m_to_stdout)
        ht_set_setting(m_session->definition(), "plot-to-file", "");
    else
        m_session->route_output_to_page_file();
}

// The page is known now: lay out a CAD drawing, check that the page fits and
// open the job's file.
void Plot_Job::prepare_pages() {
    const Page_Geometry& geometry = m_session->geometry();
    m_report.geometry = geometry;
    try {
        if (m_cad)
            m_d = cad_drawing(m_o.drawing, m_cad_settings, geometry, m_messages);
    } catch (const drawing::Drawing_Error& e) {
        fail(exit_usage, e.what());
    }
    // Never cropped silently.
    if (const std::string w = m_cad ? std::string() : overflow_warning(m_d, geometry); !w.empty())
        std::fprintf(m_messages, "vorna-plot: %s: %s\n", m_o.drawing.c_str(), w.c_str());
    m_frame = std::make_unique<Page_Frame>(geometry, m_d.units);
    m_cancel_scope = std::make_unique<Cancel_Scope>(&m_session->progress());

    check_page_fits(geometry, m_session->temp_folder());
    m_job_file = m_session->temp_folder() + "/job.prn";
    m_reference = reference_palette(configured_background(m_session->definition()));
    if (!m_to_stdout) {
        m_job.fd = ::open(m_job_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (m_job.fd < 0)
            fail(exit_failed, m_job_file + ": cannot create: " + std::strerror(errno));
    }
}

// Draws one page between begin_picture and end_picture.
void Plot_Job::plot_page(const drawing::Page& page, int page_number) {
    HT_Plotter_Device_Data& device = m_session->device();
    HT_Progress& progress = m_session->progress();
    HT_Document_Info info;
    info.document_name = fs::path(m_o.drawing).filename().string().c_str();
    info.output_name = m_report.output.c_str();
    device.begin_picture(info);
    Page_Painter painter(device, *m_frame, m_reference, m_pictures);
    if (page.primitives.empty() && !painter.feed_blank_sheet())
        fail(exit_failed, where(m_o, page_number) + ": the device cannot print a blank page");
    int index = 0;
    for (const auto& prim : page.primitives) {
        ++index;
        if (progress.cancel_query() != 0)
            break;
        bool drawn = false;
        try {
            drawn = painter.draw(prim, drawing::effective_clip(page, prim));
        } catch (const Picture_Error& e) {
            fail(exit_usage, where(m_o, page_number) + ", primitive " + std::to_string(index) +
                                 " (image): file: " + e.what());
        }
        if (!drawn)
            fail(exit_failed, where(m_o, page_number) + ", primitive " + std::to_string(index) +
                                  " (" + drawing::kind_name(prim.kind) +
                                  "): the device has no action to draw it");
    }
    device.end_picture();
}

// Gathers the page the device wrote into the job's file.
void Plot_Job::keep_page() {
    if (!m_to_stdout) {
        const std::uint64_t n = append_page(m_session->page_file(), m_job.fd);
        m_page_ranges.emplace_back(m_job_bytes, m_job_bytes + n);
        m_job_bytes += n;
    }
    ++m_report.pages;
}

void Plot_Job::plot_pages() {
    prepare_pages();
    HT_Progress& progress = m_session->progress();
    bool cancelled = false;
    {
        Status_Display display(!m_o.quiet, m_o.status_window);
        const Page_Geometry& geometry = m_session->geometry();
        int page_number = 0;
        try {
            m_session->establish();
            // Host dots x 0 to width - 1 and y 1 to rows are printed.
            m_session->device().set_page_extent(0, 0, geometry.width - 1, geometry.rows + 1);
            for (const auto& page : m_d.pages) {
                plot_page(page, ++page_number);
                report_driver_messages(m_session->error_handler(), m_seen_reports, m_messages);
                if (progress.cancel_query() != 0) {
                    cancelled = true;
                    break;
                }
                if (progress.failure() != 0)
                    fail(exit_failed, where(m_o, page_number) +
                                          ": writing the printer data failed (output failure " +
                                          std::to_string(progress.failure()) + ")");
                keep_page();
            }
        } catch (const HT_Error& e) {
            report_driver_messages(m_session->error_handler(), m_seen_reports, m_messages);
            fail(exit_failed, where(m_o, page_number) + ": " + describe(e));
        }
    }
    if (cancelled)
        fail(exit_cancelled,
             "plot cancelled" +
                 (m_to_stdout ? std::string() : "; " + m_target + " was left as it was"));
    if (m_to_stdout)
        return;
    if (m_copies > 1)
        repeat_job(m_job_file, m_job.fd, m_job_bytes, m_copies - 1);
    if (::fsync(m_job.fd) != 0 || ::close(std::exchange(m_job.fd, -1)) != 0)
        fail(exit_failed, "cannot keep the printer data in the temporary folder: " +
                              std::string(std::strerror(errno)));
}

void Plot_Job::write_previews() {
    for (std::size_t i = 0; !m_o.preview.empty() && i < m_page_ranges.size(); ++i) {
        const std::string name = preview_name(m_o.preview, static_cast<int>(i + 1),
                                              static_cast<int>(m_page_ranges.size()));
        try {
            write_preview(m_job_file, m_page_ranges[i].first, m_page_ranges[i].second,
                          m_session->geometry(), name, m_o.preview_dpi);
        } catch (const Preview_Error& e) {
            fail(exit_failed, e.what());
        }
        m_report.previews.push_back(name);
    }
}

// Into place last: a failure before this leaves an earlier output whole.
void Plot_Job::put_output_in_place() {
    if (m_to_stdout) {
        std::fflush(stdout);
        return;
    }
    try {
        m_output->reserve(m_job_bytes * static_cast<std::uint64_t>(std::max(m_copies, 1)));
        m_output->copy_from(m_job_file);
        m_output->commit();
    } catch (const plat::File_Error& e) {
        fail(exit_failed, e.what());
    }
}

void Plot_Job::print_summary() const {
    if (m_o.quiet)
        return;
    const Page_Geometry& geometry = m_session->geometry();
    const std::string copies_text =
        m_copies > 1 ? ", " + std::to_string(m_copies) + " copies" : std::string();
    std::fprintf(m_messages, "vorna-plot: %d page%s%s of %s at %d dpi, %s: %s\n", m_report.pages,
                 m_report.pages == 1 ? "" : "s", copies_text.c_str(), m_o.drawing.c_str(),
                 geometry.x_dpi, color_system_name(geometry.color_system, m_session->color_count()),
                 m_to_stdout ? "standard output" : m_target.c_str());
    for (const auto& p : m_report.previews)
        std::fprintf(m_messages, "vorna-plot: preview %s\n", p.c_str());
}

Plot_Report plot(const Plot_Options& o, std::FILE* messages) {
    Plot_Job job(o, messages);
    job.load_inputs();
    job.choose_output();
    job.plot_pages();
    job.write_previews();
    job.put_output_in_place();
    job.print_summary();
    return job.report();
}

} // namespace

void set_cancel_target(HT_Progress* progress) {
    g_cancel_target.store(progress);
    // A Ctrl-C while the job was still being set up cancels it now.
    if (progress && g_interrupted.exchange(false))
        progress->request_cancel();
}

void install_interrupt_handler() {
    g_signals.store(0);
    struct sigaction sa {};
    sa.sa_handler = on_interrupt;
    sigemptyset(&sa.sa_mask);
    // The first Ctrl-C (or a termination request, or a lost terminal) asks
    // for a cancel, which removes the job's files on the way out; a second
    // one removes them and ends the program at once.
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
}

std::string preview_name(const std::string& name, int page, int pages) {
    if (pages <= 1)
        return name;
    const fs::path p(name);
    const std::string stem = p.stem().string() + "-" + std::to_string(page);
    return (p.parent_path() / (stem + p.extension().string())).string();
}

Plot_Report run_plot(const Plot_Options& options, std::FILE* messages) {
    try {
        return plot(options, messages);
    } catch (const Plot_Failure& f) {
        std::fprintf(messages, "vorna-plot: %s\n", f.message.c_str());
        Plot_Report r;
        r.status = f.status;
        return r;
    } catch (const App_Error& e) {
        std::fprintf(messages, "vorna-plot: %s\n", e.what());
        Plot_Report r;
        r.status = e.status();
        return r;
    } catch (const HT_Config_Error& e) {
        std::fprintf(messages, "vorna-plot: %s\n", e.what());
        Plot_Report r;
        r.status = exit_usage;
        return r;
    } catch (const std::exception& e) {
        std::fprintf(messages, "vorna-plot: %s\n", e.what());
        Plot_Report r;
        r.status = exit_failed;
        return r;
    }
}

} // namespace plot

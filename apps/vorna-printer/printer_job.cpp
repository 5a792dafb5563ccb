#include "printer_job.h"

#include "driver_session.h"
#include "ht_draw.h"
#include "ht_plot_config.h"
#include "ht_renderer.h"
#include "page_frame.h"
#include "plot_session.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <unistd.h>

namespace printer {
namespace {

std::vector<Driver_Caps> g_drivers;

// The driver keeps process-wide state (palette, driver folder, copy file):
// one job at a time goes through it, whichever printer it came to.
std::mutex g_driver_mutex;

class Job_Refused : public std::runtime_error {
public:
    Job_Refused(pappl_jreason_t reason, const std::string& message)
        : std::runtime_error(message), m_reason(reason) {}
    pappl_jreason_t reason() const { return m_reason; }

private:
    pappl_jreason_t m_reason;
};

const Media_Source& pick_source(const Driver_Caps& caps, const std::string& keyword) {
    for (const auto& s : caps.sources)
        if (s.keyword == keyword)
            return s;
    return caps.sources.front();
}

const Color_Entry* pick_entry(const Driver_Caps& caps, int dpi, int system, int sign) {
    for (const auto& e : caps.color_entries)
        if (e.dpi == dpi && e.color_system == system &&
            (sign == 0 || (sign < 0) == (e.color_count < 0)))
            return &e;
    return nullptr;
}

int vendor_value(const Vendor_Setting& v, const std::string& text) {
    if (v.boolean)
        return text == "true" || text == "1" || text == "yes" || text == "on" ? 1 : 0;
    if (!v.keywords.empty()) {
        const auto it = std::find(v.keywords.begin(), v.keywords.end(), text);
        if (it == v.keywords.end())
            throw Job_Refused(PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR,
                              v.attribute + ": \"" + text + "\" is not one of its values");
        return static_cast<int>(it - v.keywords.begin());
    }
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || !end || *end != '\0' || errno != 0 || n < v.min || n > v.max)
        throw Job_Refused(PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR,
                          v.attribute + ": \"" + text + "\" is not a number from " +
                              std::to_string(v.min) + " to " + std::to_string(v.max));
    return static_cast<int>(n);
}

// The paper rows of a job's page, in the driver's device and page image.
class Driver_Page {
public:
    Driver_Page(const Driver_Caps& caps, const Settings& settings, const std::string& job_name)
        : m_settings(settings) {
        plot::Session_Options so;
        so.driver = caps.path;
        so.settings = settings;
        m_session = std::make_unique<plot::Plot_Session>(so);
        m_session->route_output_to_page_file();
        m_session->establish();
        m_job_name = job_name;
    }

    const Settings& settings() const { return m_settings; }
    const plot::Page_Geometry& geometry() const { return m_session->geometry(); }

    void begin(const Page_Request& request) {
        m_request = request;
        m_lines = 0;
        HT_Document_Info info;
        info.document_name = m_job_name.c_str();
        info.output_name = m_session->page_file().c_str();
        m_session->device().begin_picture(info);
        const HT_Renderer_Options& ro = m_session->device().renderer_options();
        m_bitonal_format = ro.bitonal_format() == HT_Bitonal_Set_Is_White ? HT_Bitonal_Set_Is_White
                                                                          : HT_Bitonal_Set_Is_Black;
        // Grey pages hold palette indices: the nearest grey of the palette
        // for each level.
        if (geometry().color_system == HT_Color_System_Indexed) {
            const HT_Palette& palette = ro.palette();
            for (int level = 0; level < 256; ++level) {
                int best = 0, best_distance = 1 << 30;
                for (std::size_t i = 0; i < 256; ++i) {
                    const std::uint32_t c = palette.get_entry(i);
                    const int r = int(c >> 16 & 0xFF), g = int(c >> 8 & 0xFF), b = int(c & 0xFF);
                    const int d = (r - level) * (r - level) + (g - level) * (g - level) +
                                  (b - level) * (b - level);
                    if (d < best_distance) {
                        best_distance = d;
                        best = static_cast<int>(i);
                    }
                }
                m_grey_index[static_cast<std::size_t>(level)] = static_cast<std::uint8_t>(best);
            }
        }
        const plot::Page_Geometry& g = geometry();
        m_first_column = std::max(0, -g.left);
        m_end_column = std::min<long>(g.width, long(request.width) - g.left);
        m_row.assign(4 * static_cast<std::size_t>(std::max(0, g.width)) + 8, 0);
    }

    // Draws raster row `y` (from the paper's top edge) into the page.
    void line(unsigned y, const unsigned char* pixels) {
        ++m_lines;
        const plot::Page_Geometry& g = geometry();
        const long row = long(y) - g.top;
        if (row < 0 || row >= g.rows || m_end_column <= m_first_column)
            return;
        const std::int32_t host_y = static_cast<std::int32_t>(g.rows - row);
        const int first = m_first_column, end = static_cast<int>(m_end_column);
        const HT_DCI_Point start{first, host_y, 0};
        const HT_DCI_Point stop{end - 1, host_y, 0};
        HT_Renderer renderer(m_session->device());
        HT_Rendition rendition;
        switch (g.color_system) {
        case HT_Color_System_True_Color:
            for (int c = first; c < end; ++c) {
                std::uint8_t r, gr, b;
                pixel(pixels, c + g.left, r, gr, b);
                std::uint8_t* out = &m_row[4 * static_cast<std::size_t>(c - first)];
                out[0] = b;
                out[1] = gr;
                out[2] = r;
                out[3] = 0xFF;
            }
            renderer.draw_rgb32_image(start, stop, 4 * (end - first), m_row.data(), rendition);
            break;
        case HT_Color_System_Indexed:
            for (int c = first; c < end; ++c) {
                std::uint8_t r, gr, b;
                pixel(pixels, c + g.left, r, gr, b);
                m_row[static_cast<std::size_t>(c - first)] = m_grey_index[luma(r, gr, b)];
            }
            renderer.draw_index8_image(start, stop, end - first, m_row.data(), rendition);
            break;
        case HT_Color_System_Bitonal: {
            const std::size_t bytes = static_cast<std::size_t>(end - first + 7) / 8;
            std::fill(m_row.begin(), m_row.begin() + static_cast<long>(bytes), 0);
            for (int c = first; c < end; ++c) {
                std::uint8_t r, gr, b;
                pixel(pixels, c + g.left, r, gr, b);
                const bool black = luma(r, gr, b) < 128;
                if (black == (m_bitonal_format == HT_Bitonal_Set_Is_Black))
                    m_row[static_cast<std::size_t>(c - first) / 8] |=
                        static_cast<std::uint8_t>(0x80 >> ((c - first) % 8));
            }
            renderer.draw_bitonal_image(start, stop, static_cast<int>(bytes), m_row.data(),
                                        m_bitonal_format, rendition);
            break;
        }
        default:
            break;
        }
    }

    // Bands the page through the spool module and sends its printer data.
    void end(pappl_job_t* job, pappl_device_t* device) {
        // A raster stream cut short delivers fewer lines than its header
        // promised: the page is not printed and the job fails.
        if (m_lines < m_request.height)
            throw Job_Refused(PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
                              "the document ends after " + std::to_string(m_lines) + " of the " +
                                  std::to_string(m_request.height) + " lines of a page");
        m_session->device().end_picture();
        const auto& reports = m_session->error_handler().reports();
        for (; m_reports_seen < reports.size(); ++m_reports_seen)
            papplLogJob(job, PAPPL_LOGLEVEL_WARN, "The driver reported: %s",
                        reports[m_reports_seen].c_str());
        if (m_session->progress().failure() != 0)
            throw Job_Refused(PAPPL_JREASON_ERRORS_DETECTED,
                              "writing the printer data failed (output failure " +
                                  std::to_string(m_session->progress().failure()) + ")");
        send_page_file(device);
    }

private:
    void pixel(const unsigned char* p, long x, std::uint8_t& r, std::uint8_t& g,
               std::uint8_t& b) const {
        if (x < 0 || x >= long(m_request.width)) {
            r = g = b = 0xFF;
            return;
        }
        const auto i = static_cast<std::size_t>(x);
        switch (m_request.bits_per_pixel) {
        case 24:
            r = p[3 * i];
            g = p[3 * i + 1];
            b = p[3 * i + 2];
            return;
        case 8: {
            const std::uint8_t v = p[i];
            r = g = b = m_request.color_space == CUPS_CSPACE_K ? std::uint8_t(255 - v) : v;
            return;
        }
        case 1: {
            const bool set = (p[i / 8] & (0x80 >> (i % 8))) != 0;
            const bool white = m_request.color_space == CUPS_CSPACE_K ? !set : set;
            r = g = b = white ? 0xFF : 0;
            return;
        }
        default:
            r = g = b = 0xFF;
        }
    }

    static std::size_t luma(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return static_cast<std::size_t>((299 * r + 587 * g + 114 * b + 500) / 1000);
    }

    void send_page_file(pappl_device_t* device) {
        const std::string file = m_session->page_file();
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return; // a page without drawing sends nothing
        std::vector<char> buffer(1 << 16);
        for (;;) {
            const ssize_t n = ::read(fd, buffer.data(), buffer.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                ::close(fd);
                throw Job_Refused(PAPPL_JREASON_ERRORS_DETECTED,
                                  "cannot read the printer data back: " +
                                      std::string(std::strerror(errno)));
            }
            if (n == 0)
                break;
            if (papplDeviceWrite(device, buffer.data(), static_cast<std::size_t>(n)) != n) {
                ::close(fd);
                throw Job_Refused(PAPPL_JREASON_ERRORS_DETECTED,
                                  "cannot write the printer data to the device");
            }
        }
        ::close(fd);
        papplDeviceFlush(device);
        // The next page starts an empty file.
        const int t = ::open(file.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (t >= 0)
            ::close(t);
    }

    Settings m_settings;
    std::unique_ptr<plot::Plot_Session> m_session;
    std::string m_job_name;
    Page_Request m_request;
    int m_bitonal_format = HT_Bitonal_Set_Is_Black;
    std::uint8_t m_grey_index[256] = {};
    int m_first_column = 0;
    long m_end_column = 0;
    std::vector<std::uint8_t> m_row;
    std::size_t m_reports_seen = 0;
    unsigned m_lines = 0;
};

// What PAPPL keeps for a job between the callbacks.
struct Job_State {
    explicit Job_State(const Driver_Caps& c) : caps(c), lock(g_driver_mutex) {}
    const Driver_Caps& caps;
    std::unique_lock<std::mutex> lock;
    std::unique_ptr<Driver_Page> page;
    bool failed = false;
};

Job_State* state_of(pappl_job_t* job) {
    return static_cast<Job_State*>(papplJobGetData(job));
}

std::string vendor_default(pappl_printer_t* printer, const std::string& attribute) {
    ipp_t* attrs = papplPrinterGetDriverAttributes(printer);
    std::string value;
    if (attrs) {
        if (ipp_attribute_t* a =
                ippFindAttribute(attrs, (attribute + "-default").c_str(), IPP_TAG_ZERO)) {
            char text[256];
            ippAttributeString(a, text, sizeof text);
            value = text;
        }
        ippDelete(attrs);
    }
    return value;
}

Page_Request request_of(pappl_job_t* job, const pappl_pr_options_t* options,
                        const Driver_Caps& caps) {
    const auto& h = options->header;
    Page_Request r;
    if (h.HWResolution[0] != h.HWResolution[1])
        throw Job_Refused(PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR,
                          "the page resolution " + std::to_string(h.HWResolution[0]) + "x" +
                              std::to_string(h.HWResolution[1]) +
                              " dpi is not one the printer has");
    r.dpi = static_cast<int>(h.HWResolution[0]);
    r.width = h.cupsWidth;
    r.height = h.cupsHeight;
    r.page_width = static_cast<int>(std::lround(h.cupsPageSize[0] * 2540.0 / 72.0));
    r.page_length = static_cast<int>(std::lround(h.cupsPageSize[1] * 2540.0 / 72.0));
    if (r.page_width <= 0 || r.page_length <= 0) {
        r.page_width = static_cast<int>(std::lround(h.PageSize[0] * 2540.0 / 72.0));
        r.page_length = static_cast<int>(std::lround(h.PageSize[1] * 2540.0 / 72.0));
    }
    r.bits_per_pixel = h.cupsBitsPerPixel;
    r.color_space = h.cupsColorSpace;
    r.color_mode = options->print_color_mode;
    r.source = options->media.source;
    r.media_type = options->media.type;
    pappl_printer_t* printer = papplJobGetPrinter(job);
    for (const auto& v : caps.vendor) {
        const char* given =
            cupsGetOption(v.attribute.c_str(), options->num_vendor, options->vendor);
        std::string value = given ? given : vendor_default(printer, v.attribute);
        if (!value.empty())
            r.vendor.emplace_back(v.attribute, value);
    }
    return r;
}

void refuse(pappl_job_t* job, Job_State* state, const Job_Refused& e) {
    if (state)
        state->failed = true;
    abort_job(job, e.reason(), e.what());
}

} // namespace

const std::vector<Driver_Caps>& installed_drivers() {
    return g_drivers;
}

void set_installed_drivers(std::vector<Driver_Caps> drivers) {
    g_drivers = std::move(drivers);
}

const Driver_Caps* find_driver(const std::string& name) {
    for (const auto& d : g_drivers)
        if (d.name == name)
            return &d;
    return nullptr;
}

void abort_job(pappl_job_t* job, pappl_jreason_t reason, const std::string& message) {
    papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "%s", message.c_str());
    papplJobSetMessage(job, "%s", message.c_str());
    papplJobSetReasons(job, reason, PAPPL_JREASON_NONE);
}

namespace {

void check_request(const Driver_Caps& caps, const Page_Request& request) {
    if (std::find(caps.resolutions.begin(), caps.resolutions.end(), request.dpi) ==
        caps.resolutions.end())
        throw Job_Refused(PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR,
                          "the page resolution " + std::to_string(request.dpi) +
                              " dpi is not one the printer has (360 or 720 dpi)");
    if (request.bits_per_pixel != 24 && request.bits_per_pixel != 8 && request.bits_per_pixel != 1)
        throw Job_Refused(PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR,
                          "pages of " + std::to_string(request.bits_per_pixel) +
                              " bits per pixel cannot be printed");
    if (request.width == 0 || request.height == 0 || request.width > unsigned(max_page_dots) ||
        request.height > unsigned(max_page_dots))
        throw Job_Refused(PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR,
                          "a page of " + std::to_string(request.width) + " x " +
                              std::to_string(request.height) +
                              " dots is larger than the printer's page image can hold");
}

// Colour output in the true-colour system, grey in the indexed grey one,
// bi-level in the bitonal one.
const Color_Entry& color_entry(const Driver_Caps& caps, const Page_Request& request) {
    const bool color_input = request.bits_per_pixel == 24;
    const Color_Entry* entry = nullptr;
    if (request.color_mode == PAPPL_COLOR_MODE_BI_LEVEL || request.bits_per_pixel == 1)
        entry = pick_entry(caps, request.dpi, HT_Color_System_Bitonal, 0);
    else if (!color_input || request.color_mode == PAPPL_COLOR_MODE_MONOCHROME)
        entry = pick_entry(caps, request.dpi, HT_Color_System_Indexed, -1);
    if (!entry)
        entry = pick_entry(caps, request.dpi, HT_Color_System_True_Color, 1);
    if (!entry)
        throw Job_Refused(PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR,
                          "the driver has no colour output at " + std::to_string(request.dpi) +
                              " dpi");
    return *entry;
}

void add_media(const Driver_Caps& caps, const Page_Request& request, Settings& s) {
    const Media_Source& source = pick_source(caps, request.source);
    s.emplace_back("media-source", source.driver);
    for (const auto& m : source.sizes)
        if (std::abs(m.width - request.page_width) <= 300 &&
            std::abs(m.length - request.page_length) <= 300) {
            s.emplace_back("media-size", m.driver);
            return;
        }
    // Any other page is the user-defined size of that source.
    char bounds[96];
    std::snprintf(bounds, sizeof bounds, "0,%.2f,0,%.2f", request.page_width / 100.0,
                  request.page_length / 100.0);
    s.emplace_back("media-size", "UserDefined");
    s.emplace_back("media-bounds", bounds);
}

// The TARV's own settings; the paper settings go to both resolutions so that
// whichever the page uses carries them. Answers the ink set.
int add_vendor_settings(const Driver_Caps& caps, const Page_Request& request, Settings& s) {
    int ink_set = caps.ink_set_default;
    for (const auto& v : caps.vendor) {
        int value = v.default_value;
        for (const auto& [name, text] : request.vendor)
            if (name == v.attribute)
                value = vendor_value(v, text);
        if (v.key == "CartrigeOpt")
            ink_set = value;
        if (v.per_resolution) {
            for (int dpi : caps.resolutions)
                s.emplace_back(v.key + "_" + std::to_string(dpi), std::to_string(value));
        } else {
            s.emplace_back(v.key, std::to_string(value));
        }
    }
    return ink_set;
}

void add_paper_kind(const Driver_Caps& caps, const Page_Request& request, int ink_set,
                    Settings& s) {
    int paper = caps.paper_kind_default;
    if (!request.media_type.empty()) {
        const auto it =
            std::find(caps.media_types.begin(), caps.media_types.end(), request.media_type);
        if (it == caps.media_types.end())
            throw Job_Refused(PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR,
                              "the media type \"" + request.media_type +
                                  "\" is not one the printer has");
        paper = static_cast<int>(it - caps.media_types.begin());
    }
    // The high-speed ink set has the first seven papers only.
    constexpr int high_speed_papers = 7;
    if (ink_set == 0 && paper >= high_speed_papers)
        throw Job_Refused(PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR,
                          "the media type \"" + caps.media_types[std::size_t(paper)] +
                              "\" needs the photo ink set (tarv-ink-set=photo-7-color)");
    s.emplace_back(ink_set ? "PaperKindMode_7c" : "PaperKindMode_4c", std::to_string(paper));
}

} // namespace

Settings page_settings(const Driver_Caps& caps, const Page_Request& request) {
    check_request(caps, request);
    const Color_Entry& entry = color_entry(caps, request);
    Settings s;
    add_media(caps, request, s);
    s.emplace_back("res-color-mem", std::to_string(entry.index));
    s.emplace_back("copies", "1");
    const int ink_set = add_vendor_settings(caps, request, s);
    add_paper_kind(caps, request, ink_set, s);
    return s;
}

bool job_start(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*) {
    const Driver_Caps* caps = find_driver(papplPrinterGetDriverName(papplJobGetPrinter(job)));
    if (!caps) {
        abort_job(job, PAPPL_JREASON_ABORTED_BY_SYSTEM, "the printer's driver is not installed");
        return false;
    }
    papplJobSetData(job, new Job_State(*caps));
    return true;
}

// Runs one raster callback's work; a failure ends the job with a reason:
// a refusal's own (where `own_reasons`), else `other` for anything but the
// driver's errors. False tells PAPPL the page went wrong.
template <class F>
bool job_step(pappl_job_t* job, Job_State* state, bool own_reasons, pappl_jreason_t other,
              F&& body) {
    try {
        body();
        return true;
    } catch (const Job_Refused& e) {
        refuse(job, state, own_reasons ? e : Job_Refused(PAPPL_JREASON_ERRORS_DETECTED, e.what()));
    } catch (const HT_Error& e) {
        refuse(job, state, Job_Refused(PAPPL_JREASON_ERRORS_DETECTED, describe(e)));
    } catch (const std::exception& e) {
        refuse(job, state, Job_Refused(other, e.what()));
    }
    return false;
}

bool job_start_page(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*, unsigned page) {
    Job_State* state = state_of(job);
    if (!state || state->failed)
        return false;
    const bool ok = job_step(job, state, true, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR, [&] {
        const Page_Request request = request_of(job, options, state->caps);
        const Settings settings = page_settings(state->caps, request);
        if (!state->page || state->page->settings() != settings) {
            state->page.reset();
            const char* name = papplJobGetName(job);
            state->page = std::make_unique<Driver_Page>(state->caps, settings, name ? name : "");
        }
        state->page->begin(request);
        papplLogJob(job, PAPPL_LOGLEVEL_INFO, "Page %u: %d dpi, printable %d x %d dots", page,
                    request.dpi, state->page->geometry().width, state->page->geometry().rows);
    });
    if (!ok)
        state->page.reset();
    return ok;
}

bool job_write_line(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*, unsigned y,
                    const unsigned char* line) {
    Job_State* state = state_of(job);
    if (!state || state->failed || !state->page || !line)
        return false;
    return job_step(job, state, false, PAPPL_JREASON_ERRORS_DETECTED,
                    [&] { state->page->line(y, line); });
}

bool job_end_page(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t* device, unsigned) {
    Job_State* state = state_of(job);
    if (!state || state->failed || !state->page)
        return false;
    if (papplJobIsCanceled(job))
        return true;
    const bool ok = job_step(job, state, true, PAPPL_JREASON_ERRORS_DETECTED,
                             [&] { state->page->end(job, device); });
    if (!ok)
        state->page.reset();
    return ok;
}

bool job_end(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*) {
    Job_State* state = state_of(job);
    papplJobSetData(job, nullptr);
    const bool ok = state && !state->failed;
    delete state;
    return ok;
}

bool job_print_raw(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t* device) {
    const char* file = papplJobGetFilename(job);
    const int fd = file ? ::open(file, O_RDONLY | O_CLOEXEC) : -1;
    if (fd < 0) {
        abort_job(job, PAPPL_JREASON_ABORTED_BY_SYSTEM, "cannot open the job's document");
        return false;
    }
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (papplDeviceWrite(device, buffer.data(), static_cast<std::size_t>(n)) != n) {
            ok = false;
            break;
        }
    }
    ::close(fd);
    if (!ok)
        abort_job(job, PAPPL_JREASON_ERRORS_DETECTED, "cannot send the printer data");
    return ok;
}

} // namespace printer

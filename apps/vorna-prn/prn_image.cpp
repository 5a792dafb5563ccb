// `vorna-prn png` and `vorna-prn pwg`: the printed pages as pictures. The
// stream is walked twice: once to learn every page's size (and to find any
// damage before an output file is touched), once to write the rows band by
// band, so that no more than one band of a large page is held in memory.
#include "prn.h"

#include "picture_rows.h"

#include <cups/raster.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <unistd.h>

namespace prn {

using namespace spool_stream;

// ---------------------------------------------------------------------------
// Output file

namespace {

// The stdio stream's bytes go into the replacement; the first failure is kept
// for the message.
ssize_t output_write(void* cookie, const char* data, std::size_t size) {
    auto* out = static_cast<Output_File*>(cookie);
    return out->write(data, size) ? static_cast<ssize_t>(size) : -1;
}

} // namespace

Output_File::Output_File(const std::string& path) : m_path(path) {
    // The new file replaces an earlier one whole, or not at all.
    try {
        m_out = std::make_unique<plat::File_Replacement>(path);
    } catch (const plat::File_Error& e) {
        throw Output_Error(e.what());
    }
    static const cookie_io_functions_t io{nullptr, output_write, nullptr, nullptr};
    m_file = ::fopencookie(this, "w", io);
    if (m_file == nullptr)
        throw Output_Error(path + ": cannot create: " + std::strerror(errno));
}

Output_File::~Output_File() {
    if (m_file != nullptr)
        std::fclose(m_file);
}

bool Output_File::write(const char* data, std::size_t size) {
    try {
        m_out->write(data, size);
        return true;
    } catch (const plat::File_Error& e) {
        if (m_error.empty())
            m_error = e.what();
        errno = EIO;
        return false;
    }
}

void Output_File::commit() {
    const bool flushed = std::fflush(m_file) == 0 && !std::ferror(m_file);
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (!flushed || !closed)
        throw Output_Error(m_error.empty() ? m_path + ": cannot write" : m_error);
    try {
        m_out->commit();
    } catch (const plat::File_Error& e) {
        throw Output_Error(e.what());
    }
}

// ---------------------------------------------------------------------------
// Pages

uint32_t job_resolution(const Job_Info& job, bool vertical) {
    // Mode columns 5 and 6 carry the horizontal and vertical resolution.
    const Field* f = find_field(job_params_layout, vertical ? "mode_column_6" : "mode_column_5");
    const auto dpi = static_cast<int32_t>(job.job_params.value(*f));
    return dpi >= 36 && dpi <= 9600 ? static_cast<uint32_t>(dpi) : 360;
}

namespace {

class Page_Scanner : public Stream_Visitor {
public:
    std::vector<Page_Summary> pages;

    void job_begin(const Job_Info& job) override {
        m_job = job.index;
        m_x_dpi = job_resolution(job, false);
        m_y_dpi = job_resolution(job, true);
    }
    void page_end(const Page_End& end) override {
        pages.push_back({m_job, m_page++, end.width, end.rows, m_x_dpi, m_y_dpi});
    }
    void job_end(const Job_End&) override { m_page = 0; }

private:
    unsigned m_job = 0;
    unsigned m_page = 0;
    uint32_t m_x_dpi = 0, m_y_dpi = 0;
};

// Dots (red, green, blue, fourth byte) to RGB.
void to_rgb(const uint8_t* dots, uint32_t width, std::vector<uint8_t>& rgb) {
    rgb.resize(static_cast<std::size_t>(width) * 3);
    for (uint32_t x = 0; x < width; ++x) {
        rgb[3 * std::size_t{x}] = dots[4 * std::size_t{x}];
        rgb[3 * std::size_t{x} + 1] = dots[4 * std::size_t{x} + 1];
        rgb[3 * std::size_t{x} + 2] = dots[4 * std::size_t{x} + 2];
    }
}

// ---------------------------------------------------------------------------
// PNG. libpng reports errors by longjmp; each call into it sits in a small
// function without C++ objects, which turns the jump into a false result.

struct Png_State {
    png_structp png = nullptr;
    png_infop info = nullptr;
    char message[256] = "";
};

void png_failed(png_structp png, png_const_charp message) {
    auto* state = static_cast<Png_State*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", message);
    png_longjmp(png, 1);
}

void png_warned(png_structp, png_const_charp) {}

bool png_start(Png_State& s, std::FILE* file, uint32_t width, uint32_t height, uint32_t x_dpi,
               uint32_t y_dpi) {
    if (setjmp(png_jmpbuf(s.png)))
        return false;
    png_init_io(s.png, file);
    png_set_IHDR(s.png, s.info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Drawings are mostly flat colour: run-length matching with the
    // neighbour-to-the-left filter compresses them well, and fast.
    png_set_compression_level(s.png, 1);
    png_set_compression_strategy(s.png, Z_RLE);
    png_set_filter(s.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    // Dots per inch to dots per metre.
    png_set_pHYs(s.png, s.info, static_cast<png_uint_32>(x_dpi / 0.0254 + 0.5),
                 static_cast<png_uint_32>(y_dpi / 0.0254 + 0.5), PNG_RESOLUTION_METER);
    png_write_info(s.png, s.info);
    return true;
}

bool png_row(Png_State& s, const uint8_t* rgb) {
    if (setjmp(png_jmpbuf(s.png)))
        return false;
    png_write_row(s.png, rgb);
    return true;
}

bool png_finish(Png_State& s) {
    if (setjmp(png_jmpbuf(s.png)))
        return false;
    png_write_end(s.png, s.info);
    return true;
}

class Png_Writer : public Stream_Visitor {
public:
    Png_Writer(const Page_Summary& target, unsigned number, std::FILE* file, int dpi)
        : m_target(target), m_number(number), m_file(file),
          m_size(picture::scaled_size(static_cast<int>(target.width), static_cast<int>(target.rows),
                                      static_cast<int>(target.x_dpi),
                                      static_cast<int>(target.y_dpi), dpi)),
          m_rows(static_cast<int>(target.width), static_cast<int>(target.rows), m_size,
                 [this](const uint8_t* rgb) {
                     if (!png_row(m_state, rgb))
                         fail();
                 }) {
        m_state.png =
            png_create_write_struct(PNG_LIBPNG_VER_STRING, &m_state, png_failed, png_warned);
        if (m_state.png != nullptr)
            m_state.info = png_create_info_struct(m_state.png);
        if (m_state.info == nullptr)
            throw Output_Error("cannot start the PNG writer");
    }
    ~Png_Writer() override { png_destroy_write_struct(&m_state.png, &m_state.info); }
    Png_Writer(const Png_Writer&) = delete;
    Png_Writer& operator=(const Png_Writer&) = delete;

    bool done() const { return m_done; }

    void page_begin(const Page_Info&) override {
        m_active = ++m_seen == m_number;
        if (m_active &&
            !png_start(m_state, m_file, static_cast<uint32_t>(m_size.width),
                       static_cast<uint32_t>(m_size.height), static_cast<uint32_t>(m_size.x_dpi),
                       static_cast<uint32_t>(m_size.y_dpi)))
            fail();
    }
    void band(const Band_Info& band, std::span<const uint8_t> dots) override {
        if (!m_active)
            return;
        for (uint32_t r = 0; r < band.rows; ++r) {
            to_rgb(dots.data() + std::size_t{r} * band.width * 4, band.width, m_rgb);
            m_rows.add(m_rgb.data());
        }
    }
    void page_end(const Page_End&) override {
        if (m_active && !png_finish(m_state))
            fail();
        m_done = m_done || m_active;
        m_active = false;
    }

private:
    [[noreturn]] void fail() const { throw Output_Error(std::string("PNG: ") + m_state.message); }

    Page_Summary m_target;
    unsigned m_number;
    std::FILE* m_file;
    Png_State m_state;
    picture::Size m_size;
    picture::Row_Averager m_rows;
    unsigned m_seen = 0;
    bool m_active = false;
    bool m_done = false;
    std::vector<uint8_t> m_rgb;
};

// ---------------------------------------------------------------------------
// PWG Raster through libcups.

ssize_t write_to_file(void* context, unsigned char* data, size_t length) {
    return std::fwrite(data, 1, length, static_cast<std::FILE*>(context)) == length
               ? static_cast<ssize_t>(length)
               : -1;
}

class Pwg_Writer : public Stream_Visitor {
public:
    Pwg_Writer(const std::vector<Page_Summary>& pages, std::FILE* file)
        : m_pages(pages), m_raster(cupsRasterOpenIO(write_to_file, file, CUPS_RASTER_WRITE_PWG)) {
        if (m_raster == nullptr)
            throw Output_Error("cannot start the PWG Raster writer");
    }
    ~Pwg_Writer() override { cupsRasterClose(m_raster); }
    Pwg_Writer(const Pwg_Writer&) = delete;
    Pwg_Writer& operator=(const Pwg_Writer&) = delete;

    unsigned written() const { return m_written; }

    void page_begin(const Page_Info&) override {
        // Pages without rows have no picture to send.
        const Page_Summary& page = m_pages.at(m_seen++);
        m_active = page.rows > 0;
        if (!m_active)
            return;
        const int width_2540 = static_cast<int>(uint64_t{page.width} * 2540 / page.x_dpi) + 1;
        const int length_2540 = static_cast<int>(uint64_t{page.rows} * 2540 / page.y_dpi) + 1;
        pwg_media_t* media = pwgMediaForSize(width_2540, length_2540);
        cups_page_header2_t header;
        if (media == nullptr ||
            !cupsRasterInitPWGHeader(&header, media, "srgb_8", static_cast<int>(page.x_dpi),
                                     static_cast<int>(page.y_dpi), "one-sided", nullptr))
            throw Output_Error(std::string("PWG header: ") + cupsLastErrorString());
        // The page is exactly the printed dots.
        header.cupsWidth = page.width;
        header.cupsHeight = page.rows;
        header.cupsBytesPerLine = page.width * 3;
        header.NumCopies = 1;
        if (!cupsRasterWriteHeader2(m_raster, &header))
            throw Output_Error("cannot write a PWG page header");
        ++m_written;
    }
    void band(const Band_Info& band, std::span<const uint8_t> dots) override {
        if (!m_active)
            return;
        for (uint32_t r = 0; r < band.rows; ++r) {
            to_rgb(dots.data() + std::size_t{r} * band.width * 4, band.width, m_rgb);
            const auto length = static_cast<unsigned>(m_rgb.size());
            if (cupsRasterWritePixels(m_raster, m_rgb.data(), length) != length)
                throw Output_Error("cannot write PWG rows");
        }
    }

private:
    const std::vector<Page_Summary>& m_pages;
    cups_raster_t* m_raster;
    std::size_t m_seen = 0;
    bool m_active = false;
    unsigned m_written = 0;
    std::vector<uint8_t> m_rgb;
};

} // namespace

std::vector<Page_Summary> scan_pages(Byte_Source& source) {
    Page_Scanner scanner;
    decode_stream(source, scanner);
    return scanner.pages;
}

void write_png(Byte_Source& source, unsigned number, const std::string& path, int dpi) {
    const std::vector<Page_Summary> pages = scan_pages(source);
    if (number == 0 || number > pages.size())
        throw Input_Error("there is no page " + std::to_string(number) + "; the stream has " +
                          std::to_string(pages.size()));
    const Page_Summary& target = pages[number - 1];
    if (target.rows == 0)
        throw Input_Error("page " + std::to_string(number) + " has no printed rows");

    Output_File out(path);
    {
        Png_Writer writer(target, number, out.get(), dpi);
        decode_stream(source, writer);
        if (!writer.done())
            throw Input_Error("page " + std::to_string(number) + " changed between two reads");
    }
    out.commit();
}

unsigned write_pwg(Byte_Source& source, const std::string& path) {
    const std::vector<Page_Summary> pages = scan_pages(source);
    const auto printed =
        std::count_if(pages.begin(), pages.end(), [](const Page_Summary& p) { return p.rows > 0; });
    if (printed == 0)
        throw Input_Error("the stream has no page with printed rows");

    Output_File out(path);
    unsigned written = 0;
    {
        Pwg_Writer writer(pages, out.get());
        decode_stream(source, writer);
        written = writer.written();
    }
    out.commit();
    return written;
}

} // namespace prn

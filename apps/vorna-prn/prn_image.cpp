// `vorna-prn png` and `vorna-prn pwg`: the printed pages as pictures. The
// stream is walked twice: once to learn every page's size (and to find any
// damage before an output file is touched), once to write the rows band by
// band, so that no more than one band of a large page is held in memory.
#include "prn.h"

#include "page_picture.h"

#include <cups/raster.h>

#include <algorithm>
#include <cerrno>
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

    // Only the rows' sizes are needed, and that they decode.
    bool wants_encoded_rows() const override { return true; }
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

    const auto paper =
        picture::Paper::of_page(static_cast<int>(target.width), static_cast<int>(target.rows),
                                static_cast<int>(target.x_dpi), static_cast<int>(target.y_dpi));
    bool found = false;
    try {
        found = picture::write_page_png(&source, number, paper, path, dpi);
    } catch (const picture::Picture_Error& e) {
        throw Output_Error(e.what());
    }
    if (!found)
        throw Input_Error("page " + std::to_string(number) + " changed between two reads");
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

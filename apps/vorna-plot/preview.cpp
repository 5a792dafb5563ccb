#include "preview.h"

#include "picture_rows.h"
#include "plat_file.h"

#include "stream_decoder.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

namespace plot {
namespace {

using namespace spool_stream;

// One page's bytes inside a longer stream file.
class Range_Source : public Byte_Source {
public:
    Range_Source(Byte_Source& whole, std::uint64_t begin, std::uint64_t end)
        : m_whole(whole), m_begin(begin), m_size(end - begin) {}
    std::uint64_t size() const override { return m_size; }
    void read_at(std::uint64_t offset, std::span<std::uint8_t> out) override {
        m_whole.read_at(m_begin + offset, out);
    }

private:
    Byte_Source& m_whole;
    std::uint64_t m_begin, m_size;
};

// libpng reports errors by longjmp; each call sits alone in a function with
// nothing to destroy, so the jump never skips a destructor.
bool png_begin(png_structp png, png_infop info, std::FILE* file, png_uint_32 width,
               png_uint_32 height, png_uint_32 dots_per_metre) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Drawings are mostly flat colour: run-length matching with the
    // neighbour-to-the-left filter compresses them well at a fraction of the
    // time of the usual settings.
    png_set_compression_level(png, 1);
    png_set_compression_strategy(png, Z_RLE);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    if (dots_per_metre > 0)
        png_set_pHYs(png, info, dots_per_metre, dots_per_metre, PNG_RESOLUTION_METER);
    png_write_info(png, info);
    return true;
}

bool png_row(png_structp png, png_bytep row) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_write_row(png, row);
    return true;
}

bool png_finish(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_write_end(png, info);
    return true;
}

// Thrown to stop the decoder once the first page is complete.
struct First_Page_Done {};

// Writes the paper row by row as the bands come, so that a large page never
// has to be held in memory.
class Paper_Writer : public Stream_Visitor {
public:
    Paper_Writer(const Page_Geometry& g, picture::Row_Averager& out) : m_g(g), m_out(out) {
        m_row.resize(static_cast<std::size_t>(g.paper_width) * 3);
    }

    void band(const Band_Info& info, std::span<const std::uint8_t> dots) override {
        for (std::uint32_t j = 0; j < info.rows; ++j) {
            const long long paper_row = static_cast<long long>(m_g.top) + info.top + j;
            if (paper_row < m_next)
                continue; // a row again or out of order: the first one stays
            flush_until(paper_row);
            if (m_next >= m_g.paper_height)
                return;
            compose_blank(paper_row);
            const std::uint8_t* src = dots.data() + static_cast<std::size_t>(j) * info.width * 4;
            for (std::uint32_t i = 0; i < info.width; ++i) {
                const long long x = static_cast<long long>(m_g.left) + i;
                if (x < 0 || x >= m_g.paper_width)
                    continue;
                std::memcpy(&m_row[static_cast<std::size_t>(x) * 3], src + i * 4, 3);
            }
            emit();
        }
    }
    void page_end(const Page_End&) override { throw First_Page_Done{}; }

    // Rows up to (not including) `row` that no band reached.
    void flush_until(long long row) {
        const long long last = std::min<long long>(row, m_g.paper_height);
        while (m_next < last) {
            compose_blank(m_next);
            emit();
        }
    }

private:
    // Paper: white inside the printable area, grey outside it.
    void compose_blank(long long row) {
        const bool printable_row =
            row >= m_g.top && row < static_cast<long long>(m_g.top) + m_g.rows;
        for (int x = 0; x < m_g.paper_width; ++x) {
            const bool inside = printable_row && x >= m_g.left && x < m_g.left + m_g.width;
            const std::uint8_t v = inside ? 255 : margin_grey;
            std::memset(&m_row[static_cast<std::size_t>(x) * 3], v, 3);
        }
    }
    void emit() {
        m_out.add(m_row.data());
        ++m_next;
    }

    const Page_Geometry& m_g;
    picture::Row_Averager& m_out;
    std::vector<std::uint8_t> m_row;
    long long m_next = 0;
};

// A stdio stream for libpng whose bytes go into a file replacement; the first
// failure is kept for the message.
struct Png_Sink {
    std::unique_ptr<plat::File_Replacement> out;
    std::string error;
};

ssize_t sink_write(void* cookie, const char* data, std::size_t size) {
    auto* sink = static_cast<Png_Sink*>(cookie);
    try {
        sink->out->write(data, size);
        return static_cast<ssize_t>(size);
    } catch (const plat::File_Error& e) {
        if (sink->error.empty())
            sink->error = e.what();
        errno = EIO;
        return -1;
    }
}

} // namespace

void write_preview(const std::string& stream_path, std::uint64_t begin, std::uint64_t end,
                   const Page_Geometry& geometry, const std::string& png_path, int dpi) {
    if (geometry.paper_width <= 0 || geometry.paper_height <= 0)
        throw Preview_Error(png_path + ": the paper has no size");
    if (end < begin)
        throw Preview_Error(png_path + ": no such part of the printer data");

    std::unique_ptr<File_Source> whole;
    try {
        whole = std::make_unique<File_Source>(stream_path);
    } catch (const std::exception& e) {
        throw Preview_Error(stream_path + ": " + e.what());
    }
    if (end > whole->size())
        throw Preview_Error(stream_path + ": shorter than the plot wrote");

    // The picture replaces an earlier one only once it is whole.
    Png_Sink sink;
    try {
        sink.out = std::make_unique<plat::File_Replacement>(png_path);
    } catch (const plat::File_Error& e) {
        throw Preview_Error(e.what());
    }
    static const cookie_io_functions_t sink_io{nullptr, sink_write, nullptr, nullptr};
    std::FILE* file = ::fopencookie(&sink, "w", sink_io);
    if (!file)
        throw Preview_Error(png_path + ": cannot create: " + std::strerror(errno));
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    auto discard = [&] {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        std::fclose(file);
        sink.out.reset();
    };
    const picture::Size size = picture::scaled_size(geometry.paper_width, geometry.paper_height,
                                                    geometry.x_dpi, geometry.y_dpi, dpi);
    const auto per_metre = static_cast<png_uint_32>(std::lround(size.x_dpi / 0.0254));
    if (!png || !info ||
        !png_begin(png, info, file, static_cast<png_uint_32>(size.width),
                   static_cast<png_uint_32>(size.height), per_metre)) {
        discard();
        throw Preview_Error(png_path + ": cannot write the picture");
    }

    try {
        picture::Row_Averager rows(geometry.paper_width, geometry.paper_height, size,
                                   [png](const std::uint8_t* rgb) {
                                       if (!png_row(png, const_cast<png_bytep>(rgb)))
                                           throw Preview_Error("cannot write the picture");
                                   });
        Paper_Writer writer(geometry, rows);
        if (end > begin) {
            Range_Source page(*whole, begin, end);
            try {
                decode_stream(page, writer);
            } catch (const First_Page_Done&) {
            }
        }
        writer.flush_until(geometry.paper_height);
    } catch (const Stream_Error& e) {
        discard();
        throw Preview_Error(stream_path + ": the printer data cannot be decoded at byte " +
                            std::to_string(begin + e.offset()) + ": " + e.what());
    } catch (const std::exception& e) {
        discard();
        throw Preview_Error(png_path + ": " + e.what());
    }

    const bool finished = png_finish(png, info);
    png_destroy_write_struct(&png, &info);
    const bool closed = std::fclose(file) == 0;
    if (!finished || !closed) {
        const std::string reason =
            sink.error.empty() ? png_path + ": cannot write the picture" : sink.error;
        sink.out.reset();
        throw Preview_Error(reason);
    }
    try {
        sink.out->commit();
    } catch (const plat::File_Error& e) {
        throw Preview_Error(e.what());
    }
}

} // namespace plot

#include "page_picture.h"

#include "plat_file.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

namespace picture {

Size scaled_size(int width, int height, int x_dpi, int y_dpi, int dpi) {
    auto scaled = [dpi](int dots, int res) {
        if (dpi <= 0 || res <= 0 || dpi >= res)
            return dots;
        return static_cast<int>(
            std::max<std::int64_t>(1, (std::int64_t{dots} * dpi + res / 2) / res));
    };
    auto res = [dpi](int r) { return dpi <= 0 || r <= 0 || dpi >= r ? r : dpi; };
    return {scaled(width, x_dpi), scaled(height, y_dpi), res(x_dpi), res(y_dpi)};
}

namespace {

using namespace spool_stream;

// ---------------------------------------------------------------------------
// PNG. libpng reports errors by longjmp; each call into it sits in a small
// function without C++ objects, which turns the jump into a false result.

bool png_begin(png_structp png, png_infop info, const Size& size) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, static_cast<png_uint_32>(size.width),
                 static_cast<png_uint_32>(size.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Drawings are mostly flat colour: run-length matching with the
    // neighbour-to-the-left filter compresses them well at a fraction of the
    // time of the usual settings.
    png_set_compression_level(png, 1);
    png_set_compression_strategy(png, Z_RLE);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    // Dots per inch to dots per metre.
    if (size.x_dpi > 0 && size.y_dpi > 0)
        png_set_pHYs(png, info, static_cast<png_uint_32>(size.x_dpi / 0.0254 + 0.5),
                     static_cast<png_uint_32>(size.y_dpi / 0.0254 + 0.5), PNG_RESOLUTION_METER);
    png_write_info(png, info);
    return true;
}

bool png_row(png_structp png, const std::uint8_t* rgb) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_write_row(png, rgb);
    return true;
}

bool png_finish(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_write_end(png, info);
    return true;
}

// A PNG file that replaces `path` only once it is whole.
class Png_File {
public:
    Png_File(const std::string& path, const Size& size) : m_path(path) {
        try {
            m_out = std::make_unique<plat::File_Replacement>(path);
        } catch (const plat::File_Error& e) {
            throw Picture_Error(e.what());
        }
        m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, on_error, on_warning);
        if (m_png != nullptr)
            m_info = png_create_info_struct(m_png);
        if (m_info == nullptr)
            throw Picture_Error(path + ": cannot start the PNG writer");
        png_set_write_fn(m_png, this, on_write, on_flush);
        if (!png_begin(m_png, m_info, size))
            fail();
    }
    ~Png_File() { png_destroy_write_struct(&m_png, m_info ? &m_info : nullptr); }
    Png_File(const Png_File&) = delete;
    Png_File& operator=(const Png_File&) = delete;

    void row(const std::uint8_t* rgb) {
        if (!png_row(m_png, rgb))
            fail();
    }
    void commit() {
        if (!png_finish(m_png, m_info))
            fail();
        try {
            m_out->commit();
        } catch (const plat::File_Error& e) {
            throw Picture_Error(e.what());
        }
    }

private:
    static void on_write(png_structp png, png_bytep data, std::size_t size) {
        if (!static_cast<Png_File*>(png_get_io_ptr(png))->write(data, size))
            png_error(png, "cannot write");
    }
    static void on_flush(png_structp) {}
    static void on_error(png_structp png, png_const_charp message) {
        auto* self = static_cast<Png_File*>(png_get_error_ptr(png));
        std::snprintf(self->m_message, sizeof self->m_message, "%s", message);
        png_longjmp(png, 1);
    }
    static void on_warning(png_structp, png_const_charp) {}

    // The first failure of the file is kept for the message.
    bool write(const void* data, std::size_t size) {
        try {
            m_out->write(data, size);
            return true;
        } catch (const plat::File_Error& e) {
            if (m_error.empty())
                m_error = e.what();
            return false;
        }
    }
    [[noreturn]] void fail() const {
        throw Picture_Error(!m_error.empty() ? m_error
                                             : m_path + ": cannot write the picture: " + m_message);
    }

    std::string m_path;
    std::unique_ptr<plat::File_Replacement> m_out;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
    std::string m_error;
    char m_message[256] = "";
};

// ---------------------------------------------------------------------------
// Averaging. Each picture pixel sums the dots of its columns over the rows it
// covers; spans of one colour (a run in the printer data, the paper) are
// added a picture column at a time, not dot by dot, and a row like the one
// before it (most rows of a drawing) only counts that row once more.

class Averager {
public:
    Averager(int in_width, int in_height, const Size& out, Png_File& png)
        : m_in_width(in_width), m_in_height(in_height), m_width(out.width), m_height(out.height),
          m_png(png) {
        const auto w = static_cast<std::size_t>(m_width);
        m_column.resize(static_cast<std::size_t>(in_width));
        m_share.assign(w, 0);
        m_start.assign(w + 1, in_width);
        for (int x = in_width - 1; x >= 0; --x) {
            const int to = static_cast<int>(std::int64_t{x} * m_width / in_width);
            m_column[static_cast<std::size_t>(x)] = to;
            ++m_share[static_cast<std::size_t>(to)];
            m_start[static_cast<std::size_t>(to)] = x;
        }
        m_sum.assign(w * 3, 0);
        m_row.assign(w * 3, 0);
        m_out.resize(w * 3);
    }

    // Dots [x0, x1) of the current row all of value v, in channel c (0 to 2)
    // or, with c = 3, in all three.
    void span(int c, long long x0, long long x1, std::uint32_t v) {
        x0 = std::max(x0, 0LL);
        x1 = std::min<long long>(x1, m_in_width);
        if (x0 >= x1 || v == 0)
            return;
        const int c0 = m_column[static_cast<std::size_t>(x0)];
        const int c1 = m_column[static_cast<std::size_t>(x1 - 1)];
        if (c0 == c1) {
            add(c, c0, v * static_cast<std::uint32_t>(x1 - x0));
            return;
        }
        add(c, c0, v * static_cast<std::uint32_t>(m_start[static_cast<std::size_t>(c0) + 1] - x0));
        std::uint32_t* sum = m_row.data();
        const std::uint32_t* share = m_share.data();
        if (c < 3) {
            for (std::size_t k = static_cast<std::size_t>(c0) + 1; k < static_cast<std::size_t>(c1);
                 ++k)
                sum[3 * k + static_cast<std::size_t>(c)] += v * share[k];
        } else {
            for (std::size_t k = static_cast<std::size_t>(c0) + 1; k < static_cast<std::size_t>(c1);
                 ++k) {
                const std::uint32_t amount = v * share[k];
                sum[3 * k] += amount;
                sum[3 * k + 1] += amount;
                sum[3 * k + 2] += amount;
            }
        }
        add(c, c1, v * static_cast<std::uint32_t>(x1 - m_start[static_cast<std::size_t>(c1)]));
    }
    // n dots of channel c from x0 on.
    void dots(int c, long long x0, const std::uint8_t* p, long long n) {
        const long long from = std::max(x0, 0LL);
        const long long to = std::min<long long>(x0 + n, m_in_width);
        for (long long x = from; x < to; ++x)
            m_row[3 * static_cast<std::size_t>(m_column[static_cast<std::size_t>(x)]) +
                  static_cast<std::size_t>(c)] += p[x - x0];
    }
    // Starts the next row: false when it is `like_last` (nothing to add),
    // true when its spans and dots follow.
    bool begin_row(bool like_last) {
        if (like_last && m_row_made) {
            ++m_repeats;
            return false;
        }
        settle();
        std::fill(m_row.begin(), m_row.end(), 0);
        m_repeats = 1;
        m_row_made = true;
        return true;
    }
    // The current row is complete.
    void row_done() {
        if (m_in_row >= m_in_height)
            return;
        ++m_rows_in;
        ++m_in_row;
        if (m_in_row == m_in_height ||
            std::int64_t{m_in_row} * m_height / m_in_height != m_out_row) {
            flush();
            m_out_row = static_cast<int>(std::int64_t{m_in_row} * m_height / m_in_height);
        }
    }
    int rows_done() const { return m_in_row; }

private:
    void add(int c, int column, std::uint32_t amount) {
        std::uint32_t* sum = &m_row[3 * static_cast<std::size_t>(column)];
        if (c < 3) {
            sum[c] += amount;
            return;
        }
        sum[0] += amount;
        sum[1] += amount;
        sum[2] += amount;
    }
    // Adds the last row as many times as it came.
    void settle() {
        if (m_repeats == 0)
            return;
        for (std::size_t i = 0; i < m_sum.size(); ++i)
            m_sum[i] += m_row[i] * m_repeats;
        m_repeats = 0;
    }
    void flush() {
        settle();
        for (std::size_t x = 0; x < static_cast<std::size_t>(m_width); ++x) {
            const std::uint32_t n = m_share[x] * m_rows_in;
            for (std::size_t k = 0; k < 3; ++k) {
                std::uint32_t& sum = m_sum[3 * x + k];
                m_out[3 * x + k] = static_cast<std::uint8_t>(n == 1   ? sum
                                                             : n != 0 ? (sum + n / 2) / n
                                                                      : 255);
                sum = 0;
            }
        }
        m_rows_in = 0;
        m_png.row(m_out.data());
    }

    int m_in_width, m_in_height, m_width, m_height;
    Png_File& m_png;
    std::vector<int> m_column;          // picture column of each page column
    std::vector<std::uint32_t> m_share; // page columns in each picture column
    std::vector<int> m_start;           // first page column of each picture column
    std::vector<std::uint32_t> m_sum;   // sums of the rows gathered so far
    std::vector<std::uint32_t> m_row;   // sums of the last row alone
    std::uint32_t m_repeats = 0;        // times the last row came, not yet in m_sum
    bool m_row_made = false;
    std::vector<std::uint8_t> m_out;
    int m_in_row = 0, m_out_row = 0;
    std::uint32_t m_rows_in = 0;
};

// Thrown to stop the decoder once the page is complete.
struct Page_Done {};

// Lays the rows of one page on the paper, row by row as they come, so that a
// large page is never held in memory.
class Paper_Rows : public Stream_Visitor {
public:
    Paper_Rows(const Paper& paper, unsigned number, Averager& out)
        : m_paper(paper), m_number(number), m_out(out) {}

    bool found() const { return m_found; }
    bool wants_encoded_rows() const override { return true; }

    void page_begin(const Page_Info&) override { m_active = ++m_seen == m_number; }
    void encoded_row(std::uint32_t width, std::uint32_t row,
                     std::span<const std::uint8_t> planes) override {
        if (!m_active)
            return;
        const long long paper_row = static_cast<long long>(m_paper.top) + row;
        if (paper_row < m_out.rows_done())
            return; // a row again or out of order: the first one stays
        blank_until(paper_row);
        if (m_out.rows_done() >= m_paper.height)
            return;
        const bool printable = printable_row(paper_row);
        const bool like_last =
            m_last_printed && printable == m_last_printable &&
            std::equal(planes.begin(), planes.end(), m_last.begin(), m_last.end());
        m_last_printed = true;
        m_last_printable = printable;
        if (!m_out.begin_row(like_last)) {
            m_out.row_done();
            return;
        }
        m_last.assign(planes.begin(), planes.end());
        const long long left = m_paper.left;
        blank(printable, 0, left);
        blank(printable, left + width, m_paper.width);
        std::size_t pos = 0;
        for (int c = 0; c < 4; ++c) {
            // The fourth byte of a dot is not part of its colour.
            const bool shown = c < 3;
            packbits_walk(
                planes, pos, width,
                [&](std::size_t at, std::size_t n, std::uint8_t v) {
                    if (shown)
                        m_out.span(c, left + static_cast<long long>(at),
                                   left + static_cast<long long>(at + n), v);
                },
                [&](std::size_t at, const std::uint8_t* p, std::size_t n) {
                    if (shown)
                        m_out.dots(c, left + static_cast<long long>(at), p,
                                   static_cast<long long>(n));
                });
        }
        m_out.row_done();
    }
    void page_end(const Page_End&) override {
        if (!m_active)
            return;
        m_found = true;
        throw Page_Done{};
    }

    // Rows up to (not including) `row` that no band reached.
    void blank_until(long long row) {
        const long long last = std::min<long long>(row, m_paper.height);
        while (m_out.rows_done() < last) {
            const bool printable = printable_row(m_out.rows_done());
            const bool like_last = !m_last_printed && printable == m_last_printable;
            m_last_printed = false;
            m_last_printable = printable;
            if (m_out.begin_row(like_last))
                blank(printable, 0, m_paper.width);
            m_out.row_done();
        }
    }

private:
    bool printable_row(long long row) const {
        return row >= m_paper.top &&
               row < static_cast<long long>(m_paper.top) + m_paper.printable_rows;
    }
    // Bare paper over dots [x0, x1) of a row: white inside the printable
    // area, the margin colour outside it.
    void blank(bool printable_row, long long x0, long long x1) {
        const Paper& p = m_paper;
        if (!printable_row) {
            m_out.span(3, x0, x1, p.margin);
            return;
        }
        const long long in0 = p.left, in1 = static_cast<long long>(p.left) + p.printable_width;
        m_out.span(3, x0, std::min(x1, in0), p.margin);
        m_out.span(3, std::max(x0, in0), std::min(x1, in1), 255);
        m_out.span(3, std::max(x0, in1), x1, p.margin);
    }

    const Paper& m_paper;
    unsigned m_number;
    Averager& m_out;
    unsigned m_seen = 0;
    bool m_active = false;
    bool m_found = false;
    // The last row laid on the paper: printed (its encoded form) or bare.
    bool m_last_printed = false;
    bool m_last_printable = false;
    std::vector<std::uint8_t> m_last;
};

} // namespace

bool write_page_png(Byte_Source* source, unsigned number, const Paper& paper,
                    const std::string& path, int dpi) {
    if (paper.width <= 0 || paper.height <= 0)
        throw Picture_Error(path + ": the paper has no size");
    const Size size = scaled_size(paper.width, paper.height, paper.x_dpi, paper.y_dpi, dpi);
    Png_File png(path, size);
    Averager averager(paper.width, paper.height, size, png);
    Paper_Rows rows(paper, number, averager);
    if (source != nullptr) {
        try {
            decode_stream(*source, rows);
        } catch (const Page_Done&) {
        }
        if (!rows.found())
            return false;
    }
    rows.blank_until(paper.height);
    png.commit();
    return true;
}

} // namespace picture

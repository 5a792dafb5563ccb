// Scaling of page pictures for the screen: rows of RGB dots in, rows of a
// smaller picture out, each pixel the mean of the dots that fall into it.
// Sampling instead would drop thin lines, which are most of a drawing.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace picture {

// Resolution of a picture of a page unless asked otherwise: the whole page
// fits a screen, and writing it takes little beside the plot.
inline constexpr int default_dpi = 150;

struct Size {
    int width = 0, height = 0;
    int x_dpi = 0, y_dpi = 0; // as stored in the picture
};

// Size of a picture at `dpi` of a page of width x height dots at x_dpi by
// y_dpi; 0, or at least the page's own resolution, keeps every dot.
inline Size scaled_size(int width, int height, int x_dpi, int y_dpi, int dpi) {
    auto scaled = [dpi](int dots, int res) {
        if (dpi <= 0 || res <= 0 || dpi >= res)
            return dots;
        return static_cast<int>(
            std::max<std::int64_t>(1, (std::int64_t{dots} * dpi + res / 2) / res));
    };
    auto res = [dpi](int r) { return dpi <= 0 || r <= 0 || dpi >= r ? r : dpi; };
    return {scaled(width, x_dpi), scaled(height, y_dpi), res(x_dpi), res(y_dpi)};
}

// Takes a page's rows in order and hands the picture's rows to `sink`.
class Row_Averager {
public:
    using Sink = std::function<void(const std::uint8_t* rgb)>;

    Row_Averager(int in_width, int in_height, Size out, Sink sink)
        : m_in_width(in_width), m_in_height(in_height), m_width(out.width), m_height(out.height),
          m_sink(std::move(sink)) {
        m_scaled = m_width != in_width || m_height != in_height;
        if (!m_scaled)
            return;
        m_column.resize(static_cast<std::size_t>(in_width));
        m_share.assign(static_cast<std::size_t>(m_width), 0);
        for (int x = 0; x < in_width; ++x) {
            const int to = static_cast<int>(std::int64_t{x} * m_width / in_width);
            m_column[static_cast<std::size_t>(x)] = to;
            ++m_share[static_cast<std::size_t>(to)];
        }
        m_sum.assign(static_cast<std::size_t>(m_width) * 3, 0);
        m_out.resize(static_cast<std::size_t>(m_width) * 3);
    }

    // The next row of the page: in_width RGB dots.
    void add(const std::uint8_t* rgb) {
        if (m_in_row >= m_in_height)
            return;
        if (!m_scaled) {
            ++m_in_row;
            m_sink(rgb);
            return;
        }
        const int to = static_cast<int>(std::int64_t{m_in_row} * m_height / m_in_height);
        if (to != m_out_row)
            flush();
        m_out_row = to;
        for (int x = 0; x < m_in_width; ++x) {
            std::uint32_t* sum =
                &m_sum[3 * static_cast<std::size_t>(m_column[static_cast<std::size_t>(x)])];
            const std::uint8_t* px = rgb + 3 * static_cast<std::size_t>(x);
            sum[0] += px[0];
            sum[1] += px[1];
            sum[2] += px[2];
        }
        ++m_rows_in;
        if (++m_in_row == m_in_height)
            flush();
    }

private:
    void flush() {
        if (m_rows_in == 0)
            return;
        for (std::size_t x = 0; x < static_cast<std::size_t>(m_width); ++x) {
            const std::uint32_t n = m_share[x] * m_rows_in;
            for (std::size_t k = 0; k < 3; ++k) {
                std::uint32_t& sum = m_sum[3 * x + k];
                m_out[3 * x + k] = static_cast<std::uint8_t>(n ? (sum + n / 2) / n : 255);
                sum = 0;
            }
        }
        m_rows_in = 0;
        m_sink(m_out.data());
    }

    int m_in_width, m_in_height, m_width, m_height;
    Sink m_sink;
    bool m_scaled = false;
    std::vector<int> m_column;          // picture column of each page column
    std::vector<std::uint32_t> m_share; // page columns in each picture column
    std::vector<std::uint32_t> m_sum;   // sums of the rows gathered so far
    std::vector<std::uint8_t> m_out;
    int m_in_row = 0, m_out_row = 0;
    std::uint32_t m_rows_in = 0;
};

} // namespace picture

#include "ht_rendition.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

// Integers up to this size are exact in a float: within it a dot's test can
// be answered from spans; beyond it the float point of point_inside rounds,
// so those dots are asked directly.
constexpr std::int64_t exact_limit = std::int64_t{1} << 24;
// Rows whose spans are computed together.
constexpr std::int64_t block_rows = 64;

// One edge as point_inside walks it: from point j to point i of its contour.
struct Edge {
    double xi, yi, xj, yj;
};

// Where the ray of point_inside crosses the edge at height py. Shared by both
// tests so that they answer alike to the last bit.
inline double crossing_x(const Edge& e, double py) {
    return e.xi + (py - e.yi) * (e.xj - e.xi) / (e.yj - e.yi);
}

// True when (px, py) lies on the edge: collinear and within its box.
inline bool on_edge(const Edge& e, double px, double py) {
    const double cross = (e.xj - e.xi) * (py - e.yi) - (e.yj - e.yi) * (px - e.xi);
    return cross == 0 && px >= std::min(e.xi, e.xj) && px <= std::max(e.xi, e.xj) &&
           py >= std::min(e.yi, e.yj) && py <= std::max(e.yi, e.yj);
}

// Dots whose spans may be infinite are cut to this, far beyond any page.
constexpr double span_limit = static_cast<double>(exact_limit * 2);

std::int32_t span_end(double v) {
    if (std::isnan(v))
        return 0;
    return static_cast<std::int32_t>(std::clamp(v, -span_limit, span_limit));
}

} // namespace

// Spans of inside dots: for each row of a block, closed intervals [a, b] of
// columns, sorted and disjoint.
struct HT_Contour_Set_Data::Span_Cache {
    struct Block {
        std::vector<std::uint32_t> first; // block_rows + 1 offsets into spans
        std::vector<std::int32_t> spans;  // pairs a, b
    };
    std::vector<Edge> edges;
    std::int64_t first_row = 0, last_row = -1; // rows that can hold an inside dot
    std::vector<std::unique_ptr<Block>> blocks;
};

HT_Contour_Set_Data::HT_Contour_Set_Data(std::vector<Contour> contours) {
    for (auto& c : contours)
        add_contour(std::move(c));
}

HT_Contour_Set_Data::HT_Contour_Set_Data(const HT_Contour_Set_Data& o)
    : HT_Object(o), m_contours(o.m_contours) {}

HT_Contour_Set_Data& HT_Contour_Set_Data::operator=(const HT_Contour_Set_Data& o) {
    if (this != &o) {
        HT_Object::operator=(o);
        m_contours = o.m_contours;
        forget_spans();
    }
    return *this;
}

HT_Contour_Set_Data::~HT_Contour_Set_Data() = default;

void HT_Contour_Set_Data::forget_spans() {
    m_cache.reset();
    m_row_y = INT64_MIN;
    m_row_begin = m_row_end = nullptr;
}

void HT_Contour_Set_Data::add_contour(Contour contour) {
    if (contour.size() >= 3) {
        m_contours.push_back(std::move(contour));
        forget_spans();
    }
}

std::size_t HT_Contour_Set_Data::point_count() const {
    std::size_t n = 0;
    for (const auto& c : m_contours)
        n += c.size();
    return n;
}

bool HT_Contour_Set_Data::bounds(double& x0, double& y0, double& x1, double& y1) const {
    if (m_contours.empty())
        return false;
    x0 = y0 = std::numeric_limits<double>::infinity();
    x1 = y1 = -std::numeric_limits<double>::infinity();
    for (const auto& contour : m_contours)
        for (const HT_Point& p : contour) {
            x0 = std::min<double>(x0, p.x);
            y0 = std::min<double>(y0, p.y);
            x1 = std::max<double>(x1, p.x);
            y1 = std::max<double>(y1, p.y);
        }
    return true;
}

bool HT_Contour_Set_Data::point_inside(const HT_Point& point) const {
    // Worked in double precision: ample for the host's float coordinates.
    const double px = point.x, py = point.y;
    bool inside = false;
    for (const auto& contour : m_contours) {
        const std::size_t n = contour.size();
        for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
            const Edge e{contour[i].x, contour[i].y, contour[j].x, contour[j].y};
            if (on_edge(e, px, py))
                return true;
            // Even-odd crossing of a ray towards +x; half-open in y so a vertex
            // on the ray counts once.
            if ((e.yi > py) != (e.yj > py) && px < crossing_x(e, py))
                inside = !inside;
        }
    }
    return inside;
}

const HT_Contour_Set_Data::Span_Cache& HT_Contour_Set_Data::cache() const {
    if (m_cache)
        return *m_cache;
    auto c = std::make_shared<Span_Cache>();
    for (const auto& contour : m_contours) {
        const std::size_t n = contour.size();
        for (std::size_t i = 0, j = n - 1; i < n; j = i++)
            c->edges.push_back({contour[i].x, contour[i].y, contour[j].x, contour[j].y});
    }
    double x0, y0, x1, y1;
    if (bounds(x0, y0, x1, y1) && std::isfinite(y0) && std::isfinite(y1)) {
        // Outside its rows no dot is inside: no crossing, no edge there.
        c->first_row = std::max<std::int64_t>(
            static_cast<std::int64_t>(std::ceil(std::max(y0, -span_limit))), -exact_limit);
        c->last_row = std::min<std::int64_t>(
            static_cast<std::int64_t>(std::floor(std::min(y1, span_limit))), exact_limit);
        if (c->last_row >= c->first_row)
            c->blocks.resize(
                static_cast<std::size_t>((c->last_row - c->first_row) / block_rows + 1));
    }
    m_cache = std::move(c);
    return *m_cache;
}

const std::int32_t* HT_Contour_Set_Data::row_spans(std::int64_t y, const std::int32_t*& end) const {
    Span_Cache& c = const_cast<Span_Cache&>(cache());
    const std::size_t b = static_cast<std::size_t>((y - c.first_row) / block_rows);
    std::unique_ptr<Span_Cache::Block>& block = c.blocks[b];
    if (!block) {
        block = std::make_unique<Span_Cache::Block>();
        const std::int64_t r0 = c.first_row + static_cast<std::int64_t>(b) * block_rows;
        const std::int64_t r1 = std::min(r0 + block_rows - 1, c.last_row);
        // The edges that reach these rows.
        std::vector<Edge> near;
        for (const Edge& e : c.edges)
            if (std::max(e.yi, e.yj) >= static_cast<double>(r0) &&
                std::min(e.yi, e.yj) <= static_cast<double>(r1))
                near.push_back(e);
        std::vector<double> xs;
        std::vector<std::pair<std::int32_t, std::int32_t>> spans;
        block->first.reserve(block_rows + 1);
        for (std::int64_t row = r0; row <= r0 + block_rows - 1; ++row) {
            block->first.push_back(static_cast<std::uint32_t>(block->spans.size()));
            if (row > r1)
                continue;
            const double py = static_cast<double>(row);
            xs.clear();
            spans.clear();
            for (const Edge& e : near) {
                if ((e.yi > py) != (e.yj > py))
                    xs.push_back(crossing_x(e, py));
                if (py < std::min(e.yi, e.yj) || py > std::max(e.yi, e.yj))
                    continue;
                // Dots on the edge are inside whatever the crossings say.
                const double lo = std::ceil(std::min(e.xi, e.xj));
                const double hi = std::floor(std::max(e.xi, e.xj));
                if (e.yi == e.yj) {
                    if (lo <= hi)
                        spans.emplace_back(span_end(lo), span_end(hi));
                    continue;
                }
                const double at = crossing_x(e, py);
                // Cut to where spans are kept, so that the steps stay whole.
                const double from = std::max({lo, std::floor(at) - 1, -span_limit});
                const double to = std::min({hi, std::ceil(at) + 1, span_limit});
                for (double px = from; px <= to; ++px)
                    if (on_edge(e, px, py))
                        spans.emplace_back(span_end(px), span_end(px));
            }
            // Between crossings: dot px is inside when an odd number of
            // crossings lie beyond it.
            std::sort(xs.begin(), xs.end());
            const std::size_t m = xs.size();
            for (std::size_t k = 0; k <= m; ++k) {
                if (((m - k) & 1) == 0)
                    continue;
                // Dots with xs[k - 1] <= px < xs[k].
                const double a = k == 0 ? -span_limit : std::ceil(xs[k - 1]);
                const double z = k == m ? span_limit : std::ceil(xs[k]) - 1;
                if (a <= z)
                    spans.emplace_back(span_end(a), span_end(z));
            }
            std::sort(spans.begin(), spans.end());
            const std::size_t row_start = block->spans.size();
            for (const auto& [a, z] : spans) {
                auto& out = block->spans;
                // Merge spans of this row that touch or overlap.
                if (out.size() > row_start && std::int64_t{a} <= std::int64_t{out.back()} + 1) {
                    out.back() = std::max(out.back(), z);
                    continue;
                }
                out.push_back(a);
                out.push_back(z);
            }
        }
        block->first.push_back(static_cast<std::uint32_t>(block->spans.size()));
    }
    const std::size_t k = static_cast<std::size_t>((y - c.first_row) % block_rows);
    const std::int32_t* spans = block->spans.data();
    m_row_y = y;
    m_row_begin = spans + block->first[k];
    m_row_end = spans + block->first[k + 1];
    end = m_row_end;
    return m_row_begin;
}

bool HT_Contour_Set_Data::dot_inside_slow(std::int64_t x, std::int64_t y) const {
    if (x < -exact_limit || x > exact_limit || y < -exact_limit || y > exact_limit)
        return point_inside(HT_Point{static_cast<float>(x), static_cast<float>(y), 0});
    const Span_Cache& c = cache();
    if (y < c.first_row || y > c.last_row)
        return false;
    const std::int32_t* end;
    const std::int32_t* begin = row_spans(y, end);
    return inside_spans(begin, end, x);
}

bool HT_Contour_Set_Data::inside_spans(const std::int32_t* begin, const std::int32_t* end,
                                       std::int64_t x) {
    // The first span that does not end left of x: the ends rise with the
    // spans, which are sorted and disjoint.
    std::size_t lo = 0, hi = static_cast<std::size_t>(end - begin) / 2;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (begin[2 * mid + 1] < x)
            lo = mid + 1;
        else
            hi = mid;
    }
    return begin + 2 * lo != end && begin[2 * lo] <= x;
}

#include "ht_draw.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

using i64 = std::int64_t;
using i128 = __int128;

constexpr std::uint32_t black = 0xFF000000u;
constexpr std::uint32_t white = 0xFFFFFFFFu;

// Floor and ceiling of a / b for b > 0.
i128 floor_div(i128 a, i128 b) {
    i128 q = a / b;
    if ((a % b != 0) && (a < 0))
        --q;
    return q;
}
i128 ceil_div(i128 a, i128 b) {
    return -floor_div(-a, b);
}

// A crossing of a scan line with an edge, at num / den (den > 0).
struct Crossing {
    i128 num;
    i128 den;
    int dir;
};

bool less(const Crossing& a, const Crossing& b) {
    return a.num * b.den < b.num * a.den;
}

// Where the device's dots may go: the renderer options' window, half-open.
struct Window {
    i64 x0, y0, x1, y1;
    bool contains(i64 x, i64 y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

Window window_of(const HT_Renderer_Data& device) {
    const HT_Renderer_Options& o = device.renderer_options();
    return {o.window_x(), o.window_y(), i64{o.window_x()} + o.window_width(),
            i64{o.window_y()} + o.window_height()};
}

// Writes dots through the device's dot action, applying the fill pattern.
class Dot_Writer {
public:
    Dot_Writer(HT_Renderer_Data* device, const HT_Rendition* rendition, std::int32_t z)
        : m_device(device), m_entry(device->actions().draw_dci_dot), m_rendition(rendition), m_z(z),
          m_window(window_of(*device)), m_reach(m_window) {
        // Under a clip region only dots near it can print: the scan
        // conversion keeps to the region's box, so work grows with what
        // lands on the page. A device may write a small block around each
        // dot and test that against the region itself, hence the margin.
        double x0, y0, x1, y1;
        if (rendition && rendition->clip_region && rendition->clip_region->bounds(x0, y0, x1, y1)) {
            constexpr double margin = 4;
            const double lo = -4.0e18, hi = 4.0e18;
            m_reach.x0 =
                std::max(m_reach.x0, static_cast<i64>(std::clamp(std::floor(x0) - margin, lo, hi)));
            m_reach.y0 =
                std::max(m_reach.y0, static_cast<i64>(std::clamp(std::floor(y0) - margin, lo, hi)));
            m_reach.x1 = std::min(m_reach.x1,
                                  static_cast<i64>(std::clamp(std::ceil(x1) + 1 + margin, lo, hi)));
            m_reach.y1 = std::min(m_reach.y1,
                                  static_cast<i64>(std::clamp(std::ceil(y1) + 1 + margin, lo, hi)));
            m_reach.x1 = std::max(m_reach.x1, m_reach.x0);
            m_reach.y1 = std::max(m_reach.y1, m_reach.y0);
        }
        // Likewise near the page, with room for the device's margins around
        // the printed area and the blocks it may write around a dot.
        std::int32_t px0, py0, px1, py1;
        if (device->page_extent(px0, py0, px1, py1)) {
            constexpr i64 page_margin = 64;
            m_reach.x0 = std::max(m_reach.x0, px0 - page_margin);
            m_reach.y0 = std::max(m_reach.y0, py0 - page_margin);
            m_reach.x1 = std::min(m_reach.x1, px1 + 1 + page_margin);
            m_reach.y1 = std::min(m_reach.y1, py1 + 1 + page_margin);
            m_reach.x1 = std::max(m_reach.x1, m_reach.x0);
            m_reach.y1 = std::max(m_reach.y1, m_reach.y0);
        }
        if (rendition && rendition->fill.style == HT_Fill_Pattern) {
            m_patterned = true;
            const float scale = device->renderer_options().pattern_scale();
            m_cell = std::isfinite(scale) && scale >= 90.0f
                         ? static_cast<i64>(std::min(scale / 45.0f, 1.0e6f))
                         : 1;
        }
    }

    bool usable() const { return m_entry.usable(); }
    // The plot was cancelled: stop drawing.
    bool cancelled() const { return m_device->cancelled(); }
    // Where dots may go: the renderer's window, cut to the clip region's box.
    const Window& window() const { return m_reach; }
    // The renderer's own window, to which long lines are cut.
    const Window& line_window() const { return m_window; }

    void dot(i64 x, i64 y, const std::uint32_t* color = nullptr) const {
        if (!m_reach.contains(x, y))
            return;
        if (m_patterned) {
            const i64 i = floor_mod(floor_div64(x, m_cell), 8);
            const i64 j = 7 - floor_mod(floor_div64(y, m_cell), 8);
            if (!(m_rendition->fill.pattern[j] & (0x80u >> i)))
                return;
        }
        const HT_DCI_Point p{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), m_z};
        m_entry.action(m_entry.device, m_rendition, &p, color);
    }

private:
    static i64 floor_div64(i64 a, i64 b) { return static_cast<i64>(floor_div(a, b)); }
    static i64 floor_mod(i64 a, i64 b) { return ((a % b) + b) % b; }

    const HT_Renderer_Data* m_device;
    HT_Action_Entry<HT_Draw_DCI_Dot_Action> m_entry;
    const HT_Rendition* m_rendition;
    std::int32_t m_z;
    Window m_window;
    Window m_reach;
    bool m_patterned = false;
    i64 m_cell = 1;
};

// Cuts the segment a-b to a box (Liang-Barsky); false when nothing is left.
bool clip_segment(double& ax, double& ay, double& bx, double& by, double x0, double y0, double x1,
                  double y1) {
    double t0 = 0, t1 = 1;
    const double dx = bx - ax, dy = by - ay;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax - x0, x1 - ax, ay - y0, y1 - ay};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const double sx = ax, sy = ay;
    ax = sx + t0 * dx;
    ay = sy + t0 * dy;
    bx = sx + t1 * dx;
    by = sy + t1 * dy;
    return true;
}

// A one-dot line from a to b, both ends included.
void draw_line(const Dot_Writer& out, HT_DCI_Point a, HT_DCI_Point b) {
    const Window& w = out.line_window();
    // A line reaching far outside the window is first cut to it, so that the
    // walk below stays within the window's reach.
    constexpr i64 margin = 4096;
    auto far = [&](const HT_DCI_Point& p) {
        return p.x < w.x0 - margin || p.x > w.x1 + margin || p.y < w.y0 - margin ||
               p.y > w.y1 + margin;
    };
    i64 xa = a.x, ya = a.y, xb = b.x, yb = b.y;
    if (far(a) || far(b)) {
        double ax = a.x, ay = a.y, bx = b.x, by = b.y;
        if (!clip_segment(ax, ay, bx, by, static_cast<double>(w.x0 - 2),
                          static_cast<double>(w.y0 - 2), static_cast<double>(w.x1 + 1),
                          static_cast<double>(w.y1 + 1)))
            return;
        xa = std::llround(ax);
        ya = std::llround(ay);
        xb = std::llround(bx);
        yb = std::llround(by);
    }
    const i64 dx = std::abs(xb - xa), dy = -std::abs(yb - ya);
    const i64 sx = xa < xb ? 1 : -1, sy = ya < yb ? 1 : -1;
    i64 err = dx + dy;
    for (i64 x = xa, y = ya;;) {
        out.dot(x, y);
        if (x == xb && y == yb)
            break;
        const i64 e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

// Twice the signed area of a polygon.
i128 double_area(int count, const HT_DCI_Point* p) {
    i128 a = 0;
    for (int i = 0, j = count - 1; i < count; j = i++)
        a += i128{p[j].x} * p[i].y - i128{p[i].x} * p[j].y;
    return a;
}

// Crossings of the line {coord = s2 / 2} with the edges, where `along` picks
// the scanned coordinate: rows cross at y = s and give x, columns the reverse.
void crossings(int count, const HT_DCI_Point* p, i64 s2, bool columns, std::vector<Crossing>& out) {
    out.clear();
    for (int i = 0, j = count - 1; i < count; j = i++) {
        const i64 au = columns ? p[j].x : p[j].y, av = columns ? p[j].y : p[j].x;
        const i64 bu = columns ? p[i].x : p[i].y, bv = columns ? p[i].y : p[i].x;
        if (au == bu)
            continue;
        // Vertices lie on whole dots and scan lines between them, so a scan
        // line never passes through a vertex.
        if (s2 <= 2 * std::min(au, bu) || s2 >= 2 * std::max(au, bu))
            continue;
        const i128 den = 2 * (i128{bu} - au);
        i128 num = i128{av} * den + (i128{s2} - 2 * au) * (i128{bv} - av);
        Crossing c{num, den, bu > au ? 1 : -1};
        if (c.den < 0) {
            c.num = -c.num;
            c.den = -c.den;
        }
        out.push_back(c);
    }
    std::sort(out.begin(), out.end(), less);
}

bool inside(int winding, int count_parity, int fill_rule) {
    return fill_rule == HT_Fill_Non_Zero ? winding != 0 : (count_parity & 1) != 0;
}

// The dot holding the midpoint of the outermost crossings.
i64 middle_dot(const std::vector<Crossing>& c) {
    const Crossing& a = c.front();
    const Crossing& b = c.back();
    // (a + b) / 2 = (a.num * b.den + b.num * a.den) / (2 * a.den * b.den)
    return static_cast<i64>(floor_div(a.num * b.den + b.num * a.den, 2 * a.den * b.den));
}

void fill(const Dot_Writer& out, int count, const HT_DCI_Point* p, int fill_rule, int thin_limit,
          bool x_major) {
    i64 xmin = p[0].x, xmax = p[0].x, ymin = p[0].y, ymax = p[0].y;
    for (int i = 1; i < count; ++i) {
        xmin = std::min<i64>(xmin, p[i].x);
        xmax = std::max<i64>(xmax, p[i].x);
        ymin = std::min<i64>(ymin, p[i].y);
        ymax = std::max<i64>(ymax, p[i].y);
    }
    const Window& w = out.window();
    const bool thin = thin_limit >= 0 && double_area(count, p) != 0 &&
                      (x_major ? ymax - ymin : xmax - xmin) <= thin_limit;

    // Columns of the window that got a dot, for the guarantee along columns.
    const i64 cx0 = std::max(xmin, w.x0), cx1 = std::min(xmax, w.x1);
    std::vector<bool> column_drawn;
    if (thin && x_major && cx1 > cx0)
        column_drawn.assign(static_cast<std::size_t>(cx1 - cx0), false);

    std::vector<Crossing> cs;
    const i64 ry0 = std::max(ymin, w.y0), ry1 = std::min(ymax, w.y1);
    for (i64 y = ry0; y < ry1; ++y) {
        if (out.cancelled())
            return;
        crossings(count, p, 2 * y + 1, false, cs);
        bool row_drawn = false;
        int winding = 0;
        for (std::size_t k = 0; k + 1 < cs.size(); ++k) {
            winding += cs[k].dir;
            if (!inside(winding, static_cast<int>(k + 1), fill_rule))
                continue;
            // Dots whose centre c + 0.5 lies in [a, b).
            const i128 c_start = ceil_div(2 * cs[k].num - cs[k].den, 2 * cs[k].den);
            const i128 c_end = ceil_div(2 * cs[k + 1].num - cs[k + 1].den, 2 * cs[k + 1].den);
            if (c_end > c_start)
                row_drawn = true;
            const i64 from = static_cast<i64>(std::max<i128>(c_start, w.x0));
            const i64 to = static_cast<i64>(std::min<i128>(c_end, w.x1));
            for (i64 c = from; c < to; ++c) {
                out.dot(c, y);
                if (!column_drawn.empty() && c >= cx0 && c < cx1)
                    column_drawn[static_cast<std::size_t>(c - cx0)] = true;
            }
        }
        if (thin && !x_major && !row_drawn && !cs.empty())
            out.dot(middle_dot(cs), y);
    }

    // Columns the fill left empty get the dot in the middle of the polygon.
    for (std::size_t k = 0; k < column_drawn.size(); ++k) {
        if (column_drawn[k])
            continue;
        if (out.cancelled())
            return;
        const i64 x = cx0 + static_cast<i64>(k);
        crossings(count, p, 2 * x + 1, true, cs);
        if (!cs.empty())
            out.dot(x, middle_dot(cs));
    }
}

// A host colour as the dot action wants it: a palette index in the indexed system.
std::uint32_t device_value(const HT_Renderer_Data& device, std::uint32_t color) {
    const HT_Renderer_Options& o = device.renderer_options();
    if (o.color_system() == HT_Color_System_Indexed)
        return static_cast<std::uint32_t>(o.palette().nearest_index(color));
    return color;
}

} // namespace

void HD_Fill_2DI_Polygon(HT_Renderer_Data* device, const HT_Rendition* rendition, int count,
                         const HT_DCI_Point* points, int fill_rule, int thin_limit, bool x_major,
                         bool outline) {
    if (!device || !rendition || !points || count < 1)
        return;
    const Dot_Writer out(device, rendition, points[0].z);
    if (!out.usable())
        return;
    if (outline || count < 3) {
        if (count == 1) {
            out.dot(points[0].x, points[0].y);
            return;
        }
        const int edges = count == 2 ? 1 : count;
        for (int i = 0; i < edges; ++i)
            draw_line(out, points[i], points[(i + 1) % count]);
        return;
    }
    fill(out, count, points, fill_rule, thin_limit, x_major);
}

void HD_Standard_Draw_DCI_Polytriangle(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                       int count, const HT_DCI_Point* points) {
    if (!device || !rendition || !points)
        return;
    for (int k = 0; k + 2 < count; ++k) {
        if (device->cancelled())
            return;
        const HT_DCI_Point* t = points + k;
        const i64 width =
            std::max({t[0].x, t[1].x, t[2].x}) - i64{std::min({t[0].x, t[1].x, t[2].x})};
        const i64 height =
            std::max({t[0].y, t[1].y, t[2].y}) - i64{std::min({t[0].y, t[1].y, t[2].y})};
        HD_Fill_2DI_Polygon(device, rendition, 3, t, HT_Fill_Even_Odd, -1, width > height, false);
    }
}

void HD_Standard_Draw_DCI_Image(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                const HT_DCI_Point* point, HT_Shared_Image* image) {
    if (!device || !rendition || !point || !image)
        return;
    const Dot_Writer out(device, rendition, point->z);
    HT_Image_Source& src = image->source();
    if (!out.usable() || !src.fetch || src.x1 < src.x0 || src.y1 < src.y0)
        return;
    // Only the part that lands in the window is fetched: columns k and rows t
    // counted from the image's top-left pixel.
    const Window& win = out.window();
    const i64 w = i64{src.x1} - src.x0 + 1;
    const i64 h = i64{src.y1} - src.y0 + 1;
    const i64 k0 = std::max<i64>(0, win.x0 - point->x);
    const i64 k1 = std::min<i64>(w, win.x1 - point->x);
    const i64 t0 = std::max<i64>(0, i64{point->y} - win.y1 + 1);
    const i64 t1 = std::min<i64>(h, i64{point->y} - win.y0 + 1);
    if (k0 >= k1 || t0 >= t1)
        return;
    const i64 cw = k1 - k0;
    // Strips of at most 512 KiB of pixels, at least one row.
    const i64 strip = std::clamp<i64>(0x80000 / (4 * cw), 1, t1 - t0);

    HT_Image_Request request;
    request.x0 = request.area_x0 = static_cast<std::int32_t>(src.x0 + k0);
    request.x1 = request.area_x1 = static_cast<std::int32_t>(src.x0 + k1 - 1);
    request.format = HT_Request_Rgba;
    request.pixel_size = 32;
    request.row_bytes = static_cast<std::int32_t>(4 * cw);
    std::copy(src.color, src.color + 3, request.foreground.rgb);

    // Neighbouring pixels mostly share a colour: keep the last mapping.
    std::uint32_t last_color = 0, last_value = device_value(*device, 0);
    for (i64 t = t0; t < t1;) {
        if (out.cancelled())
            return;
        const i64 n = std::min(strip, t1 - t);
        // Topmost rows first, as source y grows upwards.
        request.y1 = request.area_y1 = static_cast<std::int32_t>(src.y1 - t);
        request.y0 = request.area_y0 = static_cast<std::int32_t>(src.y1 - t - n + 1);
        src.busy = 1;
        HT_Image_Block* block = src.fetch(&request, src.user_value, src.user_handle);
        if (!block || block->status[0] || block->status[1] || !block->pixels ||
            block->row_bytes < 4 * cw) {
            src.busy = 0;
            if (block && src.release)
                src.release(block, src.user_value, src.user_handle);
            return;
        }
        for (i64 i = 0; i < n; ++i) {
            const i64 y = i64{point->y} - t - i;
            const std::uint8_t* row = block->pixels + i * block->row_bytes;
            for (i64 k = 0; k < cw; ++k) {
                const std::uint8_t* px = row + 4 * k;
                if (px[3] == 0)
                    continue;
                const std::uint32_t color = std::uint32_t{px[3]} << 24 |
                                            std::uint32_t{px[0]} << 16 | std::uint32_t{px[1]} << 8 |
                                            px[2];
                if (color != last_color) {
                    last_color = color;
                    last_value = device_value(*device, color);
                }
                out.dot(point->x + k0 + k, y, &last_value);
            }
        }
        src.busy = 0;
        if (src.release)
            src.release(block, src.user_value, src.user_handle);
        t += n;
    }
}

void HD_Standard_Draw_DC_Image(HT_Renderer_Data* device, const HT_Rendition* rendition,
                               const HT_Point* point, HT_Shared_Image* image) {
    if (!point)
        return;
    auto in_range = [](float v) {
        return std::isfinite(v) && v > static_cast<float>(INT32_MIN) &&
               v < static_cast<float>(INT32_MAX);
    };
    if (!in_range(point->x) || !in_range(point->y) || !in_range(point->z))
        return;
    const HT_DCI_Point p{static_cast<std::int32_t>(point->x), static_cast<std::int32_t>(point->y),
                         static_cast<std::int32_t>(point->z)};
    HD_Standard_Draw_DCI_Image(device, rendition, &p, image);
}

void HD_Standard_Draw_DCI_Bitonal_Image(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                        const HT_DCI_Point* start, const HT_DCI_Point* end,
                                        int row_bytes, const void* pixels, int format) {
    if (!device || !rendition || !start || !end || !pixels)
        return;
    if (format != HT_Bitonal_Set_Is_White && format != HT_Bitonal_Set_Is_Black)
        return;
    const Dot_Writer out(device, rendition, start->z);
    if (!out.usable())
        return;
    const i64 left = std::min(start->x, end->x), right = std::max(start->x, end->x);
    const i64 bottom = std::min(start->y, end->y), top = std::max(start->y, end->y);
    const i64 w = right - left + 1;
    if (row_bytes < (w + 7) / 8)
        return;
    const std::uint32_t set_value =
        device_value(*device, format == HT_Bitonal_Set_Is_White ? white : black);
    const std::uint32_t clear_value =
        device_value(*device, format == HT_Bitonal_Set_Is_White ? black : white);
    const auto* bytes = static_cast<const std::uint8_t*>(pixels);
    const Window& win = out.window();
    for (i64 y = std::min(top, win.y1 - 1); y >= std::max(bottom, win.y0); --y) {
        const std::uint8_t* row = bytes + (top - y) * row_bytes;
        for (i64 x = std::max(left, win.x0); x <= std::min(right, win.x1 - 1); ++x) {
            const i64 k = x - left;
            const bool set = row[k / 8] & (0x80u >> (k % 8));
            out.dot(x, y, set ? &set_value : &clear_value);
        }
    }
}

// ---- renderer --------------------------------------------------------------------

HT_Rendition HT_Renderer::resolve(const HT_Rendition& rendition) const {
    HT_Rendition r = rendition;
    const HT_Renderer_Options& o = m_device.renderer_options();
    if (o.color_system() == HT_Color_System_Indexed) {
        if (r.color_index < 0)
            r.color_index = static_cast<std::int32_t>(o.palette().nearest_index(r.color));
    } else if (r.color_index >= 0 && o.has_palette()) {
        r.color = o.palette().get_entry(static_cast<std::size_t>(r.color_index));
    }
    return r;
}

bool HT_Renderer::clear() {
    const auto& a = m_device.actions().clear_drawing_buffer;
    if (!a.usable())
        return false;
    a.action(a.device);
    return true;
}

bool HT_Renderer::draw_dot(const HT_DCI_Point& point, const HT_Rendition& rendition) {
    const auto& a = m_device.actions().draw_dci_dot;
    if (!a.usable())
        return false;
    const HT_Rendition r = resolve(rendition);
    a.action(a.device, &r, &point, nullptr);
    return true;
}

bool HT_Renderer::draw_triangle_strip(std::span<const HT_DCI_Point> points,
                                      const HT_Rendition& rendition) {
    if (points.size() < 3 || points.size() > static_cast<std::size_t>(INT32_MAX))
        return false;
    const HT_Rendition r = resolve(rendition);
    const int count = static_cast<int>(points.size());
    const auto& a = m_device.actions().draw_dci_polytriangle;
    if (a.usable()) {
        a.action(a.device, &r, count, points.data());
        return true;
    }
    if (!m_device.actions().draw_dci_dot.usable())
        return false;
    HD_Standard_Draw_DCI_Polytriangle(&m_device, &r, count, points.data());
    return true;
}

bool HT_Renderer::fill_polygon(std::span<const HT_DCI_Point> points, const HT_Rendition& rendition,
                               int fill_rule) {
    if (points.size() < 3 || points.size() > static_cast<std::size_t>(INT32_MAX) ||
        !m_device.actions().draw_dci_dot.usable())
        return false;
    const HT_Rendition r = resolve(rendition);
    HD_Fill_2DI_Polygon(&m_device, &r, static_cast<int>(points.size()), points.data(), fill_rule,
                        -1, false, false);
    return true;
}

bool HT_Renderer::draw_polyline(std::span<const HT_DCI_Point> points, float width,
                                const HT_Rendition& rendition) {
    if (points.size() < 2 || !std::isfinite(width) || !m_device.actions().draw_dci_dot.usable())
        return false;
    const HT_Rendition r = resolve(rendition);
    const double half = std::min(static_cast<double>(width), 1.0e6) / 2.0;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const HT_DCI_Point a = points[i], b = points[i + 1];
        if (width < 1.5f) {
            const HT_DCI_Point seg[2] = {a, b};
            HD_Fill_2DI_Polygon(&m_device, &r, 2, seg, HT_Fill_Non_Zero, -1, false, true);
            continue;
        }
        // A rectangle around the segment, extended by half the width at each end.
        const double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
        const double len = std::hypot(dx, dy);
        const double ux = len > 0 ? dx / len : 1.0, uy = len > 0 ? dy / len : 0.0;
        const double ax = a.x - ux * half, ay = a.y - uy * half;
        const double bx = b.x + ux * half, by = b.y + uy * half;
        const double nx = -uy * half, ny = ux * half;
        auto corner = [&](double x, double y) {
            const auto clamp = [](double v) {
                return static_cast<std::int32_t>(
                    std::clamp(std::lround(v), long{INT32_MIN} / 2, long{INT32_MAX} / 2));
            };
            return HT_DCI_Point{clamp(x), clamp(y), a.z};
        };
        const HT_DCI_Point quad[4] = {corner(ax + nx, ay + ny), corner(bx + nx, by + ny),
                                      corner(bx - nx, by - ny), corner(ax - nx, ay - ny)};
        HD_Fill_2DI_Polygon(&m_device, &r, 4, quad, HT_Fill_Non_Zero, -1, false, false);
    }
    return true;
}

bool HT_Renderer::draw_image(const HT_DCI_Point& point, HT_Shared_Image& image,
                             const HT_Rendition& rendition) {
    const HT_Rendition r = resolve(rendition);
    const auto& a = m_device.actions().draw_dci_image;
    if (a.usable()) {
        a.action(a.device, &r, &point, &image);
        return true;
    }
    if (!m_device.actions().draw_dci_dot.usable())
        return false;
    HD_Standard_Draw_DCI_Image(&m_device, &r, &point, &image);
    return true;
}

bool HT_Renderer::draw_image(const HT_Point& point, HT_Shared_Image& image,
                             const HT_Rendition& rendition) {
    const auto& a = m_device.actions().draw_dc_image;
    if (a.usable()) {
        const HT_Rendition r = resolve(rendition);
        a.action(a.device, &r, &point, &image);
        return true;
    }
    if (!std::isfinite(point.x) || !std::isfinite(point.y) || std::fabs(point.x) >= 2.0e9f ||
        std::fabs(point.y) >= 2.0e9f)
        return false;
    const HT_DCI_Point p{static_cast<std::int32_t>(point.x), static_cast<std::int32_t>(point.y),
                         std::isfinite(point.z) && std::fabs(point.z) < 2.0e9f
                             ? static_cast<std::int32_t>(point.z)
                             : 0};
    return draw_image(p, image, rendition);
}

bool HT_Renderer::draw_index8_image(const HT_DCI_Point& start, const HT_DCI_Point& end,
                                    int row_bytes, const void* pixels,
                                    const HT_Rendition& rendition) {
    const auto& a = m_device.actions().draw_dci_index8_image;
    if (!a.usable() || row_bytes < 0 || !pixels)
        return false;
    const HT_Rendition r = resolve(rendition);
    a.action(a.device, &r, &start, &end, row_bytes, pixels);
    return true;
}

bool HT_Renderer::draw_rgb32_image(const HT_DCI_Point& start, const HT_DCI_Point& end,
                                   int row_bytes, const void* pixels,
                                   const HT_Rendition& rendition) {
    const auto& a = m_device.actions().draw_dci_rgb32_image;
    if (!a.usable() || row_bytes < 0 || !pixels)
        return false;
    const HT_Rendition r = resolve(rendition);
    a.action(a.device, &r, &start, &end, row_bytes, pixels);
    return true;
}

bool HT_Renderer::draw_bitonal_image(const HT_DCI_Point& start, const HT_DCI_Point& end,
                                     int row_bytes, const void* pixels, int format,
                                     const HT_Rendition& rendition) {
    if (row_bytes < 0 || !pixels)
        return false;
    const HT_Rendition r = resolve(rendition);
    const auto& a = m_device.actions().draw_dci_bitonal_image;
    if (a.usable()) {
        a.action(a.device, &r, &start, &end, row_bytes, pixels, format);
        return true;
    }
    if (!m_device.actions().draw_dci_dot.usable())
        return false;
    HD_Standard_Draw_DCI_Bitonal_Image(&m_device, &r, &start, &end, row_bytes, pixels, format);
    return true;
}

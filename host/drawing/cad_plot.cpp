#include "cad_plot.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <utility>

namespace cad {
namespace {

// A drawing that expands beyond this many points (block arrays of block
// arrays, say) is refused rather than left to exhaust memory.
constexpr std::uint64_t max_points = 30'000'000;
// Blocks nested deeper than this are taken as a loop in the file.
constexpr int max_nesting = 32;
// Segments of one curve, at most.
constexpr int max_segments = 8192;
// Lines of one hatch pattern family, at most; beyond, the area is filled.
constexpr double max_pattern_lines = 20000;

// x' = a x + c y + e, y' = b x + d y + f.
struct Affine {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

    Vec2 operator()(Vec2 p) const { return {a * p.x + c * p.y + e, b * p.x + d * p.y + f}; }
    // Applies `inner` first, then this.
    Affine operator*(const Affine& m) const {
        return {a * m.a + c * m.b, b * m.a + d * m.b,     a * m.c + c * m.d,
                b * m.c + d * m.d, a * m.e + c * m.f + e, b * m.e + d * m.f + f};
    }
    // The largest stretch the transform gives a length.
    double stretch() const { return std::max(std::hypot(a, b), std::hypot(c, d)); }
};

Affine translation(Vec2 v) {
    return {1, 0, 0, 1, v.x, v.y};
}
Affine rotation(double degrees) {
    const double r = degrees * M_PI / 180;
    return {std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0, 0};
}
Affine scaling(double sx, double sy) {
    return {sx, 0, 0, sy, 0, 0};
}

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

Vec2 operator+(Vec2 p, Vec2 q) {
    return {p.x + q.x, p.y + q.y};
}
Vec2 operator-(Vec2 p, Vec2 q) {
    return {p.x - q.x, p.y - q.y};
}
Vec2 operator*(Vec2 p, double k) {
    return {p.x * k, p.y * k};
}
double dot(Vec2 p, Vec2 q) {
    return p.x * q.x + p.y * q.y;
}

// Where shapes go, in drawing coordinates.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void line(std::vector<Vec2> points, double width_mm, std::uint32_t rgb) = 0;
    virtual void area(std::vector<std::vector<Vec2>> contours, std::uint32_t rgb) = 0;
    virtual void dot(Vec2 p, std::uint32_t rgb) = 0;
    // The outline of a viewport: what follows is seen through it, up to
    // end_viewport(). False: the sink needs nothing inside it.
    virtual bool begin_viewport(const std::vector<Vec2>& outline) = 0;
    virtual void end_viewport() = 0;
};

// The pen an entity draws with.
struct Pen {
    std::uint32_t rgb = 0;
    double width = 0; // millimetres on the paper
};

// What an entity inside a block takes from the insert: its layer (for
// entities on layer 0) and its pen (for BYBLOCK).
struct Block_Context {
    bool in_block = false;
    std::string layer;
    Pen pen;
    int lineweight = lineweight_default;
};

class Collector {
public:
    Collector(const Document& doc, const Plot_Settings& settings, Text_Shaper* shaper, Sink& sink,
              double tolerance)
        : m_doc(doc), m_settings(settings), m_shaper(shaper), m_sink(sink), m_tolerance(tolerance) {
    }

    void draw_all(const std::vector<Entity>& entities, bool paper_space) {
        m_paper = paper_space;
        const Block_Context top;
        for (const Entity& e : entities)
            if (e.paper_space == paper_space)
                draw(e, Affine{}, top, 0);
    }
    void draw_block(const Block& block) {
        m_paper = true;
        const Block_Context top;
        for (const Entity& e : block.entities)
            draw(e, Affine{}, top, 0);
    }

    // One line per kind of entity that was not drawn, with the count.
    std::vector<std::string> warnings() const {
        std::vector<std::string> out;
        for (const auto& [kind, note] : m_skipped)
            out.push_back(std::to_string(note.first) + " " + kind +
                          (note.first == 1 ? " entity" : " entities") +
                          " not drawn: " + note.second);
        return out;
    }

private:
    void skip(const std::string& kind, const std::string& why) {
        auto& note = m_skipped[kind];
        if (note.first++ == 0)
            note.second = why;
    }

    void count(std::size_t points) {
        m_points += points;
        if (m_points > max_points)
            throw Read_Error(m_doc.file + ": the drawing expands to more than 30 million points "
                                          "(arrays of nested blocks?); not plotted");
    }

    const Layer* layer_of(const std::string& name) const {
        const auto it = m_doc.layers.find(name);
        return it == m_doc.layers.end() ? nullptr : &it->second;
    }

    static std::uint32_t printed(std::uint32_t rgb) {
        // White on screen prints black on white paper.
        return rgb == 0xFFFFFF ? 0 : rgb;
    }

    // The pen of an entity, or nothing when its layer is not plotted.
    bool pen_of(const Entity& e, const Block_Context& ctx, std::string& layer_name, Pen& pen,
                int& lineweight) const {
        layer_name = ctx.in_block && e.layer == "0" ? ctx.layer : e.layer;
        const Layer* layer = layer_of(layer_name);
        if (layer && (layer->color < 0 || layer->frozen || !layer->plotted))
            return false;
        // Dimensions keep their definition points there; it never prints.
        if (layer_name.size() == 9 && lower(layer_name) == "defpoints")
            return false;
        // Colour: true colour first, then the number, through layer and block.
        if (e.true_color >= 0 && e.color != color_by_block) {
            pen.rgb = static_cast<std::uint32_t>(e.true_color);
        } else if (e.color == color_by_block) {
            pen.rgb = ctx.in_block ? ctx.pen.rgb : 0;
        } else if (e.color == color_by_layer || e.color > 256 || e.color < 0) {
            if (layer && layer->true_color >= 0)
                pen.rgb = static_cast<std::uint32_t>(layer->true_color);
            else
                pen.rgb = printed(aci_color(layer ? std::abs(layer->color) : 7));
        } else {
            pen.rgb = e.color == 7 ? 0 : aci_color(e.color);
        }
        // Lineweight, through layer and block, then the default.
        lineweight = e.lineweight;
        if (lineweight == lineweight_by_layer)
            lineweight = layer ? layer->lineweight : lineweight_default;
        if (lineweight == lineweight_by_block)
            lineweight = ctx.in_block ? ctx.lineweight : lineweight_default;
        if (lineweight < 0)
            lineweight = lineweight_default;
        const double mm =
            lineweight == lineweight_default ? m_settings.default_lineweight : lineweight / 100.0;
        pen.width = mm * m_settings.lineweight_scale;
        return true;
    }

    // Segments for a curve of `radius` (drawing units after the transform)
    // over `sweep` radians: no point of the chords strays more than the
    // tolerance from the curve.
    int segments(double radius, double sweep) const {
        sweep = std::fabs(sweep);
        double n = 64 * sweep / (2 * M_PI);
        if (m_tolerance > 0 && radius > m_tolerance) {
            const double step = 2 * std::acos(1 - m_tolerance / radius);
            if (step > 0)
                n = sweep / step;
        }
        if (!(n >= 1))
            return 1;
        return static_cast<int>(std::min<double>(std::ceil(n), max_segments));
    }

    // The points of a polyline with its bulges, in entity coordinates.
    void trace_bulged(const std::vector<Vertex>& v, bool closed, double stretch,
                      std::vector<Vec2>& out, std::vector<std::size_t>* segment_start) const {
        const std::size_t n = v.size();
        const std::size_t segs = closed ? n : n - 1;
        for (std::size_t i = 0; i < segs; ++i) {
            const Vec2 p = v[i].p, q = v[(i + 1) % n].p;
            if (segment_start)
                segment_start->push_back(out.size());
            out.push_back(p);
            const double bulge = v[i].bulge;
            const double chord = std::hypot(q.x - p.x, q.y - p.y);
            if (bulge == 0 || chord == 0 || !std::isfinite(bulge))
                continue;
            // The arc's sweep is four times the bulge's arc tangent.
            const double sweep = 4 * std::atan(bulge);
            const double radius = chord / (2 * std::sin(std::fabs(sweep) / 2));
            const Vec2 mid = (p + q) * 0.5;
            const Vec2 dir = (q - p) * (1 / chord);
            const Vec2 left{-dir.y, dir.x};
            const double sagitta_to_centre = radius * std::cos(sweep / 2);
            const Vec2 centre = mid + left * (sweep > 0 ? sagitta_to_centre : -sagitta_to_centre);
            const double a0 = std::atan2(p.y - centre.y, p.x - centre.x);
            const int k = segments(radius * stretch, sweep);
            for (int j = 1; j < k; ++j) {
                const double t = a0 + sweep * j / k;
                out.push_back({centre.x + radius * std::cos(t), centre.y + radius * std::sin(t)});
            }
        }
        if (segment_start)
            segment_start->push_back(out.size());
        out.push_back(closed ? v[0].p : v[n - 1].p);
    }

    void emit_line(std::vector<Vec2> pts, const Affine& m, const Pen& pen) {
        if (pts.size() < 2)
            return;
        count(pts.size());
        for (Vec2& p : pts)
            p = m(p);
        m_sink.line(std::move(pts), pen.width, pen.rgb);
    }

    void emit_area(std::vector<std::vector<Vec2>> contours, const Affine& m, const Pen& pen) {
        std::size_t n = 0;
        for (auto& c : contours) {
            n += c.size();
            for (Vec2& p : c)
                p = m(p);
        }
        if (n < 3)
            return;
        count(n);
        m_sink.area(std::move(contours), pen.rgb);
    }

    void arc_points(Vec2 centre, double r, double a0, double sweep, const Affine& m,
                    std::vector<Vec2>& out) const {
        const int k = segments(r * m.stretch(), sweep);
        for (int j = 0; j <= k; ++j) {
            const double t = a0 + sweep * j / k;
            out.push_back({centre.x + r * std::cos(t), centre.y + r * std::sin(t)});
        }
    }

    void draw(const Entity& e, const Affine& parent, const Block_Context& ctx, int depth) {
        if (e.invisible)
            return;
        std::string layer;
        Pen pen;
        int lineweight = 0;
        if (!pen_of(e, ctx, layer, pen, lineweight))
            return;
        // Planar entities whose extrusion points down are mirrored in x.
        const Affine m = e.extrusion_z < 0 ? parent * scaling(-1, 1) : parent;
        switch (e.kind) {
        case Entity_Kind::point:
            count(1);
            m_sink.dot(m(e.a), pen.rgb);
            break;
        case Entity_Kind::line:
            emit_line({e.a, e.b}, parent, pen);
            break;
        case Entity_Kind::polyline:
            draw_polyline(e, m, pen);
            break;
        case Entity_Kind::circle:
            if (e.radius > 0) {
                std::vector<Vec2> pts;
                arc_points(e.a, e.radius, 0, 2 * M_PI, m, pts);
                emit_line(std::move(pts), m, pen);
            }
            break;
        case Entity_Kind::arc:
            if (e.radius > 0) {
                double sweep = std::fmod(e.end_angle - e.start_angle, 360.0);
                if (sweep <= 0)
                    sweep += 360;
                std::vector<Vec2> pts;
                arc_points(e.a, e.radius, e.start_angle * M_PI / 180, sweep * M_PI / 180, m, pts);
                emit_line(std::move(pts), m, pen);
            }
            break;
        case Entity_Kind::ellipse:
            draw_ellipse(e, m, pen);
            break;
        case Entity_Kind::spline:
            draw_spline(e, parent, pen);
            break;
        case Entity_Kind::solid:
            emit_area({{e.a, e.b, e.d, e.c}}, m, pen);
            break;
        case Entity_Kind::face:
            emit_line({e.a, e.b, e.c, e.d, e.a}, parent, pen);
            break;
        case Entity_Kind::hatch:
            draw_hatch(e, m, pen);
            break;
        case Entity_Kind::insert:
            draw_insert(e, m, layer, pen, lineweight, depth);
            for (const Entity& a : e.attributes)
                draw(a, parent, ctx, depth);
            break;
        case Entity_Kind::dimension:
            draw_dimension(e, parent, layer, pen, lineweight, depth);
            break;
        case Entity_Kind::text:
        case Entity_Kind::mtext:
            draw_text(e, m, pen);
            break;
        case Entity_Kind::viewport:
            draw_viewport(e, parent, depth);
            break;
        case Entity_Kind::other:
            skip(e.type, "this kind of entity is not plotted");
            break;
        }
    }

    // Model space seen through a viewport of a layout, scaled and turned as
    // it says, and clipped to its outline.
    void draw_viewport(const Entity& e, const Affine& m, int depth) {
        if (!m_paper || e.viewport_id == 1 || e.viewport_status == 0 || !(e.box_width > 0) ||
            !(e.height > 0) || !(e.view_height > 0))
            return;
        if (depth > 0) {
            skip("VIEWPORT", "a viewport inside a block");
            return;
        }
        const double w = e.box_width / 2, h = e.height / 2;
        std::vector<Vec2> outline{m(e.a + Vec2{-w, -h}), m(e.a + Vec2{w, -h}), m(e.a + Vec2{w, h}),
                                  m(e.a + Vec2{-w, h})};
        if (!m_sink.begin_viewport(outline))
            return;
        const double s = e.height / e.view_height;
        const Affine view =
            m * translation(e.a) * rotation(e.rotation) * scaling(s, s) * translation(Vec2{} - e.b);
        const Block_Context top;
        for (const Entity& inner : m_doc.entities)
            if (!inner.paper_space)
                draw(inner, view, top, depth + 1);
        m_sink.end_viewport();
    }

    void draw_polyline(const Entity& e, const Affine& m, const Pen& pen) {
        if (e.vertices.size() < 2) {
            if (e.vertices.size() == 1) {
                count(1);
                m_sink.dot(m(e.vertices[0].p), pen.rgb);
            }
            return;
        }
        bool wide = e.constant_width > 0;
        for (const Vertex& v : e.vertices)
            wide = wide || v.start_width > 0 || v.end_width > 0;
        std::vector<Vec2> pts;
        if (!wide) {
            trace_bulged(e.vertices, e.closed, m.stretch(), pts, nullptr);
            emit_line(std::move(pts), m, pen);
            return;
        }
        // A wide polyline is a band: each segment a filled outline whose
        // width goes from the segment's start width to its end width, with
        // the corner between two segments filled.
        std::vector<std::size_t> starts;
        trace_bulged(e.vertices, e.closed, m.stretch(), pts, &starts);
        Vec2 prev_left{}, prev_right{};
        bool have_prev = false;
        for (std::size_t s = 0; s + 1 < starts.size(); ++s) {
            const Vertex& v = e.vertices[s];
            const double w0 = v.start_width >= 0 ? v.start_width : e.constant_width;
            const double w1 = v.end_width >= 0 ? v.end_width : e.constant_width;
            const std::size_t first = starts[s], last = starts[s + 1];
            if (w0 <= 0 && w1 <= 0) {
                // A segment without width is a line of the pen's weight.
                emit_line(std::vector<Vec2>(pts.begin() + static_cast<std::ptrdiff_t>(first),
                                            pts.begin() + static_cast<std::ptrdiff_t>(last) + 1),
                          m, pen);
                have_prev = false;
                continue;
            }
            std::vector<Vec2> left, right;
            for (std::size_t i = first; i <= last && i < pts.size(); ++i) {
                const Vec2 a = pts[i == last ? i - 1 : i];
                const Vec2 b = pts[i == last ? i : i + 1];
                const double len = std::hypot(b.x - a.x, b.y - a.y);
                if (len == 0)
                    continue;
                const Vec2 normal{-(b.y - a.y) / len, (b.x - a.x) / len};
                const double t = last == first ? 0 : double(i - first) / double(last - first);
                const double half = (w0 + (w1 - w0) * t) / 2;
                left.push_back(pts[i] + normal * half);
                right.push_back(pts[i] - normal * half);
            }
            if (left.size() < 2)
                continue;
            if (have_prev) {
                emit_area({{pts[first], prev_left, left.front()}}, m, pen);
                emit_area({{pts[first], prev_right, right.front()}}, m, pen);
            }
            prev_left = left.back();
            prev_right = right.back();
            have_prev = true;
            std::vector<Vec2> outline(left.begin(), left.end());
            outline.insert(outline.end(), right.rbegin(), right.rend());
            emit_area({std::move(outline)}, m, pen);
        }
    }

    void draw_ellipse(const Entity& e, const Affine& m, const Pen& pen) {
        const Vec2 major = e.b;
        const double r = std::hypot(major.x, major.y);
        if (r == 0)
            return;
        const Vec2 minor{-major.y * e.ratio, major.x * e.ratio};
        double t0 = e.start_angle, t1 = e.end_angle;
        if (t1 <= t0)
            t1 += 2 * M_PI;
        t1 = std::min(t1, t0 + 2 * M_PI);
        const int k = segments(r * m.stretch(), t1 - t0);
        std::vector<Vec2> pts;
        pts.reserve(static_cast<std::size_t>(k) + 1);
        for (int j = 0; j <= k; ++j) {
            const double t = t0 + (t1 - t0) * j / k;
            pts.push_back(e.a + major * std::cos(t) + minor * std::sin(t));
        }
        emit_line(std::move(pts), m, pen);
    }

    // A point of a B-spline by de Boor's algorithm, weighted when rational.
    static Vec2 spline_point(const Entity& e, const std::vector<double>& knots, double u,
                             bool rational) {
        const int p = e.degree;
        const std::size_t n = e.control.size();
        std::size_t span = static_cast<std::size_t>(p);
        while (span + 1 < n && knots[span + 1] <= u)
            ++span;
        struct H {
            double x, y, w;
        };
        H d[26];
        for (int j = 0; j <= p; ++j) {
            const std::size_t i = span - static_cast<std::size_t>(p) + static_cast<std::size_t>(j);
            const double w = rational ? e.weights[i] : 1;
            d[j] = {e.control[i].x * w, e.control[i].y * w, w};
        }
        for (int r = 1; r <= p; ++r)
            for (int j = p; j >= r; --j) {
                const std::size_t i =
                    span - static_cast<std::size_t>(p) + static_cast<std::size_t>(j);
                const double den = knots[i + static_cast<std::size_t>(p - r) + 1] - knots[i];
                const double a = den == 0 ? 0 : (u - knots[i]) / den;
                d[j] = {(1 - a) * d[j - 1].x + a * d[j].x, (1 - a) * d[j - 1].y + a * d[j].y,
                        (1 - a) * d[j - 1].w + a * d[j].w};
            }
        const double w = d[p].w == 0 ? 1 : d[p].w;
        return {d[p].x / w, d[p].y / w};
    }

    // A Catmull-Rom curve through the points, each span flattened by its
    // length against the tolerance.
    std::vector<Vec2> through_points(const std::vector<Vec2>& p, const Affine& m) const {
        std::vector<Vec2> out{p.front()};
        const std::size_t n = p.size();
        for (std::size_t i = 0; i + 1 < n; ++i) {
            const Vec2 p0 = p[i == 0 ? 0 : i - 1], p1 = p[i], p2 = p[i + 1];
            const Vec2 p3 = p[i + 2 < n ? i + 2 : n - 1];
            const double len = std::hypot(p2.x - p1.x, p2.y - p1.y) * m.stretch();
            int k = 16;
            if (m_tolerance > 0)
                k = static_cast<int>(std::clamp(len / (m_tolerance * 8), 4.0, 1024.0));
            for (int j = 1; j <= k; ++j) {
                const double t = double(j) / k, t2 = t * t, t3 = t2 * t;
                auto blend = [&](double a, double b, double c, double d) {
                    return 0.5 * (2 * b + (-a + c) * t + (2 * a - 5 * b + 4 * c - d) * t2 +
                                  (-a + 3 * b - 3 * c + d) * t3);
                };
                out.push_back({blend(p0.x, p1.x, p2.x, p3.x), blend(p0.y, p1.y, p2.y, p3.y)});
            }
        }
        return out;
    }

    void draw_spline(const Entity& e, const Affine& m, const Pen& pen) {
        const std::size_t n = e.control.size();
        const auto p = static_cast<std::size_t>(e.degree);
        if (n < 2 || n <= p) {
            // Only fit points: a smooth curve through them.
            if (e.fit.size() >= 2)
                emit_line(through_points(e.fit, m), m, pen);
            else
                skip("SPLINE", "a spline without enough control or fit points");
            return;
        }
        std::vector<double> knots = e.knots;
        bool valid = knots.size() == n + p + 1;
        for (std::size_t i = 1; valid && i < knots.size(); ++i)
            valid = knots[i] >= knots[i - 1];
        if (!valid) {
            // A clamped, uniform knot vector stands in for a missing one.
            knots.clear();
            for (std::size_t i = 0; i < n + p + 1; ++i)
                knots.push_back(i <= p ? 0.0 : i >= n ? double(n - p) : double(i - p));
        }
        const bool rational = e.weights.size() == n;
        const double u0 = knots[p], u1 = knots[n];
        if (!(u1 > u0))
            return;
        // Samples: by the control polygon's length against the tolerance.
        double length = 0;
        for (std::size_t i = 1; i < n; ++i)
            length += std::hypot(e.control[i].x - e.control[i - 1].x,
                                 e.control[i].y - e.control[i - 1].y);
        length *= m.stretch();
        double samples = 16.0 * double(n);
        if (m_tolerance > 0)
            samples = std::max(samples, length / (m_tolerance * 16));
        const int k = static_cast<int>(std::min<double>(samples, max_segments));
        std::vector<Vec2> pts;
        pts.reserve(static_cast<std::size_t>(k) + 1);
        for (int j = 0; j <= k; ++j)
            pts.push_back(spline_point(e, knots, u0 + (u1 - u0) * j / k, rational));
        emit_line(std::move(pts), m, pen);
    }

    std::vector<std::vector<Vec2>> hatch_contours(const Entity& e, double stretch) const {
        std::vector<std::vector<Vec2>> contours;
        for (const auto& loop : e.loops) {
            if (loop.size() < 2)
                continue;
            std::vector<Vec2> c;
            trace_bulged(loop, true, stretch, c, nullptr);
            c.pop_back(); // the closing point: contours close by themselves
            if (c.size() >= 3)
                contours.push_back(std::move(c));
        }
        return contours;
    }

    void draw_hatch(const Entity& e, const Affine& m, const Pen& pen) {
        std::vector<std::vector<Vec2>> contours = hatch_contours(e, m.stretch());
        if (contours.empty())
            return;
        if (e.solid_fill || e.pattern.empty()) {
            if (!e.solid_fill)
                skip("HATCH", "a pattern without line families; filled solid instead");
            emit_area(std::move(contours), m, pen);
            return;
        }
        for (const Pattern_Line& family : e.pattern)
            if (!draw_pattern_family(family, contours, m, pen)) {
                skip("HATCH pattern", "too dense at this scale; filled solid instead");
                emit_area(std::move(contours), m, pen);
                return;
            }
    }

    // Lines of one family across the even-odd area of the contours.
    bool draw_pattern_family(const Pattern_Line& family,
                             const std::vector<std::vector<Vec2>>& contours, const Affine& m,
                             const Pen& pen) {
        const double r = family.angle * M_PI / 180;
        const Vec2 u{std::cos(r), std::sin(r)};
        const Vec2 nrm{-u.y, u.x};
        const double spacing = dot(family.offset, nrm);
        if (std::fabs(spacing) < 1e-9)
            return true;
        double lo = std::numeric_limits<double>::infinity(), hi = -lo;
        for (const auto& c : contours)
            for (const Vec2& p : c) {
                const double s = dot(p - family.base, nrm);
                lo = std::min(lo, s);
                hi = std::max(hi, s);
            }
        // Too dense at this scale: lines closer than the tolerance.
        const double world_spacing = std::fabs(spacing) * m.stretch();
        if ((hi - lo) / std::fabs(spacing) > max_pattern_lines ||
            (m_tolerance > 0 && world_spacing < m_tolerance))
            return false;
        double k0 = std::ceil(lo / spacing), k1 = std::floor(hi / spacing);
        if (k0 > k1)
            std::swap(k0, k1);
        double period = 0;
        for (double d : family.dashes)
            period += std::fabs(d);
        std::vector<double> cuts;
        for (double k = k0; k <= k1; ++k) {
            const Vec2 origin = family.base + family.offset * k;
            cuts.clear();
            for (const auto& c : contours)
                for (std::size_t i = 0; i < c.size(); ++i) {
                    const Vec2 a = c[i], b = c[(i + 1) % c.size()];
                    const double sa = dot(a - origin, nrm), sb = dot(b - origin, nrm);
                    if ((sa > 0) == (sb > 0))
                        continue;
                    const Vec2 x = a + (b - a) * (sa / (sa - sb));
                    cuts.push_back(dot(x - origin, u));
                }
            std::sort(cuts.begin(), cuts.end());
            for (std::size_t i = 0; i + 1 < cuts.size(); i += 2)
                dash(origin, u, cuts[i], cuts[i + 1], family.dashes, period, m, pen);
        }
        return true;
    }

    void dash(Vec2 origin, Vec2 u, double t0, double t1, const std::vector<double>& dashes,
              double period, const Affine& m, const Pen& pen) {
        if (dashes.empty() || period <= 0 || (t1 - t0) / period > 100000) {
            emit_line({origin + u * t0, origin + u * t1}, m, pen);
            return;
        }
        // The pattern repeats from the line's origin.
        double t = std::floor(t0 / period) * period;
        while (t < t1) {
            for (double d : dashes) {
                const double len = std::fabs(d);
                const double a = std::max(t, t0), b = std::min(t + len, t1);
                if (d > 0 && a < b)
                    emit_line({origin + u * a, origin + u * b}, m, pen);
                else if (d == 0 && t >= t0 && t <= t1) {
                    count(1);
                    m_sink.dot(m(origin + u * t), pen.rgb);
                }
                t += len;
                if (t >= t1)
                    break;
            }
        }
    }

    void draw_insert(const Entity& e, const Affine& m, const std::string& layer, const Pen& pen,
                     int lineweight, int depth) {
        const auto it = m_doc.blocks.find(e.name);
        if (it == m_doc.blocks.end()) {
            skip("INSERT", "the block is not in the drawing");
            return;
        }
        if (depth >= max_nesting) {
            skip("INSERT", "blocks nested more than 32 deep");
            return;
        }
        const Block& block = it->second;
        Block_Context ctx{true, layer, pen, lineweight};
        const Affine place = m * translation(e.a) * rotation(e.rotation);
        const Affine shape = scaling(e.scale.x, e.scale.y) * translation(Vec2{} - block.base);
        for (int r = 0; r < e.rows; ++r)
            for (int c = 0; c < e.columns; ++c) {
                const Affine cell =
                    place * translation({c * e.column_spacing, r * e.row_spacing}) * shape;
                for (const Entity& inner : block.entities)
                    draw(inner, cell, ctx, depth + 1);
            }
    }

    void draw_dimension(const Entity& e, const Affine& m, const std::string& layer, const Pen& pen,
                        int lineweight, int depth) {
        // A dimension is drawn from the block that holds its lines, arrows
        // and text, placed as it is.
        const auto it = m_doc.blocks.find(e.name);
        if (e.name.empty() || it == m_doc.blocks.end()) {
            skip("DIMENSION", "its block is missing from the drawing");
            return;
        }
        if (depth >= max_nesting)
            return;
        Block_Context ctx{true, layer, pen, lineweight};
        for (const Entity& inner : it->second.entities)
            draw(inner, m, ctx, depth + 1);
    }

    // MTEXT contents without their formatting, lines split at \P.
    static std::vector<std::string> mtext_lines(const std::string& s) {
        std::vector<std::string> lines(1);
        for (std::size_t i = 0; i < s.size(); ++i) {
            const char ch = s[i];
            if (ch == '{' || ch == '}')
                continue;
            if (ch != '\\' || i + 1 >= s.size()) {
                lines.back() += ch;
                continue;
            }
            const char code = s[++i];
            switch (code) {
            case 'P':
                lines.emplace_back();
                break;
            case '\\':
            case '{':
            case '}':
                lines.back() += code;
                break;
            case '~':
                lines.back() += ' ';
                break;
            case 'L':
            case 'l':
            case 'O':
            case 'o':
            case 'K':
            case 'k':
                break;
            default: {
                // Formatting with an argument runs to the next ';'.
                const std::size_t end = s.find(';', i);
                if (end == std::string::npos)
                    return lines;
                i = end;
                break;
            }
            }
        }
        return lines;
    }

    // Text with its %% codes (degree, plus-minus, diameter) replaced.
    static std::string text_contents(const std::string& s) {
        std::string out;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '%' && i + 2 < s.size() && s[i + 1] == '%') {
                const char c =
                    static_cast<char>(std::tolower(static_cast<unsigned char>(s[i + 2])));
                if (c == 'd')
                    out += "\xC2\xB0"; // degree sign
                else if (c == 'p')
                    out += "\xC2\xB1"; // plus-minus
                else if (c == 'c')
                    out += "\xE2\x8C\x80"; // diameter
                else if (c == '%')
                    out += '%';
                // Underline and overline switches are left out.
                i += 2;
                continue;
            }
            out += s[i];
        }
        return out;
    }

    const Text_Outline& outline(const std::string& text, const Text_Style& style) {
        const std::string key = style.font_file + '\n' + style.font_family + '\n' + text;
        auto it = m_outlines.find(key);
        if (it == m_outlines.end())
            it = m_outlines.emplace(key, m_shaper->shape(text, style)).first;
        return it->second;
    }

    void draw_text(const Entity& e, const Affine& m, const Pen& pen) {
        if (!m_shaper) {
            skip(e.type, "no fonts to draw text with");
            return;
        }
        const auto st = m_doc.styles.find(e.style);
        const Text_Style style = st == m_doc.styles.end() ? Text_Style{} : st->second;
        double height = e.height > 0 ? e.height : style.height;
        if (!(height > 0))
            height = 2.5;
        if (e.kind == Entity_Kind::mtext) {
            const std::vector<std::string> lines = mtext_lines(e.text);
            const double pitch = height * 5 / 3;
            const double block_height = height + pitch * double(lines.size() - 1);
            const int col = (e.attachment - 1) % 3, row = (e.attachment - 1) / 3;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                const Text_Outline& o = outline(text_contents(lines[i]), style);
                const double w = o.advance * height * style.width_factor;
                // Baseline of line i below the top of the block.
                double y = -height - pitch * double(i);
                y += row == 1 ? block_height / 2 : row == 2 ? block_height : 0;
                const double x = col == 1 ? -w / 2 : col == 2 ? -w : 0;
                const Affine place = m * translation(e.a) * rotation(e.rotation) *
                                     translation({x, y}) *
                                     scaling(height * style.width_factor, height);
                fill_text(o, place, pen);
            }
            return;
        }
        const Text_Outline& o = outline(text_contents(e.text), style);
        const double wf = (e.width_factor > 0 ? e.width_factor : 1);
        double sx = height * wf, sy = height, angle = e.rotation;
        Vec2 at = e.a;
        double x = 0, y = 0;
        const bool aligned = e.has_alignment && (e.halign != 0 || e.valign != 0);
        if (aligned && (e.halign == 3 || e.halign == 5) && o.advance > 0) {
            // Aligned and fit: the text runs from the first point to the second.
            const Vec2 d = e.b - e.a;
            const double len = std::hypot(d.x, d.y);
            angle = std::atan2(d.y, d.x) * 180 / M_PI;
            sx = len / o.advance;
            if (e.halign == 3)
                sy = sx / wf;
        } else if (aligned) {
            at = e.b;
            const double w = o.advance * sx;
            x = e.halign == 1 || e.halign == 4 ? -w / 2 : e.halign == 2 ? -w : 0;
            y = e.halign == 4 || e.valign == 2 ? -sy / 2
                : e.valign == 3                ? -sy
                : e.valign == 1                ? sy * 0.25
                                               : 0;
        }
        const Affine place =
            m * translation(at) * rotation(angle) * translation({x, y}) * scaling(sx, sy);
        fill_text(o, place, pen);
    }

    void fill_text(const Text_Outline& o, const Affine& place, const Pen& pen) {
        if (o.contours.empty())
            return;
        emit_area(o.contours, place, pen);
    }

    const Document& m_doc;
    const Plot_Settings& m_settings;
    Text_Shaper* m_shaper;
    Sink& m_sink;
    double m_tolerance; // drawing units; 0: a fixed number of segments
    std::uint64_t m_points = 0;
    bool m_paper = false; // drawing a layout, where viewports show model space
    std::map<std::string, std::pair<int, std::string>> m_skipped;
    std::map<std::string, Text_Outline> m_outlines;
};

// Gathers the extents of everything drawn.
class Extents_Sink : public Sink {
public:
    void line(std::vector<Vec2> points, double, std::uint32_t) override {
        for (const Vec2& p : points)
            add(p);
    }
    void area(std::vector<std::vector<Vec2>> contours, std::uint32_t) override {
        for (const auto& c : contours)
            for (const Vec2& p : c)
                add(p);
    }
    void dot(Vec2 p, std::uint32_t) override { add(p); }
    // A viewport's outline bounds what shows through it.
    bool begin_viewport(const std::vector<Vec2>& outline) override {
        for (const Vec2& p : outline)
            add(p);
        return false;
    }
    void end_viewport() override {}

    bool empty() const { return !(x0 <= x1); }
    double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;

private:
    void add(Vec2 p) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    }
};

// Puts shapes on the paper.
class Paper_Sink : public Sink {
public:
    Paper_Sink(const Affine& to_paper, std::vector<Shape>& out,
               std::vector<std::vector<Vec2>>& clips)
        : m_to_paper(to_paper), m_out(out), m_clips(clips) {}
    void line(std::vector<Vec2> points, double width_mm, std::uint32_t rgb) override {
        for (Vec2& p : points)
            p = m_to_paper(p);
        m_out.push_back({Shape::Kind::line, std::move(points), width_mm, rgb, m_clip});
    }
    void area(std::vector<std::vector<Vec2>> contours, std::uint32_t rgb) override {
        // One point list: every further contour is reached from the first
        // point and left the same way, so the joins cancel out by even-odd.
        Shape s{Shape::Kind::area, {}, 0, rgb, m_clip};
        const Vec2 home = m_to_paper(contours.front().front());
        for (const auto& c : contours) {
            if (c.empty())
                continue;
            for (const Vec2& p : c)
                s.points.push_back(m_to_paper(p));
            s.points.push_back(m_to_paper(c.front()));
            s.points.push_back(home);
        }
        m_out.push_back(std::move(s));
    }
    void dot(Vec2 p, std::uint32_t rgb) override {
        m_out.push_back({Shape::Kind::dot, {m_to_paper(p)}, 0, rgb, m_clip});
    }
    bool begin_viewport(const std::vector<Vec2>& outline) override {
        std::vector<Vec2> on_paper;
        for (const Vec2& p : outline)
            on_paper.push_back(m_to_paper(p));
        m_clips.push_back(std::move(on_paper));
        m_clip = static_cast<int>(m_clips.size()) - 1;
        return true;
    }
    void end_viewport() override { m_clip = -1; }

private:
    Affine m_to_paper;
    std::vector<Shape>& m_out;
    std::vector<std::vector<Vec2>>& m_clips;
    int m_clip = -1;
};

// Draws the chosen space of the document into the sink.
void draw_space(const Document& doc, const Plot_Settings& settings, Collector& collector) {
    if (settings.layout.empty() || settings.layout == "Model") {
        collector.draw_all(doc.entities, false);
        return;
    }
    const auto it = doc.layouts.find(settings.layout);
    if (it == doc.layouts.end()) {
        std::string names;
        for (const auto& [name, block] : doc.layouts)
            names += (names.empty() ? "" : ", ") + name;
        throw Read_Error(doc.file + ": there is no layout \"" + settings.layout +
                         "\" (the drawing has: Model" + (names.empty() ? "" : ", " + names) + ")");
    }
    // The active layout's entities sit in the ENTITIES section, marked as
    // paper space; the others in their blocks.
    collector.draw_all(doc.entities, true);
    const auto block = doc.blocks.find(it->second);
    if (block != doc.blocks.end())
        collector.draw_block(block->second);
}

std::string millimetres(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f mm", v);
    return buf;
}

} // namespace

Plot_Result plot_document(const Document& doc, const Plot_Settings& settings,
                          const Paper_Area& area, Text_Shaper* text) {
    Plot_Result result;
    // The region to plot: the window, or the extents of what is drawn.
    double x0, y0, x1, y1;
    if (settings.window) {
        const auto& w = *settings.window;
        x0 = std::min(w[0], w[2]);
        x1 = std::max(w[0], w[2]);
        y0 = std::min(w[1], w[3]);
        y1 = std::max(w[1], w[3]);
    } else {
        Extents_Sink extents;
        Collector pass(doc, settings, text, extents, 0);
        draw_space(doc, settings, pass);
        if (extents.empty())
            throw Read_Error(doc.file + ": nothing to plot in " +
                             (settings.layout.empty() ? std::string("model space")
                                                      : "layout \"" + settings.layout + "\""));
        x0 = extents.x0;
        y0 = extents.y0;
        x1 = extents.x1;
        y1 = extents.y1;
    }

    // Scale: paper millimetres per drawing unit.
    double region_w = x1 - x0, region_h = y1 - y0;
    if (settings.rotate)
        std::swap(region_w, region_h);
    double scale = 1;
    if (settings.fit) {
        // A dot of margin, so that lines on the extents print whole.
        const double margin = 2 / area.dots_per_mm;
        double s = std::numeric_limits<double>::infinity();
        if (region_w > 0)
            s = std::min(s, (area.width - margin) / region_w);
        if (region_h > 0)
            s = std::min(s, (area.height - margin) / region_h);
        scale = std::isfinite(s) ? s : 1;
    } else {
        double unit = settings.unit_mm > 0 ? settings.unit_mm : millimetres_per_unit(doc.insunits);
        if (unit <= 0) {
            unit = 1;
            result.warnings.push_back(
                "the drawing does not say its units; taken as millimetres (give units=...)");
        }
        scale = settings.scale * unit;
    }
    result.scale = scale;

    // Placement: centred on the printable area, or from its lower-left corner.
    const double paper_w = region_w * scale, paper_h = region_h * scale;
    double cx_paper, cy_paper;
    if (settings.centre) {
        cx_paper = area.left + area.width / 2;
        cy_paper = area.top + area.height / 2;
    } else {
        cx_paper = area.left + paper_w / 2;
        cy_paper = area.top + area.height - paper_h / 2;
    }
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    // Drawing y grows upwards, paper y downwards; a turn of 90 degrees puts
    // the drawing's x axis up the paper.
    Affine to_paper =
        settings.rotate ? Affine{0, -scale, -scale, 0, 0, 0} : Affine{scale, 0, 0, -scale, 0, 0};
    to_paper = translation({cx_paper, cy_paper}) * to_paper * translation({-cx, -cy});

    // Never cropped silently: say by how much the plot overflows.
    const double dot_mm = 1 / area.dots_per_mm;
    result.overflow_x = std::max(0.0, paper_w - area.width);
    result.overflow_y = std::max(0.0, paper_h - area.height);
    if (result.overflow_x > dot_mm || result.overflow_y > dot_mm)
        result.warnings.push_back(
            "the plot is " + millimetres(paper_w) + " x " + millimetres(paper_h) +
            " and overflows the printable area (" + millimetres(area.width) + " x " +
            millimetres(area.height) + ") by " + millimetres(result.overflow_x) + " across and " +
            millimetres(result.overflow_y) + " down; the parts beyond it are not printed");
    if (settings.window) {
        result.clip = std::vector<Vec2>{to_paper({x0, y0}), to_paper({x1, y0}), to_paper({x1, y1}),
                                        to_paper({x0, y1})};
    }

    // Curves are flattened to half a dot.
    const double tolerance = 0.5 * dot_mm / scale;
    Paper_Sink sink(to_paper, result.shapes, result.clips);
    Collector collector(doc, settings, text, sink, tolerance);
    draw_space(doc, settings, collector);
    if (text)
        for (auto& w : text->take_warnings())
            result.warnings.push_back(std::move(w));
    for (auto& w : collector.warnings())
        result.warnings.push_back(std::move(w));
    return result;
}

} // namespace cad

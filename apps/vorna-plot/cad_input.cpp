#include "cad_input.h"

#include "cad_text.h"
#include "dxf_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>

namespace plot {
namespace {

[[noreturn]] void bad_setting(const std::string& where, const std::string& name,
                              const std::string& why) {
    throw drawing::Drawing_Error(where + ": plot setting " + name + ": " + why);
}

bool parse_number(const std::string& text, double& out) {
    if (text.empty())
        return false;
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(out);
}

bool parse_yes_no(const std::string& text, bool& out) {
    if (text.empty() || text == "yes" || text == "true" || text == "1" || text == "on")
        return out = true, true;
    if (text == "no" || text == "false" || text == "0" || text == "off")
        return out = false, true;
    return false;
}

// Millimetres per unit of a unit name.
double unit_by_name(const std::string& name) {
    static const std::pair<const char*, double> units[] = {
        {"mm", 1},    {"millimetres", 1}, {"cm", 10},      {"m", 1000},     {"metres", 1000},
        {"in", 25.4}, {"inches", 25.4},   {"ft", 304.8},   {"feet", 304.8}, {"dm", 100},
        {"km", 1e6},  {"yd", 914.4},      {"mil", 0.0254},
    };
    for (const auto& [n, mm] : units)
        if (name == n)
            return mm;
    return 0;
}

void apply_setting(cad::Plot_Settings& s, const std::string& where, const std::string& name,
                   const std::string& value) {
    if (name == "fit") {
        if (!parse_yes_no(value, s.fit))
            bad_setting(where, name, "expected yes or no");
    } else if (name == "scale") {
        // 1:50 is one millimetre on the paper for fifty in the drawing.
        const std::size_t colon = value.find(':');
        double paper = 1, model = 1;
        const bool ok = colon == std::string::npos
                            ? parse_number(value, paper)
                            : parse_number(value.substr(0, colon), paper) &&
                                  parse_number(value.substr(colon + 1), model);
        if (!ok || !(paper > 0) || !(model > 0) || paper / model < 1e-9 || paper / model > 1e9)
            bad_setting(where, name,
                        "expected a scale such as 1:50, 2:1 or 0.5, found \"" + value + "\"");
        s.fit = false;
        s.scale = paper / model;
    } else if (name == "units") {
        double mm = unit_by_name(value);
        if (mm == 0 && !(parse_number(value, mm) && mm > 0 && mm < 1e9))
            bad_setting(where, name,
                        "expected mm, cm, m, in, ft or millimetres per unit, found \"" + value +
                            "\"");
        s.unit_mm = mm;
    } else if (name == "centre" || name == "center") {
        if (!parse_yes_no(value, s.centre))
            bad_setting(where, name, "expected yes or no");
    } else if (name == "rotate") {
        if (value != "0" && value != "90")
            bad_setting(where, name, "expected 0 or 90");
        s.rotate = value == "90";
    } else if (name == "window") {
        std::array<double, 4> w{};
        std::size_t start = 0;
        for (int i = 0; i < 4; ++i) {
            const std::size_t comma = value.find(',', start);
            if ((i < 3) == (comma == std::string::npos) ||
                !parse_number(value.substr(start, comma - start), w[static_cast<std::size_t>(i)]))
                bad_setting(where, name, "expected x0,y0,x1,y1 in drawing units");
            start = comma + 1;
        }
        if (w[0] == w[2] || w[1] == w[3])
            bad_setting(where, name, "the window has no area");
        s.window = w;
    } else if (name == "extents") {
        s.window.reset();
    } else if (name == "layout") {
        s.layout = value;
    } else if (name == "lineweight-scale") {
        double f = 0;
        if (!parse_number(value, f) || f < 0 || f > 100)
            bad_setting(where, name, "expected a factor from 0 to 100");
        s.lineweight_scale = f;
    } else {
        bad_setting(where, name,
                    "unknown (fit, scale, units, centre, rotate, window, extents, layout, "
                    "lineweight-scale)");
    }
}

// The plot settings the configuration file keeps in its "plot" object.
Setting_List configured_settings(const std::string& file) {
    Setting_List out;
    if (file.empty())
        return out;
    std::ifstream in(file);
    const nlohmann::json doc = nlohmann::json::parse(in, nullptr, false);
    if (doc.is_discarded() || !doc.is_object())
        return out; // the configuration reader reports it
    const auto it = doc.find("plot");
    if (it == doc.end())
        return out;
    if (!it->is_object())
        throw drawing::Drawing_Error(file + ": plot: expected an object of plot settings");
    for (auto s = it->begin(); s != it->end(); ++s) {
        const nlohmann::json& v = s.value();
        std::string text;
        if (v.is_string())
            text = v.get<std::string>();
        else if (v.is_boolean())
            text = v.get<bool>() ? "yes" : "no";
        else if (v.is_number())
            text = v.dump();
        else if (v.is_array() && s.key() == "window") {
            for (const auto& n : v)
                text += (text.empty() ? "" : ",") + n.dump();
        } else
            bad_setting(file, s.key(), "expected a text, a number or yes/no");
        out.emplace_back(s.key(), text);
    }
    return out;
}

drawing::Color color_of(std::uint32_t rgb) {
    return drawing::Color::rgb(static_cast<std::uint8_t>(rgb >> 16),
                               static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb));
}

drawing::Point point_of(cad::Vec2 p) {
    return {p.x, p.y};
}

} // namespace

bool is_cad_drawing(const std::string& path) {
    std::string ext;
    const std::size_t dot = path.rfind('.');
    if (dot != std::string::npos)
        for (char c : path.substr(dot + 1))
            ext += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "dxf")
        return true;
    if (ext == "json")
        return false;
    std::ifstream in(path, std::ios::binary);
    char head[64] = {};
    in.read(head, sizeof head);
    return cad::looks_like_dxf(std::string_view(head, static_cast<std::size_t>(in.gcount())));
}

cad::Plot_Settings plot_settings(const std::string& config_file, const Setting_List& given) {
    cad::Plot_Settings s;
    for (const auto& [name, value] : configured_settings(config_file))
        apply_setting(s, config_file, name, value);
    for (const auto& [name, value] : given)
        apply_setting(s, "--plot", name, value);
    return s;
}

drawing::Drawing cad_drawing(const std::string& path, const cad::Plot_Settings& settings,
                             const Page_Geometry& g, std::FILE* messages) {
    cad::Paper_Area area;
    area.left = g.left * 25.4 / g.x_dpi;
    area.top = g.top * 25.4 / g.y_dpi;
    area.width = g.width * 25.4 / g.x_dpi;
    area.height = g.rows * 25.4 / g.y_dpi;
    area.dots_per_mm = g.x_dpi / 25.4;
    cad::Plot_Result plotted;
    try {
        const cad::Document doc = cad::read_dxf_file(path);
        cad::Font_Shaper fonts;
        plotted = cad::plot_document(doc, settings, area, &fonts);
    } catch (const cad::Read_Error& e) {
        throw drawing::Drawing_Error(e.what());
    }
    for (const auto& w : plotted.warnings)
        std::fprintf(messages, "vorna-plot: %s: %s\n", path.c_str(), w.c_str());

    drawing::Drawing d;
    d.units = drawing::Units::millimetres;
    drawing::Page& page = d.pages.emplace_back();
    if (plotted.clip) {
        drawing::Contour c;
        for (const auto& p : *plotted.clip)
            c.push_back(point_of(p));
        page.clip = drawing::Clip{std::move(c)};
    }
    page.primitives.reserve(plotted.shapes.size());
    for (auto& s : plotted.shapes) {
        drawing::Primitive p;
        p.color = color_of(s.rgb);
        if (s.clip >= 0 && static_cast<std::size_t>(s.clip) < plotted.clips.size()) {
            drawing::Contour c;
            for (const auto& pt : plotted.clips[static_cast<std::size_t>(s.clip)])
                c.push_back(point_of(pt));
            p.clip = drawing::Clip{std::move(c)};
        }
        p.points.reserve(s.points.size());
        for (const auto& pt : s.points)
            p.points.push_back(point_of(pt));
        switch (s.kind) {
        case cad::Shape::Kind::dot:
            p.kind = drawing::Kind::dot;
            break;
        case cad::Shape::Kind::line:
            p.kind = drawing::Kind::polyline;
            p.width = s.width;
            break;
        case cad::Shape::Kind::area:
            p.kind = drawing::Kind::polygon;
            break;
        }
        page.primitives.push_back(std::move(p));
    }
    return d;
}

std::string overflow_warning(const drawing::Drawing& d, const Page_Geometry& g) {
    if (d.units != drawing::Units::millimetres)
        return {};
    const double left = g.left * 25.4 / g.x_dpi, top = g.top * 25.4 / g.y_dpi;
    const double right = left + g.width * 25.4 / g.x_dpi, bottom = top + g.rows * 25.4 / g.y_dpi;
    double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
    for (const auto& page : d.pages)
        for (const auto& p : page.primitives) {
            const double half = p.kind == drawing::Kind::polyline ? p.width / 2 : 0;
            auto add = [&](const drawing::Point& q) {
                x0 = std::min(x0, q.x - half);
                y0 = std::min(y0, q.y - half);
                x1 = std::max(x1, q.x + half);
                y1 = std::max(y1, q.y + half);
            };
            for (const auto& q : p.points)
                add(q);
            if (p.image) {
                add(p.image->top_left);
                add(p.image->bottom_right);
            }
        }
    if (!(x0 <= x1))
        return {};
    // Half a dot of slack: edges that round onto the area's border fit.
    const double slack = 12.7 / g.x_dpi;
    const double across = std::max(0.0, left - x0) + std::max(0.0, x1 - right);
    const double down = std::max(0.0, top - y0) + std::max(0.0, y1 - bottom);
    if (across <= slack && down <= slack)
        return {};
    char buf[200];
    std::snprintf(buf, sizeof buf,
                  "the drawing reaches %.1f mm across and %.1f mm down beyond the printable "
                  "area; the parts beyond it are not printed",
                  across, down);
    return buf;
}

} // namespace plot

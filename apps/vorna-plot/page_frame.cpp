#include "page_frame.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace plot {
namespace {

// The device converts millimetres in single precision with this factor
// (1 / 25.4 as a float) and rounds half up; the same arithmetic here gives
// the same printable area to the dot.
int device_dots(float mm, int dpi) {
    const float v = mm * 0.03937008f * static_cast<float>(dpi);
    return static_cast<int>(std::floor(v + 0.5f));
}

std::int32_t to_int(double v) {
    // Drawing coordinates are bounded, so this only guards the conversion.
    const double lo = std::numeric_limits<std::int32_t>::min();
    const double hi = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(v, lo, hi));
}

} // namespace

Page_Geometry page_geometry(const HT_Plotter_Definition& definition) {
    auto config = definition.get_plotter_configuration();
    auto caps = definition.get_plotter_capabilities();
    auto media_config = config ? config->get_media_configuration() : nullptr;
    auto media_caps = caps ? caps->get_media_capabilities() : nullptr;
    auto rcm_config = config ? config->get_res_color_mem_configuration() : nullptr;
    auto entry = rcm_config ? rcm_config->get_current() : nullptr;
    if (!media_config || !media_caps)
        throw Frame_Error("the configuration has no media");
    if (!entry)
        throw Frame_Error("the configuration has no resolution-colour-memory entry");

    auto source = media_caps->find_source(media_config->get_source_name().c_str());
    auto size = source ? source->find_size(media_config->get_size_name().c_str()) : nullptr;
    if (!size)
        throw Frame_Error("the media size \"" + media_config->get_size_name().str() +
                          "\" of source \"" + media_config->get_source_name().str() +
                          "\" is not offered by the driver");
    if (size->units != 1)
        throw Frame_Error("the media size \"" + size->name.str() + "\" is not in millimetres");

    Page_Geometry g;
    g.x_dpi = entry->x_resolution;
    g.y_dpi = entry->y_resolution;
    g.color_system = entry->color_system;
    if (g.x_dpi <= 0 || g.y_dpi <= 0 || g.x_dpi > 9600 || g.y_dpi > 9600)
        throw Frame_Error("the resolution " + std::to_string(g.x_dpi) + " x " +
                          std::to_string(g.y_dpi) + " dpi cannot be plotted");

    // A user-defined size has no printable area of its own: the configured
    // bounds are the page.
    const HT_Media_Bounds area =
        size->printable == HT_Media_Bounds{} ? media_config->get_bounds() : size->printable;
    const HT_Media_Bounds paper =
        size->bounds == HT_Media_Bounds{} ? media_config->get_bounds() : size->bounds;
    g.left = device_dots(area.x_min, g.x_dpi);
    g.top = device_dots(area.y_min, g.y_dpi);
    g.width = device_dots(area.x_max, g.x_dpi) - g.left;
    g.rows = device_dots(area.y_max, g.y_dpi) - g.top;
    g.paper_width = device_dots(paper.x_max - paper.x_min, g.x_dpi);
    g.paper_height = device_dots(paper.y_max - paper.y_min, g.y_dpi);
    if (g.width <= 0 || g.rows <= 0)
        throw Frame_Error("the media size \"" + size->name.str() + "\" has no printable area");
    // The paper holds every printed dot: a user-defined size also prints the
    // millimetre that its bounds end in.
    g.paper_width = std::max(g.paper_width, g.left + g.width);
    g.paper_height = std::max(g.paper_height, g.top + g.rows);
    return g;
}

Page_Frame::Page_Frame(const Page_Geometry& geometry, drawing::Units units)
    : m_geometry(geometry), m_units(units) {}

double Page_Frame::paper_x(double x) const {
    return x * m_geometry.x_dpi / 25.4;
}

double Page_Frame::paper_y(double y) const {
    return y * m_geometry.y_dpi / 25.4;
}

HT_DCI_Point Page_Frame::vertex(const drawing::Point& p) const {
    if (m_units == drawing::Units::dots)
        return {to_int(std::round(p.x)), to_int(std::round(p.y)), 0};
    const HT_Point r = vertex_real(p);
    return {to_int(std::round(r.x)), to_int(std::round(r.y)), 0};
}

HT_Point Page_Frame::vertex_real(const drawing::Point& p) const {
    if (m_units == drawing::Units::dots)
        return {static_cast<float>(p.x), static_cast<float>(p.y), 0};
    // A column boundary X on paper is host x = X - left; the top of printed
    // row q (paper Y = top + q) is the top of host dot rows - q, that is
    // host y = rows + 1 - q.
    const Page_Geometry& g = m_geometry;
    return {static_cast<float>(paper_x(p.x) - g.left),
            static_cast<float>(g.top + g.rows + 1 - paper_y(p.y)), 0};
}

HT_DCI_Point Page_Frame::dot(const drawing::Point& p) const {
    if (m_units == drawing::Units::dots)
        return {to_int(std::floor(p.x)), to_int(std::floor(p.y)), 0};
    const Page_Geometry& g = m_geometry;
    const double column = std::floor(paper_x(p.x)) - g.left;
    const double row = std::floor(paper_y(p.y)) - g.top;
    return {to_int(column), to_int(g.rows - row), 0};
}

double Page_Frame::length(double value) const {
    return m_units == drawing::Units::dots ? value : paper_x(value);
}

} // namespace plot

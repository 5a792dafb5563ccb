// Where a drawing lands: the page geometry the device works out from the
// configuration, and the mapping from millimetres on the paper to the device
// dots the renderer takes.
#pragma once

#include "drawing.h"
#include "ht_definition.h"
#include "ht_rendition.h"

#include <cstdint>
#include <stdexcept>

namespace plot {

// A configuration that cannot be plotted (no media, no printable area, ...).
class Frame_Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The device's view of one page, in dots of the configured resolution.
struct Page_Geometry {
    int x_dpi = 0, y_dpi = 0;
    int color_system = 0;
    // Printable area: its top-left dot counted from the paper's top-left
    // corner, and its size in dots (printed row length and row count).
    int left = 0, top = 0;
    int width = 0, rows = 0;
    // Paper size in dots, for the preview's frame.
    int paper_width = 0, paper_height = 0;
};

// The geometry of the definition's configuration: its media size among the
// capabilities, and its resolution-colour-memory entry.
Page_Geometry page_geometry(const HT_Plotter_Definition& definition);

// Maps a drawing's coordinates to device dots.
//
// The device's host dot (x, y) is printed at column x of the printable area
// and at row (rows - y) from its top: the page image is one row taller than
// the printed rows and keeps the host's y upwards, so host row 0 lies below
// the last printed row. The inverse below puts every dot where the paper
// wants it.
class Page_Frame {
public:
    Page_Frame(const Page_Geometry& geometry, drawing::Units units);

    const Page_Geometry& geometry() const { return m_geometry; }
    drawing::Units units() const { return m_units; }

    // A vertex of a shape: dot boundaries lie on whole numbers, so a corner
    // goes to the nearest boundary.
    HT_DCI_Point vertex(const drawing::Point& p) const;
    HT_Point vertex_real(const drawing::Point& p) const;
    // The dot that covers a point.
    HT_DCI_Point dot(const drawing::Point& p) const;
    // A length along x in dots.
    double length(double value) const;

    // Paper dots (from the paper's top-left corner, y downwards) of a point.
    double paper_x(double x) const;
    double paper_y(double y) const;

private:
    Page_Geometry m_geometry;
    drawing::Units m_units;
};

} // namespace plot

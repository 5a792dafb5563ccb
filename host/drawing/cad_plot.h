// Lays a CAD drawing out on the paper and turns its entities into shapes in
// millimetres on the paper: thin and wide lines, filled areas and dots, in
// the colours and widths the drawing gives them.
#pragma once

#include "cad_document.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cad {

// How the drawing goes onto the paper.
struct Plot_Settings {
    // Fit to the printable area, or a scale: paper millimetres per drawing
    // millimetre (1:50 is 0.02).
    bool fit = true;
    double scale = 1;
    // Millimetres per drawing unit; 0: from $INSUNITS.
    double unit_mm = 0;
    bool centre = true;
    bool rotate = false; // 90 degrees counter-clockwise on the paper
    // A window in drawing coordinates (x0, y0, x1, y1); none: the extents.
    std::optional<std::array<double, 4>> window;
    std::string layout; // empty or "Model": model space
    double lineweight_scale = 1;
    // Width of lines whose lineweight is "default", in millimetres.
    double default_lineweight = 0.25;
    // A drawing that expands beyond this many points (arrays of nested
    // blocks, say) is refused rather than left to exhaust memory.
    std::uint64_t max_points = 30'000'000;
};

// The printable area on the paper: its top-left corner measured from the
// paper's top-left corner, its size, and the device's dots per millimetre.
struct Paper_Area {
    double left = 0, top = 0, width = 0, height = 0;
    double dots_per_mm = 360 / 25.4;
};

struct Shape {
    enum class Kind { dot, line, area };
    Kind kind = Kind::line;
    // Paper millimetres, y downwards. An area is one point list whose
    // contours are joined so that the even-odd rule fills it.
    std::vector<Vec2> points;
    double width = 0;      // lines: millimetres, 0 the thinnest line
    std::uint32_t rgb = 0; // 0xRRGGBB
    int clip = -1;         // the viewport it is seen through (Plot_Result::clips)
};

struct Plot_Result {
    std::vector<Shape> shapes;
    std::vector<std::string> warnings;
    double scale = 1; // paper millimetres per drawing unit
    // Where the plotted region lies on the paper (millimetres) and, when it
    // does not fit the printable area, by how much it overflows.
    double overflow_x = 0, overflow_y = 0;
    // The plot window on the paper, when one was asked for.
    std::optional<std::vector<Vec2>> clip;
    // The outlines of a layout's viewports on the paper.
    std::vector<std::vector<Vec2>> clips;
};

// Glyph outlines of a text, in text units: the baseline starts at the
// origin, one unit is the text height. Contours are closed polygons.
struct Text_Outline {
    std::vector<std::vector<Vec2>> contours;
    double advance = 0; // width of the text
};
class Text_Shaper {
public:
    virtual ~Text_Shaper() = default;
    virtual Text_Outline shape(const std::string& text, const Text_Style& style) = 0;
    // What went wrong with fonts since the last call, once per font.
    virtual std::vector<std::string> take_warnings() = 0;
};

// Throws Read_Error when there is nothing to plot or the settings do not
// fit the drawing (an unknown layout).
Plot_Result plot_document(const Document& doc, const Plot_Settings& settings,
                          const Paper_Area& area, Text_Shaper* text);

// The colour of a colour number (1 to 255) of the standard table.
std::uint32_t aci_color(int index);

} // namespace cad

// A CAD drawing as the host plots it: layers, text styles, blocks, layouts
// and the entities of model and paper space, in drawing units. Only what
// plotting needs is kept; everything else in the file is passed over.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace cad {

// A drawing that cannot be read: the message names the file, the line and
// the reason.
class Read_Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Vec2 {
    double x = 0, y = 0;
};

// Colour numbers with a meaning of their own.
inline constexpr int color_by_block = 0;
inline constexpr int color_by_layer = 256;
// Lineweights in 1/100 mm, and the three special values.
inline constexpr int lineweight_by_layer = -1;
inline constexpr int lineweight_by_block = -2;
inline constexpr int lineweight_default = -3;

enum class Entity_Kind {
    point,
    line,
    polyline, // LWPOLYLINE, and 2D POLYLINE with its VERTEX records
    circle,
    arc,
    ellipse,
    spline,
    solid, // SOLID and TRACE: four corners, the last two in crossed order
    face,  // 3DFACE, drawn flat as its outline
    hatch,
    insert,
    text,  // TEXT and ATTRIB
    mtext, // MTEXT
    dimension,
    viewport, // a paper-space window onto model space
    other,    // anything else: skipped with one warning per kind
};

// A polyline vertex; the bulge and widths belong to the segment that starts
// here. A negative width means "the polyline's constant width".
struct Vertex {
    Vec2 p;
    double bulge = 0;
    double start_width = -1, end_width = -1;
};

// One line family of a hatch pattern, in drawing units.
struct Pattern_Line {
    double angle = 0; // degrees
    Vec2 base;
    Vec2 offset;
    std::vector<double> dashes; // positive: dash, negative: gap, 0: dot
};

struct Entity {
    Entity_Kind kind = Entity_Kind::other;
    std::string type;       // the DXF name, for warnings
    std::uint32_t line = 0; // where it starts in the file
    std::string layer = "0";
    int color = color_by_layer;
    std::int32_t true_color = -1; // 0xRRGGBB, or -1
    int lineweight = lineweight_by_layer;
    bool paper_space = false;
    bool invisible = false;
    double extrusion_z = 1; // negative: the entity's x axis is mirrored

    // Points: line a-b; circle, arc and ellipse centre a; ellipse major axis
    // end b (relative to a); solid and face corners a, b, c, d; insert,
    // text and dimension-text position a; text alignment point b.
    Vec2 a, b, c, d;
    double radius = 0;
    double start_angle = 0, end_angle = 360; // degrees; ellipse: radians
    double ratio = 1;                        // ellipse minor / major

    // Polylines and hatch loops.
    std::vector<Vertex> vertices;
    bool closed = false;
    double constant_width = 0;

    // Splines.
    int degree = 3;
    std::vector<double> knots, weights;
    std::vector<Vec2> control, fit;

    // Hatches: boundary loops (even-odd), and the pattern unless solid.
    bool solid_fill = false;
    std::vector<std::vector<Vertex>> loops;
    std::vector<Pattern_Line> pattern;

    // Inserts (block name, scale, rotation in degrees, array) and the block
    // of a dimension.
    std::string name;
    Vec2 scale{1, 1};
    double rotation = 0;
    int columns = 1, rows = 1;
    double column_spacing = 0, row_spacing = 0;
    std::vector<Entity> attributes;

    // Text: contents, style, height, width factor, rotation (degrees, in
    // `rotation`), justification (TEXT: 72 and 73; MTEXT: attachment 1-9).
    std::string text, style;
    double height = 0, width_factor = 1;
    int halign = 0, valign = 0, attachment = 1;
    bool has_alignment = false;
    double box_width = 0; // MTEXT reference width, 0: none

    // Viewports: centre a and size (box_width x height) on the paper, the
    // model point b at their centre, the model height they show, the twist
    // in `rotation`; id 1 is the sheet itself, status 0 is off.
    double view_height = 0;
    int viewport_id = 0, viewport_status = 1;
};

struct Layer {
    int color = 7; // negative: the layer is off
    std::int32_t true_color = -1;
    int lineweight = lineweight_default;
    bool frozen = false;
    bool plotted = true;
};

struct Text_Style {
    std::string font_file; // as the file names it ("arial.ttf", "txt", ...)
    std::string font_family;
    double width_factor = 1;
    double height = 0; // fixed height, 0: none
};

struct Block {
    Vec2 base;
    std::vector<Entity> entities;
};

struct Document {
    std::string file;
    int insunits = 0;     // $INSUNITS: 0 unitless, 1 inches, 4 millimetres, ...
    int measurement = -1; // $MEASUREMENT: 0 imperial, 1 metric, -1 not given
    std::map<std::string, Layer> layers;
    std::map<std::string, Text_Style> styles;
    std::map<std::string, Block> blocks;
    // Paper-space layouts by name, and the block that holds each one.
    std::map<std::string, std::string> layouts;
    std::vector<Entity> entities; // the ENTITIES section, model and paper space
};

// Millimetres per drawing unit of an $INSUNITS value; 0 when it names none.
double millimetres_per_unit(int insunits);

} // namespace cad

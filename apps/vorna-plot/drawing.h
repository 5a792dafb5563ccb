// The drawing that vorna-plot plots: pages of primitives in millimetres on the
// paper or in device dots, read from JSON and checked completely before use.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace drawing {

// A drawing that cannot be taken. The message names the file, the page and
// the primitive.
class Drawing_Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Units { millimetres, dots };

struct Point {
    double x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

struct Color {
    enum class Kind { rgb, palette_index };
    Kind kind = Kind::rgb;
    std::uint8_t red = 0, green = 0, blue = 0;
    int index = 0; // 0 to 255, for palette_index
    bool operator==(const Color&) const = default;

    static Color rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return {Kind::rgb, r, g, b, 0};
    }
    static Color palette(int i) { return {Kind::palette_index, 0, 0, 0, i}; }
};

using Contour = std::vector<Point>;
// Even-odd: inside an odd number of contours is inside.
using Clip = std::vector<Contour>;

enum class Kind { dot, strip, polygon, polyline, image };
const char* kind_name(Kind kind);

struct Image_Ref {
    std::string path;                    // resolved against the drawing's folder
    Point top_left;                      // where the picture's top-left corner goes
    Point bottom_right;                  // where its bottom-right corner goes
    std::uint32_t width = 0, height = 0; // pixels, from the PNG header
};

struct Primitive {
    Kind kind = Kind::dot;
    std::vector<Point> points;
    Color color;
    double width = 0;         // polyline only; 0 is the thinnest line
    std::optional<Clip> clip; // replaces the page's clip
    std::optional<Image_Ref> image;
};

struct Page {
    std::optional<Clip> clip;
    std::vector<Primitive> primitives;
};

struct Drawing {
    Units units = Units::millimetres;
    std::string description;
    std::vector<Page> pages;
};

// Limits that keep a hostile file from exhausting memory or overflowing the
// conversion to dots.
inline constexpr double max_coordinate = 1e6;
inline constexpr double max_width = 1e4;
inline constexpr std::size_t max_points = 1000000;
inline constexpr std::uintmax_t max_file_bytes = 64u << 20;
inline constexpr std::uint32_t max_image_side = 8192;

// Checks a parsed document. `file` names it in messages; image files are
// resolved against `base_dir` (empty: the current folder).
Drawing parse_drawing(const nlohmann::json& document, const std::string& file,
                      const std::string& base_dir);

// Reads and checks a drawing file.
Drawing load_drawing(const std::string& path);

// The clip region that applies to a primitive of a page, or null.
inline const Clip* effective_clip(const Page& page, const Primitive& primitive) {
    if (primitive.clip)
        return &*primitive.clip;
    return page.clip ? &*page.clip : nullptr;
}

} // namespace drawing

#include "drawing.h"

#include "ht_plot_config.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace drawing {

const char* kind_name(Kind kind) {
    switch (kind) {
    case Kind::dot:
        return "dot";
    case Kind::strip:
        return "strip";
    case Kind::polygon:
        return "polygon";
    case Kind::polyline:
        return "polyline";
    case Kind::image:
        return "image";
    }
    return "?";
}

namespace {

using json = nlohmann::json;

// Where in the file a check is, so that every message can say so.
struct Where {
    const std::string& file;
    int page = 0;      // from 1; 0 outside the pages
    int primitive = 0; // from 1; 0 outside a primitive
    const char* kind = nullptr;

    [[noreturn]] void fail(const std::string& key, const std::string& what) const {
        std::string text = file + ": ";
        if (page > 0) {
            text += "page " + std::to_string(page);
            if (primitive > 0) {
                text += ", primitive " + std::to_string(primitive);
                if (kind)
                    text += std::string(" (") + kind + ")";
            }
            text += ": ";
        }
        if (!key.empty())
            text += key + ": ";
        throw Drawing_Error(text + what);
    }
};

std::string type_name(const json& v) {
    return v.type_name();
}

void only_keys(const json& object, std::initializer_list<const char*> allowed, const Where& at) {
    for (const auto& item : object.items()) {
        bool known = false;
        for (const char* k : allowed)
            known = known || item.key() == k;
        if (!known)
            at.fail(item.key(), "unknown key");
    }
}

double coordinate(const json& v, const Where& at, const std::string& key) {
    if (!v.is_number())
        at.fail(key, "expected a number, found " + type_name(v));
    const double d = v.get<double>();
    if (!std::isfinite(d) || std::fabs(d) > max_coordinate)
        at.fail(key, "coordinate out of range (at most 1000000 either way)");
    return d;
}

Point point(const json& v, const Where& at, const std::string& key) {
    if (!v.is_array() || v.size() != 2)
        at.fail(key, "expected a point [x, y]");
    return {coordinate(v[0], at, key), coordinate(v[1], at, key)};
}

std::vector<Point> points(const json& v, const Where& at, const std::string& key,
                          std::size_t at_least) {
    if (!v.is_array())
        at.fail(key, "expected a list of points, found " + type_name(v));
    if (v.size() < at_least)
        at.fail(key, "needs at least " + std::to_string(at_least) + " point" +
                         (at_least == 1 ? "" : "s") + ", has " + std::to_string(v.size()));
    if (v.size() > max_points)
        at.fail(key, "more than " + std::to_string(max_points) + " points");
    std::vector<Point> out;
    out.reserve(v.size());
    for (std::size_t i = 0; i < v.size(); ++i)
        out.push_back(point(v[i], at, key + " " + std::to_string(i + 1)));
    return out;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::uint8_t component(const json& v, const Where& at) {
    if (!v.is_number_integer() || v.get<std::int64_t>() < 0 || v.get<std::int64_t>() > 255)
        at.fail("color", "components must be integers from 0 to 255");
    return static_cast<std::uint8_t>(v.get<std::int64_t>());
}

Color color(const json& v, const Where& at) {
    if (v.is_string()) {
        const std::string s = v.get<std::string>();
        std::array<int, 6> d{};
        bool ok = s.size() == 7 && s[0] == '#';
        for (std::size_t i = 0; ok && i < 6; ++i)
            ok = (d[i] = hex_digit(s[i + 1])) >= 0;
        if (!ok)
            at.fail("color", "\"" + s + "\" is not a colour \"#RRGGBB\"");
        return Color::rgb(static_cast<std::uint8_t>(d[0] * 16 + d[1]),
                          static_cast<std::uint8_t>(d[2] * 16 + d[3]),
                          static_cast<std::uint8_t>(d[4] * 16 + d[5]));
    }
    if (v.is_array()) {
        if (v.size() != 3)
            at.fail("color", "expected [r, g, b]");
        return Color::rgb(component(v[0], at), component(v[1], at), component(v[2], at));
    }
    if (v.is_number_integer()) {
        const auto i = v.get<std::int64_t>();
        if (i < 0 || i > 255)
            at.fail("color", "palette index " + std::to_string(i) + " is not from 0 to 255");
        return Color::palette(static_cast<int>(i));
    }
    at.fail("color", "expected \"#RRGGBB\", [r, g, b] or a palette index, found " + type_name(v));
}

Clip clip(const json& v, const Where& at) {
    if (!v.is_array() || v.empty())
        at.fail("clip", "expected a list of contours");
    // A single contour may be written as its list of points.
    const bool single = v[0].is_array() && !v[0].empty() && v[0][0].is_number();
    Clip out;
    if (single) {
        out.push_back(points(v, at, "clip", 3));
        return out;
    }
    std::size_t total = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        out.push_back(points(v[i], at, "clip contour " + std::to_string(i + 1), 3));
        total += out.back().size();
        if (total > max_points)
            at.fail("clip", "more than " + std::to_string(max_points) + " points");
    }
    return out;
}

std::uint32_t big_endian(const unsigned char* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 |
           std::uint32_t(p[3]);
}

// Reads the picture's size from its header; the pixels are read when drawn.
Image_Ref image(const json& prim, const Where& at, const std::string& base_dir) {
    if (!prim.contains("file") || !prim["file"].is_string() ||
        prim["file"].get<std::string>().empty())
        at.fail("file", "expected the name of a PNG file");
    if (!prim.contains("corners"))
        at.fail("corners", "missing");
    Image_Ref ref;
    const std::filesystem::path name = prim["file"].get<std::string>();
    ref.path =
        (name.is_absolute() || base_dir.empty()) ? name.string() : (base_dir / name).string();
    const std::vector<Point> corners = points(prim["corners"], at, "corners", 2);
    if (corners.size() != 2)
        at.fail("corners", "expected [[x0, y0], [x1, y1]]");
    ref.top_left = corners[0];
    ref.bottom_right = corners[1];
    if (ref.top_left.x == ref.bottom_right.x || ref.top_left.y == ref.bottom_right.y)
        at.fail("corners", "the two corners share an x or a y: the picture would have no area");

    // A pipe or a device would be read forever (or never answer).
    std::error_code ec;
    const auto status = std::filesystem::status(ref.path, ec);
    if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        at.fail("file", ref.path + ": not a regular file");
    std::ifstream in(ref.path, std::ios::binary);
    if (!in)
        at.fail("file", ref.path + ": cannot be opened: " + std::strerror(errno));
    // Signature, then the IHDR chunk: length, type, width, height.
    unsigned char head[24] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (in.gcount() != sizeof head || !std::equal(signature, signature + 8, head) ||
        std::string(reinterpret_cast<char*>(head + 12), 4) != "IHDR")
        at.fail("file", ref.path + ": not a PNG picture");
    ref.width = big_endian(head + 16);
    ref.height = big_endian(head + 20);
    if (ref.width == 0 || ref.height == 0 || ref.width > max_image_side ||
        ref.height > max_image_side)
        at.fail("file", ref.path + ": the picture is " + std::to_string(ref.width) + " x " +
                            std::to_string(ref.height) + " pixels (at most 8192 x 8192)");
    return ref;
}

Primitive primitive(const json& v, Where at, const std::string& base_dir) {
    if (!v.is_object())
        at.fail("", "expected an object, found " + type_name(v));
    if (!v.contains("type") || !v["type"].is_string())
        at.fail("type", "missing: dot, strip, polygon, polyline or image");
    const std::string type = v["type"].get<std::string>();
    Primitive p;
    if (type == "dot")
        p.kind = Kind::dot;
    else if (type == "strip")
        p.kind = Kind::strip;
    else if (type == "polygon")
        p.kind = Kind::polygon;
    else if (type == "polyline")
        p.kind = Kind::polyline;
    else if (type == "image")
        p.kind = Kind::image;
    else
        at.fail("type", "\"" + type + "\" is not dot, strip, polygon, polyline or image");
    at.kind = kind_name(p.kind);

    if (p.kind == Kind::image) {
        only_keys(v, {"type", "file", "corners", "clip"}, at);
        p.image = image(v, at, base_dir);
    } else {
        if (p.kind == Kind::polyline)
            only_keys(v, {"type", "points", "color", "clip", "width"}, at);
        else
            only_keys(v, {"type", "points", "color", "clip"}, at);
        if (!v.contains("points"))
            at.fail("points", "missing");
        const std::size_t at_least = p.kind == Kind::dot ? 1 : p.kind == Kind::polyline ? 2 : 3;
        p.points = points(v["points"], at, "points", at_least);
        if (v.contains("color"))
            p.color = color(v["color"], at);
        if (v.contains("width")) {
            const json& w = v["width"];
            if (!w.is_number() || !std::isfinite(w.get<double>()) || w.get<double>() < 0 ||
                w.get<double>() > max_width)
                at.fail("width", "expected a number from 0 to 10000");
            p.width = w.get<double>();
        }
    }
    if (v.contains("clip"))
        p.clip = clip(v["clip"], at);
    return p;
}

} // namespace

Drawing parse_drawing(const json& document, const std::string& file, const std::string& base_dir) {
    Where top{file};
    if (!document.is_object())
        top.fail("", "expected a JSON object");
    only_keys(document, {"format", "version", "units", "description", "pages"}, top);
    if (document.value("format", json()) != "vorna-drawing")
        top.fail("format", "must be \"vorna-drawing\"");
    if (!document.contains("version") || !document["version"].is_number_integer() ||
        document["version"].get<std::int64_t>() != 1)
        top.fail("version", "must be 1");

    Drawing d;
    if (document.contains("units")) {
        const json& u = document["units"];
        if (u == "mm")
            d.units = Units::millimetres;
        else if (u == "dots")
            d.units = Units::dots;
        else
            top.fail("units", "must be \"mm\" or \"dots\"");
    }
    if (document.contains("description")) {
        if (!document["description"].is_string())
            top.fail("description", "expected a text");
        d.description = document["description"].get<std::string>();
    }
    if (!document.contains("pages") || !document["pages"].is_array() || document["pages"].empty())
        top.fail("pages", "expected a list of one or more pages");

    const json& pages = document["pages"];
    for (std::size_t i = 0; i < pages.size(); ++i) {
        Where at{file, static_cast<int>(i + 1)};
        const json& pg = pages[i];
        if (!pg.is_object())
            at.fail("", "expected an object, found " + type_name(pg));
        only_keys(pg, {"primitives", "clip"}, at);
        Page page;
        if (pg.contains("clip"))
            page.clip = clip(pg["clip"], at);
        if (!pg.contains("primitives") || !pg["primitives"].is_array())
            at.fail("primitives", "expected a list of primitives");
        const json& prims = pg["primitives"];
        page.primitives.reserve(prims.size());
        for (std::size_t k = 0; k < prims.size(); ++k) {
            Where pat{file, at.page, static_cast<int>(k + 1)};
            page.primitives.push_back(primitive(prims[k], pat, base_dir));
        }
        d.pages.push_back(std::move(page));
    }
    return d;
}

Drawing load_drawing(const std::string& path) {
    // A pipe or a device would be read forever (or never answer).
    if (path != "-") {
        std::error_code ec;
        const auto status = std::filesystem::status(path, ec);
        if (!ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status) &&
            !std::filesystem::is_regular_file(status))
            throw Drawing_Error(path + ": not a regular file");
    }
    std::string text;
    try {
        text = ht_read_text_file(path, max_file_bytes, "a drawing file");
    } catch (const HT_Config_Error& e) {
        throw Drawing_Error(e.what());
    }
    json document;
    try {
        document = json::parse(text);
    } catch (const json::exception& e) {
        // A number too large for a double is such an error too.
        throw Drawing_Error(path + ": not valid JSON: " + ht_json_error_text(e));
    }
    // Pictures of a drawing read from standard input are found from here.
    if (path == "-")
        return parse_drawing(document, path, std::string());
    return parse_drawing(document, path, std::filesystem::path(path).parent_path().string());
}

} // namespace drawing

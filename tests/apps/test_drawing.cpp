// The drawing file: what a sound file gives, and that every fault is refused
// with the file, page, primitive and key named.
#include "drawing.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using drawing::Color;
using drawing::Drawing_Error;
using drawing::Kind;
using json = nlohmann::json;

class Drawing_Test : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("vorna-drawing-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string write(const std::string& name, const std::string& text) {
        const fs::path p = m_dir / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }

    std::string write_png(const std::string& name, int width, int height) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = static_cast<png_uint_32>(width);
        image.height = static_cast<png_uint_32>(height);
        image.format = PNG_FORMAT_RGB;
        std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3, 200);
        const fs::path p = m_dir / name;
        EXPECT_TRUE(png_image_write_to_file(&image, p.c_str(), 0, pixels.data(), 0, nullptr));
        return p.string();
    }

    // Parses a document with one page holding `primitives`.
    drawing::Drawing page_of(const std::string& primitives) {
        const json doc = json::parse(R"({"format": "vorna-drawing", "version": 1, "pages": [
            {"primitives": )" + primitives +
                                     "}]}");
        return drawing::parse_drawing(doc, "t.json", m_dir.string());
    }

    // The message of the refusal of `document`; empty when it was taken.
    std::string refusal(const std::string& document) {
        try {
            drawing::parse_drawing(json::parse(document), "t.json", m_dir.string());
        } catch (const Drawing_Error& e) {
            return e.what();
        }
        return {};
    }

    fs::path m_dir;
};

TEST_F(Drawing_Test, ReadsEveryPrimitiveAndColourForm) {
    write_png("logo.png", 3, 2);
    const auto d = page_of(R"([
        {"type": "dot", "points": [[1, 2], [3.5, -4]], "color": "#FF8000"},
        {"type": "strip", "points": [[0, 0], [0, 1], [1, 0]], "color": [1, 2, 3]},
        {"type": "polygon", "points": [[0, 0], [5, 0], [5, 5]], "color": 217},
        {"type": "polyline", "points": [[0, 0], [9, 9]], "width": 0.35},
        {"type": "image", "file": "logo.png", "corners": [[10, 20], [40, 30]]}
    ])");
    ASSERT_EQ(d.pages.size(), 1u);
    const auto& p = d.pages[0].primitives;
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(d.units, drawing::Units::millimetres);

    EXPECT_EQ(p[0].kind, Kind::dot);
    EXPECT_EQ(p[0].points, (std::vector<drawing::Point>{{1, 2}, {3.5, -4}}));
    EXPECT_EQ(p[0].color, Color::rgb(255, 128, 0));
    EXPECT_EQ(p[1].color, Color::rgb(1, 2, 3));
    EXPECT_EQ(p[2].color, Color::palette(217));
    EXPECT_EQ(p[3].color, Color::rgb(0, 0, 0)) << "black when no colour is given";
    EXPECT_DOUBLE_EQ(p[3].width, 0.35);

    ASSERT_TRUE(p[4].image.has_value());
    EXPECT_EQ(p[4].image->path, (m_dir / "logo.png").string()) << "resolved beside the drawing";
    EXPECT_EQ(p[4].image->width, 3u);
    EXPECT_EQ(p[4].image->height, 2u);
    EXPECT_EQ(p[4].image->top_left, (drawing::Point{10, 20}));
    EXPECT_EQ(p[4].image->bottom_right, (drawing::Point{40, 30}));
}

TEST_F(Drawing_Test, ClipRegionsAndWhichOneApplies) {
    const json doc = json::parse(R"({"format": "vorna-drawing", "version": 1, "units": "dots",
        "pages": [{"clip": [[0, 0], [10, 0], [10, 10]],
                   "primitives": [
                     {"type": "dot", "points": [[1, 1]]},
                     {"type": "dot", "points": [[1, 1]],
                      "clip": [[[0, 0], [4, 0], [4, 4]], [[1, 1], [2, 1], [2, 2], [1, 2]]]}]},
                  {"primitives": [{"type": "dot", "points": [[1, 1]]}]}]})");
    const auto d = drawing::parse_drawing(doc, "t.json", "");
    EXPECT_EQ(d.units, drawing::Units::dots);
    const auto& page = d.pages[0];
    ASSERT_TRUE(page.clip.has_value());
    ASSERT_EQ(page.clip->size(), 1u) << "a list of points is one contour";
    EXPECT_EQ(page.clip->front().size(), 3u);

    EXPECT_EQ(drawing::effective_clip(page, page.primitives[0]), &*page.clip);
    const drawing::Clip* own = drawing::effective_clip(page, page.primitives[1]);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->size(), 2u) << "a primitive's clip replaces the page's";
    EXPECT_EQ(drawing::effective_clip(d.pages[1], d.pages[1].primitives[0]), nullptr);
}

TEST_F(Drawing_Test, RefusesFaultsNamingPagePrimitiveAndKey) {
    const std::string head = R"({"format": "vorna-drawing", "version": 1, "pages": [)";
    const std::string ok_page = R"({"primitives": []})";
    auto one = [&](const std::string& prim) {
        return head + ok_page + R"(, {"primitives": [{"type": "dot", "points": [[0, 0]]}, )" +
               prim + "]}]}";
    };
    const struct {
        std::string document;
        std::string message;
    } cases[] = {
        {"[1, 2]", "t.json: expected a JSON object"},
        {R"({"format": "other", "version": 1, "pages": []})", "t.json: format: must be"},
        {R"({"format": "vorna-drawing", "version": 2, "pages": [{}]})", "version: must be 1"},
        {R"({"format": "vorna-drawing", "version": 1, "pages": []})",
         "pages: expected a list of one or more pages"},
        {R"({"format": "vorna-drawing", "version": 1, "unit": "mm", "pages": [{}]})",
         "t.json: unit: unknown key"},
        {R"({"format": "vorna-drawing", "version": 1, "units": "inch", "pages": [{}]})",
         "units: must be \"mm\" or \"dots\""},
        {head + R"({"primitive": []}]})", "t.json: page 1: primitive: unknown key"},
        {head + ok_page + R"(, {"clip": [[0, 0], [1, 1]], "primitives": []}]})",
         "t.json: page 2: clip: needs at least 3 points, has 2"},
        {one(R"({"type": "polygon", "points": [[0, 0], [1, 1]]})"),
         "t.json: page 2, primitive 2 (polygon): points: needs at least 3 points, has 2"},
        {one(R"({"type": "circle", "points": [[0, 0]]})"),
         "page 2, primitive 2: type: \"circle\" is not dot"},
        {one(R"({"points": [[0, 0]]})"), "page 2, primitive 2: type: missing"},
        {one(R"({"type": "strip", "points": [[0, 0], [1, 0], [1, "x"]]})"),
         "primitive 2 (strip): points 3: expected a number, found string"},
        {one(R"({"type": "dot", "points": [[0, 0, 0]]})"),
         "primitive 2 (dot): points 1: expected a point [x, y]"},
        {one(R"({"type": "dot", "points": [[1e7, 0]]})"), "coordinate out of range"},
        {one(R"({"type": "dot", "points": [[0, 0]], "color": "#12345"})"),
         "primitive 2 (dot): color: \"#12345\" is not a colour \"#RRGGBB\""},
        {one(R"({"type": "dot", "points": [[0, 0]], "color": "#12345G"})"), "is not a colour"},
        {one(R"({"type": "dot", "points": [[0, 0]], "color": [1, 2, 256]})"),
         "color: components must be integers from 0 to 255"},
        {one(R"({"type": "dot", "points": [[0, 0]], "color": [1, 2.5, 3]})"),
         "color: components must be integers"},
        {one(R"({"type": "dot", "points": [[0, 0]], "color": 256})"),
         "color: palette index 256 is not from 0 to 255"},
        {one(R"({"type": "dot", "points": [[0, 0]], "color": true})"),
         "color: expected \"#RRGGBB\", [r, g, b] or a palette index, found boolean"},
        {one(R"({"type": "dot", "points": [[0, 0]], "width": 1})"),
         "primitive 2 (dot): width: unknown key"},
        {one(R"({"type": "polyline", "points": [[0, 0], [1, 1]], "width": -1})"),
         "primitive 2 (polyline): width: expected a number from 0 to 10000"},
        {one(R"({"type": "polyline", "points": [[0, 0]]})"), "needs at least 2 points, has 1"},
        {one(R"({"type": "dot", "points": []})"), "needs at least 1 point, has 0"},
        {one(R"({"type": "polygon", "points": [[0, 0], [1, 0], [1, 1]], "clip": []})"),
         "primitive 2 (polygon): clip: expected a list of contours"},
        {one(R"({"type": "image", "corners": [[0, 0], [1, 1]]})"),
         "primitive 2 (image): file: expected the name of a PNG file"},
        {one(R"({"type": "image", "file": "absent.png", "corners": [[0, 0], [1, 1]]})"),
         "absent.png: cannot be opened"},
        {one(R"({"type": "image", "file": "fake.png", "corners": [[0, 0], [1, 1]]})"),
         "fake.png: not a PNG picture"},
        {one(R"({"type": "image", "file": "ok.png", "corners": [[0, 0], [5, 0]]})"),
         "corners: the two corners share an x or a y"},
        {one(R"({"type": "image", "file": "ok.png", "corners": [[0, 0]]})"),
         "corners: needs at least 2 points, has 1"},
        {one(R"({"type": "image", "file": "huge.png", "corners": [[0, 0], [1, 1]]})"),
         "(at most 8192 x 8192)"},
    };
    write("fake.png", "GIF89a not a png at all, but long enough");
    write_png("ok.png", 2, 2);
    write_png("huge.png", 8193, 1);
    for (const auto& c : cases) {
        const std::string message = refusal(c.document);
        EXPECT_NE(message.find(c.message), std::string::npos)
            << "document: " << c.document << "\nmessage:  " << message;
    }
}

TEST_F(Drawing_Test, LoadingNamesTheFileAndThePosition) {
    const std::string bad = write("bad.json", "{\n  \"format\": \"vorna-drawing\",\n  oops\n}\n");
    try {
        drawing::load_drawing(bad);
        FAIL() << "a file that is not JSON was taken";
    } catch (const Drawing_Error& e) {
        const std::string m = e.what();
        EXPECT_EQ(m.rfind(bad + ": not valid JSON: ", 0), 0u) << m;
        EXPECT_NE(m.find("line 3"), std::string::npos) << m;
    }
    EXPECT_THROW(drawing::load_drawing((m_dir / "missing.json").string()), Drawing_Error);
    EXPECT_THROW(drawing::load_drawing(m_dir.string()), Drawing_Error);

    // Image names are resolved against the drawing's own folder, not the
    // current one.
    fs::create_directories(m_dir / "sub");
    write_png("sub/pic.png", 1, 1);
    const std::string nested =
        write("sub/d.json", R"({"format": "vorna-drawing", "version": 1, "pages": [{"primitives": [
            {"type": "image", "file": "pic.png", "corners": [[0, 0], [1, 1]]}]}]})");
    const auto d = drawing::load_drawing(nested);
    EXPECT_EQ(d.pages[0].primitives[0].image->path, (m_dir / "sub" / "pic.png").string());
}

TEST_F(Drawing_Test, TheSampleDrawingIsSound) {
    const auto d = drawing::load_drawing(VORNA_DATA_DIR "/sample.json");
    ASSERT_EQ(d.pages.size(), 1u);
    EXPECT_GT(d.pages[0].primitives.size(), 50u);
}

} // namespace

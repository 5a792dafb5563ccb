// DXF drawings plotted by vorna-plot as a person plots them, checked in the
// decoded preview: every entity kind where the drawing puts it (within one
// dot at 360 dpi), in its colour and width; layers that must not print;
// the plot settings; and files that must be refused with file, line and
// reason.
#include "rcm_entries.h"

#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

using Rgb = std::array<int, 3>;
const Rgb white{255, 255, 255};
const Rgb black{0, 0, 0};

// The A4 roll paper's printable area at 360 dpi, in dots from the paper's
// top-left corner: the drawing's origin lands on its lower-left corner when
// the plot is not centred.
constexpr double dots_per_mm = 360 / 25.4;
constexpr int area_left = 42;     // 2.9633 mm
constexpr int area_bottom = 4167; // 294.005 mm

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    Rgb at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return {-1, -1, -1};
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
    // The first and last row (or column) of ink of colour `c` along a column
    // (or row) from `from` to `to`; -1 when there is none.
    struct Run {
        int first = -1, last = -1;
    };
    Run run(bool vertical, int fixed, int from, int to, Rgb c) const {
        int first = -1, last = -1;
        for (int k = from; k <= to; ++k)
            if ((vertical ? at(fixed, k) : at(k, fixed)) == c) {
                if (first < 0)
                    first = k;
                last = k;
            }
        return {first, last};
    }
};

// Paper dots of a drawing point plotted 1:1 from the area's corner.
double dot_x(double x_mm) {
    return area_left + x_mm * dots_per_mm;
}
double dot_y(double y_mm) {
    return area_bottom - y_mm * dots_per_mm;
}

// A DXF file written group by group.
class Dxf {
public:
    Dxf& g(int code, const std::string& value) {
        m_text << code << "\n" << value << "\n";
        return *this;
    }
    Dxf& g(int code, double value) {
        std::ostringstream s;
        s << value;
        return g(code, s.str());
    }
    Dxf& point(int code, double x, double y) { return g(code, x).g(code + 10, y); }
    Dxf& section(const std::string& name) { return g(0, "SECTION").g(2, name); }
    Dxf& end_section() { return g(0, "ENDSEC"); }
    std::string text() const { return m_text.str() + "0\nEOF\n"; }

private:
    std::ostringstream m_text;
};

class Dxf_Plot : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() /
                ("vorna-dxf-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        // A4 roll paper, 360 dpi true colour.
        m_config = (m_dir / "config.json").string();
        const std::string tool = VORNA_CONFIG_TOOL;
        const std::string cmd = tool + " init -o " + m_config + " && " + tool + " set " + m_config +
                                " media-source=P0 media-size=A4_Roll_Paper_Portrait "
                                "res-color-mem=" +
                                std::to_string(raster_media::rcm_360_true_color);
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    }
    void TearDown() override {
        if (!std::getenv("KEEP"))
            fs::remove_all(m_dir);
    }

    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(m_dir / name, std::ios::binary) << text;
        return (m_dir / name).string();
    }

    struct Result {
        int status = -1;
        std::string err;
        Picture pic;
    };

    // Plots the drawing with the settings and reads the preview back.
    Result plot(const std::string& drawing, const std::string& settings = "") const {
        const fs::path err = m_dir / "stderr.txt", png = m_dir / "out.png";
        fs::remove(png);
        const std::string cmd = std::string(VORNA_PLOT) + " --quiet --config " + m_config + " -o " +
                                (m_dir / "out.prn").string() + " --preview-dpi full --preview " +
                                png.string() + " " + settings + " " + drawing + " 2>" +
                                err.string();
        const int raw = std::system(cmd.c_str());
        Result r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        std::ifstream in(err);
        std::stringstream s;
        s << in.rdbuf();
        r.err = s.str();
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (r.status == 0 && png_image_begin_read_from_file(&image, png.c_str())) {
            image.format = PNG_FORMAT_RGB;
            r.pic.width = static_cast<int>(image.width);
            r.pic.height = static_cast<int>(image.height);
            r.pic.rgb.resize(PNG_IMAGE_SIZE(image));
            if (!png_image_finish_read(&image, nullptr, r.pic.rgb.data(), 0, nullptr))
                r.pic = {};
        }
        return r;
    }

    fs::path m_dir;
    std::string m_config;
};

// Layers: RED (colour 1, 0.50 mm), OFF (switched off), FROZEN, TRUE (a true
// colour), and a block SQUARE drawn BYBLOCK.
Dxf entity_drawing() {
    Dxf d;
    d.section("HEADER").g(9, "$INSUNITS").g(70, "4").end_section();
    d.section("TABLES").g(0, "TABLE").g(2, "LAYER");
    d.g(0, "LAYER").g(2, "RED").g(70, "0").g(62, "1").g(370, "50");
    d.g(0, "LAYER").g(2, "OFF").g(70, "0").g(62, "-3");
    d.g(0, "LAYER").g(2, "FROZEN").g(70, "1").g(62, "3");
    d.g(0, "LAYER").g(2, "TRUE").g(70, "0").g(62, "5").g(420, "16744448"); // FF8000
    d.g(0, "ENDTAB").end_section();
    d.section("BLOCKS");
    d.g(0, "BLOCK").g(2, "SQUARE").g(70, "0").point(10, 5, 5);
    d.g(0, "SOLID").g(8, "0").g(62, "0").g(370, "0");
    d.point(10, 5, 5).point(11, 9, 5).point(12, 5, 9).point(13, 9, 9);
    d.g(0, "ENDBLK").end_section();
    d.section("ENTITIES");
    // The extents start at the origin, which goes on the area's corner.
    d.g(0, "POINT").point(10, 0, 0);
    // A thick line by layer and a thin black one (colour 7).
    d.g(0, "LINE").g(8, "RED").point(10, 20, 20).point(11, 100, 20);
    d.g(0, "LINE").g(8, "0").g(62, "7").g(370, "0").point(10, 20, 40).point(11, 100, 40);
    // The same places on layers that do not print.
    d.g(0, "LINE").g(8, "OFF").g(62, "1").g(370, "100").point(10, 20, 60).point(11, 100, 60);
    d.g(0, "CIRCLE").g(8, "FROZEN").point(10, 60, 60).g(40, 5);
    // A thin green circle, an arc in the layer's true colour.
    d.g(0, "CIRCLE").g(62, "3").g(370, "0").point(10, 150, 60).g(40, 20);
    d.g(0, "ARC").g(8, "TRUE").g(370, "0").point(10, 150, 60).g(40, 30).g(50, 0).g(51, 90);
    // A polyline 2 units wide with a bulge: a half circle from (20, 80),
    // clockwise, so over the top.
    d.g(0, "LWPOLYLINE").g(62, "5").g(90, "2").g(70, "0").g(43, 2);
    d.point(10, 20, 80).g(42, -1).point(10, 60, 80);
    // A solid fill with a hole.
    d.g(0, "HATCH").g(62, "6").point(10, 0, 0).g(2, "SOLID").g(70, "1").g(71, "0").g(91, "2");
    for (const auto& [x0, y0, x1, y1] :
         {std::array<double, 4>{120, 100, 180, 140}, std::array<double, 4>{140, 110, 160, 130}}) {
        d.g(92, "2").g(72, "0").g(73, "1").g(93, "4");
        d.point(10, x0, y0).point(10, x1, y0).point(10, x1, y1).point(10, x0, y1);
        d.g(97, "0");
    }
    d.g(75, "0").g(76, "1").g(98, "0");
    // Four squares of the block, in the insert's colour (red).
    d.g(0, "INSERT").g(2, "SQUARE").g(62, "1").point(10, 20, 120).g(70, "2").g(71, "2");
    d.g(44, 10).g(45, 10);
    // Text 10 units high.
    d.g(0, "TEXT").g(62, "7").point(10, 20, 160).g(40, 10).g(1, "HH");
    // Two entities of a kind that is not plotted.
    d.g(0, "WIPEOUT").point(10, 0, 0);
    d.g(0, "WIPEOUT").point(10, 0, 0);
    d.end_section();
    return d;
}

TEST_F(Dxf_Plot, EntitiesLandWhereTheDrawingPutsThemInTheirColourAndWidth) {
    const std::string file = write("entities.dxf", entity_drawing().text());
    const Result r = plot(file, "--plot scale=1:1 --plot centre=no");
    ASSERT_EQ(r.status, 0) << r.err;
    const Picture& p = r.pic;
    ASSERT_GT(p.width, 0);
    auto x = [](double mm) { return static_cast<int>(std::lround(dot_x(mm))); };
    auto y = [](double mm) { return static_cast<int>(std::lround(dot_y(mm))); };

    // The layer's line: red, 0.50 mm wide, centred on y = 20.
    const Rgb red{255, 0, 0};
    const auto thick = p.run(true, x(60), y(25), y(15), red);
    ASSERT_GE(thick.first, 0) << "no red line";
    EXPECT_NEAR((thick.first + thick.last + 1) / 2.0, dot_y(20), 1.0);
    EXPECT_NEAR(thick.last - thick.first + 1, 0.5 * dots_per_mm, 1.0);
    // It ends where the drawing says, with square ends half its width long.
    const auto along = p.run(false, y(20), x(10), x(110), red);
    EXPECT_NEAR(along.first, dot_x(20) - 0.25 * dots_per_mm, 1.0);
    EXPECT_NEAR(along.last + 1, dot_x(100) + 0.25 * dots_per_mm, 1.0);

    // Colour 7 prints black; lineweight 0 is the thinnest line.
    const auto thin = p.run(true, x(60), y(45), y(35), black);
    ASSERT_GE(thin.first, 0) << "no black line";
    EXPECT_NEAR((thin.first + thin.last + 1) / 2.0, dot_y(40), 1.0);
    EXPECT_LE(thin.last - thin.first + 1, 2);

    // Off and frozen layers leave the paper white.
    EXPECT_EQ(p.run(true, x(40), y(62), y(58), red).first, -1) << "the off layer printed";
    EXPECT_EQ(p.run(false, y(60), x(53), x(67), Rgb{0, 255, 0}).first, -1)
        << "the frozen layer printed";

    // The circle crosses its top and its right at the radius.
    const Rgb green{0, 255, 0};
    const auto top = p.run(true, x(150), y(85), y(75), green);
    EXPECT_NEAR((top.first + top.last + 1) / 2.0, dot_y(80), 1.0);
    const auto right = p.run(false, y(60), x(165), x(175), green);
    EXPECT_NEAR((right.first + right.last + 1) / 2.0, dot_x(170), 1.0);
    EXPECT_EQ(p.at(x(150), y(60)), white);
    // The arc in the layer's true colour, at 45 degrees only (0 to 90).
    const Rgb orange{255, 128, 0};
    const double r45 = 30 / std::sqrt(2.0);
    const auto arc = p.run(false, y(60 + r45), x(150 + r45 - 3), x(150 + r45 + 3), orange);
    ASSERT_GE(arc.first, 0) << "no arc";
    EXPECT_NEAR((arc.first + arc.last + 1) / 2.0, dot_x(150 + r45), 1.0);
    EXPECT_EQ(p.run(false, y(60 - r45), x(150 + r45 - 3), x(150 + r45 + 3), orange).first, -1)
        << "the arc went on past 90 degrees";

    // The wide polyline: a half circle above y = 80 (bulge -1), 2 units wide.
    const Rgb blue{0, 0, 255};
    const auto arch = p.run(true, x(40), y(105), y(95), blue);
    ASSERT_GE(arch.first, 0) << "no half circle";
    EXPECT_NEAR((arch.first + arch.last + 1) / 2.0, dot_y(100), 1.0);
    EXPECT_NEAR(arch.last - arch.first + 1, 2 * dots_per_mm, 1.5);
    EXPECT_EQ(p.run(true, x(40), y(65), y(55), blue).first, -1) << "bulge on the wrong side";

    // The hatch fills its ring and leaves the island.
    const Rgb magenta{255, 0, 255};
    EXPECT_EQ(p.at(x(125), y(105)), magenta);
    EXPECT_EQ(p.at(x(150), y(120)), white);
    const auto edge = p.run(false, y(120), x(110), x(145), magenta);
    EXPECT_NEAR(edge.first, dot_x(120), 1.0);
    EXPECT_NEAR(edge.last + 1, dot_x(140), 1.0);

    // The block's square, BYBLOCK, in each cell of the 2 x 2 array: the
    // block's base point (5, 5) lands on the insert point.
    for (double ox : {0.0, 10.0})
        for (double oy : {0.0, 10.0}) {
            EXPECT_EQ(p.at(x(22 + ox), y(122 + oy)), red) << "cell " << ox << ", " << oy;
            const auto cell = p.run(false, y(122 + oy), x(15 + ox), x(27 + ox), red);
            EXPECT_NEAR(cell.first, dot_x(20 + ox), 1.0);
            EXPECT_NEAR(cell.last + 1, dot_x(24 + ox), 1.0);
        }
    EXPECT_EQ(p.at(x(27), y(122)), white) << "between the cells";

    // Text: capital letters as high as the text height, from the baseline.
    const auto h = p.run(true, x(22), y(175), y(155), black);
    ASSERT_GE(h.first, 0) << "no text";
    EXPECT_NEAR(h.last + 1, dot_y(160), 1.5);
    EXPECT_NEAR(h.last + 1 - h.first, 10 * dots_per_mm, 2.0);

    // What was not drawn is said once per kind.
    EXPECT_NE(r.err.find("2 WIPEOUT entities not drawn"), std::string::npos) << r.err;
}

// A 100 x 50 rectangle from (0, 0), and a red square at its left end.
std::string rectangle_drawing(int insunits) {
    Dxf d;
    d.section("HEADER").g(9, "$INSUNITS").g(70, std::to_string(insunits)).end_section();
    d.section("ENTITIES");
    d.g(0, "LWPOLYLINE").g(62, "7").g(370, "0").g(90, "4").g(70, "1");
    d.point(10, 0, 0).point(10, 100, 0).point(10, 100, 50).point(10, 0, 50);
    d.g(0, "SOLID").g(62, "1").point(10, 2, 2).point(11, 10, 2).point(12, 2, 10).point(13, 10, 10);
    d.end_section();
    return d.text();
}

TEST_F(Dxf_Plot, SettingsFitScaleRotateWindowAndSayWhenThePlotOverflows) {
    const std::string mm = write("mm.dxf", rectangle_drawing(4));
    const Rgb red{255, 0, 0};
    // The printable area is 204.05 x 291.04 mm, centred at this dot.
    const double cx = area_left + 204.0467 / 2 * dots_per_mm;
    const double cy = area_bottom - 291.0417 / 2 * dots_per_mm;

    // Fit: the rectangle spans the printable width, its sides a dot inside.
    Result r = plot(mm, "--plot fit");
    ASSERT_EQ(r.status, 0) << r.err;
    auto span = r.pic.run(false, static_cast<int>(cy), 0, r.pic.width - 1, black);
    EXPECT_NEAR(span.first, area_left + 1, 1.0);
    EXPECT_NEAR(span.last + 1, area_left + 204.0467 * dots_per_mm - 1, 1.5);

    // 1:2 with millimetre units: 50 mm wide, centred.
    r = plot(mm, "--plot scale=1:2");
    ASSERT_EQ(r.status, 0) << r.err;
    span = r.pic.run(false, static_cast<int>(cy), 0, r.pic.width - 1, black);
    EXPECT_NEAR(span.first, cx - 25 * dots_per_mm, 1.0);
    EXPECT_NEAR(span.last + 1, cx + 25 * dots_per_mm, 1.0);
    EXPECT_EQ(r.err, "");

    // Units given for a drawing in inches: 1:10 makes 100 inches 254 mm,
    // wider than the paper, which is said with the overflow.
    const std::string in = write("in.dxf", rectangle_drawing(1));
    r = plot(in, "--plot scale=1:10");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("overflows the printable area"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("by 50.0 mm across"), std::string::npos) << r.err;

    // Rotated by 90 degrees: the drawing's x axis runs up the paper, so the
    // red square at its left end lies at the bottom.
    r = plot(mm, "--plot scale=1:1 --plot rotate=90");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto tall = r.pic.run(true, static_cast<int>(cx), 0, r.pic.height - 1, black);
    EXPECT_NEAR(tall.last + 1 - tall.first, 100 * dots_per_mm, 1.5);
    EXPECT_EQ(
        r.pic.at(static_cast<int>(cx + 19 * dots_per_mm), static_cast<int>(cy + 44 * dots_per_mm)),
        red);

    // A window at 1:1: its centre on the area's centre, and the rectangle's
    // bottom edge cut off at the window's right side (x = 60).
    r = plot(mm, "--plot window=-5,-5,60,60 --plot scale=1:1");
    ASSERT_EQ(r.status, 0) << r.err;
    const int bottom_row = r.pic
                               .run(true, static_cast<int>(cx), static_cast<int>(cy),
                                    static_cast<int>(cy + 40 * dots_per_mm), black)
                               .first;
    EXPECT_NEAR(bottom_row + 0.5, cy + 27.5 * dots_per_mm, 1.0);
    span = r.pic.run(false, bottom_row, 0, r.pic.width - 1, black);
    EXPECT_NEAR(span.first, cx - 27.5 * dots_per_mm, 1.0);
    EXPECT_NEAR(span.last + 1, cx + 32.5 * dots_per_mm, 1.0);
    const auto sq =
        r.pic.run(false, static_cast<int>(cy + 21.5 * dots_per_mm), 0, r.pic.width - 1, red);
    EXPECT_NEAR(sq.first, cx - 25.5 * dots_per_mm, 1.0);
    EXPECT_NEAR(sq.last + 1, cx - 17.5 * dots_per_mm, 1.0);

    // Settings in the configuration's "plot" object, the command line after.
    std::ifstream cin(m_config);
    std::stringstream cs;
    cs << cin.rdbuf();
    std::string config = cs.str();
    config.insert(config.find('{') + 1, R"("plot": {"scale": "1:2", "rotate": 90},)");
    write("config.json", config);
    r = plot(mm, "--plot rotate=0");
    ASSERT_EQ(r.status, 0) << r.err;
    span = r.pic.run(false, static_cast<int>(cy), 0, r.pic.width - 1, black);
    EXPECT_NEAR(span.last + 1 - span.first, 50 * dots_per_mm, 1.5);

    // A bad setting is refused before anything is printed.
    r = plot(mm, "--plot scale=fifty");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("plot setting scale"), std::string::npos) << r.err;
}

// A layout "Sheet" with a line along its foot and a viewport at 1:1 onto a
// red area of model space larger than the viewport.
std::string layout_drawing() {
    Dxf d;
    d.section("HEADER").g(9, "$INSUNITS").g(70, "4").end_section();
    d.section("TABLES").g(0, "TABLE").g(2, "BLOCK_RECORD");
    d.g(0, "BLOCK_RECORD").g(5, "1F").g(2, "*Paper_Space");
    d.g(0, "ENDTAB").end_section();
    d.section("ENTITIES");
    d.g(0, "SOLID").g(62, "1").point(10, 0, 0).point(11, 100, 0).point(12, 0, 50);
    d.point(13, 100, 50);
    d.g(0, "LINE").g(67, "1").g(62, "7").point(10, 0, 0).point(11, 200, 0);
    // The sheet's own viewport, then one 80 x 60 at (100, 100) showing the
    // model around (50, 25), 60 units high.
    d.g(0, "VIEWPORT").g(67, "1").point(10, 100, 100).g(40, 300).g(41, 200).g(69, "1");
    d.g(0, "VIEWPORT").g(67, "1").point(10, 100, 100).g(40, 80).g(41, 60).g(68, "1");
    d.g(69, "2").point(12, 50, 25).g(45, 60);
    d.end_section();
    d.section("OBJECTS");
    d.g(0, "LAYOUT").g(100, "AcDbPlotSettings").g(100, "AcDbLayout").g(1, "Sheet");
    d.g(330, "1F");
    d.end_section();
    return d.text();
}

TEST_F(Dxf_Plot, LayoutShowsModelSpaceThroughItsViewport) {
    const std::string file = write("layout.dxf", layout_drawing());
    const Rgb red{255, 0, 0};
    Result r = plot(file, "--plot layout=Sheet --plot scale=1:1 --plot centre=no");
    ASSERT_EQ(r.status, 0) << r.err;
    // The model's red area shows inside the viewport's outline only: the
    // solid's paper x runs from 50 to 150, the viewport from 60 to 140.
    const int row = static_cast<int>(std::lround(dot_y(100)));
    const auto seen = r.pic.run(false, row, 0, r.pic.width - 1, red);
    EXPECT_NEAR(seen.first, dot_x(60), 1.0);
    EXPECT_NEAR(seen.last + 1, dot_x(140), 1.0);
    // Rows: the solid's paper y from 75 to 125 lies inside the viewport.
    const auto col = r.pic.run(true, static_cast<int>(dot_x(100)), 0, r.pic.height - 1, red);
    EXPECT_NEAR(col.first, dot_y(125), 1.0);
    EXPECT_NEAR(col.last + 1, dot_y(75), 1.0);

    // Model space by default; an unknown layout is refused with the names.
    r = plot(file, "--plot scale=1:1 --plot centre=no");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.pic.at(static_cast<int>(dot_x(50)), static_cast<int>(dot_y(25))), red);
    r = plot(file, "--plot layout=Nothing");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no layout \"Nothing\" (the drawing has: Model, Sheet)"),
              std::string::npos)
        << r.err;
}

TEST_F(Dxf_Plot, JsonDrawingBeyondThePaperIsPlottedWithAWarning) {
    const std::string file = write("wide.json", R"({"format": "vorna-drawing", "version": 1,
        "pages": [{"primitives": [{"type": "polygon",
            "points": [[100, 20], [230, 20], [230, 40], [100, 40]], "color": "#FF0000"}]}]})");
    const Result r = plot(file);
    ASSERT_EQ(r.status, 0) << r.err;
    // 230 mm against a printable right edge at 207.01 mm.
    EXPECT_NE(r.err.find("23.0 mm across and 0.0 mm down beyond the printable area"),
              std::string::npos)
        << r.err;
}

TEST_F(Dxf_Plot, UnreadableDrawingsAreRefusedWithFileLineAndReason) {
    struct Case {
        std::string name, text, message;
    };
    const std::string ok = rectangle_drawing(4);
    std::string bad_number = ok;
    bad_number.replace(bad_number.find("100\n"), 4, "1OO\n");
    const Case cases[] = {
        {"empty.dxf", "", ":1: the file is empty"},
        {"code.dxf", "0\nSECTION\n2\nENTITIES\nLINE\n", ":5: expected a group code"},
        {"number.dxf", bad_number, "needs a number, found \"1OO\""},
        {"cut.dxf", ok.substr(0, ok.find('\n', ok.size() / 2) + 1), "it is cut short"},
        {"start.dxf", "10\n0.0\n0\nEOF\n", ":1: a DXF drawing starts with a SECTION"},
        {"binary.dxf", std::string("AC binary\r\n\x1a\0\0\0", 16), "binary DXF"},
        {"nothing.dxf", "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n", "nothing to plot"},
    };
    for (const Case& c : cases) {
        const std::string file = write(c.name, c.text);
        const Result r = plot(file);
        EXPECT_EQ(r.status, 2) << c.name;
        EXPECT_NE(r.err.find(file), std::string::npos) << c.name << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
    }
    // The line is counted in the file: the bad number's own line.
    std::size_t line = 1;
    for (std::size_t i = 0; i < bad_number.find("1OO"); ++i)
        line += bad_number[i] == '\n';
    const Result r = plot(write("number.dxf", bad_number));
    EXPECT_NE(r.err.find(".dxf:" + std::to_string(line) + ":"), std::string::npos) << r.err;
}

} // namespace

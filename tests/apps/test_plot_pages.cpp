// vorna-plot run as a person runs it, judged by what reaches the printer:
// user-defined sizes on every media source print whole pages that agree with
// the sizes the job announced, and the preview shows exactly those dots;
// dots off the page at 720 dpi print nothing; transparent picture pixels
// leave what lies below; colour substitution prints every page alike and
// never puts colour on a grey plot.
#include "png_picture.h"
#include "rcm_entries.h"
#include "stream_decoder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <png.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using Rgb = std::array<int, 3>;

std::string read_text(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// One job of the printer stream: the sizes its records announce and the
// dots of its page, row after row.
struct Printed_Page {
    std::int64_t paper_width = 0, paper_height = 0;
    std::int64_t printable_width = 0, printable_height = 0;
    std::uint32_t width = 0, rows = 0;
    bool band_widths_agree = true;
    std::vector<std::uint8_t> dots;
    Rgb at(std::uint32_t x, std::uint32_t y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 4;
        return {dots[i], dots[i + 1], dots[i + 2]};
    }
};

class Page_Collector : public spool_stream::Stream_Visitor {
public:
    std::vector<Printed_Page> pages;
    void job_begin(const spool_stream::Job_Info& info) override {
        using spool_stream::find_field;
        using spool_stream::job_params_layout;
        auto value = [&](const char* name) {
            return static_cast<std::int32_t>(
                info.job_params.value(*find_field(job_params_layout, name)));
        };
        Printed_Page page;
        page.paper_width = value("paper_width");
        page.paper_height = value("paper_height");
        page.printable_width = value("printable_width");
        page.printable_height = value("printable_height");
        pages.push_back(std::move(page));
    }
    void band(const spool_stream::Band_Info& info, std::span<const std::uint8_t> dots) override {
        Printed_Page& page = pages.back();
        if (page.rows != 0 && info.width != page.width)
            page.band_widths_agree = false;
        page.width = info.width;
        page.rows += info.rows;
        page.dots.insert(page.dots.end(), dots.begin(), dots.end());
    }
};

class Plot_Pages : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() /
                ("vorna-pages-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        // The driver's own defaults, which each case changes.
        const std::string base = (m_dir / "base.json").string();
        const std::string cmd = std::string(VORNA_CONFIG_TOOL) + " init -o " + base;
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
        m_base = json::parse(read_text(base));
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path path(const std::string& name) const { return m_dir / name; }

    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(m_dir / name, std::ios::binary) << text;
        return (m_dir / name).string();
    }

    // A configuration of a user-defined size with these bounds in
    // millimetres, the resolution-colour-memory entry and custom keys.
    std::string config(const std::string& source, const std::array<double, 4>& bounds, int entry,
                       const json& custom = json::object()) const {
        json c = m_base;
        c["media"]["source"] = source;
        c["media"]["size"] = "UserDefined";
        c["media"]["bounds"] = bounds;
        c["res_color_mem"] = entry;
        for (const auto& [key, value] : custom.items())
            c["custom"][key] = value;
        return write("config.json", c.dump());
    }

    // Plots and decodes every page; the preview of a one-page drawing.
    std::vector<Printed_Page> plot(const std::string& config, const std::string& drawing,
                                   std::string& err, const std::string& preview = "") const {
        const fs::path out = path("out.prn");
        fs::remove(out);
        std::string cmd =
            std::string(VORNA_PLOT) + " --quiet --config " + config + " -o " + out.string() + " ";
        if (!preview.empty())
            cmd += "--preview-dpi full --preview " + preview + " ";
        cmd += drawing + " 2>" + path("stderr.txt").string();
        const int raw = std::system(cmd.c_str());
        err = read_text(path("stderr.txt"));
        if (!WIFEXITED(raw) || WEXITSTATUS(raw) != 0) {
            err = "exit " + std::to_string(raw) + ": " + err;
            return {};
        }
        Page_Collector pages;
        spool_stream::File_Source source(out.string());
        spool_stream::decode_stream(source, pages);
        return pages.pages;
    }

    // A PNG of RGBA pixels, top row first.
    void write_png(const std::string& name, int width, int height,
                   const std::vector<std::uint8_t>& rgba) const {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = static_cast<png_uint_32>(width);
        image.height = static_cast<png_uint_32>(height);
        image.format = PNG_FORMAT_RGBA;
        const std::string file = path(name).string();
        ASSERT_TRUE(png_image_write_to_file(&image, file.c_str(), 0, rgba.data(), 0, nullptr));
    }

    fs::path m_dir;
    json m_base;
};

const char* const sources[] = {"P0", "P1", "P2", "P3"};

// ---------------------------------------------------------------------------
// User-defined sizes

TEST_F(Plot_Pages, UserDefinedSizesPrintWholePagesThatAgreeWithTheJobOnEverySource) {
    // A black polygon larger than any of these pages: every printed dot is
    // black.
    const std::string drawing = write("cover.json", R"({"format": "vorna-drawing",
        "version": 1, "units": "dots", "pages": [{"primitives": [{"type": "polygon",
        "points": [[-20, -20], [2000, -20], [2000, 2000], [-20, 2000]],
        "color": "#000000"}]}]})");
    std::mt19937 random(20261208);
    auto mm = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo * 100, hi * 100)(random) / 100.0;
    };
    int plotted = 0;
    for (const char* source : sources) {
        for (const int base_entry :
             {raster_media::rcm_360_indexed, raster_media::rcm_720_indexed}) {
            for (int k = 0; k < 6; ++k) {
                // Each colour system in turn: their page images differ in pad.
                const int entry = base_entry + k % raster_media::rcm_entries_per_resolution;
                const double x0 = k < 2 ? 0 : mm(0, 15), y0 = k < 2 ? 0 : mm(0, 15);
                const std::array<double, 4> bounds{x0, x0 + mm(1, 25), y0, y0 + mm(1, 25)};
                std::ostringstream what;
                what << source << " entry " << entry << " media-bounds=" << bounds[0] << ","
                     << bounds[1] << "," << bounds[2] << "," << bounds[3];
                std::string err;
                const std::string preview = path("page.png").string();
                const auto pages = plot(config(source, bounds, entry), drawing, err, preview);
                ASSERT_EQ(pages.size(), 1u) << what.str() << "\n" << err;
                const Printed_Page& p = pages[0];
                ++plotted;

                // The job announces exactly the page it prints.
                EXPECT_TRUE(p.band_widths_agree) << what.str();
                EXPECT_EQ(p.width, p.printable_width) << what.str();
                EXPECT_EQ(p.rows, p.printable_height) << what.str();
                const int margin = base_entry == raster_media::rcm_360_indexed ? 84 : 168;
                const int sign = std::string(source) == "P1" ? -1 : 1;
                EXPECT_EQ(p.paper_width, p.printable_width + sign * margin) << what.str();
                EXPECT_EQ(p.paper_height, p.printable_height + (sign > 0 ? margin : 0))
                    << what.str();
                std::size_t white = 0;
                for (std::size_t i = 0; i < p.dots.size(); i += 4)
                    white += p.dots[i] != 0 || p.dots[i + 1] != 0 || p.dots[i + 2] != 0;
                EXPECT_EQ(white, 0u) << what.str() << ": every printed dot is covered";

                // The preview shows every printed dot, and nothing else black.
                const Picture pic = read_png(preview);
                ASSERT_GT(pic.width, 0) << what.str();
                EXPECT_GE(pic.width, static_cast<int>(p.width)) << what.str();
                EXPECT_GE(pic.height, static_cast<int>(p.rows)) << what.str();
                std::size_t black = 0;
                for (int y = 0; y < pic.height; ++y)
                    for (int x = 0; x < pic.width; ++x)
                        black += pic.at(x, y) == Rgb{0, 0, 0};
                EXPECT_EQ(black, static_cast<std::size_t>(p.width) * p.rows) << what.str();
                if (x0 == 0 && y0 == 0) {
                    EXPECT_EQ(pic.width, static_cast<int>(p.width)) << what.str();
                    EXPECT_EQ(pic.height, static_cast<int>(p.rows)) << what.str();
                }
            }
        }
    }
    EXPECT_EQ(plotted, 48);
}

// ---------------------------------------------------------------------------
// Dots at 720 dpi

TEST_F(Plot_Pages, At720DpiDotsOffThePagePrintNothingAndOnItsEdgeOnlyTheirPart) {
    const std::array<double, 4> bounds{0, 9, 0, 4};
    for (const int entry : {raster_media::rcm_720_indexed, raster_media::rcm_720_true_color,
                            raster_media::rcm_720_mono}) {
        SCOPED_TRACE("entry " + std::to_string(entry));
        // Dots far above and below the page.
        const std::string off = write("off.json", R"({"format": "vorna-drawing", "version": 1,
            "units": "dots", "pages": [{"primitives": [{"type": "dot",
            "points": [[50, 1000], [60, 30000], [70, -500], [-300, 50], [100000, 50]],
            "color": "#000000"}]}]})");
        std::string err;
        const auto empty = plot(config("P0", bounds, entry), off, err);
        ASSERT_EQ(empty.size(), 1u) << err;
        const Printed_Page& e = empty[0];
        ASSERT_GT(e.rows, 8u);
        for (std::size_t i = 0; i < e.dots.size(); i += 4)
            ASSERT_EQ(e.dots[i], 255) << "dot " << i / 4 << " of a page with no dot on it";

        // A dot one row above the top row, and one on the row below the last:
        // each block of 4 x 4 is one column left and two rows above its dot.
        const std::uint32_t n = e.rows;
        const std::string edges = write(
            "edges.json", R"({"format": "vorna-drawing", "version": 1, "units": "dots",
            "pages": [{"primitives": [{"type": "dot", "points": [[100, )" +
                              std::to_string(n + 1) + R"(], [200, 0]], "color": "#000000"}]}]})");
        const auto printed = plot(config("P0", bounds, entry), edges, err);
        ASSERT_EQ(printed.size(), 1u) << err;
        const Printed_Page& p = printed[0];
        std::map<std::pair<std::uint32_t, std::uint32_t>, int> black, want;
        for (std::uint32_t y = 0; y < p.rows; ++y)
            for (std::uint32_t x = 0; x < p.width; ++x)
                if (p.at(x, y) == Rgb{0, 0, 0})
                    black[{x, y}] = 1;
        for (std::uint32_t x = 99; x <= 102; ++x) {
            want[{x, 0}] = 1;
            want[{x + 100, n - 2}] = 1;
            want[{x + 100, n - 1}] = 1;
        }
        EXPECT_EQ(black, want);
    }
}

// ---------------------------------------------------------------------------
// Transparent picture pixels

TEST_F(Plot_Pages, TransparentPicturePixelsLeaveWhatLiesBelowInEveryColourSystem) {
    // A red ring of 4 x 4 pixels around a transparent 2 x 2 centre.
    std::vector<std::uint8_t> ring;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool centre = (x == 1 || x == 2) && (y == 1 || y == 2);
            const std::array<std::uint8_t, 4> px =
                centre ? std::array<std::uint8_t, 4>{255, 255, 255, 0}
                       : std::array<std::uint8_t, 4>{255, 0, 0, 255};
            ring.insert(ring.end(), px.begin(), px.end());
        }
    write_png("ring.png", 4, 4, ring);
    const std::array<double, 4> bounds{0, 39, 0, 39};
    for (const int entry : {0, 2, 3}) {
        for (const bool clipped : {false, true}) {
            SCOPED_TRACE("entry " + std::to_string(entry) + (clipped ? ", clipped" : ""));
            // The ring, 16 mm wide (4 mm a pixel), over a black square of 20 mm.
            const std::string clip =
                clipped ? R"(, "clip": [[2, 2], [38, 2], [38, 38], [2, 38]])" : "";
            const std::string drawing =
                write("ring.json", R"({"format": "vorna-drawing", "version": 1,
                "pages": [{"primitives": [
                {"type": "polygon", "points": [[10, 10], [30, 10], [30, 30], [10, 30]],
                 "color": "#000000"},
                {"type": "image", "file": "ring.png", "corners": [[12, 12], [28, 28]])" +
                                       clip + "}]}]}");
            std::string err;
            const auto pages = plot(config("P0", bounds, entry), drawing, err);
            ASSERT_EQ(pages.size(), 1u) << err;
            const Printed_Page& p = pages[0];
            const double k = 360 / 25.4;
            auto at = [&](double x_mm, double y_mm) {
                return p.at(static_cast<std::uint32_t>(x_mm * k),
                            static_cast<std::uint32_t>(y_mm * k));
            };
            // Red prints as ink on a one-bit page.
            const Rgb red = entry == 3 ? Rgb{0, 0, 0} : Rgb{255, 0, 0};
            EXPECT_EQ(at(13, 13), red) << "the ring";
            EXPECT_EQ(at(27, 20), red) << "the ring";
            EXPECT_EQ(at(20, 20), (Rgb{0, 0, 0})) << "the square under the centre";
            EXPECT_EQ(at(17, 17), (Rgb{0, 0, 0})) << "the square under the centre";
            EXPECT_EQ(at(11, 11), (Rgb{0, 0, 0})) << "the square beside the ring";
            EXPECT_EQ(at(32, 32), (Rgb{255, 255, 255})) << "the paper";
        }
    }
}

// ---------------------------------------------------------------------------
// One clip region, one edge

TEST_F(Plot_Pages, ClippedPicturesAndPolygonsShareTheClipEdgeInEveryColourSystem) {
    write_png("black.png", 1, 1, {0, 0, 0, 255});
    const std::array<double, 4> bounds{0, 19, 0, 19};
    // Page 1 a polygon, page 2 a picture, both covering the page, both
    // clipped to the same square of dots whose edge dots are inside.
    const std::string drawing = write("clip.json", R"({"format": "vorna-drawing", "version": 1,
        "units": "dots", "pages": [
        {"clip": [[40, 20], [80, 20], [80, 60], [40, 60]], "primitives": [
         {"type": "polygon", "points": [[-5, -5], [400, -5], [400, 400], [-5, 400]],
          "color": "#000000"}]},
        {"clip": [[40, 20], [80, 20], [80, 60], [40, 60]], "primitives": [
         {"type": "image", "file": "black.png", "corners": [[-5, 400], [400, -5]]}]}]})");
    for (const int entry : {0, 2, 3}) {
        SCOPED_TRACE("entry " + std::to_string(entry));
        std::string err;
        const auto pages = plot(config("P0", bounds, entry), drawing, err);
        ASSERT_EQ(pages.size(), 2u) << err;
        std::vector<std::set<std::pair<std::uint32_t, std::uint32_t>>> inked(2);
        for (std::size_t k = 0; k < 2; ++k)
            for (std::uint32_t y = 0; y < pages[k].rows; ++y)
                for (std::uint32_t x = 0; x < pages[k].width; ++x)
                    if (pages[k].at(x, y) != Rgb{255, 255, 255})
                        inked[k].insert({x, y});
        EXPECT_EQ(inked[0].size(), 41u * 41u) << "the polygon";
        EXPECT_EQ(inked[1].size(), 41u * 41u) << "the picture";
        EXPECT_EQ(inked[0], inked[1]);
    }
}

// ---------------------------------------------------------------------------
// Drawing far off the page

TEST_F(Plot_Pages, AWidePolylineFarOffThePagePrintsNothingAndEndsPromptly) {
    const std::array<double, 4> bounds{0, 39, 0, 39};
    const std::string square = R"({"type": "polygon",
        "points": [[10, 10], [20, 10], [20, 20], [10, 20]], "color": "#000000"})";
    const std::string alone = write("alone.json", R"({"format": "vorna-drawing", "version": 1,
        "pages": [{"primitives": [)" + square + "]}]}");
    // 800 mm wide, 2 m long, metres away from the 39 mm page.
    const std::string far = write("far.json", R"({"format": "vorna-drawing", "version": 1,
        "pages": [{"primitives": [{"type": "polyline",
        "points": [[-100, 1200], [2200, 1300]], "width": 800, "color": "#000000"}, )" +
                                                  square + "]}]}");
    for (const int entry : {0, 2, 3}) {
        SCOPED_TRACE("entry " + std::to_string(entry));
        std::string err;
        const auto want = plot(config("P0", bounds, entry), alone, err);
        ASSERT_EQ(want.size(), 1u) << err;
        const auto got = plot(config("P0", bounds, entry), far, err);
        ASSERT_EQ(got.size(), 1u) << err;
        EXPECT_EQ(got[0].rows, want[0].rows);
        EXPECT_TRUE(got[0].dots == want[0].dots) << "only the square prints";
    }
}

// ---------------------------------------------------------------------------
// Colour substitution over several pages

TEST_F(Plot_Pages, SubstitutionPrintsEveryPageAlikeAndGreyPlotsInGrey) {
    // The same page three times: black, palette entry 217 (black of the grey
    // ramp) and red squares.
    const std::string page = R"({"primitives": [
        {"type": "polygon", "points": [[2, 2], [8, 2], [8, 8], [2, 8]], "color": "#000000"},
        {"type": "polygon", "points": [[10, 2], [16, 2], [16, 8], [10, 8]], "color": 217},
        {"type": "polygon", "points": [[18, 2], [24, 2], [24, 8], [18, 8]], "color": "#FF0000"}]})";
    const std::string drawing =
        write("pages.json", R"({"format": "vorna-drawing", "version": 1, "pages": [)" + page + "," +
                                page + "," + page + "]}");
    struct Kind {
        const char* name;
        json custom;
        Rgb red_prints; // in indexed colour
    };
    auto convert = [](int compare, int swap) {
        return json{{"RASTER_ChangeColor", true},
                    {"RASTER_ConvertColor1", true},
                    {"RASTER_RGB_Compare1_IndexColor", compare},
                    {"RASTER_RGB_Swap1_IndexColor", swap}};
    };
    const Kind kinds[] = {
        {"convert to black",
         {{"RASTER_ChangeColor", true}, {"RASTER_Draw2Black", true}},
         {255, 0, 0}},
        {"black to red", convert(0x000000, 0x0000FF), {255, 0, 0}},
        {"red to a colour in no palette entry", convert(0x0000FF, 0xC8145A), {90, 20, 200}},
        {"red to white, which is black", convert(0x0000FF, 0xFFFFFF), {255, 0, 0}},
    };
    const std::array<double, 4> bounds{0, 29, 0, 9};
    for (const Kind& kind : kinds) {
        for (const int entry : {0, 1, 2, 3}) {
            SCOPED_TRACE(std::string(kind.name) + ", entry " + std::to_string(entry));
            std::string err;
            const auto pages = plot(config("P0", bounds, entry, kind.custom), drawing, err);
            ASSERT_EQ(pages.size(), 3u) << err;
            for (std::size_t i = 1; i < pages.size(); ++i)
                EXPECT_TRUE(pages[i].dots == pages[0].dots) << "page " << i + 1 << " differs";

            const double k = 360 / 25.4;
            auto at = [&](double x_mm, double y_mm) {
                return pages[0].at(static_cast<std::uint32_t>(x_mm * k),
                                   static_cast<std::uint32_t>(y_mm * k));
            };
            const Rgb black{0, 0, 0};
            const Rgb r = kind.red_prints;
            const int grey = (30 * r[0] + 59 * r[1] + 11 * r[2]) / 100;
            const Rgb red = entry == 0   ? r
                            : entry == 1 ? Rgb{grey, grey, grey}
                            : entry == 2 ? Rgb{255, 0, 0}
                                         : Rgb{255, 255, 255};
            EXPECT_EQ(at(5, 5), black);
            EXPECT_EQ(at(13, 5), black);
            EXPECT_EQ(at(21, 5), red);
            if (entry == 1 || entry == 3) {
                for (const Printed_Page& p : pages)
                    for (std::size_t i = 0; i < p.dots.size(); i += 4)
                        ASSERT_TRUE(p.dots[i] == p.dots[i + 1] && p.dots[i + 1] == p.dots[i + 2])
                            << "colour at dot " << i / 4 << " of a grey plot";
            }
        }
    }
}

} // namespace

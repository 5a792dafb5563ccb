// vorna-plot run as a person runs it: a drawing is plotted through the driver
// and the spool module, and the preview decoded from the printer data must
// show every shape where the drawing put it, in the colour the colour system
// makes of it. Also the refusals, with their exit status and message, and
// that a failed run leaves an earlier output as it was.
#include "plot_job.h"
#include "png_picture.h"
#include "rcm_entries.h"

#include "ht_plotter_io.h"
#include "stream_decoder.h"

#include <gtest/gtest.h>
#include <png.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace raster_media;

namespace {

namespace fs = std::filesystem;

struct Run_Result {
    int status = -1;
    std::string err;
};

std::string read_text(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class Plot_Test : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "-" + info->name();
        for (char& c : name)
            if (c == '/')
                c = '-';
        m_dir =
            fs::temp_directory_path() / ("vorna-plot-" + std::to_string(::getpid()) + "-" + name);
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path path(const std::string& name) const { return m_dir / name; }

    Run_Result run(const std::string& args) const {
        const fs::path err = m_dir / "stderr.txt";
        const std::string cmd = std::string(VORNA_PLOT) + " " + args + " 2>" + err.string();
        const int raw = std::system(cmd.c_str());
        Run_Result r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        r.err = read_text(err);
        return r;
    }

    // A configuration of the English driver: A4 roll paper, the given
    // resolution-colour-memory entry.
    std::string config(int entry) const {
        const std::string file = (m_dir / ("config-" + std::to_string(entry) + ".json")).string();
        const std::string tool = VORNA_CONFIG_TOOL;
        const std::string cmd = tool + " init -o " + file + " && " + tool + " set " + file +
                                " media-source=P0 media-size=A4_Roll_Paper_Portrait" +
                                " res-color-mem=" + std::to_string(entry);
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        return file;
    }

    // A 2 x 2 picture: red, green on top, blue, black below.
    void write_quadrants() const {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = 2;
        image.height = 2;
        image.format = PNG_FORMAT_RGB;
        const std::uint8_t pixels[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0};
        const std::string file = (m_dir / "quadrants.png").string();
        ASSERT_TRUE(png_image_write_to_file(&image, file.c_str(), 0, pixels, 0, nullptr));
    }

    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(m_dir / name, std::ios::binary) << text;
        return (m_dir / name).string();
    }

    fs::path m_dir;
};

// ---------------------------------------------------------------------------
// End to end

// What the test drawing asks for: rectangles in millimetres on the paper.
struct Box {
    double x0, y0, x1, y1;
    std::array<int, 3> rgb; // as drawn, before the colour system has its say
    std::string color;      // as written in the drawing
};

const Box boxes[] = {
    {20, 20, 60, 50, {255, 0, 0}, "\"#FF0000\""},
    {70, 20, 110, 50, {51, 153, 204}, "[51, 153, 204]"},
    {120, 20, 160, 50, {0, 0, 0}, "\"#000000\""},
    // Palette entry 227 is grey 70 of the ramp.
    {20, 60, 60, 90, {70, 70, 70}, "227"},
    // Drawn over the first: the later primitive covers the earlier one.
    {40, 35, 50, 45, {0, 0, 255}, "\"#0000FF\""},
};

// A rectangle clipped to its left half, a 1 mm line, a dot, and a picture of
// four quadrants (red, green / blue, black) upright and mirrored.
const char* extra_primitives = R"(,
    {"type": "image", "file": "quadrants.png", "corners": [[120, 60], [160, 100]]},
    {"type": "image", "file": "quadrants.png", "corners": [[200, 110], [170, 140]]},
    {"type": "polygon", "points": [[70, 60], [110, 60], [110, 90], [70, 90]], "color": "#00FF00",
     "clip": [[70, 55], [90, 55], [90, 95], [70, 95]]},
    {"type": "polyline", "points": [[20, 120], [160, 120]], "width": 1, "color": "#000000"},
    {"type": "dot", "points": [[100.05, 150.05]], "color": "#000000"})";

std::string test_drawing() {
    std::string prims;
    for (const Box& b : boxes) {
        if (!prims.empty())
            prims += ",\n";
        std::ostringstream s;
        s << R"(    {"type": "polygon", "points": [[)" << b.x0 << ", " << b.y0 << "], [" << b.x1
          << ", " << b.y0 << "], [" << b.x1 << ", " << b.y1 << "], [" << b.x0 << ", " << b.y1
          << R"(]], "color": )" << b.color << "}";
        prims += s.str();
    }
    return R"({"format": "vorna-drawing", "version": 1, "pages": [{"primitives": [
)" + prims +
           extra_primitives + "]}]}";
}

struct System_Case {
    int entry; // resolution-colour-memory entry of the driver
    int dpi;
    const char* name;
};

// The colour a drawn colour prints as.
std::array<int, 3> printed(const System_Case& c, std::array<int, 3> rgb) {
    switch (c.entry % rcm_entries_per_resolution) {
    case rcm_360_grey: {
        if (rgb[0] == rgb[1] && rgb[1] == rgb[2])
            return rgb;
        const int g = (30 * rgb[0] + 59 * rgb[1] + 11 * rgb[2]) / 100;
        return {g, g, g};
    }
    case rcm_360_mono: // bitonal on white: only black is ink
        return rgb == std::array<int, 3>{0, 0, 0} ? rgb : std::array<int, 3>{255, 255, 255};
    default: // the test's colours are all in the palette's cube or ramp
        return rgb;
    }
}

// The colour a picture's pixel prints as. On a 1-bit page the host's image
// source gives each pixel the nearer of paper white and ink black (a tie is
// white), so a saturated colour is ink, unlike a drawn colour.
std::array<int, 3> printed_picture(const System_Case& c, std::array<int, 3> rgb) {
    if (c.entry % rcm_entries_per_resolution != rcm_360_mono)
        return printed(c, rgb);
    long to_white = 0, to_black = 0;
    for (int v : rgb) {
        to_white += static_cast<long>(255 - v) * (255 - v);
        to_black += static_cast<long>(v) * v;
    }
    return to_black < to_white ? std::array<int, 3>{0, 0, 0} : std::array<int, 3>{255, 255, 255};
}

class Plot_Systems : public Plot_Test, public ::testing::WithParamInterface<System_Case> {};

TEST_P(Plot_Systems, PreviewShowsTheDrawingWhereAndInTheColoursAsked) {
    const System_Case c = GetParam();
    write_quadrants();
    const std::string drawing = write("drawing.json", test_drawing());
    const Run_Result r =
        run("--quiet --config " + config(c.entry) + " -o " + path("out.prn").string() +
            " --preview-dpi full --preview " + path("out.png").string() + " " + drawing);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::file_size(path("out.prn")) > 0);
    const Picture pic = read_png(path("out.png"));
    ASSERT_GT(pic.width, 0) << "the preview cannot be read";

    // The picture is the A4 paper at the resolution.
    const double k = c.dpi / 25.4;
    EXPECT_NEAR(pic.width, 209.97 * k, 2);
    EXPECT_NEAR(pic.height, 296.97 * k, 2);

    // Samples a margin of a few dots inside and outside each edge, so a shape
    // off by more than that, or in the wrong colour, fails.
    const int m = 3;
    auto dot = [&](double mm) { return static_cast<int>(mm * k); };
    auto expect_at = [&](double x_mm, double y_mm, int dx, int dy, std::array<int, 3> want,
                         const std::string& what) {
        const int x = dot(x_mm) + dx, y = dot(y_mm) + dy;
        EXPECT_EQ(pic.at(x, y), want) << what << " at dot (" << x << ", " << y << ")";
    };
    const std::array<int, 3> white{255, 255, 255};
    for (std::size_t i = 0; i < std::size(boxes); ++i) {
        const Box& b = boxes[i];
        const auto want = printed(c, b.rgb);
        const std::string name = "box " + std::to_string(i + 1);
        // Inside, near each corner.
        expect_at(b.x0, b.y0, m, m, want, name + " top left");
        expect_at(b.x1, b.y1, -m, -m, want, name + " bottom right");
        if (i == 0)
            continue; // partly covered by the last box
        expect_at(b.x1, b.y0, -m, m, want, name + " top right");
        expect_at(b.x0, b.y1, m, -m, want, name + " bottom left");
    }
    // Outside the boxes that lie on white paper.
    expect_at(20, 20, -m, m, white, "left of box 1");
    expect_at(20, 20, m, -m, white, "above box 1");
    expect_at(60, 50, m, -m, white, "right of box 1");
    expect_at(60, 50, -m, m, white, "below box 1");
    expect_at(160, 50, m, -m, white, "right of box 3");
    // The covering box is drawn over box 1.
    expect_at(45, 40, 0, 0, printed(c, {0, 0, 255}), "box 5 over box 1");

    // The clipped rectangle shows only its left half.
    const auto green = printed(c, {0, 255, 0});
    expect_at(80, 75, 0, 0, green, "clipped rectangle, inside the clip");
    expect_at(100, 75, 0, 0, white, "clipped rectangle, outside the clip");
    // A line 1 mm wide across y = 120 mm.
    const std::array<int, 3> black{0, 0, 0};
    expect_at(90, 120, 0, 0, black, "line centre");
    expect_at(90, 120.5, 0, m, white, "below the line");
    expect_at(90, 119.5, 0, -m, white, "above the line");
    // The dot lands on the dot that covers its point.
    expect_at(100.05, 150.05, 0, 0, black, "dot");
    expect_at(100.05, 150.05, 6, 0, white, "beside the dot");
    // The picture fills its corners the right way up; the mirrored one has
    // its left and right swapped.
    const std::array<int, 3> red{255, 0, 0}, blue{0, 0, 255};
    const auto picture = [&](std::array<int, 3> rgb) { return printed_picture(c, rgb); };
    expect_at(130, 70, 0, 0, picture(red), "picture, top left");
    expect_at(150, 70, 0, 0, picture({0, 255, 0}), "picture, top right");
    expect_at(130, 90, 0, 0, picture(blue), "picture, bottom left");
    expect_at(150, 90, 0, 0, picture(black), "picture, bottom right");
    expect_at(160, 100, -m, -m, picture(black), "picture, bottom right corner");
    expect_at(160, 100, m, m, white, "past the picture's corner");
    expect_at(175, 115, 0, 0, picture({0, 255, 0}), "mirrored picture, top left");
    expect_at(195, 115, 0, 0, picture(red), "mirrored picture, top right");
    expect_at(195, 135, 0, 0, picture(blue), "mirrored picture, bottom right");
    // The margins are not printable.
    EXPECT_EQ(pic.at(2, 2), (std::array<int, 3>{232, 232, 232}));
}

INSTANTIATE_TEST_SUITE_P(ColourSystems, Plot_Systems,
                         ::testing::Values(System_Case{rcm_360_indexed, 360, "indexed"},
                                           System_Case{rcm_360_grey, 360, "grey"},
                                           System_Case{rcm_360_true_color, 360, "true_colour"},
                                           System_Case{rcm_360_mono, 360, "bitonal"},
                                           System_Case{rcm_720_indexed, 720, "indexed_720"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Plot_Test, EveryPageGoesOutAndGetsItsOwnPreviewBlankOnesToo) {
    const std::string drawing = write("two.json", R"({"format": "vorna-drawing", "version": 1,
        "pages": [
          {"primitives": [{"type": "polygon", "points": [[20, 20], [60, 20], [60, 60], [20, 60]],
                           "color": "#FF0000"}]},
          {"primitives": []},
          {"primitives": [{"type": "polygon", "points": [[100, 100], [140, 100], [140, 140]],
                           "color": "#0000FF"}]}]})");
    const Run_Result r =
        run("--quiet --config " + config(rcm_360_true_color) + " -o " + path("two.prn").string() +
            " --preview-dpi full --preview " + path("two.png").string() + " " + drawing);
    ASSERT_EQ(r.status, 0) << r.err;
    const Picture first = read_png(path("two-1.png"));
    const Picture blank = read_png(path("two-2.png"));
    const Picture second = read_png(path("two-3.png"));
    ASSERT_GT(first.width, 0);
    ASSERT_GT(blank.width, 0) << "a page without drawing still gets its picture";
    ASSERT_GT(second.width, 0);
    const double k = 360 / 25.4;
    auto at = [&](const Picture& p, double x, double y) {
        return p.at(static_cast<int>(x * k), static_cast<int>(y * k));
    };
    EXPECT_EQ(at(first, 40, 40), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(at(first, 135, 110), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(at(blank, 40, 40), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(at(blank, 135, 110), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(at(second, 40, 40), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(at(second, 135, 110), (std::array<int, 3>{0, 0, 255}));
}

// Counts the jobs of a printer stream.
class Job_Counter : public spool_stream::Stream_Visitor {
public:
    int jobs = 0;
    void job_end(const spool_stream::Job_End&) override { ++jobs; }
};

TEST_F(Plot_Test, CopiesAreSentAgainOnStandardOutput) {
    const std::string drawing = write("d.json", R"({"format": "vorna-drawing", "version": 1,
        "pages": [{"primitives": [{"type": "dot", "points": [[30, 30]]}]}]})");
    const std::string out = path("copies.prn").string();
    const Run_Result r = run("--quiet --config " + config(rcm_360_indexed) + " --copies 3 -o - " +
                             drawing + " >" + out);
    ASSERT_EQ(r.status, 0) << r.err;
    spool_stream::File_Source source(out);
    Job_Counter counter;
    spool_stream::decode_stream(source, counter);
    EXPECT_EQ(counter.jobs, 3) << "the job, then two copies sent again";
}

TEST_F(Plot_Test, StatusWindowOrTheTerminalWithoutComplaint) {
    const std::string drawing = write("d.json", R"({"format": "vorna-drawing", "version": 1,
        "pages": [{"primitives": [{"type": "dot", "points": [[30, 30]]}]}]})");
    const fs::path err = path("stderr.txt");
    auto plot = [&](const std::string& env, const std::string& out) {
        const std::string cmd = "env " + env + " " + VORNA_PLOT + " --status-window --config " +
                                config(rcm_360_indexed) + " --copies 2 -o - " + drawing + " >" +
                                out + " 2>" + err.string();
        return std::system(cmd.c_str());
    };
    // In a window (drawn off screen here), and with no display at all.
    for (const std::string env :
         {"QT_QPA_PLATFORM=offscreen", "-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM"}) {
        SCOPED_TRACE(env);
        const std::string out = path("copies.prn").string();
        ASSERT_EQ(plot(env, out), 0) << read_text(err);
        const std::string said = read_text(err);
        EXPECT_EQ(said.find("display"), std::string::npos) << said;
        EXPECT_EQ(said.find("window"), std::string::npos) << said;
        spool_stream::File_Source source(out);
        Job_Counter counter;
        spool_stream::decode_stream(source, counter);
        EXPECT_EQ(counter.jobs, 2);
    }
}

// ---------------------------------------------------------------------------
// Refusals and failures

TEST_F(Plot_Test, CommandLineFaultsExitWithStatusTwo) {
    const std::string drawing = write("d.json", R"({"format": "vorna-drawing", "version": 1,
        "pages": [{"primitives": []}]})");
    const struct {
        std::string args;
        std::string message;
    } cases[] = {
        {"", "no drawing given"},
        {"--bogus " + drawing, "unknown option --bogus"},
        {"--copies 0 " + drawing, "--copies: \"0\" is not a number from 1 to 9999"},
        {"--copies 12x " + drawing, "is not a number"},
        {"-o", "-o needs a value"},
        {drawing + " " + drawing, "one drawing at a time"},
        {"--config " + path("absent.json").string() + " -o x.prn " + drawing, "absent.json"},
        {"--driver " + path("absent.hdi").string() + " -o x.prn " + drawing, "driver not found"},
        {"-o - --preview p.png " + drawing, "--preview needs the printer data in a file"},
        {"-o same.png --preview same.png " + drawing, "the same file"},
        {"-o " + path("none/x.prn").string() + " " + drawing, "there is no folder"},
        {"-o " + m_dir.string() + " " + drawing, ": is a folder"},
        {"-o x.prn --preview " + path("none/x.png").string() + " " + drawing, "there is no folder"},
    };
    for (const auto& c : cases) {
        const Run_Result r = run(c.args);
        EXPECT_EQ(r.status, 2) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
    }
}

TEST_F(Plot_Test, BadDrawingNamesPagePrimitiveAndLeavesTheOutput) {
    const std::string out = write("keep.prn", "earlier output");
    const std::string drawing = write("bad.json", R"({"format": "vorna-drawing", "version": 1,
        "pages": [{"primitives": [
          {"type": "dot", "points": [[1, 1]]},
          {"type": "polygon", "points": [[0, 0], [1, 1]]}]}]})");
    const Run_Result r = run("--quiet -o " + out + " " + drawing);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(drawing + ": page 1, primitive 2 (polygon): points: needs at least 3"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(read_text(out), "earlier output");
}

TEST_F(Plot_Test, DriverFailureGivesCodeAndOperationAndLeavesTheOutput) {
    const std::string out = write("keep.prn", "earlier output");
    const std::string drawing = write("d.json", R"({"format": "vorna-drawing", "version": 1,
        "pages": [{"primitives": [{"type": "dot", "points": [[30, 30]]}]}]})");
    ::setenv("VORNA_SPOOL_FAIL", "BandOut:-10:3", 1);
    const Run_Result r = run("--quiet --config " + config(rcm_360_indexed) + " -o " + out +
                             " --preview " + path("p.png").string() + " " + drawing);
    ::unsetenv("VORNA_SPOOL_FAIL");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("page 1: error 104 in RASTER_Driver::end_picture"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("An error has occurred. The cause cannot be identified."),
              std::string::npos)
        << r.err;
    EXPECT_EQ(read_text(out), "earlier output");
    EXPECT_FALSE(fs::exists(path("p.png")));
}

TEST_F(Plot_Test, InterruptRequestsCancelThenStopsTheProgram) {
    HT_Smart_Pointer<HT_Progress> progress(new HT_Progress);
    plot::install_interrupt_handler();
    plot::set_cancel_target(progress.get());
    std::raise(SIGINT);
    plot::set_cancel_target(nullptr);
    EXPECT_NE(progress->cancel_query(), 0) << "the first Ctrl-C asks the plot to cancel";
    // A second Ctrl-C ends the program (once the job's files are removed).
    EXPECT_EXIT(
        {
            plot::install_interrupt_handler();
            std::raise(SIGINT);
            std::raise(SIGINT);
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGINT), "");

    // A Ctrl-C while the job is still being set up is not lost.
    HT_Smart_Pointer<HT_Progress> later(new HT_Progress);
    plot::install_interrupt_handler();
    std::raise(SIGINT);
    EXPECT_EQ(later->cancel_query(), 0);
    plot::set_cancel_target(later.get());
    plot::set_cancel_target(nullptr);
    EXPECT_NE(later->cancel_query(), 0) << "the plot is cancelled as soon as it starts";
}

TEST(Preview_Name, NumbersPagesOnlyWhenThereAreSeveral) {
    EXPECT_EQ(plot::preview_name("out/a.png", 1, 1), "out/a.png");
    EXPECT_EQ(plot::preview_name("out/a.png", 2, 3), "out/a-2.png");
    EXPECT_EQ(plot::preview_name("a", 1, 2), "a-1");
}

} // namespace

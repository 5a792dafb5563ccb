// The three programs as a printer user meets them: configurations, settings
// and the per-paper definitions file from the command line.
#include "definitions_file.h"
#include "stream_decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Ran {
    int status = -1;
    std::string out, err;
};

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class Tools_Test : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() /
                ("vorna-tools-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path path(const std::string& name) const { return m_dir / name; }

    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(m_dir / name, std::ios::binary) << text;
        return (m_dir / name).string();
    }

    // Runs a command line in the test's folder.
    Ran sh(const std::string& line) const {
        const std::string cmd = "cd " + m_dir.string() + " && " + line + " >out.txt 2>err.txt";
        const int raw = std::system(cmd.c_str());
        Ran r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        r.out = slurp(path("out.txt"));
        r.err = slurp(path("err.txt"));
        return r;
    }
    Ran config(const std::string& args) const {
        return sh(std::string(VORNA_CONFIG_TOOL) + " " + args);
    }
    Ran plot(const std::string& args) const { return sh(std::string(VORNA_PLOT) + " " + args); }
    Ran prn(const std::string& args) const { return sh(std::string(VORNA_PRN_TOOL) + " " + args); }

    std::string one_dot(const std::string& name) const {
        return write(name, R"({"format": "vorna-drawing", "version": 1,
            "pages": [{"primitives": [{"type": "dot", "points": [[30, 30]]}]}]})");
    }

    int jobs_in(const std::string& file) const {
        struct Counter : spool_stream::Stream_Visitor {
            int jobs = 0;
            void job_end(const spool_stream::Job_End&) override { ++jobs; }
        } counter;
        spool_stream::File_Source source(path(file).string());
        spool_stream::decode_stream(source, counter);
        return counter.jobs;
    }

    fs::path m_dir;
};

TEST_F(Tools_Test, APartialConfigurationIsTheDefaultsWithItsKeysInEveryProgram) {
    write("p.json", R"({"format":"vorna-plot-configuration","version":1,"media":{"copies":3}})");
    ASSERT_EQ(config("set p.json RASTER_ChangeColor=true").status, 0);
    const Ran got = config("get p.json copies media-source RASTER_ChangeColor GammaMode_360");
    ASSERT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(got.out, "copies=3\nmedia-source=P0\nRASTER_ChangeColor=true\nGammaMode_360=1\n");
    // Every custom key survives: nothing an editor could drop.
    const auto doc = nlohmann::json::parse(slurp(path("p.json")));
    EXPECT_EQ(doc["custom"].size(), 37u);
    // How a drawing goes onto the paper is the plot program's: set keeps it.
    write("k.json", R"({"format":"vorna-plot-configuration","version":1,
        "plot":{"scale":"1:50","rotate":90}})");
    ASSERT_EQ(config("set k.json copies=2").status, 0);
    EXPECT_EQ(nlohmann::json::parse(slurp(path("k.json")))["plot"],
              nlohmann::json::parse(R"({"scale":"1:50","rotate":90})"));
    one_dot("d.json");
    const Ran plotted = plot("--quiet --config p.json -o d.prn d.json");
    ASSERT_EQ(plotted.status, 0) << plotted.err;
    EXPECT_EQ(jobs_in("d.prn"), 3);
}

TEST_F(Tools_Test, SetRefusesWhatThePrinterCannotTakeAndLeavesTheFile) {
    ASSERT_EQ(config("init -o c.json").status, 0);
    const std::string before = slurp(path("c.json"));
    const struct {
        std::string setting;
        std::string says;
    } cases[] = {
        {"InkDensity_360=100", "-50 to 50"},
        {"PathDelayTime_360=3000", "0 to 50"},
        {"PaperThick_360=70000", "1 to 16"},
        {"FeedOffset_360=700", "-70 to 70"},
        {"GammaMode_720=3", "2 \"2.2\""},
        {"PaperKindMode_7c=11", "8 \"Photo Paper Glossy (250)\""},
        {"RASTER_RGB_Back_Color=0x1000000", "0 to 16777215"},
        {"InkDensty_360=1", "did you mean InkDensity_360"},
        {"media-size=A3", "A3_Roll_Paper_Portrait"},
        {"media-source=P9", "P3"},
    };
    for (const auto& c : cases) {
        const Ran r = config("set c.json res-color-mem=2 " + c.setting);
        EXPECT_EQ(r.status, 2) << c.setting;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.setting << ": " << r.err;
        EXPECT_EQ(slurp(path("c.json")), before) << c.setting;
    }
    ASSERT_EQ(config("set c.json media-size=UserDefined").status, 0);
    for (const char* bounds : {"-1,100,0,100", "0,nan,0,100", "0,100,50,50"})
        EXPECT_EQ(config(std::string("set c.json media-bounds=") + bounds).status, 2) << bounds;
    // Words of a listed value are taken too; a hand-edited file outside the
    // range is refused by the plot as well.
    EXPECT_EQ(config("set c.json CutAdjustMode_720='Thick Paper, Slow'").status, 0);
    EXPECT_EQ(config("get c.json CutAdjustMode_720").out, "CutAdjustMode_720=3\n");
    write("wild.json", R"({"format":"vorna-plot-configuration","version":1,
                           "custom":{"InkDensity_720":100}})");
    one_dot("d.json");
    const Ran r = plot("--config wild.json -o x.prn d.json");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("InkDensity_720: 100"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(path("x.prn")));
}

TEST_F(Tools_Test, PlotNeverWritesOverItsOwnInputs) {
    const std::string drawing = slurp(one_dot("s.json"));
    ASSERT_EQ(config("init -o c.json").status, 0);
    const std::string configuration = slurp(path("c.json"));
    fs::create_symlink("s.json", path("link.json"));
    for (const std::string& args : std::vector<std::string>{
             "-o s.json s.json", "--config c.json -o c.json s.json",
             "--preview s.json -o y.prn s.json", "-o ./y.prn --preview y.prn s.json",
             "-o link.json s.json",
             "-o " + m_dir.string() + "/../" + m_dir.filename().string() + "/s.json s.json"}) {
        const Ran r = plot(args);
        EXPECT_EQ(r.status, 2) << args << "\n" << r.err;
        EXPECT_NE(r.err.find("the same file"), std::string::npos) << args << "\n" << r.err;
        EXPECT_EQ(slurp(path("s.json")), drawing) << args;
        EXPECT_EQ(slurp(path("c.json")), configuration) << args;
        EXPECT_FALSE(fs::exists(path("y.prn"))) << args;
    }
}

TEST_F(Tools_Test, CopiesAndBlankPagesReachTheFileWithOrWithoutQuiet) {
    one_dot("d.json");
    const Ran r = plot("--quiet --copies 3 -o q.prn d.json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(jobs_in("q.prn"), 3);
    // An empty page feeds a blank sheet: the printer data and the previews
    // count pages alike.
    write("e.json", R"({"format": "vorna-drawing", "version": 1, "pages": [
        {"primitives": [{"type": "dot", "points": [[30, 30]]}]}, {"primitives": []},
        {"primitives": [{"type": "dot", "points": [[30, 30]]}]}]})");
    ASSERT_EQ(plot("--quiet -o e.prn --preview e.png e.json").status, 0);
    EXPECT_EQ(jobs_in("e.prn"), 3);
    EXPECT_TRUE(fs::exists(path("e-3.png")));
    EXPECT_EQ(prn("png e.prn last.png --page 3").status, 0);
    EXPECT_EQ(slurp(path("last.png")).size() > 0, true);
}

TEST_F(Tools_Test, EditRefusesAPlatformThatShowsNothing) {
    ASSERT_EQ(config("init -o c.json").status, 0);
    const Ran r = sh("QT_QPA_PLATFORM=offscreen timeout 20 " + std::string(VORNA_CONFIG_TOOL) +
                     " edit c.json");
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("shows nothing"), std::string::npos) << r.err;
    const Ran no_display = sh("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                              std::string(VORNA_CONFIG_TOOL) + " edit c.json");
    EXPECT_EQ(no_display.status, 2);
    EXPECT_EQ(no_display.err.find("offscreen"), std::string::npos) << no_display.err;
}

TEST_F(Tools_Test, ProgramsAnswerAlikeAndNameWhatWentWrong) {
    for (const std::string tool : {VORNA_PLOT, VORNA_CONFIG_TOOL, VORNA_PRN_TOOL}) {
        EXPECT_EQ(sh(tool + " --help").status, 0) << tool;
        const Ran v = sh(tool + " --version");
        EXPECT_EQ(v.status, 0) << tool;
        EXPECT_NE(v.out.find(" 1."), std::string::npos) << tool;
    }
    for (const char* command : {"info", "options", "init", "get", "set", "edit", "paper"}) {
        const Ran r = config(std::string(command) + " --help");
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_NE(r.out.find(std::string("vorna-config ") + command), std::string::npos) << r.out;
    }
    const Ran init = config("init -o -");
    EXPECT_EQ(init.status, 0);
    EXPECT_FALSE(fs::exists(path("-")));
    EXPECT_EQ(nlohmann::json::parse(init.out)["format"], "vorna-plot-configuration");

    write("bad.json", "{\n  \"format\": x\n}");
    EXPECT_NE(config("get bad.json").err.find("line 2, column"), std::string::npos);
    fs::create_directory(path("folder.json"));
    EXPECT_NE(config("get folder.json").err.find("is a folder"), std::string::npos);
    EXPECT_NE(plot("-o x.prn folder.json").err.find("is a folder"), std::string::npos);
    EXPECT_NE(config("get absent.json").err.find("No such file or directory"), std::string::npos);
    EXPECT_NE(plot("-o x.prn absent.json").err.find("No such file or directory"),
              std::string::npos);

    // A picture given as the drawing: a message of text only.
    write("p.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    const Ran png = plot("-o x.prn p.png");
    EXPECT_EQ(png.status, 2);
    EXPECT_TRUE(std::all_of(png.err.begin(), png.err.end(), [](char c) {
        return c == '\n' || (c >= 0x20 && c < 0x7F);
    })) << png.err;
    // "-" is standard input.
    one_dot("d.json");
    const Ran piped = plot("--quiet -o d.prn - < d.json");
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(jobs_in("d.prn"), 1);
}

TEST_F(Tools_Test, OptionsListEverySettingAndPlotTakesThemOnTheCommandLine) {
    const Ran listed = config("options --json");
    ASSERT_EQ(listed.status, 0) << listed.err;
    const auto options = nlohmann::json::parse(listed.out);
    std::map<std::string, nlohmann::json> by_name;
    for (const auto& o : options)
        by_name[o["name"]] = o;
    for (const char* name : {"media-source", "media-size", "media-bounds", "res-color-mem",
                             "copies", "finishing", "plot-to-file", "InkDensity_720",
                             "PaperKindMode_7c", "RASTER_Draw2Black", "EjectRollerMode_360"})
        EXPECT_EQ(by_name.count(name), 1u) << name;
    EXPECT_EQ(by_name.size(), 7u + 37u);
    EXPECT_EQ(by_name["InkDensity_720"]["minimum"], -50);
    EXPECT_EQ(by_name["PaperKindMode_7c"]["values"][8]["meaning"], "Photo Paper Glossy (250)");
    EXPECT_EQ(by_name["media-size"]["values"].size(), 13u);

    ASSERT_EQ(config("init -o c.json").status, 0);
    ASSERT_EQ(config("set c.json GammaMode_360=2").status, 0);
    const Ran text = config("options c.json");
    EXPECT_NE(text.out.find("GammaMode_360: gamma at 360 dpi\n    default 1, current 2\n"
                            "   0  1.5\n   1  1.8\n  *2  2.2\n"),
              std::string::npos)
        << text.out;

    one_dot("d.json");
    const Ran r = plot("--quiet --option media-size=A3_Roll_Paper_Portrait -O res-color-mem=6 "
                       "-O InkDensity_720=10 -o out.prn d.json");
    ASSERT_EQ(r.status, 0) << r.err;
    const Ran info = prn("info out.prn");
    EXPECT_NE(info.out.find("paper_width          8418"), std::string::npos);
    const Ran refused = plot("-O InkDensity_720=51 -o out2.prn d.json");
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("-50 to 50"), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(path("out2.prn")));
}

TEST_F(Tools_Test, PaperCommandsKeepTheDialogsFileAndRules) {
    ASSERT_EQ(config("paper defaults -o vornatv.px_").status, 0);
    const std::string fresh = slurp(path("vornatv.px_"));
    EXPECT_EQ(fresh, raster_ui::default_definitions_text());

    // check agrees with the dialog's own verdict.
    std::string one_line = fresh;
    std::erase(one_line, '\n');
    std::string lacking = fresh;
    lacking.erase(lacking.find("<roller>0</roller>", lacking.find("<paper05>")), 18);
    std::string unrooted = fresh;
    unrooted.erase(unrooted.find("</vorna>"));
    for (const auto& [name, text] :
         std::vector<std::pair<std::string, std::string>>{{"fresh", fresh},
                                                          {"one_line", one_line},
                                                          {"lacking", lacking},
                                                          {"unrooted", unrooted}}) {
        write(name + ".px_", text);
        const Ran r = config("paper check " + name + ".px_");
        EXPECT_EQ(r.status, raster_ui::validateDefinitions(text) ? 0 : 1) << name << r.err;
    }
    EXPECT_NE(config("paper check lacking.px_").err.find("dpi360, <paper05>: element <roller>"),
              std::string::npos);

    // set: checked against the Paper Config bounds, written in canonical form.
    ASSERT_EQ(config("paper set --file vornatv.px_ 720 16 inkdensity=-20 gap=Narrow").status, 0)
        << config("paper set --file vornatv.px_ 720 16 inkdensity=-20 gap=Narrow").err;
    const Ran bad = config("paper set --file vornatv.px_ 360 1 paperthick=17");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("1 to 16"), std::string::npos) << bad.err;
    const auto shown = nlohmann::json::parse(config("paper show --json vornatv.px_").out);
    ASSERT_EQ(shown.size(), 36u);
    EXPECT_EQ(shown[18 + 15]["name"], "Photo Paper Glossy (250)");
    EXPECT_EQ(shown[18 + 15]["settings"]["inkdensity"], -20);
    EXPECT_EQ(shown[18 + 15]["settings"]["gap"], 4);
    EXPECT_EQ(shown[0]["settings"]["inkdensity"], 0);

    // import and export with a driver of its own folder.
    fs::create_directories(path("drv"));
    fs::copy_file(VORNA_DRIVER_FILE, path("drv/vorna_tarv_en_7.hdi"));
    fs::copy_file(fs::path(VORNA_DRIVER_FILE).replace_extension(".DRC"),
                  path("drv/vorna_tarv_en_7.DRC"));
    const std::string drv = " --driver drv/vorna_tarv_en_7.hdi ";
    EXPECT_EQ(config("paper import" + drv + "fresh.px_").status, 2) << "another name";
    fs::create_directories(path("bad"));
    write("bad/vornatv.px_", lacking);
    EXPECT_EQ(config("paper import" + drv + "bad/vornatv.px_").status, 1);
    EXPECT_FALSE(fs::exists(path("drv/vornatv.px_")));
    EXPECT_EQ(config("paper export" + drv + "bad").status, 1) << "nothing to export yet";
    ASSERT_EQ(config("paper import" + drv + "vornatv.px_").status, 0);
    EXPECT_EQ(slurp(path("drv/vornatv.px_")), slurp(path("vornatv.px_")));
    EXPECT_EQ(config("paper import" + drv + "drv/vornatv.px_").status, 2) << "its own file";
    EXPECT_EQ(config("paper export" + drv + "drv").status, 2) << "its own folder";
    fs::create_directories(path("out"));
    ASSERT_EQ(config("paper export" + drv + "out/other-name").status, 0);
    EXPECT_EQ(slurp(path("out/vornatv.px_")), slurp(path("vornatv.px_")));
}

} // namespace

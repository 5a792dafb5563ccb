// The six deliverables as a person meets them: each loads through
// vorna-config, names itself in its own language and knows its own media
// size names; the same drawing on the same paper gives the same printer data
// through every build.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace {
namespace fs = std::filesystem;
using json = nlohmann::json;

struct Build {
    const char* name;
    const char* locale;
    const char* description;
    const char* roll_a4_portrait; // the build's name of roll paper row 1
    const char* tray_last;        // the build's name of paper tray row 7
};

const Build builds[] = {
    {"vorna_tarv_en_7", "4B00409", " - by VORNA", "A4_Roll_Paper_Portrait", "ARCH_B_Paper_Tray"},
    {"vorna_tarv_en2_7", "4B00409", " - by VORNA", "A4_Roll_Paper_Portrait", "ARCH_B_Paper_Tray"},
    {"vorna_tarv_sp_7", "4E4040A", " - por VORNA", "A4_Vertical_Rollo_Papel",
     "ARCH_B_Bandeja_Papel"},
    {"vorna_tarv_ge2_7", "4E40407", " - von VORNA", "A4-Rollenpapier_Hochformat",
     "ARCH_B-Papierfach"},
    {"vorna_tarv_ko_7", "3B50412", " - by VORNA", "A4_롤_용지(세로)", "ARCH_B_용지_트레이"},
    {"vorna_tarv_it_6", "4E40410", " - by VORNA", "A4_Rotolo_lunghezza", "ARCH_B_Cassetto"},
};

std::string driver(const Build& b) {
    return std::string(VORNA_BIN_DIR) + "/" + b.name + ".hdi";
}

struct Run_Result {
    int status;
    std::string out;
};

Run_Result run(const std::string& command) {
    Run_Result r{-1, {}};
    if (FILE* p = popen((command + " 2>&1").c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            r.out.append(buf, n);
        const int st = pclose(p);
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    return r;
}

std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

class Deliverables : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("vorna-deliverables-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path m_dir;
};

TEST_F(Deliverables, EachBuildLoadsWithItsLocaleDescriptionAndMediaNames) {
    for (const Build& b : builds) {
        SCOPED_TRACE(b.name);
        const Run_Result r =
            run(std::string(VORNA_CONFIG_TOOL) + " info --json --driver " + driver(b));
        ASSERT_EQ(r.status, 0) << r.out;
        const json info = json::parse(r.out);
        EXPECT_EQ(info["locale"], b.locale);
        EXPECT_EQ(info["description"], b.description);
        ASSERT_EQ(info["media_sources"].size(), 4u);
        EXPECT_EQ(info["media_sources"][0]["sizes"][1]["name"], b.roll_a4_portrait);
        EXPECT_EQ(info["media_sources"][3]["sizes"][7]["name"], b.tray_last);
        for (const auto& source : info["media_sources"])
            EXPECT_EQ(source["sizes"].back()["name"], "UserDefined");
    }
    const Run_Result sp =
        run(std::string(VORNA_CONFIG_TOOL) + " info --driver " + driver(builds[2]));
    EXPECT_NE(sp.out.find("\" - por VORNA\""), std::string::npos) << sp.out;
    EXPECT_NE(sp.out.find("Carta_Rollo_Papel"), std::string::npos) << sp.out;
}

TEST_F(Deliverables, TheSamePlotGivesTheSamePrinterDataThroughEveryBuild) {
    std::string reference;
    for (const Build& b : builds) {
        SCOPED_TRACE(b.name);
        const std::string config = (m_dir / (std::string(b.name) + ".json")).string();
        const std::string tool = std::string(VORNA_CONFIG_TOOL) + " --driver " + driver(b);
        Run_Result r =
            run(tool + " init -o " + config + " && " + tool + " set " + config +
                " media-source=P0 " + quoted(std::string("media-size=") + b.roll_a4_portrait) +
                " res-color-mem=0 PaperKindMode_7c=3");
        ASSERT_EQ(r.status, 0) << r.out;
        const std::string out = (m_dir / (std::string(b.name) + ".prn")).string();
        r = run(std::string(VORNA_PLOT) + " --quiet --driver " + driver(b) + " --config " + config +
                " -o " + out + " " + VORNA_DATA_DIR + "/sample.json");
        ASSERT_EQ(r.status, 0) << r.out;
        std::ifstream in(out, std::ios::binary);
        std::stringstream data;
        data << in.rdbuf();
        ASSERT_GT(data.str().size(), 1000u);
        if (reference.empty())
            reference = data.str();
        else
            EXPECT_TRUE(data.str() == reference) << "printer data differs from the English build";
    }
}

TEST_F(Deliverables, ADriverForAnotherHostGenerationIsRefusedBeforeItIsLoaded) {
    // A library whose version record says generation 2.
    const Run_Result r =
        run(std::string(VORNA_CONFIG_TOOL) + " info --driver " + VORNA_OTHER_GENERATION_LIBRARY);
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_NE(r.out.find("is built for host generation 2; this host serves generations 6 and 7"),
              std::string::npos)
        << r.out;
}

} // namespace

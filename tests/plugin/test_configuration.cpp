// The plot configuration file and vorna-config's handling of it.
#include "plugin_fixture.h"

#include "driver_session.h"
#include "ht_plot_config.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

namespace {
using json = nlohmann::json;

struct Run_Result {
    int status;
    std::string out;
};

Run_Result run_tool(const std::string& args) {
    const std::string command =
        std::string(VORNA_CONFIG_TOOL) + " --driver " + VORNA_DRIVER_PATH + " " + args + " 2>&1";
    Run_Result r{-1, {}};
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            r.out.append(buf, n);
        const int st = pclose(p);
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    return r;
}

class Configuration : public ::testing::Test {
protected:
    Driver_Session session{VORNA_DRIVER_PATH};
    Temp_Dir dir;
    HT_Plotter_Definition& def() { return session.definition(); }
    std::string custom_long(const char* key) {
        std::int32_t v = -999;
        auto item = def().get_plotter_configuration()->get_custom_configuration()->find(key);
        if (!item || !item->get_long(v))
            return "absent";
        return std::to_string(v);
    }
};
} // namespace

TEST_F(Configuration, DefaultOffersEveryCustomKeyAndRoundTrips) {
    ht_default_configuration(def());
    auto config = def().get_plotter_configuration();
    EXPECT_EQ(config->get_media_configuration()->get_source_name(), "P0");
    EXPECT_EQ(config->get_media_configuration()->get_copies(), 1);
    EXPECT_EQ(config->get_res_color_mem_configuration()->get_index(), 0);
    ASSERT_TRUE(config->get_res_color_mem_configuration()->get_current());
    auto items = config->get_custom_configuration();
    for (const char* key :
         {"CartrigeOpt", "PaperKindMode_4c", "GammaMode_720", "RASTER_ChangeColor",
          "RASTER_RGB_Swap2_IndexColor", "EjectRollerMode_360"})
        EXPECT_TRUE(items->find(key)) << key;
    EXPECT_FALSE(items->find("RASTER_IE_File_Type"))
        << "image-engine settings are capabilities only";

    ht_set_setting(def(), "CartrigeOpt", "1");
    ht_set_setting(def(), "RASTER_RGB_Compare1_IndexColor", "0x0000FF");
    ht_set_setting(def(), "RASTER_ChangeColor", "true");
    ht_set_setting(def(), "media-source", "P1");
    ht_set_setting(def(), "media-size", "UserDefined");
    ht_set_setting(def(), "media-bounds", "0,209,0,296");
    ht_set_setting(def(), "res-color-mem", "3");
    ht_set_setting(def(), "copies", "3");
    ht_set_setting(def(), "finishing", "1");
    ht_set_setting(def(), "plot-to-file", "out.prn");
    const fs::path file = dir.path() / "c.json";
    ht_save_configuration(def(), file);

    Driver_Session other(VORNA_DRIVER_PATH);
    ht_load_configuration(other.definition(), file);
    EXPECT_EQ(ht_configuration_to_json(other.definition()), ht_configuration_to_json(def()));
    auto media = other.definition().get_plotter_configuration()->get_media_configuration();
    EXPECT_EQ(media->get_bounds(), (HT_Media_Bounds{0, 209, 0, 296}));
    EXPECT_EQ(media->get_media_settings()->get_finishing(), 1);
    EXPECT_EQ(ht_get_setting(other.definition(), "RASTER_RGB_Compare1_IndexColor"), "255");
    EXPECT_EQ(other.definition()
                  .get_plotter_configuration()
                  ->get_res_color_mem_configuration()
                  ->get_current()
                  ->x_resolution,
              def()
                  .get_plotter_capabilities()
                  ->get_res_color_mem_capabilities()
                  ->entries->at(3)
                  ->x_resolution);
}

TEST_F(Configuration, BadFilesAreRefusedWithFileAndKeyAndChangeNothing) {
    ht_default_configuration(def());
    ht_set_setting(def(), "CartrigeOpt", "0");
    const json before = ht_configuration_to_json(def());
    const fs::path file = dir.path() / "bad.json";
    struct Case {
        std::string text;
        std::string key;
    };
    json good = before;
    auto with = [&](auto change) {
        json j = good;
        change(j);
        return j.dump();
    };
    const std::vector<Case> cases = {
        {"{ not json", "(document)"},
        {"[1, 2]", "(document)"},
        {with([](json& j) { j["colour"] = 1; }), "colour"},
        {with([](json& j) { j["custom"]["NoSuchKey"] = 1; }), "custom.NoSuchKey"},
        {with([](json& j) { j["custom"]["CartrigeOpt"] = "one"; }), "custom.CartrigeOpt"},
        {with([](json& j) { j["custom"]["CartrigeOpt"] = 4294967296LL; }), "custom.CartrigeOpt"},
        {with([](json& j) { j["custom"]["RASTER_ChangeColor"] = 1; }), "custom.RASTER_ChangeColor"},
        {with([](json& j) { j["custom"]["RASTER_IE_File_Type"] = "PNG"; }),
         "custom.RASTER_IE_File_Type"},
        {with([](json& j) { j["media"]["source"] = "P9"; }), "media.source"},
        {with([](json& j) { j["media"]["size"] = "A0_Roll"; }), "media.size"},
        {with([](json& j) { j["media"]["copies"] = 0; }), "media.copies"},
        {with([](json& j) {
             j["media"]["bounds"] = json::array({0, 1, 2});
         }),
         "media.bounds"},
        {with([](json& j) { j["media"]["finishing"] = 2; }), "media.finishing"},
        {with([](json& j) { j["res_color_mem"] = 99; }), "res_color_mem"},
        {with([](json& j) { j["version"] = 2; }), "version"},
        {with([](json& j) { j.erase("format"); }), "format"},
    };
    for (const auto& c : cases) {
        write_file(file, c.text);
        try {
            ht_load_configuration(def(), file);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const HT_Config_Error& e) {
            const std::string msg = e.what();
            EXPECT_NE(msg.find(file.string()), std::string::npos) << msg;
            EXPECT_NE(msg.find(c.key), std::string::npos) << msg;
        }
        EXPECT_EQ(ht_configuration_to_json(def()), before) << c.text;
    }
}

TEST_F(Configuration, SettingsByNameAreCheckedBeforeTheyApply) {
    ht_default_configuration(def());
    const json before = ht_configuration_to_json(def());
    for (auto [name, value] :
         std::vector<std::pair<std::string, std::string>>{{"Bogus", "1"},
                                                          {"CartrigeOpt", "x"},
                                                          {"CartrigeOpt", "0x"},
                                                          {"RASTER_ChangeColor", "maybe"},
                                                          {"media-source", "P4"},
                                                          {"media-size", "A0"},
                                                          {"media-bounds", "0,100,0,100"},
                                                          {"res-color-mem", "-1"},
                                                          {"copies", "10000"},
                                                          {"finishing", "yes"},
                                                          {"RASTER_IE_Module_Name", "x.dll"}}) {
        EXPECT_THROW(ht_set_setting(def(), name, value), HT_Config_Error) << name << "=" << value;
    }
    EXPECT_EQ(ht_configuration_to_json(def()), before);
    ht_set_setting(def(), "InkDensity_360", "-50");
    EXPECT_EQ(custom_long("InkDensity_360"), "-50");
}

TEST_F(Configuration, CommandLineRefusesBadInputWithStatusTwoAndKeepsTheFile) {
    const fs::path file = dir.path() / "my.json";
    ASSERT_EQ(run_tool("init -o " + file.string()).status, 0);
    const std::string original = read_file(file);
    ASSERT_FALSE(original.empty());

    Run_Result r = run_tool("set " + file.string() + " CartrigeOpt=1 Bogus=3");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("Bogus"), std::string::npos) << r.out;
    EXPECT_EQ(read_file(file), original) << "a refused set must not write";

    r = run_tool("set " + file.string() + " copies");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(run_tool("get " + file.string() + " NoSuch").status, 2);
    EXPECT_EQ(run_tool("frobnicate").status, 2);
    EXPECT_EQ(run_tool("info --bogus").status, 2);

    write_file(file, "{");
    r = run_tool("get " + file.string());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find(file.string()), std::string::npos) << r.out;

    ASSERT_EQ(run_tool("init -o " + file.string()).status, 0);
    r = run_tool("set " + file.string() + " CartrigeOpt=1 RASTER_RGB_Compare1_IndexColor=0x0000FF");
    EXPECT_EQ(r.status, 0) << r.out;
    r = run_tool("get " + file.string() + " CartrigeOpt RASTER_RGB_Compare1_IndexColor");
    EXPECT_EQ(r.out, "CartrigeOpt=1\nRASTER_RGB_Compare1_IndexColor=255\n");
}

TEST_F(Configuration, InfoShowsTheDriverAsJson) {
    const Run_Result r = run_tool("info --json");
    ASSERT_EQ(r.status, 0) << r.out;
    const json info = json::parse(r.out);
    EXPECT_EQ(info["description"], " - by VORNA");
    EXPECT_EQ(info["locale"], "4B00409");
    EXPECT_EQ(info["version"], "1.00");
    ASSERT_EQ(info["media_sources"].size(), 4u);
    EXPECT_EQ(info["media_sources"][0]["sizes"].size(), 13u);
    EXPECT_EQ(info["media_sources"][1]["sizes"].size(), 11u);
    EXPECT_EQ(info["media_sources"][2]["sizes"].size(), 9u);
    EXPECT_EQ(info["media_sources"][3]["sizes"].size(), 9u);
    EXPECT_EQ(info["res_color_mem"].size(), 8u);

    const Run_Result missing = run_tool("info --driver /nonexistent/x.hdi");
    EXPECT_EQ(missing.status, 2);
}

TEST_F(Configuration, AUserDefinedSizeIsPrintedAtItsBounds) {
    ht_default_configuration(def());
    ht_set_setting(def(), "media-source", "P1");
    ht_set_setting(def(), "media-size", "UserDefined");
    ht_set_setting(def(), "media-bounds", "0,209,0,296");
    auto size =
        def().get_plotter_capabilities()->get_media_capabilities()->find_source("P1")->find_size(
            "UserDefined");
    EXPECT_EQ(size->printable, (HT_Media_Bounds{0, 210, 0, 297}));
    // Other sources keep theirs, and later settings do not touch it.
    EXPECT_EQ(def()
                  .get_plotter_capabilities()
                  ->get_media_capabilities()
                  ->find_source("P0")
                  ->find_size("UserDefined")
                  ->printable,
              (HT_Media_Bounds{}));
    size->printable = {1, 2, 3, 4};
    ht_set_setting(def(), "copies", "2");
    EXPECT_EQ(size->printable, (HT_Media_Bounds{1, 2, 3, 4}));
}

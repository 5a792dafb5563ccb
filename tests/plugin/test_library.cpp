// The driver library as the host sees it: loading, unloading, the exported
// factory, and the definition it builds from the files beside it.
#include "plugin_fixture.h"

#include "driver_session.h"
#include "ht_factory.h"
#include "ie_colorspace.h"
#include "ie_enter.h"
#include "ie_module.h"
#include "plat_module.h"

#include <gtest/gtest.h>

namespace {
using Factory_Entry = HT_Plotter_Class_Factory* (*)();

struct Loaded {
    explicit Loaded(const fs::path& path) : lib(plat::load_library(path.c_str())) {}
    ~Loaded() {
        if (lib)
            plat::free_library(lib);
    }
    HT_Smart_Pointer<HT_Plotter_Class_Factory> factory() const {
        auto entry =
            reinterpret_cast<Factory_Entry>(plat::find_symbol(lib, "HD_Create_Class_Factory"));
        return entry ? HT_Smart_Pointer<HT_Plotter_Class_Factory>(entry()) : nullptr;
    }
    plat::Library lib;
};

// Builds a definition from a driver file and returns the error it threw.
HT_Error definition_error(const fs::path& driver) {
    Loaded loaded(driver);
    EXPECT_NE(loaded.lib, nullptr) << plat::library_error();
    auto cf = loaded.factory();
    try {
        HT_Smart_Pointer<HT_Plotter_Definition> def(cf->HD_Create_Plotter_Definition(nullptr));
    } catch (const HT_Error& e) {
        return e;
    }
    ADD_FAILURE() << "definition of " << driver << " was built";
    return HT_Error("", 0, "", "");
}
} // namespace

TEST(Library, LoadEntersTheImageEngineOncePerUnitAndUnloadLeaves) {
    const long refs = csUsageCount();
    const int entered = ieEnterCount();
    plat::Library lib = plat::load_library(VORNA_DRIVER_PATH);
    ASSERT_NE(lib, nullptr) << plat::library_error();
    EXPECT_TRUE(csInitialized());
    EXPECT_EQ(csUsageCount(), refs + 7);
    EXPECT_EQ(ieEnterCount(), entered + 7);
    EXPECT_EQ(ieLastEnter().memory, 0x800000);
    EXPECT_EQ(ieLastEnter().flags, 0);
    EXPECT_EQ(ieLastEnter().mode, 1);
    ASSERT_TRUE(plat::free_library(lib));
    EXPECT_EQ(plat::find_loaded_module(VORNA_DRIVER_PATH), nullptr) << "the library stayed mapped";
    EXPECT_EQ(csUsageCount(), refs);
    EXPECT_EQ(ieEnterCount(), entered);
}

TEST(Library, UnloadAfterTheImageEngineIsGoneReleasesNothing) {
    const long refs = csUsageCount();
    const int entered = ieEnterCount();
    plat::Library lib = plat::load_library(VORNA_DRIVER_PATH);
    ASSERT_NE(lib, nullptr);
    ie_test::pretend_unloaded(true);
    EXPECT_TRUE(plat::free_library(lib));
    ie_test::pretend_unloaded(false);
    EXPECT_EQ(csUsageCount(), refs + 7);
    EXPECT_EQ(ieEnterCount(), entered + 7);
    for (int i = 0; i < 7; ++i) {
        csRelease();
        ieLeave();
    }
}

TEST(Library, ExportsTheHostEntryPointsUnderTheirNames) {
    Loaded loaded(VORNA_DRIVER_PATH);
    ASSERT_NE(loaded.lib, nullptr);
    for (const char* name : {"HD_Create_Class_Factory", "_ZN31HT_RASTER_Plotter_Class_FactoryC1Ev",
                             "_ZNK31HT_RASTER_Plotter_Class_Factory21HD_Create_Caps_LoaderE16HT_"
                             "Smart_PointerI16HT_Error_HandlerE",
                             "_ZN22RASTER_DRC_Caps_Loader4LoadE16HT_Smart_PointerI21HT_Plotter_"
                             "DefinitionEN14HT_Caps_Loader11Load_PolicyE"})
        EXPECT_NE(plat::find_symbol(loaded.lib, name), nullptr) << name;
    // Everything else stays inside.
    EXPECT_EQ(plat::find_symbol(loaded.lib, "_ZN6raster15module_instanceEv"), nullptr);
}

TEST(Definition, DescribesTheDriverFromItsFiles) {
    Driver_Session session(VORNA_DRIVER_PATH);
    auto meta = session.definition().get_meta_capabilities();
    ASSERT_TRUE(meta);
    EXPECT_EQ(meta->version, "1.00");
    EXPECT_EQ(meta->flags, 0);
    EXPECT_EQ(meta->description, " - by VORNA");
    EXPECT_EQ(fs::canonical(meta->driver_path.str()), fs::canonical(VORNA_DRIVER_PATH));
    auto model = meta->get_model();
    auto family = meta->get_family();
    ASSERT_TRUE(model && family);
    EXPECT_EQ(model->locale, "4B00409");
    EXPECT_EQ(model->localised, 1);
    EXPECT_EQ(model->custom, 0);
    const std::vector<std::pair<int, int>> pairs = {{5, 3}, {5, 4}, {5, 7}, {5, 8}};
    EXPECT_EQ(model->pairs, pairs);
    EXPECT_EQ(family->kind, 0);
    EXPECT_EQ(family->descriptor, "VORNA");
    EXPECT_EQ(model->descriptor, "TARV");
    EXPECT_FALSE(family->info.empty());
    EXPECT_FALSE(model->info.empty());
    // "platform,major,minor"
    int p = -1, a = -1, b = -1;
    EXPECT_EQ(std::sscanf(model->os_version.c_str(), "%d,%d,%d", &p, &a, &b), 3);
    EXPECT_EQ(p, 'L');

    HT_String help, title;
    EXPECT_TRUE(session.definition().get_driver_hints_helpfile(help, title));
    EXPECT_EQ(help, "drv_vorna_tarv_en.HLP");
    EXPECT_EQ(title, "About the HDI driver");
    EXPECT_TRUE(session.definition().Custom_Config_UI_Available());
    ASSERT_TRUE(session.definition().get_shoebox());
    EXPECT_EQ(session.definition().get_shoebox()->get_autocad_shoebox()->directory, "c:\\");
}

TEST(Definition, WithoutADrcBesideTheLibraryFailsWith103) {
    Temp_Dir dir;
    const HT_Error e = definition_error(copy_driver(dir.path(), "lonely", false));
    EXPECT_EQ(e.code(), 103);
    EXPECT_EQ(e.detail(), "DRC File");
    EXPECT_EQ(e.operation(), "HT_RASTER_Plotter_Definition::initMetaCaps");
    EXPECT_EQ(e.unit(), "rasterpldef");
}

TEST(Definition, AnEmptyPrinterDirectoryFailsOnTheNodeName) {
    Temp_Dir dir;
    const fs::path driver = copy_driver(dir.path(), "empty", false);
    write_file(dir.path() / "empty.DRC", "DPIA_directory {\n}\n");
    const HT_Error e = definition_error(driver);
    EXPECT_EQ(e.code(), 103);
    EXPECT_EQ(e.detail(), "node_name");
}

TEST(Definition, ADescriptorThatIsNotACompoundFails) {
    Temp_Dir dir;
    const fs::path driver = copy_driver(dir.path(), "plain", false);
    write_file(dir.path() / "plain.DRC",
               "DPIA_directory {\n  TARV {\n    descriptor = \"one part\"\n"
               "    info = (\"a\", \"b\")\n  }\n}\n");
    const HT_Error e = definition_error(driver);
    EXPECT_EQ(e.code(), 103);
    EXPECT_EQ(e.detail(), "descriptor");
}

TEST(Definition, AMalformedDrcPassesTheReadersErrorWithTheTraceAdded) {
    Temp_Dir dir;
    const fs::path driver = copy_driver(dir.path(), "broken", false);
    write_file(dir.path() / "broken.DRC", "DPIA_directory {\n  TARV {\n");
    const HT_Error e = definition_error(driver);
    EXPECT_EQ(e.module(), "pm7");
    EXPECT_NE(e.detail().find("broken.DRC"), std::string::npos) << e.detail();
    ASSERT_FALSE(e.trace().empty());
    EXPECT_EQ(e.trace().back(), "HT_RASTER_Plotter_Definition::initMetaCaps");
}

TEST(Definition, ADriverPathOfSixtyThreeCharactersIsReadWhole) {
    Temp_Dir dir;
    const std::size_t room = 63 - dir.path().string().size() - 1 - 4;
    ASSERT_GT(room, 0u);
    const fs::path driver = copy_driver(dir.path(), std::string(room, 'd'), true);
    ASSERT_EQ(driver.string().size(), 63u);
    Driver_Session session(driver.string());
    EXPECT_EQ(session.definition().get_meta_capabilities()->driver_path, driver.string().c_str());
}

TEST(Factory, StringArgumentsOfTheContainersDoNotMatter) {
    Loaded loaded(VORNA_DRIVER_PATH);
    auto cf = loaded.factory();
    ASSERT_TRUE(cf);
    for (const char* s : {static_cast<const char*>(nullptr), "", "anything at all"}) {
        HT_Smart_Pointer<HT_Plotter_Capabilities> caps(cf->HD_Create_Plotter_Capabilities(s, s, s));
        HT_Smart_Pointer<HT_Plotter_Configuration> cfg(
            cf->HD_Create_Plotter_Configuration(s, s, s));
        ASSERT_TRUE(caps && cfg);
        EXPECT_TRUE(caps->get_media_capabilities() && caps->get_io_capabilities() &&
                    caps->get_phys_pen_capabilities() && caps->get_raster_capabilities() &&
                    caps->get_linetype_capabilities() && caps->get_res_color_mem_capabilities() &&
                    caps->get_init_term_capabilities() && caps->get_custom_capabilities());
        EXPECT_TRUE(cfg->get_media_configuration() && cfg->get_io_configuration() &&
                    cfg->get_phys_pen_configuration() && cfg->get_res_color_mem_configuration() &&
                    cfg->get_init_term_configuration() && cfg->get_custom_configuration());
        EXPECT_EQ(cfg->get_custom_configuration()->get_items()->count(), 0u);
        EXPECT_EQ(caps->get_media_capabilities()->sources->count(), 0u);
    }
}

TEST(Factory, NullHandlersAreAcceptedAndReferencesBalance) {
    Loaded loaded(VORNA_DRIVER_PATH);
    auto cf = loaded.factory();
    HT_Smart_Pointer<HT_Error_Handler> handler(new HT_Std_Error_Handler);
    {
        HT_Smart_Pointer<HT_Caps_Loader> a(cf->HD_Create_Caps_Loader(nullptr));
        HT_Smart_Pointer<HT_Caps_Loader> b(cf->HD_Create_Caps_Loader(handler));
        HT_Smart_Pointer<HT_Plotter_Definition> d(cf->HD_Create_Plotter_Definition(nullptr));
        EXPECT_TRUE(a && b && d);
        EXPECT_EQ(SPMP::count(handler.get()), 2) << "the loader keeps its own reference";
    }
    EXPECT_EQ(SPMP::count(handler.get()), 1);
}

TEST(Factory, RefusedAllocationGivesNull) {
    Loaded loaded(VORNA_DRIVER_PATH);
    auto cf = loaded.factory();
    const long live = ht_test::live_objects();
    ht_test::fail_allocations(0, 1);
    HT_Plotter_Capabilities* caps = cf->HD_Create_Plotter_Capabilities("", "", "");
    ht_test::fail_allocations(0, 1);
    HT_Caps_Loader* loader = cf->HD_Create_Caps_Loader(nullptr);
    ht_test::fail_allocations(0, 1);
    HT_Plotter_Definition* def = cf->HD_Create_Plotter_Definition(nullptr);
    ht_test::reset_allocations();
    EXPECT_EQ(caps, nullptr);
    EXPECT_EQ(loader, nullptr);
    EXPECT_EQ(def, nullptr);
    EXPECT_EQ(ht_test::live_objects(), live);
}

TEST(Loader, FillsMediaResolutionsAndCustomKeysAndAdjustsTheIoCapabilities) {
    Driver_Session session(VORNA_DRIVER_PATH);
    auto caps = session.definition().get_plotter_capabilities();
    auto media = caps->get_media_capabilities();
    const std::vector<std::pair<std::string, std::size_t>> expected = {
        {"P0", 13}, {"P1", 11}, {"P2", 9}, {"P3", 9}};
    ASSERT_EQ(media->sources->count(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(media->sources->at(i)->name, expected[i].first.c_str());
        EXPECT_EQ(media->sources->at(i)->sizes->count(), expected[i].second);
        EXPECT_EQ(media->sources->at(i)->sizes->at(expected[i].second - 1)->name, "UserDefined");
    }
    auto a4 = media->find_source("P0")->find_size("A4_Roll_Paper_Portrait");
    ASSERT_TRUE(a4);
    EXPECT_NEAR(a4->bounds.x_max - a4->bounds.x_min, 2976 * 25.4 / 360, 0.01);
    EXPECT_NEAR(a4->bounds.y_max - a4->bounds.y_min, 4209 * 25.4 / 360, 0.01);
    EXPECT_EQ(a4->units, 1);

    auto rcm = caps->get_res_color_mem_capabilities();
    bool seen[2][4] = {};
    for (const auto& e : *rcm->entries) {
        const int r = e->x_resolution == 720 ? 1 : 0;
        if (e->color_system == 0 && e->color_count == 256)
            seen[r][0] = true;
        if (e->color_system == 0 && e->color_count == -256)
            seen[r][1] = true;
        if (e->color_system == 1 && e->color_depth == 32 && e->color_count >= 0)
            seen[r][2] = true;
        if (e->color_system == 2 && e->color_count == -2)
            seen[r][3] = true;
    }
    for (auto& res : seen)
        for (bool s : res)
            EXPECT_TRUE(s);

    auto custom = caps->get_custom_capabilities();
    std::string text;
    ASSERT_TRUE(custom->find("RASTER_IE_File_Type"));
    EXPECT_TRUE(custom->find("RASTER_IE_File_Type")->get_text(text));
    EXPECT_EQ(text, "BMP");
    EXPECT_TRUE(custom->find("InkDensity_720"));
    EXPECT_TRUE(custom->find("RASTER_RGB_Swap3_IndexColor"));

    const std::vector<std::pair<int, int>> once = {{5, 4}};
    EXPECT_EQ(caps->get_io_capabilities()->pairs(), once);
}

TEST(Loader, LoadingTwiceAdjustsTwiceAndAFailedLoadAdjustsNothing) {
    Driver_Session session(VORNA_DRIVER_PATH);
    HT_Smart_Pointer<HT_Caps_Loader> loader(
        session.definition().get_class_factory()->HD_Create_Caps_Loader(nullptr));
    ASSERT_TRUE(loader->Load(session.definition_ref(), HT_Caps_Loader::Load_All));
    auto io = session.definition().get_plotter_capabilities()->get_io_capabilities();
    const std::vector<std::pair<int, int>> twice = {{5, 4}, {5, 4}};
    EXPECT_EQ(io->pairs(), twice);
    EXPECT_EQ(
        session.definition().get_plotter_capabilities()->get_media_capabilities()->sources->count(),
        4u);

    // A definition without a driver path cannot be loaded.
    HT_Smart_Pointer<HT_Plotter_Definition> bare(new HT_Std_Plotter_Definition);
    bare->set_meta_capabilities(new HT_Meta_Capabilities);
    bare->set_plotter_capabilities(
        session.definition().get_class_factory()->HD_Create_Plotter_Capabilities("", "", ""));
    EXPECT_FALSE(loader->Load(bare, HT_Caps_Loader::Load_All));
    EXPECT_TRUE(bare->get_plotter_capabilities()->get_io_capabilities()->pairs().empty());
}

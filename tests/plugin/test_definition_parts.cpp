// Failure paths of the definition and the containers, reached directly.
#include "plugin_fixture.h"

#include "raster_definition_detail.h"
#include "raster_module.h"
#include "raster_plugin.h"

#include "ht_palette.h"
#include "plat_version.h"

#include <gtest/gtest.h>

namespace {
// The test program carries the driver's code and resources; its module answers
// with the built driver's path so the DRC beside that is found.
class Definition_Parts : public ::testing::Test {
protected:
    void SetUp() override {
        m_module = raster::module_instance();
        plat_test::set_module_file_name(m_module, VORNA_DRIVER_PATH);
        m_live = ht_test::live_objects();
    }
    void TearDown() override {
        ht_test::reset_allocations();
        ht_test::refuse_creation("");
        raster::set_module_instance(m_module);
        plat_test::clear_module_file_names();
        EXPECT_EQ(ht_test::live_objects(), m_live) << "objects leaked or freed twice";
    }
    template <class Make> HT_Error error_of(Make make) {
        try {
            make();
        } catch (const HT_Error& e) {
            return e;
        }
        ADD_FAILURE() << "nothing was thrown";
        return HT_Error("", 0, "", "");
    }
    plat::Module m_module = nullptr;
    long m_live = 0;
};

struct Failure_Row {
    const char* kind;   // creation refused
    const char* detail; // name carried by the error
};
} // namespace

TEST_F(Definition_Parts, BuildsWithTheTestProgramAsItsModule) {
    HT_Smart_Pointer<HT_RASTER_Plotter_Definition> def(new HT_RASTER_Plotter_Definition(nullptr));
    EXPECT_EQ(def->get_meta_capabilities()->driver_path, VORNA_DRIVER_PATH);
    EXPECT_EQ(def->get_meta_capabilities()->get_model()->locale, "4B00409");
}

TEST_F(Definition_Parts, CapabilitiesNameEveryMissingSubObject) {
    const Failure_Row rows[] = {
        {"Media_Capabilities", "pMediaCaps"},       {"Plotter_IO_Capabilities", "pIOCaps"},
        {"Pen_Capabilities", "pPhysPenCaps"},       {"Raster_Capabilities", "pRasterCaps"},
        {"Linetype_Capabilities", "pLinetypeCaps"}, {"ResColorMem_Capabilities", "pRCMCaps"},
        {"InitTerm_Capabilities", "pInitTermCaps"}, {"Custom_Capabilities", "pCustomCaps"},
    };
    for (const auto& row : rows) {
        ht_test::refuse_creation(row.kind);
        const HT_Error e = error_of([] { HT_RASTER_Plotter_Capabilities caps; });
        EXPECT_EQ(e.code(), 100) << row.kind;
        EXPECT_EQ(e.detail(), row.detail);
        EXPECT_EQ(e.operation(), "HT_RASTER_Plotter_Capabilities::HT_RASTER_Plotter_Capabilities");
        EXPECT_EQ(e.unit(), "rasterplcaps");
        EXPECT_EQ(e.revision(), "5");
    }
    ht_test::refuse_creation("");
    ht_test::fail_allocations(0, 1);
    const HT_Error e = error_of([] { HT_RASTER_Plotter_Capabilities caps; });
    EXPECT_EQ(e.detail(), "pCF");
}

TEST_F(Definition_Parts, ConfigurationNamesEveryMissingSubObject) {
    const Failure_Row rows[] = {
        {"Media_Configuration", "pMediaCfg"},       {"Plotter_IO_Configuration", "pIOCfg"},
        {"Pen_Configuration", "pPhysPenCfg"},       {"ResColorMem_Configuration", "pRCMCfg"},
        {"InitTerm_Configuration", "pInitTermCfg"}, {"Custom_Configurations", "pCustomCfg"},
    };
    for (const auto& row : rows) {
        ht_test::refuse_creation(row.kind);
        const HT_Error e = error_of([] { HT_RASTER_Plotter_Configuration cfg; });
        EXPECT_EQ(e.code(), 100) << row.kind;
        EXPECT_EQ(e.detail(), row.detail);
        EXPECT_EQ(e.operation(),
                  "HT_RASTER_Plotter_Configuration::HT_RASTER_Plotter_Configuration");
        EXPECT_EQ(e.unit(), "rasterplcfg");
    }
    ht_test::refuse_creation("");
    ht_test::fail_allocations(0, 1);
    const HT_Error e = error_of([] { HT_RASTER_Plotter_Configuration cfg; });
    EXPECT_EQ(e.detail(), "pCF");
    EXPECT_EQ(e.operation(), "rasterplcfg");
}

TEST_F(Definition_Parts, DefinitionFailuresCarryTheirNames) {
    auto build = [] {
        HT_Smart_Pointer<HT_RASTER_Plotter_Definition> d(new HT_RASTER_Plotter_Definition(nullptr));
    };

    ht_test::refuse_creation("Model");
    HT_Error e = error_of(build);
    EXPECT_EQ(e.code(), 100);
    EXPECT_EQ(e.detail(), "pmeta_pmodel_pfamily");
    EXPECT_EQ(e.operation(), "HT_RASTER_Plotter_Definition::initMetaCaps");

    ht_test::refuse_creation("AutoCAD_Shoebox");
    e = error_of(build);
    EXPECT_EQ(e.code(), 100);
    ht_test::refuse_creation("");

    // The definition object itself, then its own factory.
    ht_test::fail_allocations(1, 1);
    e = error_of(build);
    EXPECT_EQ(e.detail(), "m_cf");
    EXPECT_EQ(e.operation(), "rasterpldef");
    ht_test::reset_allocations();

    plat_test::set_module_file_name(m_module, "");
    e = error_of(build);
    EXPECT_EQ(e.code(), 103);
    EXPECT_EQ(e.detail(), "driverPathName");

    raster::set_module_instance(nullptr);
    e = error_of(build);
    EXPECT_EQ(e.code(), 100);
    EXPECT_EQ(e.detail(), "procmodule");
    EXPECT_EQ(e.operation(), "rasterpldef");
}

TEST_F(Definition_Parts, ADriverFileWithoutVersionResourceHasNoLocale) {
    plat_test::set_module_file_name(m_module, VORNA_DATA_DIR "/vorna_tarv_en_7.DRC");
    const HT_Error e = error_of([] { HT_RASTER_Plotter_Definition d(nullptr); });
    EXPECT_EQ(e.code(), 103);
    EXPECT_EQ(e.detail(), "driverlocale");
}

TEST_F(Definition_Parts, PathBufferGrowsUntilThePathFits) {
    for (std::size_t length : {1u, 62u, 63u, 64u, 127u, 128u, 300u}) {
        const std::string path = "/" + std::string(length - 1, 'p');
        plat_test::set_module_file_name(m_module, path);
        EXPECT_EQ(raster::driver_path_of(m_module), path) << length;
    }
}

TEST_F(Definition_Parts, LocaleJoinsEveryTranslation) {
    plat::Version_Info info;
    info.translations = {{0x0409, 0x04B0}};
    std::string locale;
    auto block = plat::build_version_block(info);
    ASSERT_TRUE(raster::format_locale(block.data(), locale));
    EXPECT_EQ(locale, "4B00409");

    info.translations = {{0x0409, 0x04B0}, {0x0412, 0x03B5}};
    block = plat::build_version_block(info);
    ASSERT_TRUE(raster::format_locale(block.data(), locale));
    EXPECT_EQ(locale, "4B00409,3B50412");

    info.translations.clear();
    block = plat::build_version_block(info);
    EXPECT_FALSE(raster::format_locale(block.data(), locale));
}

TEST_F(Definition_Parts, TrueDeviceColoursOnlyForBitonal) {
    HT_Smart_Pointer<HT_RASTER_Plotter_Definition> def(new HT_RASTER_Plotter_Definition(nullptr));
    HT_Smart_Pointer<HT_Palette> palette(new HT_Palette);
    palette->set_entry(0, 0x12345678);
    EXPECT_FALSE(def->get_true_device_colors(nullptr));
    EXPECT_FALSE(def->get_true_device_colors(palette)) << "no entry selected yet";

    auto entry = new HT_ResColorMem;
    entry->color_system = 0;
    def->get_plotter_configuration()->get_res_color_mem_configuration()->select(0, entry);
    EXPECT_FALSE(def->get_true_device_colors(palette));
    EXPECT_EQ(palette->get_entry(0), 0x12345678u);

    entry->color_system = 2;
    EXPECT_TRUE(def->get_true_device_colors(palette));
    EXPECT_EQ(palette->get_entry(0), 0xFF000000u);
    EXPECT_EQ(SPMP::count(palette.get()), 1) << "the by-value reference is given back";
}

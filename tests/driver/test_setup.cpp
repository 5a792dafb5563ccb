// The device before a page: creation, the error handler and output channel,
// the configuration's keys, and the page geometry of `establish`.
#include "driver_host.h"

#include "ht_draw.h"
#include "ie_rep.h"
#include "raster_draw.h"
#include "raster_substitution.h"

#include <cstring>

namespace {

using Device_Setup = Driver_Host;

HT_Smart_Pointer<HT_Custom_Config_Item> long_item(const char* key, std::int32_t value) {
    return new HT_Custom_Config_Item(key, new HT_Std_Long_Custom_Data(value));
}
HT_Smart_Pointer<HT_Custom_Config_Item> bool_item(const char* key, bool value) {
    return new HT_Custom_Config_Item(key, new HT_Std_Boolean_Custom_Data(value));
}

// Substitution settings read from exactly these items.
RASTER_Color_Substitution
substitution_of(std::initializer_list<HT_Smart_Pointer<HT_Custom_Config_Item>> items) {
    HT_Smart_Pointer<HT_Custom_Configurations> config(new HT_Custom_Configurations);
    for (const auto& item : items)
        config->set_item(item.get());
    RASTER_Color_Substitution s;
    raster_render::read_substitution(config.get(), s);
    return s;
}

} // namespace

TEST_F(Device_Setup, ANewDeviceRegistersItsActionsAndOptions) {
    const auto state_calls_before = ie_test::state_calls().size();
    RASTER_Driver& d = device();
    const HT_Drawing_Actions& a = d.actions();
    EXPECT_EQ(a.draw_dci_dot.action, &raster_plotter_draw_dci_dot);
    EXPECT_EQ(a.draw_dci_polytriangle.action, &raster_plotter_draw_dci_polytriangle);
    EXPECT_EQ(a.clear_drawing_buffer.action, &raster_plotter_clear_drawing_buffer);
    EXPECT_TRUE(a.draw_dci_image.usable());
    EXPECT_TRUE(a.draw_dc_image.usable());
    for (const auto* entry :
         {&a.draw_dci_dot.device, &a.draw_dci_polytriangle.device, &a.clear_drawing_buffer.device})
        EXPECT_EQ(*entry, &d);
    EXPECT_EQ(a.draw_dci_dot.options, 0);
    EXPECT_EQ(a.draw_dci_dot.enabled, 1);

    const HT_Renderer_Options& o = d.renderer_options();
    EXPECT_EQ(o.buffer_depth(), 8);
    EXPECT_EQ(o.pixel_aspect(), 1.0f);
    EXPECT_EQ(o.window_width(), 0x7FFF);
    EXPECT_EQ(o.window_height(), 0x7FFF);
    EXPECT_EQ(d.m_page_number, 1u);
    EXPECT_EQ(d.color_space().id(), ie_space::none);

    const auto calls = ie_test::state_calls();
    ASSERT_GT(calls.size(), state_calls_before);
    EXPECT_EQ(calls.back(), (std::pair<int, int>{0, 1}));
    EXPECT_EQ(ie_test::limit_calls().back(), 0x7D000000);
}

TEST_F(Device_Setup, ADeviceThatCannotBeAllocatedIsNull) {
    ht_test::fail_allocations(0, 1);
    EXPECT_EQ(HD_Create_Plotter_Device(), nullptr);
    ht_test::reset_allocations();
}

TEST_F(Device_Setup, ADeviceDestroyedUnusedReleasesOnlyWhatItHolds) {
    delete HD_Create_Plotter_Device();
    // The fixture checks that no host object leaked or was freed twice.
}

TEST_F(Device_Setup, TheErrorHandlerBringsAnOutputChannel) {
    RASTER_Driver& d = device();
    EXPECT_EQ(d.error_handler(), m_handler.get());
    ASSERT_TRUE(d.plotter_io());
    const HT_Plotter_IO* first = d.plotter_io();
    d.set_error_handler(nullptr);
    EXPECT_FALSE(d.error_handler());
    EXPECT_NE(d.plotter_io(), first);

    ht_test::refuse_creation("Plotter_IO");
    const Caught e = error_of([&] { d.set_error_handler(m_handler); });
    EXPECT_EQ(e.code(), 100);
    EXPECT_EQ(e.operation(), "RASTER_Driver::set_error_handler");
    EXPECT_EQ(e.detail(), "m_plotter_io");

    ht_test::refuse_creation("");
    ht_test::fail_allocations(0, 1);
    const Caught f = error_of([&] { d.set_error_handler(m_handler); });
    ht_test::reset_allocations();
    EXPECT_EQ(f.code(), 100);
    EXPECT_EQ(f.detail(), "pCF");
}

TEST_F(Device_Setup, GetPlotterDefinitionGivesANewDefinitionToTheCaller) {
    HT_Plotter_Definition* def = device().get_plotter_definition();
    ASSERT_NE(def, nullptr);
    EXPECT_NE(dynamic_cast<HT_RASTER_Plotter_Definition*>(def), nullptr);
    EXPECT_EQ(def->get_error_handler().get(), m_handler.get());
    delete def;

    ht_test::fail_allocations(0, 1);
    const Caught e = error_of([&] { delete device().get_plotter_definition(); });
    ht_test::reset_allocations();
    EXPECT_EQ(e.code(), 101);
    EXPECT_EQ(e.operation(), "RASTER_Driver::get_plotter_definition");
}

TEST_F(Device_Setup, TheConfigurationIsCopiedAndItsKeysRead) {
    set("Device_ID", "3");
    set("PaperKindMode_4c", "5");
    set("PaperKindMode_7c", "9");
    set("ColorCorrectMode", "1");
    set("CartrigeOpt", "0");
    const char* names[] = {"GammaMode",     "BothSideProcess", "VacuumIndex",   "FeedOffset",
                           "PathDelayTime", "PaperThick",      "CutAdjustMode", "InkDensity",
                           "PlatenGapMode", "EjectRollerMode"};
    for (int i = 0; i < 10; ++i) {
        set(std::string(names[i]) + "_360", std::to_string(i % 2));
        set(std::string(names[i]) + "_720", std::to_string(2 - i % 3));
    }
    set("RASTER_RGB_Back_Color", std::to_string(0x336699));
    set("plot-to-file", (temp_dir() / "x.prn").string());
    RASTER_Driver& d = device();
    d.establish_configuration(m_definition);

    // Copies, not the host's objects; the shoebox itself.
    ASSERT_TRUE(d.definition());
    EXPECT_NE(d.definition()->get_plotter_configuration().get(),
              definition().get_plotter_configuration().get());
    EXPECT_EQ(d.definition()->get_shoebox().get(), definition().get_shoebox().get());

    EXPECT_EQ(d.printer().device_id, 3);
    EXPECT_EQ(d.printer().paper_kind_4c, 5);
    EXPECT_EQ(d.printer().paper_kind_7c, 9);
    EXPECT_EQ(d.printer().color_correct_mode, 1);
    EXPECT_EQ(d.printer().cartrige_opt, 0);
    // Blocks in the order gamma, two-way, suction, feed, drying, thickness,
    // cutting, density, platen gap, eject roller.
    using P = raster_media::Paper_Settings;
    const std::int32_t P::*fields[] = {
        &P::gamma,     &P::two_way, &P::suction, &P::feed_offset, &P::drying_time,
        &P::thickness, &P::cutting, &P::density, &P::platen_gap,  &P::eject_roller};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(d.printer().paper_360.*fields[i], i % 2) << names[i];
        EXPECT_EQ(d.printer().paper_720.*fields[i], 2 - i % 3) << names[i];
    }
    EXPECT_EQ(d.m_background, 0xFF336699u);
    EXPECT_EQ(d.ie_file_type(), "BMP");
    EXPECT_EQ(d.ie_compression(), "UNCOMPRESSED");
    EXPECT_EQ(d.ie_module_name(), "iebmpwr.dll");
    const std::string exe = plat::main_executable_path();
    EXPECT_EQ(d.driver_folder(), exe.substr(0, exe.rfind('/') + 1) + "drv/");
    EXPECT_EQ(d.plotter_io()->target(), (temp_dir() / "x.prn").string());
}

TEST_F(Device_Setup, AnEmptyConfigurationFallsBack) {
    auto config = definition().get_plotter_configuration();
    config->set_custom_configuration(new HT_Custom_Configurations);
    definition().get_plotter_capabilities()->set_custom_capabilities(new HT_Custom_Capabilities);
    configure();
    RASTER_Driver& d = device();
    EXPECT_EQ(d.m_background, 0xFF000000u);
    EXPECT_EQ(d.m_change_color, 0);
    EXPECT_EQ(d.ie_file_type(), "BMP");
    EXPECT_EQ(d.ie_compression(), "UNCOMPRESSED");
    EXPECT_EQ(d.ie_module_name(), "iebmpwr.dll");
    EXPECT_EQ(d.printer().cartrige_opt, 0);
    EXPECT_EQ(d.printer().paper_720.two_way, 0);
}

TEST_F(Device_Setup, ADefinitionWithoutItsPartsIsRefused) {
    definition().set_plotter_configuration(nullptr);
    const Caught e = error_of([&] { configure(); });
    EXPECT_EQ(e.code(), 101);
    EXPECT_EQ(e.operation(), "RASTER_Driver::set_error_handler");
    EXPECT_FALSE(device().definition());
    const Caught f = error_of([&] { device().establish_configuration(nullptr); });
    EXPECT_EQ(f.code(), 101);
}

TEST(Substitution_Keys, OnlyCompleteConversionsStayOn) {
    // Substitution without anything to do is off.
    EXPECT_EQ(substitution_of({bool_item("RASTER_ChangeColor", true)}).m_change_color, 0);
    EXPECT_EQ(substitution_of({}).m_change_color, 0);

    // Convert-to-black keeps it on, and clears the conversions.
    const auto black = substitution_of(
        {bool_item("RASTER_ChangeColor", true), bool_item("RASTER_Draw2Black", true),
         bool_item("RASTER_ConvertColor1", true), long_item("RASTER_RGB_Compare1_IndexColor", 1),
         long_item("RASTER_RGB_Swap1_IndexColor", 2)});
    EXPECT_EQ(black.m_change_color, 1);
    EXPECT_EQ(black.m_draw_to_black, 1);
    EXPECT_EQ(black.m_convert_color[0], 0);

    // A conversion lacking a colour is off; white replaces as black.
    const auto two = substitution_of({bool_item("RASTER_ChangeColor", true),
                                      bool_item("RASTER_ConvertColor1", true),
                                      long_item("RASTER_RGB_Compare1_IndexColor", 0x336699),
                                      bool_item("RASTER_ConvertColor2", true),
                                      long_item("RASTER_RGB_Compare2_IndexColor", 0x0000FF),
                                      long_item("RASTER_RGB_Swap2_IndexColor", 0xFFFFFF),
                                      bool_item("RASTER_ConvertColor3", true),
                                      long_item("RASTER_RGB_Compare3_IndexColor", 0x00FF00),
                                      long_item("RASTER_RGB_Swap3_IndexColor", 0xFFFFFE)});
    EXPECT_EQ(two.m_change_color, 1);
    EXPECT_EQ(two.m_convert_color[0], 0);
    EXPECT_EQ(two.m_compare_rgb[0][0], 0x99);
    EXPECT_EQ(two.m_compare_rgb[0][1], 0x66);
    EXPECT_EQ(two.m_compare_rgb[0][2], 0x33);
    EXPECT_EQ(two.m_convert_color[1], 1);
    EXPECT_EQ(two.m_swap_rgb[1][0] | two.m_swap_rgb[1][1] | two.m_swap_rgb[1][2], 0);
    EXPECT_EQ(two.m_convert_color[2], 1);
    EXPECT_EQ(two.m_swap_rgb[2][0], 254);
    EXPECT_EQ(two.m_swap_rgb[2][1], 255);
    EXPECT_EQ(two.m_swap_rgb[2][2], 255);

    // Keys of another kind count as absent.
    const auto wrong =
        substitution_of({long_item("RASTER_ChangeColor", 1), long_item("RASTER_Draw2Black", 1)});
    EXPECT_EQ(wrong.m_change_color, 0);
}

TEST_F(Device_Setup, EstablishRoundsThePrintableAreaToDots) {
    // 0.4 to 10.6 mm at 360 dpi: 5.67 and 150.24 dots.
    auto size = definition()
                    .get_plotter_capabilities()
                    ->get_media_capabilities()
                    ->find_source("P0")
                    ->find_size("UserDefined");
    set("media-size", "UserDefined");
    size->units = 1;
    size->printable = {0.4f, 10.6f, 0.4f, 10.6f};
    establish();
    RASTER_Driver& d = device();
    EXPECT_EQ(d.m_resolution, 360);
    EXPECT_EQ(d.m_resolution_from_config, 1);
    EXPECT_EQ(d.row_length(), 144);
    EXPECT_EQ(d.row_count(), 144);
    EXPECT_EQ(d.m_pad_x, 4);
    EXPECT_EQ(d.m_last_column, 144 + 10 + 8 - 1);
    EXPECT_EQ(d.m_last_row, 144);
    EXPECT_EQ(d.renderer_options().pattern_scale(), 180.0f);
    EXPECT_EQ(d.actions().draw_dci_dot.action, &raster_plotter_draw_dci_dot);

    // Another unit: 100 dpi, the values as they are, both edges counted.
    size->units = 0;
    size->printable = {1.0f, 50.0f, 2.0f, 30.0f};
    establish();
    EXPECT_EQ(d.m_resolution, 100);
    EXPECT_EQ(d.m_resolution_from_config, 0);
    EXPECT_EQ(d.row_length(), 50);
    EXPECT_EQ(d.row_count(), 29);

    // An empty or absurd area is refused before its sizes are used.
    for (HT_Media_Bounds bad : {HT_Media_Bounds{5, 5, 0, 10}, HT_Media_Bounds{0, 1e30f, 0, 10},
                                HT_Media_Bounds{0, 10, 10, 0}}) {
        size->units = 1;
        size->printable = bad;
        const Caught e = error_of([&] { establish(); });
        EXPECT_EQ(e.code(), 101);
        EXPECT_EQ(e.operation(), "RASTER_Driver::establish_configuration");
    }
}

TEST_F(Device_Setup, TheDotActionAndPaperSettingsFollowTheResolution) {
    set("GammaMode_360", "0");
    set("GammaMode_720", "2");
    small_page(10, 10);
    auto entry =
        definition().get_plotter_configuration()->get_res_color_mem_configuration()->get_current();
    const struct {
        int resolution;
        HT_Draw_DCI_Dot_Action action;
        int gamma;
    } cases[] = {{360, raster_plotter_draw_dci_dot, 0},
                 {400, raster_plotter_draw_dci_dot, 2},
                 {401, raster_plotter_draw_over400dpi_dci_dot, 2},
                 {720, raster_plotter_draw_over400dpi_dci_dot, 2}};
    for (const auto& c : cases) {
        entry->x_resolution = entry->y_resolution = c.resolution;
        establish();
        EXPECT_EQ(device().actions().draw_dci_dot.action, c.action) << c.resolution;
        EXPECT_EQ(device().printer().active.gamma, c.gamma) << c.resolution;
    }
}

TEST_F(Device_Setup, BitonalFormatFollowsTheBackground) {
    set("res-color-mem", std::to_string(rcm_360_mono));
    small_page(10, 10);
    set("RASTER_RGB_Back_Color", "16777215");
    establish();
    EXPECT_EQ(device().renderer_options().bitonal_format(), HT_Bitonal_Set_Is_Black);
    EXPECT_EQ(device().m_pad_x, 32);
    set("RASTER_RGB_Back_Color", "0");
    establish();
    EXPECT_EQ(device().renderer_options().bitonal_format(), HT_Bitonal_Set_Is_White);
}

TEST_F(Device_Setup, EstablishWithoutMediaOrResolutionFails) {
    configure();
    device().definition()->get_plotter_configuration()->get_media_configuration()->set_size_name(
        "No_Such_Size");
    const Caught e = error_of([&] { device().establish(); });
    EXPECT_EQ(e.code(), 101);
    EXPECT_EQ(e.operation(), "RASTER_Driver::establish_configuration");
}

TEST_F(Device_Setup, EveryMediaSizeAnnouncesThePageItPrints) {
    // The page's rounded rows and the sizes of the job records must agree:
    // the spool module refuses a band wider or longer than announced.
    auto media = definition().get_plotter_capabilities()->get_media_capabilities();
    int checked = 0;
    for (std::size_t s = 0; s < media->sources->count(); ++s) {
        auto source = media->sources->at(s);
        for (std::size_t z = 0; z < source->sizes->count(); ++z) {
            auto size = source->sizes->at(z);
            for (const Rcm_Entry entry : {rcm_360_indexed, rcm_720_true_color}) {
                const std::string what =
                    source->name.str() + " " + size->name.str() + " entry " + std::to_string(entry);
                set("media-source", source->name.str());
                set("media-size", size->name.str());
                if (size->name.str() == "UserDefined")
                    set("media-bounds", "1.3,57.77,0.51,33.2");
                set("res-color-mem", std::to_string(entry));
                establish();
                RASTER_Driver& d = device();
                d.read_media_source();
                d.read_media_size();
                d.read_color_output_flag();
                Spool_Job_Params p{};
                d.fill_job_params(p);
                EXPECT_EQ(p.printable_width, d.row_length()) << what;
                EXPECT_EQ(p.printable_height, d.row_count()) << what;
                EXPECT_EQ(p.printable_width_2, d.row_length()) << what;
                EXPECT_EQ(p.printable_height_2, d.row_count()) << what;
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 60);
}

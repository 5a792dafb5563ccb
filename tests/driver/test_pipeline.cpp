// Whole pages through the device and the reference spool module: what the
// printer receives for each colour system, bands, copies, cancel, output and
// spool failures, and every failure of the page image.
#include "driver_host.h"

#include "ht_draw.h"
#include "ie_rep.h"
#include "plat_status.h"
#include "plat_ui.h"
#include "raster_errors.h"
#include "raster_status.h"

#include <cstdlib>
#include <set>
#include <utility>

namespace {

using Pipeline = Driver_Host;

constexpr std::uint32_t red = 0xFFFF0000u;
constexpr std::uint32_t black = 0xFF000000u;

// Each colour system, colour and grey, as the description file offers them.
struct System_Case {
    Rcm_Entry entry;
    std::uint32_t red_prints; // what a red dot (black for monochrome) prints as
    int block;                // pixels per side of a dot
};

class Pipeline_Systems : public Driver_Host, public ::testing::WithParamInterface<System_Case> {};

// The dots of the first job that differ from white paper.
std::set<std::pair<int, int>> inked(const Printed_Stream& printed, std::uint32_t color) {
    std::set<std::pair<int, int>> dots;
    for (const Printed_Band& b : printed.bands) {
        for (std::uint32_t r = 0; r < b.rows; ++r)
            for (std::uint32_t c = 0; c < b.width; ++c)
                if (printed.rgb(static_cast<int>(c), static_cast<int>(b.top + r)) == color)
                    dots.insert({static_cast<int>(c), static_cast<int>(b.top + r)});
    }
    return dots;
}

} // namespace

TEST_P(Pipeline_Systems, ADotPrintsInItsColourAtItsPlace) {
    const System_Case& c = GetParam();
    set("res-color-mem", std::to_string(c.entry));
    set("RASTER_RGB_Back_Color", "16777215"); // white paper
    small_page(20, 9);
    print([&](RASTER_Driver& d) {
        if (d.m_color_system == raster_render::color_system_indexed)
            index_dot(6, 4, static_cast<int>(d.m_palette.nearest_index(red)));
        else
            dot(6, 4, d.m_color_system == raster_render::color_system_bitonal ? black : red);
    });

    const Printed_Stream printed = decode(output());
    ASSERT_EQ(printed.jobs, 1);
    EXPECT_EQ(printed.page_ends, 1);
    EXPECT_EQ(printed.job_ends, 1);
    ASSERT_EQ(printed.bands.size(), 5u);
    EXPECT_EQ(printed.bands[0].width, 20u);

    // Host row y is printed row 9 - y; host column x is dot x. Above 600 dpi
    // a dot covers 4 × 4 dots from one left of it and two above it.
    std::set<std::pair<int, int>> expected;
    const int left = c.block == 1 ? 6 : 5, top = c.block == 1 ? 5 : 3;
    for (int j = 0; j < c.block; ++j)
        for (int i = 0; i < c.block; ++i)
            expected.insert({left + i, top + j});
    EXPECT_EQ(inked(printed, c.red_prints), expected);
    EXPECT_EQ(inked(printed, 0xFFFFFF).size(), 20u * 9 - expected.size()) << "paper stays white";
}

INSTANTIATE_TEST_SUITE_P(EachSystem, Pipeline_Systems,
                         ::testing::Values(System_Case{rcm_360_indexed, 0xFF0000, 1},
                                           System_Case{rcm_360_grey, 0x4C4C4C, 1},
                                           System_Case{rcm_360_true_color, 0xFF0000, 1},
                                           System_Case{rcm_360_mono, 0x000000, 1},
                                           System_Case{rcm_720_indexed, 0xFF0000, 4},
                                           System_Case{rcm_720_grey, 0x4C4C4C, 4},
                                           System_Case{rcm_720_true_color, 0xFF0000, 4},
                                           System_Case{rcm_720_mono, 0x000000, 4}));

TEST_F(Pipeline, BandsAreTwoRowsAndAnOddPageEndsWithOneRow) {
    for (int rows : {6, 7}) {
        SCOPED_TRACE(rows);
        small_page(10, rows);
        print([&](RASTER_Driver&) { dot(0, 1, red); });
        const Printed_Stream printed = decode(output());
        std::vector<std::pair<std::uint32_t, std::uint32_t>> bands;
        for (const Printed_Band& b : printed.bands)
            bands.push_back({b.top, b.rows});
        std::vector<std::pair<std::uint32_t, std::uint32_t>> expected{{0, 2}, {2, 2}, {4, 2}};
        if (rows == 7)
            expected.push_back({6, 1});
        EXPECT_EQ(bands, expected);
        delete m_device;
        m_device = nullptr;
    }
}

TEST_F(Pipeline, APageWithoutDrawingSpoolsButSendsNothing) {
    small_page(10, 5);
    set("copies", "2");
    print([](RASTER_Driver&) {});
    device().plotter_io()->close();
    EXPECT_TRUE(output().empty());

    const plat::Status_Window_State window = plat::status_recorder().last_window();
    EXPECT_EQ(window.template_id, raster_device::status_template_blank);
    EXPECT_FALSE(window.open);
    ASSERT_EQ(window.bars.size(), 2u);
    // The module ran the page once and the copy was replayed from the copy
    // file: the page bar ends on the last block.
    EXPECT_EQ(window.bars[1].steps, 5 + 8);
}

TEST_F(Pipeline, ExtraCopiesResendTheRecordedPrinterData) {
    small_page(12, 5);
    set("copies", "3");
    print([&](RASTER_Driver&) { dot(2, 2, red); });

    const std::vector<std::uint8_t> bytes = output();
    const Printed_Stream printed = decode(bytes);
    EXPECT_EQ(printed.jobs, 3);
    EXPECT_EQ(printed.job_ends, 3);
    ASSERT_EQ(bytes.size() % 3, 0u);
    const std::size_t one = bytes.size() / 3;
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + one, bytes.begin() + one));
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + one, bytes.begin() + 2 * one));

    const plat::Status_Window_State window = plat::status_recorder().last_window();
    EXPECT_EQ(window.title, "Print Spool Status (3 Copies)");
    ASSERT_EQ(window.bars.size(), 2u);
    EXPECT_EQ(window.bars[0].y, 25);
    EXPECT_EQ(window.bars[0].high, 100);
    EXPECT_EQ(window.bars[1].y, 75);
    EXPECT_GT(window.bars[0].steps, 1);
}

TEST_F(Pipeline, CopiesToTheDeviceOrAFolderAreMade) {
    for (const char* name : {"-", "", "folder/"}) {
        SCOPED_TRACE(name);
        small_page(12, 4);
        set("copies", "2");
        set("plot-to-file", name);
        print([&](RASTER_Driver&) { dot(2, 2, red); });
        EXPECT_EQ(decode(output()).jobs, 2);
        delete m_device;
        m_device = nullptr;
    }
}

TEST_F(Pipeline, CopiesOfAPlotToAFileAreOne) {
    small_page(12, 4);
    set("copies", "3");
    set("plot-to-file", (temp_dir() / "plot.prn").string());
    print([&](RASTER_Driver&) { dot(2, 2, red); });
    EXPECT_EQ(decode(output()).jobs, 1);

    const plat::Status_Window_State window = plat::status_recorder().last_window();
    EXPECT_EQ(window.template_id, raster_device::status_template_file);
    EXPECT_EQ(window.title, "Print Spool Status");
    EXPECT_EQ(window.label(raster_device::status_label_copies), "Current Page");
    EXPECT_EQ(window.label(raster_device::status_label_page), "");
    ASSERT_EQ(window.bars.size(), 1u);
    EXPECT_EQ(window.bars[0].y, 25);
    EXPECT_EQ(window.bars[0].high, 4);
}

TEST_F(Pipeline, CancelInTheBandLoopEndsPageAndJobWithoutCopies) {
    small_page(12, 9);
    set("copies", "3");
    // Queries: the dot, the page end, then one per row: rows 0 to 3 go out.
    m_progress->cancel_when = [](int query) { return query >= 7; };
    print([&](RASTER_Driver&) { dot(2, 2, red); });

    const Printed_Stream printed = decode(output());
    EXPECT_EQ(printed.jobs, 1);
    EXPECT_EQ(printed.bands.size(), 2u);
    EXPECT_EQ(printed.page_ends, 1);
    EXPECT_EQ(printed.job_ends, 1);
}

TEST_F(Pipeline, CancelInTheCopyLoopSendsOnlyThePageAndJobEnd) {
    small_page(12, 6);
    set("copies", "3");
    // The dot, the page end, six rows, then the first block of the second copy.
    m_progress->cancel_when = [](int query) { return query >= 9; };
    print([&](RASTER_Driver&) { dot(2, 2, red); });

    const Printed_Stream printed = decode(output());
    EXPECT_EQ(printed.jobs, 1);
    EXPECT_EQ(printed.cancelled_copies, 1);
    EXPECT_FALSE(plat::status_recorder().last_window().open);
}

TEST_F(Pipeline, ACancelledPlotHasNoOutputAndNoPageImage) {
    small_page(12, 6);
    m_progress->cancel_when = [](int) { return true; };
    print([&](RASTER_Driver&) { dot(2, 2, red); });
    EXPECT_TRUE(output().empty());
    EXPECT_EQ(device().m_image, nullptr);
    EXPECT_FALSE(device().m_progress);
    EXPECT_EQ(ie_test::state_calls().back(), (std::pair<int, int>{0, 1}));
}

TEST_F(Pipeline, AShortWriteIsToldToTheHostAndFailsThePage) {
    small_page(40, 20);
    establish();
    begin();
    dot(2, 2, red);
    device().plotter_io()->set_write_limit(100);
    const Caught e = error_of([&] { end(); });
    EXPECT_EQ(e.code(), 104);
    EXPECT_EQ(e.operation(), "RASTER_Driver::end_picture");
    EXPECT_EQ(m_progress->failure(), 2);
    EXPECT_EQ(device().plotter_io()->bytes_written(), 100u);
    EXPECT_TRUE(device().output_failed());

    // Nothing more is written once a write fell short.
    EXPECT_EQ(device().write_output("abc", 3), 0);
}

namespace {
struct Spool_Failure {
    const char* forced;
    const char* message;
};
class Spool_Failures : public Driver_Host, public ::testing::WithParamInterface<Spool_Failure> {};
} // namespace

TEST_P(Spool_Failures, FailThePageWithTheirMessage) {
    small_page(12, 6);
    set("copies", "2");
    ::setenv("VORNA_SPOOL_FAIL", GetParam().forced, 1);
    establish();
    begin();
    dot(1, 1, red);
    const Caught e = error_of([&] { end(); });
    EXPECT_EQ(e.code(), 104);
    EXPECT_FALSE(e.severe());
    EXPECT_EQ(e.operation(), "RASTER_Driver::end_picture");
    EXPECT_EQ(e.detail(), GetParam().message);
    EXPECT_EQ(e.unit(), "raster");
    EXPECT_EQ(device().m_image, nullptr);
    EXPECT_FALSE(device().m_progress);
    EXPECT_FALSE(device().plotter_io()->is_open());
    EXPECT_FALSE(plat::status_recorder().current_window());
}

INSTANTIATE_TEST_SUITE_P(
    Codes, Spool_Failures,
    ::testing::Values(
        Spool_Failure{"InitJob:-15", "Spooler Error"},
        Spool_Failure{"InitJob:-10", "An error has occurred. The cause cannot be identified."},
        Spool_Failure{"InitJob:-5", "Incorrect handle used."},
        Spool_Failure{"InitJob:-4", "Failed to write to memory."},
        Spool_Failure{"InitJob:-2", "API Call Procedure Violation"},
        Spool_Failure{"InitJob:7", "Other Error"},
        Spool_Failure{"InitPage:-4", "Failed to write to memory."},
        Spool_Failure{"BandOut:-10:2", "An error has occurred. The cause cannot be identified."}));

TEST_F(Pipeline, AMissingSpoolModuleIsShownThenFailsThePicture) {
    small_page(12, 6);
    establish();
    device().set_driver_folder((temp_dir() / "nowhere").string() + "/");
    const Caught e = error_of([&] { begin(); });
    EXPECT_TRUE(e.severe());
    EXPECT_EQ(e.code(), 102);
    EXPECT_EQ(e.operation(), "RASTER_Driver::begin_picture");
    EXPECT_EQ(e.detail(), "");
    EXPECT_EQ(device().m_image, nullptr);

    const auto shown = plat::headless_ui().messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].owner, nullptr);
    EXPECT_EQ(shown[0].text, "V_MOD0.DLL has not been installed.");
    EXPECT_EQ(shown[0].title, "Serious AutoCAD error");
    EXPECT_EQ(shown[0].flags & plat::mb_icon_mask, plat::mb_icon_error);
}

namespace {
struct Image_Failure {
    const char* name;
    std::function<void(Driver_Host&, RASTER_Driver&)> arrange;
    int message;
};
class Image_Failures : public Driver_Host, public ::testing::WithParamInterface<Image_Failure> {};
} // namespace

TEST_P(Image_Failures, FailThePictureStartWithTheirMessage) {
    small_page(12, 6);
    establish();
    GetParam().arrange(*this, device());
    const Caught e = error_of([&] { begin(); });
    EXPECT_TRUE(e.severe());
    EXPECT_EQ(e.code(), 102);
    EXPECT_EQ(e.operation(), "RASTER_Driver::begin_picture");
    EXPECT_EQ(e.detail(), raster_device::message_text(GetParam().message));
    EXPECT_EQ(device().m_image, nullptr);
    EXPECT_EQ(device().m_image_access, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Engine, Image_Failures,
    ::testing::Values(
        Image_Failure{"NoFileWriter",
                      [](Driver_Host&, RASTER_Driver& d) { d.set_ie_module_name("nowriter.dll"); },
                      104},
        Image_Failure{"NoTemporaryFolder",
                      [](Driver_Host& h, RASTER_Driver& d) {
                          d.definition()->get_shoebox()->get_autocad_shoebox()->temp_folder = "";
                          (void)h;
                      },
                      105},
        Image_Failure{"NoMemory",
                      [](Driver_Host&, RASTER_Driver&) { ie_test::refuse_memory_checks(2); }, 106},
        Image_Failure{"NoImage", [](Driver_Host&, RASTER_Driver&) { ie_test::fail_creations(1); },
                      107},
        Image_Failure{"InvalidImage",
                      [](Driver_Host&, RASTER_Driver&) { ie_test::invalidate_images(1); }, 108},
        Image_Failure{"NoWriteContext",
                      [](Driver_Host&, RASTER_Driver&) { ie_test::refuse_write_contexts(1); },
                      109}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Pipeline, MemoryRefusedOnceIsAskedAgainWithReportingOff) {
    small_page(12, 6);
    establish();
    ie_test::refuse_memory_checks(1);
    begin();
    ASSERT_NE(device().m_image, nullptr);
    const auto calls = ie_test::state_calls();
    EXPECT_EQ(calls.back(), (std::pair<int, int>{0, 0}));
    end();
}

TEST_F(Pipeline, MemoryRefusedAtThePageEndFailsWith117) {
    small_page(12, 6);
    establish();
    begin();
    ie_test::refuse_memory_checks(2);
    const Caught e = error_of([&] { end(); });
    EXPECT_TRUE(e.severe());
    EXPECT_EQ(e.code(), 117);
    EXPECT_EQ(e.detail(), "Image Engine memory available failure");
    EXPECT_EQ(ie_test::state_calls().back(), (std::pair<int, int>{0, 1}));
    EXPECT_EQ(device().m_image, nullptr);
}

TEST_F(Pipeline, NoReadContextAtThePageEndFailsWith109) {
    small_page(12, 6);
    establish();
    begin();
    ie_test::refuse_read_contexts(1);
    const Caught e = error_of([&] { end(); });
    EXPECT_EQ(e.code(), 102);
    EXPECT_EQ(e.operation(), "RASTER_Driver::end_picture");
    EXPECT_EQ(e.detail(), "Image Engine make write context failure");
    EXPECT_EQ(device().m_image, nullptr);
}

TEST_F(Pipeline, AWriterAlreadyRegisteredIsNotLoadedAgain) {
    small_page(12, 6);
    establish();
    begin();
    end();
    begin();
    end();
    EXPECT_EQ(ie_test::module_loads(), std::vector<std::string>{"iebmpwr.dll"});
}

TEST_F(Pipeline, PageNumbersWrapToOne) {
    small_page(12, 6);
    establish();
    EXPECT_EQ(device().m_page_number, 1u);
    begin();
    EXPECT_EQ(device().m_page_number, 2u);
    end();
    device().m_page_number = 0xFFFFFFFFu;
    begin();
    EXPECT_EQ(device().m_page_number, 1u);
    end();
}

TEST_F(Pipeline, ThePictureStartTakesTheJobAndReadsTheMedia) {
    set("media-source", "P2");
    set("copies", "4");
    set("res-color-mem", std::to_string(rcm_360_grey));
    auto size = definition()
                    .get_plotter_capabilities()
                    ->get_media_capabilities()
                    ->find_source("P2")
                    ->find_size("A4_Manual_Feed");
    ASSERT_TRUE(size);
    set("media-size", "A4_Manual_Feed");
    establish();
    begin();
    EXPECT_EQ(device().m_progress.get(), m_progress.get());
    EXPECT_EQ(device().document_info().document_name, "test drawing");
    EXPECT_EQ(device().plotter_io()->documents_started(), 1);
    EXPECT_EQ(device().media().media_source, 2);
    EXPECT_EQ(device().media().copy_count, 4);
    EXPECT_EQ(device().media().color_output, 0);
    EXPECT_EQ(raster_render::grey_flags().indexed, 1);
    m_progress->cancel_when = [](int) { return true; };
    end();
}

TEST_F(Pipeline, AModuleGoneByThePageEndIsShownThenFailsThePage) {
    small_page(12, 6);
    establish();
    begin();
    device().set_driver_folder((temp_dir() / "nowhere").string() + "/");
    const Caught e = error_of([&] { end(); });
    EXPECT_TRUE(e.severe());
    EXPECT_EQ(e.code(), 102);
    EXPECT_EQ(e.operation(), "RASTER_Driver::end_picture");
    ASSERT_EQ(plat::headless_ui().messages().size(), 1u);
    EXPECT_EQ(plat::headless_ui().messages()[0].text, "V_MOD0.DLL has not been installed.");
    EXPECT_EQ(device().m_image, nullptr);
    EXPECT_FALSE(device().plotter_io()->is_open());
}

// The deliverable itself: the host finds the device through the one entry
// point the library exports.
TEST_F(Pipeline, TheDriverLibraryMakesDevicesThatPrint) {
    small_page(16, 5);
    set("plot-to-file", output_path().string());
    plat::Library library = plat::load_library(VORNA_DRIVER_PATH);
    ASSERT_NE(library, nullptr) << plat::library_error();
    using Create = HT_Plotter_Device_Data* (*)();
    auto create = reinterpret_cast<Create>(plat::find_symbol(library, "HD_Create_Plotter_Device"));
    ASSERT_NE(create, nullptr);
    EXPECT_EQ(plat::find_symbol(library, "_ZN13RASTER_DriverC1Ev"), nullptr)
        << "only the entry points leave the library";
    {
        HT_Plotter_Device_Data* d = create();
        ASSERT_NE(d, nullptr);
        d->set_error_handler(m_handler);
        d->establish_configuration(m_definition);
        d->establish();
        HT_Renderer renderer(*d);
        HT_Document_Info document;
        d->begin_picture(document);
        HT_Rendition rendition;
        rendition.color = red;
        EXPECT_TRUE(renderer.draw_dot({3, 2, 0}, renderer.resolve(rendition)));
        d->end_picture();
        delete d;
    }
    plat::free_library(library);
    const Printed_Stream printed = decode(output());
    EXPECT_EQ(printed.bands.size(), 3u);
    EXPECT_EQ(printed.rgb(3, 3), 0xFF0000u);
}

TEST_F(Pipeline, CopiesThatCannotBeRecordedFailBeforeAnythingIsSent) {
    small_page(12, 6);
    set("copies", "2");
    establish();
    begin();
    dot(1, 1, red);
    device().definition()->get_shoebox()->get_autocad_shoebox()->temp_folder =
        (temp_dir() / "gone").string();
    const Caught e = error_of([&] { end(); });
    EXPECT_EQ(e.code(), 104);
    EXPECT_EQ(e.detail(), "Failure opening temporary file");
    device().plotter_io()->close();
    EXPECT_TRUE(output().empty());
    EXPECT_EQ(device().m_image, nullptr);
}

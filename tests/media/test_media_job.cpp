// The media readers and the job-start records, field by field.
#include "media_job.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>

using namespace raster_media;

namespace {

// A4 portrait with both edges counted: 210 × 297 mm.
constexpr Media_Bounds a4_bounds{10.0f, 219.0f, 5.0f, 301.0f};

Media_Device_Settings settings_at(int resolution) {
    Media_Device_Settings s;
    s.resolution = resolution;
    return s;
}

// Fills a record's storage with garbage first, as the job start's storage
// may hold, so that the tests see what the fill leaves behind.
template <class Record> Record garbage() {
    static_assert(std::is_trivially_copyable_v<Record>);
    Record r;
    std::memset(&r, 0xAB, sizeof r);
    return r;
}

template <class T, class Record> T at(const Record& r, std::size_t offset) {
    T v;
    std::memcpy(&v, reinterpret_cast<const unsigned char*>(&r) + offset, sizeof v);
    return v;
}

// Job parameters for a picture read with these host values.
Spool_Job_Params job_params(Media_State& state, const Media_Device_Settings& s,
                            std::string_view source, std::string_view size,
                            const Media_Bounds& bounds = a4_bounds, int finishing = 0) {
    read_media_source(state, source);
    read_media_size(state, s, size);
    auto params = garbage<Spool_Job_Params>();
    fill_job_params(state, s, bounds, finishing, params);
    return params;
}

int32_t dummy_output(void*, const uint8_t*, uint32_t) {
    return spool_output_ok;
}

} // namespace

TEST(MediaJob, WorkedExampleRollA4At720) {
    Media_Device_Settings s = settings_at(720);
    s.paper.two_way = 1;
    Media_State state;
    read_color_output_flag(state, 256);
    const Spool_Job_Params p =
        job_params(state, s, "P0", "A4_Roll_Paper_Portrait (210 x 297 mm)", a4_bounds, 1);

    EXPECT_EQ(state.media_source, 0);
    EXPECT_EQ(state.media_size, 1);
    EXPECT_EQ(state.print_mode_row, 1);
    EXPECT_EQ(p.record_kind, 6);
    EXPECT_EQ(p.reserved_2, 0);
    EXPECT_EQ(p.mode_column_2, 7);
    EXPECT_EQ(p.mode_column_3, 1);
    EXPECT_EQ(p.mode_column_5, 720);
    EXPECT_EQ(p.mode_column_6, 720);
    EXPECT_EQ(p.mode_column_7, 720);
    EXPECT_EQ(p.mode_column_8, 720);
    EXPECT_EQ(p.paper_width, 5952);
    EXPECT_EQ(p.paper_height, 8418);
    EXPECT_EQ(p.printable_width, 5784);
    EXPECT_EQ(p.printable_height, 8250);
    EXPECT_EQ(p.printable_width_2, 5784);
    EXPECT_EQ(p.printable_height_2, 8250);
    EXPECT_EQ(p.fixed_52, 0);
    EXPECT_EQ(p.sheet_margin, 84);
    EXPECT_EQ(p.media_code, 1);
    EXPECT_EQ(p.mode_column_10, 2);
    EXPECT_EQ(p.fixed_68, 1);
    EXPECT_EQ(p.pass_mode, 5);
    EXPECT_EQ(p.media_handling, 0x80000020u);
    EXPECT_EQ(p.fixed_80, 0);
    EXPECT_EQ(p.source_code, 530);
    EXPECT_EQ(p.size_code, 9);
    EXPECT_EQ(p.fixed_92, 0xFFFF);
    EXPECT_EQ(p.reserved_94, 0);
    EXPECT_EQ(p.fixed_96, 0);
    EXPECT_EQ(p.color_mode, 1);
    EXPECT_EQ(p.margin_free, nullptr);
    EXPECT_EQ(p.margin_free_margin, 0);
    EXPECT_EQ(p.fixed_112, 0);
    EXPECT_EQ(p.print_mode, nullptr);
    EXPECT_EQ(p.media, nullptr);
    EXPECT_EQ(p.fixed_124, 0);
    EXPECT_EQ(p.fixed_128, 0);
}

TEST(MediaJob, MediaSourceNames) {
    Media_State state;
    const std::pair<const char*, int> cases[] = {
        {"P0", 0}, {"P1", 1},  {"P2", 2}, {"P3", 3},   {"P4", 0},
        {"p1", 0}, {"P1 ", 0}, {"", 0},   {"Roll", 0}, {"P", 0},
    };
    for (const auto& [name, source] : cases) {
        state.media_source = 3;
        read_media_source(state, name);
        EXPECT_EQ(state.media_source, source) << '"' << name << '"';
    }
}

TEST(MediaJob, MediaSizeNamesArePrefixes) {
    const Media_Device_Settings s;
    Media_State state;

    // The landscape name is not matched by the portrait one.
    read_media_size(state, s, "ANSI_B_Roll_Paper_Landscape");
    EXPECT_EQ(state.media_size, 7);
    read_media_size(state, s, "ANSI_B_Roll_Paper_Portrait_17x11");
    EXPECT_EQ(state.media_size, 6);

    // No match, or a name shorter than the canonical one, keeps the row.
    read_media_size(state, s, "Tabloid");
    EXPECT_EQ(state.media_size, 6);
    read_media_size(state, s, "A4_Roll");
    EXPECT_EQ(state.media_size, 6);
    read_media_size(state, s, "");
    EXPECT_EQ(state.media_size, 6);

    read_media_size(state, s, "UserDefined 300 x 500");
    EXPECT_EQ(state.media_size, 12);

    // Each source has its own names.
    state.media_source = media_source_manual_feed;
    read_media_size(state, s, "A3_Paper_Tray");
    EXPECT_EQ(state.media_size, 12);
    read_media_size(state, s, "A3_Manual_Feed");
    EXPECT_EQ(state.media_size, 2);
    state.media_source = media_source_paper_tray;
    read_media_size(state, s, "ARCH_B_Paper_Tray");
    EXPECT_EQ(state.media_size, 7);
    state.media_source = media_source_roll_borderless;
    read_media_size(state, s, "ARCH_A_Roll_Borderless_Landscape");
    EXPECT_EQ(state.media_size, 8);

    // Other printer variants leave the row alone.
    Media_Device_Settings other = s;
    other.device_id = 3;
    read_media_size(state, other, "A4_Roll_Borderless_Portrait");
    EXPECT_EQ(state.media_size, 8);

    // An impossible source reads the roll table.
    state.media_source = 17;
    read_media_size(state, s, "A2_Roll_Paper_Portrait");
    EXPECT_EQ(state.media_size, 5);
}

TEST(MediaJob, MediaSizeNamesFollowTheLanguage) {
    Media_Device_Settings s;
    s.language = Media_Language::german;
    Media_State state;
    read_media_size(state, s, "A4-Rollenpapier_Querformat");
    EXPECT_EQ(state.media_size, 2);
    read_media_size(state, s, "A3_Roll_Paper_Portrait");
    EXPECT_EQ(state.media_size, 2);

    s.language = Media_Language::korean;
    state.media_source = media_source_paper_tray;
    read_media_size(state, s, "ANSI_C_용지_트레이");
    EXPECT_EQ(state.media_size, 5);

    s.language = Media_Language::spanish;
    state.media_source = media_source_roll_borderless;
    read_media_size(state, s, "A4_Horiz._Rollo_Sin_Márgenes");
    EXPECT_EQ(state.media_size, 2);
}

TEST(MediaJob, UserDefinedSizesComeFromTheHostBounds) {
    Media_State state;
    Spool_Job_Params p = job_params(state, settings_at(360), "P0", "UserDefined");
    EXPECT_EQ(p.printable_width, 2976);
    EXPECT_EQ(p.printable_height, 4209);
    EXPECT_EQ(p.paper_width, 3060);
    EXPECT_EQ(p.paper_height, 4293);
    EXPECT_EQ(p.sheet_margin, 42);
    EXPECT_EQ(p.size_code, 256);

    // Without margins the paper is narrower than the printable area.
    p = job_params(state, settings_at(360), "P1", "UserDefined");
    EXPECT_EQ(p.paper_width, 2892);
    EXPECT_EQ(p.paper_height, 4209);
    EXPECT_EQ(p.printable_width, 2976);
    EXPECT_EQ(p.printable_height, 4209);
    EXPECT_EQ(p.printable_width_2, 2976);
    EXPECT_EQ(p.printable_height_2, 4209);
    EXPECT_EQ(p.sheet_margin, 0);
    EXPECT_EQ(p.margin_free_margin, 42);
    EXPECT_EQ(p.source_code, 256);

    // At 720 the factor and the margin double; the truncation is per length.
    p = job_params(state, settings_at(720), "P2", "UserDefined");
    EXPECT_EQ(p.printable_width, 5952);
    EXPECT_EQ(p.printable_height, 8418);
    EXPECT_EQ(p.paper_width, 6120);
    EXPECT_EQ(p.paper_height, 8586);
    EXPECT_EQ(p.sheet_margin, 84);
    EXPECT_EQ(p.source_code, 4);
    p = job_params(state, settings_at(720), "P1", "UserDefined");
    EXPECT_EQ(p.paper_width, 5952 - 168);
    EXPECT_EQ(p.margin_free_margin, 84);
}

TEST(MediaJob, TableSizesAndSourceFields) {
    Media_State state;
    // Borderless table rows are sent as stored at 360 ...
    Spool_Job_Params p = job_params(state, settings_at(360), "P1", "A3_Roll_Borderless_Landscape");
    EXPECT_EQ(p.paper_width, 5953);
    EXPECT_EQ(p.paper_height, 4238);
    EXPECT_EQ(p.printable_width, 6037);
    EXPECT_EQ(p.printable_height, 4238);
    EXPECT_EQ(p.sheet_margin, 0);
    EXPECT_EQ(p.margin_free_margin, 42);
    EXPECT_EQ(p.media_handling, 0x80000401u);
    // ... and doubled at 720.
    p = job_params(state, settings_at(720), "P3", "ANSI_C_Paper_Tray", a4_bounds, 1);
    EXPECT_EQ(p.paper_width, 12240);
    EXPECT_EQ(p.paper_height, 15840);
    EXPECT_EQ(p.printable_width, 12072);
    EXPECT_EQ(p.printable_height, 15672);
    EXPECT_EQ(p.size_code, 261);
    EXPECT_EQ(p.source_code, 7);
    EXPECT_EQ(p.media_handling, 0x80000010u);

    // The roll finishing flag by source.
    const struct {
        const char* source;
        int finishing;
        uint32_t word;
    } words[] = {{"P0", 0, 0x80000000u},  {"P0", 7, 0x80000020u}, {"P1", 0, 0x80000401u},
                 {"P1", -1, 0x80000421u}, {"P2", 1, 0x80000010u}, {"P3", 0, 0x80000010u}};
    for (const auto& w : words) {
        p = job_params(state, settings_at(360), w.source, "", a4_bounds, w.finishing);
        EXPECT_EQ(p.media_handling, w.word) << w.source << ' ' << w.finishing;
    }
}

TEST(MediaJob, OtherVariantsAndResolutionsLeaveTheSheetZero) {
    Media_State state;
    Media_Device_Settings s = settings_at(360);
    s.device_id = 1;
    Spool_Job_Params p = job_params(state, s, "P0", "A4_Roll_Paper_Portrait");
    EXPECT_EQ(p.paper_width, 0);
    EXPECT_EQ(p.printable_height_2, 0);
    EXPECT_EQ(p.sheet_margin, 0);
    EXPECT_EQ(p.media_handling, 0u);
    EXPECT_EQ(p.source_code, 0);
    EXPECT_EQ(p.size_code, 0);
    EXPECT_EQ(p.media_code, 1);
    EXPECT_EQ(p.mode_column_5, 360);

    // An unknown resolution uses the 720 rows but sends no sheet.
    p = job_params(state, settings_at(600), "P1", "A4_Roll_Borderless_Portrait");
    EXPECT_EQ(state.print_mode_row, 1);
    EXPECT_EQ(p.paper_width, 0);
    EXPECT_EQ(p.printable_height, 0);
    EXPECT_EQ(p.margin_free_margin, 0);
    EXPECT_EQ(p.source_code, 256);
    EXPECT_EQ(p.size_code, 256);
    EXPECT_EQ(p.media_handling, 0x80000401u);
}

TEST(MediaJob, PrintModeRowsByInkSetMediaTypeAndColour) {
    Media_State state;
    Media_Device_Settings s = settings_at(360);
    s.cartrige_opt = 1;
    s.paper_kind_7c = 0;
    s.paper_kind_4c = 5; // ignored with the photo set
    s.paper.two_way = 0;
    read_color_output_flag(state, 4);
    Spool_Job_Params p = job_params(state, s, "P0", "");
    EXPECT_EQ(state.print_mode_row, 0);
    // Plain paper at 360 differs between the ink sets.
    EXPECT_EQ(p.mode_column_7, 360);
    EXPECT_EQ(p.pass_mode, 1);
    EXPECT_EQ(p.color_mode, 6);
    EXPECT_EQ(p.mode_column_3, 6);

    s.paper_kind_7c = 9;
    s.resolution = 720;
    p = job_params(state, s, "P0", "");
    EXPECT_EQ(state.print_mode_row, 19);
    EXPECT_EQ(p.media_code, 308);

    s.cartrige_opt = 0;
    s.resolution = 360;
    p = job_params(state, s, "P0", "");
    EXPECT_EQ(state.print_mode_row, 10);
    EXPECT_EQ(p.media_code, 274);
    EXPECT_EQ(p.pass_mode, 3);
    EXPECT_EQ(p.color_mode, 1);

    // Two-way printing sets bit 2 on top of column 9.
    s.paper.two_way = 1;
    p = job_params(state, s, "P0", "");
    EXPECT_EQ(p.pass_mode, 7);

    // A photo paper index with the high-speed set falls back to plain paper.
    s.paper_kind_4c = 9;
    p = job_params(state, s, "P0", "");
    EXPECT_EQ(state.print_mode_row, 0);
    EXPECT_EQ(p.media_code, 1);
    s.paper_kind_4c = -4;
    s.resolution = 720;
    p = job_params(state, s, "P0", "");
    EXPECT_EQ(state.print_mode_row, 1);
}

TEST(MediaJob, MonochromeMediaPointsIntoTheColourBlock) {
    for (int ink : {0, 1}) {
        SCOPED_TRACE(ink);
        Media_Device_Settings s = settings_at(720);
        s.cartrige_opt = ink;
        s.paper_kind_4c = 3;
        s.paper_kind_7c = 3;
        Media_State state;
        read_color_output_flag(state, -256);
        EXPECT_EQ(state.color_output, 0);
        const Spool_Job_Params p = job_params(state, s, "P0", "");
        EXPECT_EQ(state.print_mode_row, 7);

        const Ink_Set set = ink_set_from_option(ink);
        const Print_Mode_Row& grey = print_mode_row(print_mode_block(set, false), 7);
        const Print_Mode_Row& colour = print_mode_row(print_mode_block(set, true), 7);
        EXPECT_EQ(p.color_mode, 0);
        EXPECT_EQ(p.mode_column_3, grey.column[3]);
        EXPECT_EQ(p.media_code, grey.column[0]);

        auto media = garbage<Spool_Media>();
        fill_media(state, s, media);
        EXPECT_EQ(media.mode_columns, &colour.column[1]);
        EXPECT_EQ(media.mode_columns[3], ink == 0 ? 1 : 6); // column 4: colour mode
        EXPECT_EQ(media.mode_columns[10], 2);               // column 11
    }
}

TEST(MediaJob, ColourOutputFlagAndCopies) {
    Media_State state;
    for (int value : {4, 256}) {
        read_color_output_flag(state, value);
        EXPECT_EQ(state.color_output, 1) << value;
    }
    for (int value : {-256, -4, -2, 0, 2, 16, 65536}) {
        state.color_output = 1;
        read_color_output_flag(state, value);
        EXPECT_EQ(state.color_output, 0) << value;
    }
    read_copy_count(state, 3);
    EXPECT_EQ(state.copy_count, 3);
}

TEST(MediaJob, PrintModeRecord) {
    Media_Device_Settings s;
    s.paper = {.gamma = 2,
               .two_way = 1,
               .density = 50,
               .drying_time = 50,
               .feed_offset = -70,
               .suction = 3,
               .cutting = 2,
               .thickness = 16,
               .platen_gap = 4,
               .eject_roller = 2};
    auto mode = garbage<Spool_Print_Mode>();
    fill_print_mode(s, mode);
    EXPECT_EQ(at<uint16_t>(mode, 0), 2);
    EXPECT_EQ(at<uint16_t>(mode, 2), 0);
    EXPECT_EQ(at<int32_t>(mode, 4), 959);
    EXPECT_EQ(at<int32_t>(mode, 8), 1536);
    EXPECT_EQ(at<uint16_t>(mode, 12), uint16_t(-70));
    EXPECT_EQ(at<uint16_t>(mode, 14), 50);
    EXPECT_EQ(at<uint16_t>(mode, 16), 16);
    EXPECT_EQ(at<uint16_t>(mode, 18), 10);
    EXPECT_EQ(at<int32_t>(mode, 20), 2);
    EXPECT_EQ(at<uint16_t>(mode, 24), 0);
    EXPECT_EQ(at<uint16_t>(mode, 26), 4);
    EXPECT_EQ(at<uint16_t>(mode, 28), 2);
    EXPECT_EQ(at<uint16_t>(mode, 30), 0);

    // The 16-bit fields keep the low half of larger values.
    s.paper.feed_offset = 0x12345;
    fill_print_mode(s, mode);
    EXPECT_EQ(mode.feed_offset, 0x2345);
}

TEST(MediaJob, InkDensityAndSuction) {
    EXPECT_EQ(ink_density_factor(-50), 512);
    EXPECT_EQ(ink_density_factor(0), 1024);
    EXPECT_EQ(ink_density_factor(50), 1536);
    EXPECT_EQ(ink_density_factor(-1), 1013);
    EXPECT_EQ(ink_density_factor(-101), -10);
    // Values no dialog allows still convert without overflow.
    EXPECT_EQ(ink_density_factor(std::numeric_limits<int32_t>::max()),
              std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ink_density_factor(std::numeric_limits<int32_t>::min()),
              std::numeric_limits<int32_t>::min());

    const int expected[] = {100, 50, 30, 10, 6};
    Media_Device_Settings s;
    Spool_Print_Mode mode;
    for (int i = 0; i < 5; ++i) {
        s.paper.suction = i;
        fill_print_mode(s, mode);
        EXPECT_EQ(mode.suction, expected[i]) << i;
    }
    for (int i : {5, -1, 1000}) {
        s.paper.suction = i;
        mode = garbage<Spool_Print_Mode>();
        fill_print_mode(s, mode);
        EXPECT_EQ(mode.suction, 100) << i;
    }
}

TEST(MediaJob, OutOfRangeListPositionsInThePrintMode) {
    Media_Device_Settings s;
    s.paper.cutting = 4;
    s.paper.platen_gap = 5;
    s.paper.eject_roller = -1;
    auto mode = garbage<Spool_Print_Mode>();
    fill_print_mode(s, mode);
    EXPECT_EQ(mode.cut_method, 0);
    EXPECT_EQ(mode.platen_gap, 0);
    EXPECT_EQ(mode.eject_roller, 0);

    s.paper.cutting = 3;
    s.paper.platen_gap = 3;
    s.paper.eject_roller = 1;
    fill_print_mode(s, mode);
    EXPECT_EQ(mode.cut_method, 3);
    EXPECT_EQ(mode.platen_gap, 3);
    EXPECT_EQ(mode.eject_roller, 1);
}

TEST(MediaJob, OutOfRangeMediaSizeAndSource) {
    Media_State state;
    read_color_output_flag(state, 256);
    // A row past the manual feed table (left from the roll table) is the
    // user-defined row, sized from the host's bounds.
    state.media_source = media_source_manual_feed;
    state.media_size = 11;
    auto p = garbage<Spool_Job_Params>();
    fill_job_params(state, settings_at(360), a4_bounds, 0, p);
    EXPECT_EQ(p.printable_width, 2976);
    EXPECT_EQ(p.paper_height, 4293);
    EXPECT_EQ(p.size_code, 256);
    EXPECT_EQ(p.source_code, 4);

    // An impossible source is roll paper.
    state.media_source = -3;
    state.media_size = 3;
    fill_job_params(state, settings_at(360), a4_bounds, 0, p);
    EXPECT_EQ(p.source_code, 530);
    EXPECT_EQ(p.size_code, 8);
    EXPECT_EQ(p.paper_width, 4209);
    EXPECT_EQ(p.media_handling, 0x80000000u);

    // Bounds no sheet can have do not overflow the fields.
    state.media_source = media_source_roll;
    state.media_size = 12;
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    fill_job_params(state, settings_at(720), Media_Bounds{-inf, inf, nan, 0.0f}, 0, p);
    EXPECT_EQ(p.printable_width, 1 << 30);
    EXPECT_EQ(p.paper_width, (1 << 30) + 168);
    EXPECT_EQ(p.printable_height, 0);
    fill_job_params(state, settings_at(360), Media_Bounds{0.0f, 3e38f, 100.0f, -3e38f}, 0, p);
    EXPECT_EQ(p.printable_width, 1 << 30);
    EXPECT_EQ(p.printable_height, -(1 << 30));
}

TEST(MediaJob, MediaRecordLayout) {
    Media_Device_Settings s = settings_at(360);
    s.cartrige_opt = 1;
    s.paper_kind_7c = 10;
    Media_State state;
    read_color_output_flag(state, 256);
    job_params(state, s, "P0", "");
    auto media = garbage<Spool_Media>();
    fill_media(state, s, media);

    EXPECT_EQ(at<uint16_t>(media, 0), 1);
    EXPECT_EQ(at<uint16_t>(media, 2), 0);
    EXPECT_EQ(at<const int32_t*>(media, offsetof(Spool_Media, mode_columns)), media.mode_columns);
    EXPECT_EQ(at<uint32_t>(media, offsetof(Spool_Media, fixed_8)), 1u);
    for (std::size_t off = offsetof(Spool_Media, fixed_12); off < sizeof media; off += 4)
        EXPECT_EQ(at<uint32_t>(media, off), 0u) << off;

    // Columns 1 to 17 of row 34 of the photo colour block, one after another.
    const Print_Mode_Row& row = print_mode_table()[14 + 20];
    for (int c = 1; c < print_mode_columns; ++c)
        EXPECT_EQ(media.mode_columns[c - 1], row.column[c]) << c;
    EXPECT_EQ(media.mode_columns[-1], 309); // column 0, just before
}

TEST(MediaJob, ModulesRecordLayout) {
    Media_Device_Settings s;
    s.module_directory = "/opt/plot/bin/drv/";
    auto modules = garbage<Spool_Modules>();
    fill_modules(s, dummy_output, modules);
    EXPECT_STREQ(modules.path_mod4, "/opt/plot/bin/drv/V_MOD4.DLL");
    EXPECT_STREQ(modules.path_mod3, "/opt/plot/bin/drv/V_MOD3.DLL");
    ASSERT_NE(modules.module_list, nullptr);
    EXPECT_STREQ(modules.module_list[0], "/opt/plot/bin/drv/V_MOD1.DLL");
    EXPECT_EQ(modules.module_list[1], nullptr);
    EXPECT_EQ(modules.fixed_12, 1u);
    EXPECT_EQ(modules.output, &dummy_output);
    EXPECT_EQ(modules.fixed_20, 0u);
    EXPECT_EQ(at<uint32_t>(modules, offsetof(Spool_Modules, fixed_12)), 1u);
    // Bytes after the 32-bit fields (padding on 64-bit) are clear too.
    for (std::size_t off = offsetof(Spool_Modules, fixed_12) + 4;
         off < offsetof(Spool_Modules, output); ++off)
        EXPECT_EQ(at<uint8_t>(modules, off), 0) << off;

    // The photo set names V_MOD2.DLL; a long folder is not cut short.
    const std::string long_dir = std::string(3000, 'd') + "/";
    s.module_directory = long_dir;
    s.cartrige_opt = 1;
    fill_modules(s, nullptr, modules);
    EXPECT_EQ(std::string(modules.module_list[0]), long_dir + "V_MOD2.DLL");
    EXPECT_EQ(std::string(modules.path_mod4), long_dir + "V_MOD4.DLL");
    EXPECT_EQ(modules.output, nullptr);
}

TEST(MediaJob, PageParamsLayout) {
    Media_Device_Settings s;
    Media_State state;
    read_color_output_flag(state, 256);

    const struct {
        int correction;
        int gamma;
        uint32_t color_mode;
        uint32_t gamma_value;
    } cases[] = {{0, 0, 0, 150}, {1, 1, 2, 180}, {1, 2, 2, 220}, {2, 3, 0, 180}, {-1, -1, 0, 180}};
    for (const auto& c : cases) {
        s.color_correct_mode = c.correction;
        s.paper.gamma = c.gamma;
        auto page = garbage<Spool_Page_Params>();
        fill_page_params(state, s, page);
        EXPECT_EQ(at<uint16_t>(page, 0), 1);
        EXPECT_EQ(at<uint32_t>(page, 4), c.color_mode) << c.correction;
        EXPECT_EQ(at<uint32_t>(page, 12), 1u);
        EXPECT_EQ(at<uint32_t>(page, 40), c.gamma_value) << c.gamma;
        for (std::size_t off :
             {2u, 3u, 8u, 9u, 10u, 11u, 16u, 20u, 24u, 28u, 32u, 36u, 44u, 48u, 52u})
            EXPECT_EQ(at<uint8_t>(page, off), 0) << off;
    }

    // Grey output ignores the colour correction.
    read_color_output_flag(state, -4);
    s.color_correct_mode = 1;
    s.cartrige_opt = 1;
    state.print_mode_row = 21;
    Spool_Page_Params page = garbage<Spool_Page_Params>();
    fill_page_params(state, s, page);
    EXPECT_EQ(page.color_mode, 0u);
}

TEST(MediaJob, JobParamsClearsItsStorage) {
    // Every byte the fill does not give a value is zero, padding included.
    Media_State state;
    Media_Device_Settings s = settings_at(360);
    s.device_id = 5;
    const Spool_Job_Params p = job_params(state, s, "P0", "");
    const std::size_t zero_from[] = {offsetof(Spool_Job_Params, reserved_2),
                                     offsetof(Spool_Job_Params, reserved_94)};
    for (std::size_t off : zero_from)
        EXPECT_EQ(at<uint16_t>(p, off), 0) << off;
    for (std::size_t off = offsetof(Spool_Job_Params, paper_width);
         off < offsetof(Spool_Job_Params, media_code); off += 4)
        EXPECT_EQ(at<uint32_t>(p, off), 0u) << off;
    for (std::size_t off = offsetof(Spool_Job_Params, margin_free); off < sizeof p; ++off)
        EXPECT_EQ(at<uint8_t>(p, off), 0) << off;
}

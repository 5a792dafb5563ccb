// Colour systems and the palette: what the device installs, the process-wide
// RGB table band output prints from, grey pictures, and the indices colour
// substitution works with.
#include "driver_host.h"

#include "ht_palette.h"
#include "raster_errors.h"
#include "raster_palette.h"
#include "raster_substitution.h"

namespace {

using namespace raster_render;
using Palette = Driver_Host;

constexpr std::uint32_t opaque(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return host_color(r, g, b, 255);
}

// The table as spd_initialize_palette leaves it for an indexed device.
Palette_Rgb_Table indexed_table(std::uint32_t background) {
    HT_Palette palette;
    write_background_entry(palette, background);
    for (int k = 0; k < 216; ++k) {
        const int levels[6] = {0, 51, 102, 153, 204, 255};
        palette.set_entry(static_cast<std::size_t>(1 + k),
                          opaque(levels[k / 36], levels[k / 6 % 6], levels[k % 6]));
    }
    write_grey_ramp(palette);
    Palette_Rgb_Table table{};
    copy_palette_to_table(palette, table);
    return table;
}

int last_row_of(const Palette_Rgb_Table& t, Palette_Rgb rgb) {
    int found = -1;
    for (int i = 0; i < 256; ++i)
        if (t[static_cast<std::size_t>(i)] == rgb)
            found = i;
    return found;
}

RASTER_Color_Substitution conversion(int slot, std::uint8_t const (&compare)[3],
                                     std::uint8_t const (&swap)[3]) {
    RASTER_Color_Substitution s;
    s.m_change_color = 1;
    s.m_convert_color[slot] = 1;
    for (int k = 0; k < 3; ++k) {
        s.m_compare_rgb[slot][k] = compare[k];
        s.m_swap_rgb[slot][k] = swap[k];
    }
    return s;
}

} // namespace

TEST_F(Palette, TheIndexedPaletteHasBackgroundCubeAndGreyRamp) {
    set("RASTER_RGB_Back_Color", "16777215");
    configure();
    const HT_Palette& p = device().m_palette;
    EXPECT_EQ(device().m_color_system, color_system_indexed);
    EXPECT_EQ(p.get_entry(0), 0xFFFFFFFFu);
    EXPECT_EQ(p.get_entry(1), opaque(0, 0, 0));         // the cube starts at index 1
    EXPECT_EQ(p.get_entry(216), opaque(255, 255, 255)); // and ends at 216
    EXPECT_EQ(p.get_entry(217), opaque(0, 0, 0));
    EXPECT_EQ(p.get_entry(218), opaque(7, 7, 7));
    EXPECT_EQ(p.get_entry(253), opaque(252, 252, 252));
    EXPECT_EQ(p.get_entry(254), opaque(255, 255, 255));
    EXPECT_EQ(p.get_entry(255), opaque(255, 255, 255));
    for (std::size_t i = 0; i < 256; ++i)
        EXPECT_EQ(palette_rgb_table()[i], rgb_of_host(p.get_entry(i))) << i;
    EXPECT_TRUE(device().renderer_options().has_palette());
    EXPECT_EQ(device().renderer_options().palette().entries(), p.entries());
}

TEST_F(Palette, TrueColourAndBitonalLeaveTheTableAsItWas) {
    for (Rcm_Entry entry : {rcm_360_true_color, rcm_360_mono}) {
        palette_rgb_table().fill({1, 2, 3});
        set("res-color-mem", std::to_string(entry));
        set("RASTER_RGB_Back_Color", std::to_string(0x0000FF));
        configure();
        for (const Palette_Rgb& row : palette_rgb_table())
            ASSERT_EQ(row, (Palette_Rgb{1, 2, 3}));
    }
    // The bitonal palette: background and grey ramp, handed to the renderer.
    EXPECT_EQ(device().m_palette.get_entry(0), opaque(255, 0, 0));
    EXPECT_EQ(device().m_palette.get_entry(253), opaque(252, 252, 252));
    EXPECT_TRUE(device().renderer_options().has_palette());
    EXPECT_TRUE(device().actions().draw_dci_bitonal_image.usable());
}

TEST_F(Palette, AnUnknownColourSystemIsRefused) {
    definition()
        .get_plotter_configuration()
        ->get_res_color_mem_configuration()
        ->get_current()
        ->color_system = 5;
    const Caught e = error_of([&] { configure(); });
    EXPECT_TRUE(e.severe());
    EXPECT_EQ(e.code(), 102);
    EXPECT_EQ(e.operation(), "raster_plotter_draw_dci_dot");
    EXPECT_EQ(e.detail(), "Invalid color system or palette depth");
    EXPECT_EQ(e.unit(), "raster");
}

TEST(Palette_Picture, GreyPicturesPrintGreyButKeepTheirColourSpace) {
    HT_Palette palette;
    palette.set_entry(5, opaque(255, 0, 0));
    palette.set_entry(6, opaque(10, 10, 10));
    Palette_Rgb_Table table{};
    copy_palette_to_table(palette, table);
    Grey_Flags flags{0, 1};
    Color_Space_Entries entries{};
    RASTER_Color_Substitution none;
    prepare_indexed_picture(palette, -256, none, table, flags, entries);
    EXPECT_EQ(table[5], (Palette_Rgb{76, 76, 76}));
    EXPECT_EQ(table[6], (Palette_Rgb{10, 10, 10}));
    EXPECT_EQ(entries[5].red, 255);
    EXPECT_EQ(entries[5].green, 0);
    EXPECT_EQ(entries[5].alpha, 255);
    EXPECT_EQ(flags.indexed, 1);
    EXPECT_EQ(flags.true_color, 0);

    EXPECT_EQ(grey_level(0, 0, 255), 28);
    EXPECT_EQ(grey_level(-1000, 0, 0), 0);
    EXPECT_EQ(grey_level(1000, 1000, 1000), 255);
}

TEST(Palette_Picture, EveryPictureStartsFromThePaletteAndGreysWhatSubstitutionMade) {
    HT_Palette palette;
    palette.set_entry(9, opaque(255, 0, 0));
    palette.set_entry(10, opaque(0, 0, 255));
    for (const std::int32_t count : {256, -256}) {
        Palette_Rgb_Table table{};
        table[9] = {1, 2, 3}; // what an earlier picture's substitution wrote
        table[10] = {7, 7, 7};
        Grey_Flags flags{1, 1};
        Color_Space_Entries entries{};
        // Red is replaced by a colour in no palette entry: its row prints it.
        auto s = conversion(1, {255, 0, 0}, {90, 20, 200});
        prepare_indexed_picture(palette, count, s, table, flags, entries);
        EXPECT_EQ(s.m_compare_index[1], 9) << count;
        EXPECT_EQ(s.m_swap_index[1], 9) << count;
        const Palette_Rgb replaced = count < 0 ? Palette_Rgb{60, 60, 60} : Palette_Rgb{90, 20, 200};
        EXPECT_EQ(table[9], replaced) << count;
        const Palette_Rgb blue = count < 0 ? Palette_Rgb{28, 28, 28} : Palette_Rgb{0, 0, 255};
        EXPECT_EQ(table[10], blue) << count;
        // The colour space holds the palette's colours.
        EXPECT_EQ(entries[9].red, 255) << count;
        EXPECT_EQ(entries[9].blue, 0) << count;
        EXPECT_EQ(flags.indexed, count < 0 ? 1 : 0);
        EXPECT_EQ(flags.true_color, 0);

        // The next picture finds the same.
        const Palette_Rgb_Table first = table;
        prepare_indexed_picture(palette, count, s, table, flags, entries);
        EXPECT_EQ(table, first) << count;
        EXPECT_EQ(s.m_compare_index[1], 9) << count;
    }
}

TEST(Substitution_Indices, ConvertToBlackTakesTheFirstBlackRow) {
    RASTER_Color_Substitution s;
    s.m_change_color = 1;
    s.m_draw_to_black = 1;
    Palette_Rgb_Table white = indexed_table(0xFFFFFF);
    prepare_substitution_indices(s, color_system_indexed, white);
    EXPECT_EQ(s.m_black_index, 1);
    Palette_Rgb_Table black = indexed_table(0);
    prepare_substitution_indices(s, color_system_indexed, black);
    EXPECT_EQ(s.m_black_index, 0);
    Palette_Rgb_Table none{};
    none.fill({9, 9, 9});
    prepare_substitution_indices(s, color_system_indexed, none);
    EXPECT_EQ(s.m_black_index, 1);
}

TEST(Substitution_Indices, ColoursInThePaletteAreFoundAtTheirLastRow) {
    Palette_Rgb_Table table = indexed_table(0xFFFFFF);
    const Palette_Rgb_Table before = table;
    auto s = conversion(0, {255, 0, 0}, {0, 255, 0});
    prepare_substitution_indices(s, color_system_indexed, table);
    EXPECT_EQ(s.m_compare_index[0], last_row_of(before, {255, 0, 0}));
    EXPECT_EQ(s.m_swap_index[0], last_row_of(before, {0, 255, 0}));
    EXPECT_EQ(s.m_compare_index[1], -1);
    EXPECT_EQ(table, before);

    // White is found at its last row too: the end of the grey ramp.
    auto w = conversion(2, {255, 255, 255}, {0, 0, 0});
    prepare_substitution_indices(w, color_system_indexed, table);
    EXPECT_EQ(w.m_compare_index[2], 255);

    // Other colour systems keep no indices.
    prepare_substitution_indices(s, color_system_true_color, table);
    EXPECT_EQ(s.m_compare_index[0], -1);
}

TEST(Substitution_Indices, AReplacementNotInThePaletteIsWrittenOverTheComparisonRow) {
    Palette_Rgb_Table table = indexed_table(0xFFFFFF);
    auto s = conversion(0, {255, 0, 0}, {1, 2, 3});
    prepare_substitution_indices(s, color_system_indexed, table);
    const int red = s.m_compare_index[0];
    ASSERT_GE(red, 0);
    EXPECT_EQ(s.m_swap_index[0], red);
    EXPECT_EQ(table[static_cast<std::size_t>(red)], (Palette_Rgb{1, 2, 3}));

    // The next picture no longer finds red there, and the row stays.
    prepare_substitution_indices(s, color_system_indexed, table);
    EXPECT_EQ(s.m_compare_index[0], -1);
    EXPECT_EQ(table[static_cast<std::size_t>(red)], (Palette_Rgb{1, 2, 3}));
}

TEST_F(Palette, AReplacedColourPrintsInItsReplacementDotsIncluded) {
    set("RASTER_RGB_Back_Color", "16777215");
    set("RASTER_ChangeColor", "true");
    set("RASTER_ConvertColor1", "true");
    set("RASTER_RGB_Compare1_IndexColor", std::to_string(0x0000FF)); // red
    set("RASTER_RGB_Swap1_IndexColor", std::to_string(0x030201));    // (1, 2, 3)
    small_page(8, 4);
    print([&](RASTER_Driver& d) {
        EXPECT_EQ(d.m_swap_index[0], d.m_compare_index[0]);
        index_dot(2, 2, d.m_compare_index[0]);
    });
    EXPECT_EQ(decode(output()).rgb(2, 2), 0x010203u);
}

// Colour substitution as images meet it: convert-to-black on white and on
// black paper, conversions in indexed and true-colour images, replacements
// that are in no palette row, and what later pictures inherit.
#include "test_images_support.h"

#include <vector>

namespace {

using namespace image_test;
using Substitution = Driver_Host;

// One row of an indexed image from host column x on host row y.
void index_row(RASTER_Driver& d, int x, int y, const std::vector<std::uint8_t>& pixels) {
    const HT_Rendition rendition;
    const HT_DCI_Point start{x, y, 0}, end{x + static_cast<int>(pixels.size()) - 1, y, 0};
    const auto& a = d.actions().draw_dci_index8_image;
    ASSERT_TRUE(a.usable());
    a.action(a.device, &rendition, &start, &end, static_cast<int>(pixels.size()), pixels.data());
}

// One row of host colours.
void colour_row(RASTER_Driver& d, int x, int y, const std::vector<std::uint32_t>& pixels) {
    const HT_Rendition rendition;
    const HT_DCI_Point start{x, y, 0}, end{x + static_cast<int>(pixels.size()) - 1, y, 0};
    const auto& a = d.actions().draw_dci_rgb32_image;
    ASSERT_TRUE(a.usable());
    a.action(a.device, &rendition, &start, &end, 4 * static_cast<int>(pixels.size()),
             pixels.data());
}

// The page-image row of host row y from host column x, `count` pixels.
std::vector<std::uint32_t> page_row(const RASTER_Driver& d, int x, int y, int count) {
    std::vector<std::uint32_t> out;
    for (int k = 0; k < count; ++k)
        out.push_back(d.m_image->pixel(x + k + d.m_pad_x, d.m_last_row - y));
    return out;
}

std::vector<std::uint32_t> printed_row(const Printed_Stream& p, int x, int y, int count,
                                       int page_rows) {
    std::vector<std::uint32_t> out;
    for (int k = 0; k < count; ++k)
        out.push_back(p.rgb(x + k, page_rows - y));
    return out;
}

} // namespace

TEST_F(Substitution, ConvertToBlackGivesImagePixelsTheFirstBlackRowAndLeavesDots) {
    set("RASTER_ChangeColor", "true");
    set("RASTER_Draw2Black", "true");
    small_page(20, 10);
    const auto r = static_cast<std::uint8_t>(cube_index(red));
    // On white paper row 0 is white and the cube's black (row 1) comes first;
    // on black paper row 0 is black, so image pixels become the background.
    for (const auto& [background, black_index] : {std::pair{0xFFFFFFu, 1u}, {0u, 0u}}) {
        set("RASTER_RGB_Back_Color", std::to_string(background));
        establish();
        begin();
        RASTER_Driver& d = device();
        EXPECT_EQ(d.m_black_index, static_cast<std::int32_t>(black_index));
        index_row(d, 2, 3, {0, 5, r, 255});
        index_dot(8, 3, r);
        EXPECT_EQ(page_row(d, 2, 3, 7),
                  (std::vector<std::uint32_t>{0, black_index, black_index, black_index, 0, 0, r}))
            << background;
        m_progress->cancel_when = [](int) { return true; };
        end();
        m_progress->cancel_when = nullptr;
    }
}

TEST_F(Substitution, RedToGreenWithBothInThePaletteTakesGreensIndex) {
    set("RASTER_RGB_Back_Color", "16777215");
    set("RASTER_ChangeColor", "true");
    set("RASTER_ConvertColor1", "true");
    set("RASTER_RGB_Compare1_IndexColor", std::to_string(0x0000FF)); // red
    set("RASTER_RGB_Swap1_IndexColor", std::to_string(0x00FF00));    // green
    small_page(20, 10);
    const auto r = static_cast<std::uint8_t>(cube_index(red));
    const auto g = static_cast<std::uint8_t>(cube_index(green));
    const auto b = static_cast<std::uint8_t>(cube_index(blue));
    print([&](RASTER_Driver& d) {
        EXPECT_EQ(d.m_compare_index[0], r);
        EXPECT_EQ(d.m_swap_index[0], g);
        const raster_render::Palette_Rgb_Table before = raster_render::palette_rgb_table();
        index_row(d, 2, 3, {r, g, b, r});
        EXPECT_EQ(page_row(d, 2, 3, 4), (std::vector<std::uint32_t>{g, g, b, g}));
        EXPECT_EQ(raster_render::palette_rgb_table(), before);
    });
    EXPECT_EQ(printed_row(decode(output()), 2, 3, 4, 10),
              (std::vector<std::uint32_t>{0x00FF00, 0x00FF00, 0x0000FF, 0x00FF00}));
}

TEST_F(Substitution, AReplacementInNoRowKeepsTheIndexAndLastsIntoLaterPictures) {
    set("RASTER_RGB_Back_Color", "16777215");
    set("RASTER_ChangeColor", "true");
    set("RASTER_ConvertColor1", "true");
    set("RASTER_RGB_Compare1_IndexColor", std::to_string(0x0000FF)); // red
    set("RASTER_RGB_Swap1_IndexColor", std::to_string(0x030201));    // (1, 2, 3)
    small_page(20, 10);
    const auto r = static_cast<std::uint8_t>(cube_index(red));
    const auto b = static_cast<std::uint8_t>(cube_index(blue));
    establish();
    // The first picture writes the replacement into red's row; the second no
    // longer finds red, and its red pixels still print in the replacement.
    for (int picture = 0; picture < 2; ++picture) {
        begin();
        RASTER_Driver& d = device();
        EXPECT_EQ(d.m_compare_index[0], picture == 0 ? r : -1);
        index_row(d, 2, 3, {r, b});
        EXPECT_EQ(page_row(d, 2, 3, 2), (std::vector<std::uint32_t>{r, b})) << picture;
        end();
        EXPECT_EQ(printed_row(decode(output()), 2, 3, 2, 10),
                  (std::vector<std::uint32_t>{0x010203, 0x0000FF}))
            << picture;
    }
}

TEST_F(Substitution, TwoConversionsOfOneColourIndexedTakesTheLastTrueColourTheFirst) {
    set("RASTER_RGB_Back_Color", "16777215");
    set("RASTER_ChangeColor", "true");
    for (const char* n : {"1", "2"}) {
        set(std::string("RASTER_ConvertColor") + n, "true");
        set(std::string("RASTER_RGB_Compare") + n + "_IndexColor", std::to_string(0x0000FF));
    }
    set("RASTER_RGB_Swap1_IndexColor", std::to_string(0x00FF00)); // green
    set("RASTER_RGB_Swap2_IndexColor", std::to_string(0xFF0000)); // blue
    small_page(20, 10);

    set("res-color-mem", std::to_string(rcm_360_indexed));
    print([&](RASTER_Driver& d) {
        const auto r = static_cast<std::uint8_t>(cube_index(red));
        index_row(d, 2, 3, {r, 0});
        EXPECT_EQ(page_row(d, 2, 3, 2),
                  (std::vector<std::uint32_t>{static_cast<std::uint32_t>(cube_index(blue)), 0}));
    });
    EXPECT_EQ(decode(output()).rgb(2, 7), 0x0000FFu);

    set("res-color-mem", std::to_string(rcm_360_true_color));
    print([&](RASTER_Driver& d) {
        colour_row(d, 2, 3, {red, 0x40FF0000u, 0xFFFE0000u});
        EXPECT_EQ(page_row(d, 2, 3, 3),
                  (std::vector<std::uint32_t>{page_rgba(green), page_rgba(0x4000FF00u),
                                              page_rgba(0xFFFE0000u)}));
    });
    EXPECT_EQ(decode(output()).rgb(2, 7), 0x00FF00u);
}

TEST_F(Substitution, WhiteAsReplacementPrintsBlack) {
    set("RASTER_RGB_Back_Color", "16777215");
    set("RASTER_ChangeColor", "true");
    set("RASTER_ConvertColor3", "true");
    set("RASTER_RGB_Compare3_IndexColor", std::to_string(0x0000FF)); // red
    set("RASTER_RGB_Swap3_IndexColor", std::to_string(0xFFFFFF));
    small_page(20, 10);

    print([&](RASTER_Driver& d) {
        // Black's last row is the start of the grey ramp.
        EXPECT_EQ(d.m_swap_index[2], 217);
        index_row(d, 2, 3, {static_cast<std::uint8_t>(cube_index(red))});
        EXPECT_EQ(page_row(d, 2, 3, 1), (std::vector<std::uint32_t>{217}));
    });
    EXPECT_EQ(decode(output()).rgb(2, 7), 0u);

    set("res-color-mem", std::to_string(rcm_360_true_color));
    print([&](RASTER_Driver& d) { colour_row(d, 2, 3, {red}); });
    EXPECT_EQ(decode(output()).rgb(2, 7), 0u);
}

TEST_F(Substitution, TrueColourConvertToBlackPrintsAWhiteImageBlack) {
    set("res-color-mem", std::to_string(rcm_360_true_color));
    set("RASTER_RGB_Back_Color", "16777215");
    set("RASTER_ChangeColor", "true");
    set("RASTER_Draw2Black", "true");
    small_page(20, 10);
    print([&](RASTER_Driver& d) {
        colour_row(d, 2, 3, {white, 0x80FFFFFFu, blue});
        EXPECT_EQ(page_row(d, 2, 3, 3),
                  (std::vector<std::uint32_t>{0xFF000000u, 0x80000000u, 0xFF000000u}));
    });
    EXPECT_EQ(printed_row(decode(output()), 2, 3, 4, 10),
              (std::vector<std::uint32_t>{0, 0, 0, 0xFFFFFF}));
}

TEST_F(Substitution, AskingWithNothingToDoStoresIndexedRowsAsTheyAre) {
    set("RASTER_RGB_Back_Color", "16777215");
    set("RASTER_ChangeColor", "true");
    set("RASTER_Draw2Black", "false");
    for (const char* n : {"1", "2", "3"})
        set(std::string("RASTER_ConvertColor") + n, "false");
    set("RASTER_RGB_Compare2_IndexColor", std::to_string(0x0000FF));
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    EXPECT_EQ(d.m_change_color, 0);
    const auto r = static_cast<std::uint8_t>(cube_index(red));
    index_row(d, 2, 3, {r, 5});
    EXPECT_EQ(page_row(d, 2, 3, 2), (std::vector<std::uint32_t>{r, 5}));
}

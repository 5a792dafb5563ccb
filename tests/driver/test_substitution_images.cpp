// Colour substitution as images meet it: convert-to-black on white and on
// black paper, conversions in indexed and true-colour images, replacements
// in no palette row, grey output, and later pictures printing alike.
#include "test_images_support.h"

#include "raster_palette.h"

using namespace image_test;

class Substitution : public Driver_Host {
protected:
    // A conversion of red, 1 to 3, to a Windows colour value.
    void convert_red(int n, std::uint32_t to) {
        const std::string i = std::to_string(n);
        set("RASTER_ChangeColor", "true");
        set("RASTER_ConvertColor" + i, "true");
        set("RASTER_RGB_Compare" + i + "_IndexColor", std::to_string(0x0000FF));
        set("RASTER_RGB_Swap" + i + "_IndexColor", std::to_string(to));
    }
    // One row of pixels at host row 3 from column 2; what the page image
    // then holds there, and what prints there once the page is printed.
    template <class Pixel>
    std::vector<std::uint32_t> page_row(const std::vector<Pixel>& pixels, int count) {
        RASTER_Driver& d = device();
        const int n = static_cast<int>(pixels.size());
        draw_rows(d, {2, 3, 0}, {1 + n, 3, 0}, n * static_cast<int>(sizeof(Pixel)), pixels);
        std::vector<std::uint32_t> out;
        for (int k = 0; k < count; ++k)
            out.push_back(d.m_image->pixel(2 + k + d.m_pad_x, d.m_last_row - 3));
        return out;
    }
    std::vector<std::uint32_t> printed_row(int count) {
        const Printed_Stream p = decode(output());
        std::vector<std::uint32_t> out;
        for (int k = 0; k < count; ++k)
            out.push_back(p.rgb(2 + k, 10 - 3));
        return out;
    }
    void SetUp() override {
        Driver_Host::SetUp();
        set("RASTER_RGB_Back_Color", "16777215");
        small_page(20, 10);
    }
};

using Row = std::vector<std::uint32_t>;
using Indices = std::vector<std::uint8_t>;

TEST_F(Substitution, ConvertToBlackGivesIndexedImagesTheFirstBlackRowAndLeavesDots) {
    set("RASTER_ChangeColor", "true");
    set("RASTER_Draw2Black", "true");
    const std::uint8_t r = cube_index(red);
    // On white paper the cube's black (row 1) is the first black row; on
    // black paper row 0 is, so image pixels become the background.
    for (const auto& [background, black_index] : {std::pair{0xFFFFFFu, 1u}, {0u, 0u}}) {
        set("RASTER_RGB_Back_Color", std::to_string(background));
        establish();
        begin();
        index_dot(6, 3, r);
        EXPECT_EQ(page_row(Indices{0, 5, r, 255}, 5),
                  (Row{0, black_index, black_index, black_index, r}))
            << background;
        m_progress->cancel_when = [](int) { return true; };
        end();
        m_progress->cancel_when = nullptr;
    }
}

TEST_F(Substitution, RedToGreenWithBothInThePaletteTakesGreensIndex) {
    convert_red(1, 0x00FF00);
    const std::uint8_t r = cube_index(red), g = cube_index(green), b = cube_index(blue);
    print([&](RASTER_Driver&) {
        const raster_render::Palette_Rgb_Table before = raster_render::palette_rgb_table();
        EXPECT_EQ(page_row(Indices{r, g, b}, 3), (Row{g, g, b}));
        EXPECT_EQ(raster_render::palette_rgb_table(), before);
    });
    EXPECT_EQ(printed_row(3), (Row{0x00FF00, 0x00FF00, 0x0000FF}));
}

TEST_F(Substitution, AReplacementInNoRowKeepsTheIndexInEveryPicture) {
    convert_red(1, 0x030201); // (1, 2, 3)
    const std::uint8_t r = cube_index(red);
    establish();
    // Each picture finds red in its palette and writes the replacement into
    // red's row, whatever the picture before it wrote.
    for (int picture = 0; picture < 3; ++picture) {
        begin();
        EXPECT_EQ(device().m_compare_index[0], r);
        EXPECT_EQ(device().m_swap_index[0], r);
        EXPECT_EQ(page_row(Indices{r}, 1), (Row{r}));
        end();
        EXPECT_EQ(printed_row(1), (Row{0x010203})) << picture;
    }
}

TEST_F(Substitution, GreyPicturesPrintTheReplacementInGreyEveryTime) {
    // Red to a colour of no palette entry, (200, 20, 90), and red to green,
    // which has one: both print as their grey, picture after picture.
    const std::uint8_t r = cube_index(red), b = cube_index(blue);
    for (const auto& [to, grey] : {std::pair{0x5A14C8u, 81u}, {0x00FF00u, 150u}}) {
        convert_red(1, to);
        set("res-color-mem", std::to_string(rcm_360_grey));
        establish();
        for (int picture = 0; picture < 3; ++picture) {
            begin();
            page_row(Indices{r, b}, 2);
            end();
            EXPECT_EQ(printed_row(2), (Row{grey * 0x010101u, 28 * 0x010101u}))
                << std::hex << to << " picture " << picture;
        }
    }
}

TEST_F(Substitution, TwoConversionsOfOneColourIndexedTakesTheLastTrueColourTheFirst) {
    convert_red(1, 0x00FF00); // green
    convert_red(2, 0xFF0000); // blue
    print([&](RASTER_Driver&) { page_row(Indices{cube_index(red)}, 1); });
    EXPECT_EQ(printed_row(1), (Row{0x0000FF}));

    set("res-color-mem", std::to_string(rcm_360_true_color));
    print([&](RASTER_Driver&) {
        // Alpha stays; a colour one step off red is no red.
        EXPECT_EQ(page_row(Row{red, 0x40FF0000u, 0xFFFE0000u}, 3),
                  (Row{page_rgba(green), page_rgba(0x4000FF00u), page_rgba(0xFFFE0000u)}));
    });
    EXPECT_EQ(printed_row(1), (Row{0x00FF00}));
}

TEST_F(Substitution, WhiteAsReplacementPrintsBlack) {
    convert_red(3, 0xFFFFFF);
    print([&](RASTER_Driver& d) {
        // Black's last row starts the grey ramp.
        EXPECT_EQ(d.m_swap_index[2], 217);
        EXPECT_EQ(page_row(Indices{cube_index(red)}, 1), (Row{217}));
    });
    EXPECT_EQ(printed_row(1), (Row{0}));

    set("res-color-mem", std::to_string(rcm_360_true_color));
    print([&](RASTER_Driver&) { page_row(Row{red}, 1); });
    EXPECT_EQ(printed_row(1), (Row{0}));
}

TEST_F(Substitution, TrueColourConvertToBlackPrintsAWhiteImageBlack) {
    set("res-color-mem", std::to_string(rcm_360_true_color));
    set("RASTER_ChangeColor", "true");
    set("RASTER_Draw2Black", "true");
    print([&](RASTER_Driver&) {
        EXPECT_EQ(page_row(Row{white, 0x80FFFFFFu, blue}, 3),
                  (Row{0xFF000000u, 0x80000000u, 0xFF000000u}));
    });
    EXPECT_EQ(printed_row(4), (Row{0, 0, 0, 0xFFFFFF}));
}

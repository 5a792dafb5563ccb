// Images from drawing to paper: a page with a row image, a shared image and
// a dot in each colour system, drawn through the host's renderer, printed
// through the spool module and decoded dot by dot.
#include "test_images_support.h"

#include "ht_draw.h"

#include <map>
#include <vector>

namespace {

using namespace image_test;
using Printed_Images = Driver_Host;

constexpr int page_width = 40, page_rows = 20;

// Printed colours (0xRRGGBB) by (column, row) of everything that is not
// white paper.
using Printed_Map = std::map<std::pair<int, int>, std::uint32_t>;

Printed_Map printed_page(const Printed_Stream& p) {
    Printed_Map out;
    for (int r = 0; r < page_rows; ++r)
        for (int c = 0; c < page_width; ++c)
            if (const std::uint32_t rgb = p.rgb(c, r); rgb != 0xFFFFFF)
                out[{c, r}] = rgb;
    return out;
}

// Where host (x, y) is printed.
std::pair<int, int> paper(int x, int y) {
    return {x, page_rows - y};
}

const std::uint32_t row_colours[3][4] = {
    {red, green, blue, black}, {green, blue, black, red}, {blue, black, red, green}};

// The shared image: 5 × 4, transparent in its top-right corner.
std::uint32_t shared_colour(int k, int t) {
    if (k == 4 && t == 0)
        return clear;
    const std::uint32_t colours[] = {black, red, green, blue};
    return colours[(k + 2 * t) % 4];
}

HT_Smart_Pointer<HT_Memory_Image> shared_image() {
    std::vector<std::uint32_t> pixels;
    for (int t = 0; t < 4; ++t)
        for (int k = 0; k < 5; ++k)
            pixels.push_back(shared_colour(k, t));
    return HT_Smart_Pointer<HT_Memory_Image>(new HT_Memory_Image(5, 4, std::move(pixels)));
}

} // namespace

TEST_F(Printed_Images, IndexedAndTrueColourImagesPrintTheirColours) {
    set("RASTER_RGB_Back_Color", "16777215");
    small_page(page_width, page_rows);
    for (const Rcm_Entry entry : {rcm_360_indexed, rcm_360_true_color}) {
        set("res-color-mem", std::to_string(entry));
        auto image = shared_image();
        print([&](RASTER_Driver& d) {
            HT_Renderer renderer(d);
            HT_Rendition rendition;
            rendition.color = red;
            // A row image with its top-left dot at (2, 15).
            if (entry == rcm_360_indexed) {
                std::vector<std::uint8_t> indices;
                for (const auto& row : row_colours)
                    for (const std::uint32_t c : row)
                        indices.push_back(static_cast<std::uint8_t>(cube_index(c)));
                EXPECT_TRUE(renderer.draw_index8_image({2, 15, 0}, {5, 13, 0}, 4, indices.data(),
                                                       rendition));
            } else {
                EXPECT_TRUE(
                    renderer.draw_rgb32_image({2, 15, 0}, {5, 13, 0}, 16, row_colours, rendition));
            }
            // A shared image whose transparent corner lies over paper, and
            // a dot beside it.
            EXPECT_TRUE(renderer.draw_image(HT_DCI_Point{20, 10, 0}, *image, rendition));
            EXPECT_TRUE(renderer.draw_dot({30, 3, 0}, rendition));
        });

        Printed_Map expected;
        for (int t = 0; t < 3; ++t)
            for (int k = 0; k < 4; ++k)
                expected[paper(2 + k, 15 - t)] = row_colours[t][k] & 0xFFFFFF;
        for (int t = 0; t < 4; ++t)
            for (int k = 0; k < 5; ++k)
                if (shared_colour(k, t) != clear)
                    expected[paper(20 + k, 10 - t)] = shared_colour(k, t) & 0xFFFFFF;
        expected[paper(30, 3)] = 0xFF0000;
        EXPECT_EQ(printed_page(decode(output())), expected) << entry;
        EXPECT_EQ(image->blocks_held(), 0);
    }
}

TEST_F(Printed_Images, BitonalImagesPrintTheirInk) {
    set("res-color-mem", std::to_string(rcm_360_mono));
    set("RASTER_RGB_Back_Color", "16777215");
    small_page(page_width, page_rows);
    auto image = shared_image();
    // Rows of 10 bits, bit 7 of each byte first: a diagonal and a bar.
    const std::uint8_t bits[3][2] = {{0x80, 0x40}, {0x40, 0x00}, {0x3F, 0xC0}};
    print([&](RASTER_Driver& d) {
        HT_Renderer renderer(d);
        HT_Rendition rendition;
        rendition.color = black;
        EXPECT_TRUE(renderer.draw_bitonal_image({2, 15, 0}, {11, 13, 0}, 2, bits,
                                                HT_Bitonal_Set_Is_Black, rendition));
        EXPECT_TRUE(renderer.draw_image(HT_DCI_Point{20, 10, 0}, *image, rendition));
        EXPECT_TRUE(renderer.draw_dot({30, 3, 0}, rendition));
    });

    Printed_Map expected;
    for (int t = 0; t < 3; ++t)
        for (int k = 0; k < 10; ++k)
            if (bits[t][k / 8] & (0x80 >> (k % 8)))
                expected[paper(2 + k, 15 - t)] = 0;
    // The host maps each pixel to the nearer of white and black: the pure
    // primaries are nearer black, so every opaque pixel is ink.
    for (int t = 0; t < 4; ++t)
        for (int k = 0; k < 5; ++k)
            if (shared_colour(k, t) != clear)
                expected[paper(20 + k, 10 - t)] = 0;
    expected[paper(30, 3)] = 0;
    EXPECT_EQ(printed_page(decode(output())), expected);
}

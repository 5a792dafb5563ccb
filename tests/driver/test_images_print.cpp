// Images from drawing to paper: in each colour system a page with a row
// image, a shared image and a dot, drawn through the host's renderer,
// printed through the spool module and decoded dot by dot.
#include "test_images_support.h"

#include "ht_draw.h"

namespace {

using namespace image_test;
using Printed_Images = Driver_Host;

constexpr int page_width = 40, page_rows = 20;

// A 4 × 3 row image and a 5 × 4 shared image with a transparent corner.
const std::uint32_t row_colours[3][4] = {
    {red, green, blue, black}, {green, blue, black, red}, {blue, black, red, green}};
std::uint32_t shared_colour(int k, int t) {
    const std::uint32_t colours[] = {black, red, green, blue};
    return k == 4 && t == 0 ? clear : colours[(k + 2 * t) % 4];
}

} // namespace

TEST_F(Printed_Images, EachColourSystemPrintsItsImagesWhereAndAsDrawn) {
    set("RASTER_RGB_Back_Color", "16777215");
    small_page(page_width, page_rows);
    std::vector<std::uint32_t> pixels;
    for (int t = 0; t < 4; ++t)
        for (int k = 0; k < 5; ++k)
            pixels.push_back(shared_colour(k, t));
    // Bitonal: a diagonal and a bar, 10 dots wide.
    const std::uint8_t bits[3][2] = {{0x80, 0x40}, {0x40, 0x00}, {0x3F, 0xC0}};

    for (const Rcm_Entry entry : {rcm_360_indexed, rcm_360_true_color, rcm_360_mono}) {
        set("res-color-mem", std::to_string(entry));
        auto image = shared(5, 4, pixels);
        print([&](RASTER_Driver& d) {
            HT_Renderer renderer(d);
            HT_Rendition r;
            r.color = entry == rcm_360_mono ? black : red;
            // The row image's top-left dot is (2, 15).
            if (entry == rcm_360_indexed) {
                std::vector<std::uint8_t> indices;
                for (const auto& row : row_colours)
                    for (const std::uint32_t c : row)
                        indices.push_back(cube_index(c));
                EXPECT_TRUE(
                    renderer.draw_index8_image({2, 15, 0}, {5, 13, 0}, 4, indices.data(), r));
            } else if (entry == rcm_360_true_color) {
                EXPECT_TRUE(renderer.draw_rgb32_image({2, 15, 0}, {5, 13, 0}, 16, row_colours, r));
            } else {
                EXPECT_TRUE(renderer.draw_bitonal_image({2, 15, 0}, {11, 13, 0}, 2, bits,
                                                        HT_Bitonal_Set_Is_Black, r));
            }
            EXPECT_TRUE(renderer.draw_image(HT_DCI_Point{20, 10, 0}, *image, r));
            EXPECT_TRUE(renderer.draw_dot({30, 3, 0}, r));
        });

        // What should print, by dot; the rest is white paper. On 1-bit pages
        // the host maps each image pixel to the nearer of black and white,
        // and pure primaries are nearer black.
        const bool mono = entry == rcm_360_mono;
        std::map<std::pair<int, int>, std::uint32_t> expected;
        for (int t = 0; t < 3; ++t)
            for (int k = 0; k < (mono ? 10 : 4); ++k)
                if (!mono || bits[t][k / 8] & (0x80 >> (k % 8)))
                    expected[{2 + k, page_rows - 15 + t}] = mono ? 0 : row_colours[t][k] & 0xFFFFFF;
        for (int t = 0; t < 4; ++t)
            for (int k = 0; k < 5; ++k)
                if (shared_colour(k, t) != clear)
                    expected[{20 + k, page_rows - 10 + t}] =
                        mono ? 0 : shared_colour(k, t) & 0xFFFFFF;
        expected[{30, page_rows - 3}] = mono ? 0 : 0xFF0000;

        const Printed_Stream printed = decode(output());
        std::map<std::pair<int, int>, std::uint32_t> got;
        for (int row = 0; row < page_rows; ++row)
            for (int c = 0; c < page_width; ++c)
                if (const std::uint32_t rgb = printed.rgb(c, row); rgb != 0xFFFFFF)
                    got[{c, row}] = rgb;
        EXPECT_EQ(got, expected) << entry;
        EXPECT_EQ(image->blocks_held(), 0);
    }
}

// Row images: where the rectangle lands, what is dropped or cut at the
// edges, the last row, bitonal formats and a temporary row that cannot be had.
#include "test_images_support.h"

namespace {

using namespace image_test;
using Row_Images = Driver_Host;

// `count` indices from 10 on.
std::vector<std::uint8_t> numbered(int count) {
    std::vector<std::uint8_t> out;
    for (int i = 0; i < count; ++i)
        out.push_back(static_cast<std::uint8_t>(10 + i));
    return out;
}

} // namespace

TEST_F(Row_Images, Index8ImagesLandTopLeftFirstAndAreDroppedOrCutAtTheEdges) {
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    const int lx = d.m_last_column, ly = d.m_last_row;

    // The first row on top, from the left, whichever corner starts.
    for (const auto& [start, end] :
         {std::pair<HT_DCI_Point, HT_DCI_Point>{{2, 5, 0}, {4, 4, 0}}, {{4, 4, 0}, {2, 5, 0}}}) {
        d.m_image->fill(0);
        draw_rows(d, start, end, 3, numbered(6));
        EXPECT_EQ(written(d), (Pixel_Map{{{6, 5}, 10},
                                         {{7, 5}, 11},
                                         {{8, 5}, 12},
                                         {{6, 6}, 13},
                                         {{7, 6}, 14},
                                         {{8, 6}, 15}}));
    }

    // Dropped: a start outside, an end above or left of the image, and rows
    // closer together than their length.
    d.m_image->fill(0);
    for (const HT_DCI_Point start : {HT_DCI_Point{-1, 2, 0}, HT_DCI_Point{lx + 1, 2, 0},
                                     HT_DCI_Point{2, -1, 0}, HT_DCI_Point{2, ly + 1, 0}})
        draw_rows(d, start, {start.x + 1, start.y - 1, 0}, 2, numbered(4));
    draw_rows(d, {2, ly, 0}, {3, ly + 1, 0}, 2, numbered(4));
    draw_rows(d, {0, 2, 0}, {-5, 2, 0}, 6, numbered(6));
    draw_rows(d, {2, 5, 0}, {4, 4, 0}, 2, numbered(6));
    EXPECT_TRUE(written(d).empty());

    // An end below the image keeps the rows that fit.
    draw_rows(d, {2, 1, 0}, {3, -2, 0}, 2, numbered(8));
    EXPECT_EQ(written(d),
              (Pixel_Map{{{6, ly - 1}, 10}, {{7, ly - 1}, 11}, {{6, ly}, 12}, {{7, ly}, 13}}));
}

TEST_F(Row_Images, TrueColourImagesAreCutAtEveryEdge) {
    set("res-color-mem", std::to_string(rcm_360_true_color));
    set("RASTER_RGB_Back_Color", "0");
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    const int lx = d.m_last_column, ly = d.m_last_row;
    // Each pixel tells its place: red = source row, green = column.
    std::vector<std::uint32_t> pixels;
    for (std::uint32_t i = 0; i < 4; ++i)
        for (std::uint32_t k = 0; k < 5; ++k)
            pixels.push_back(0xFF000080u | i << 16 | k << 8);
    auto at = [&](int i, int k) { return page_rgba(pixels[static_cast<std::size_t>(i * 5 + k)]); };

    // Right and lower edges: the top-left corner of the source is inside.
    draw_rows(d, {lx - 2, 1, 0}, {lx + 2, -2, 0}, 20, pixels);
    EXPECT_EQ(written(d, black), (Pixel_Map{{{lx - 1, ly - 1}, at(0, 0)},
                                            {{lx, ly - 1}, at(0, 1)},
                                            {{lx - 1, ly}, at(1, 0)},
                                            {{lx, ly}, at(1, 1)}}));

    // Left and upper edges: the source is read from its first pixel inside.
    d.m_image->fill(black);
    draw_rows(d, {1, ly - 1, 0}, {-3, ly + 2, 0}, 20, pixels);
    Pixel_Map expected;
    for (int i = 2; i < 4; ++i)
        for (int k = 2; k < 5; ++k)
            expected[{k - 2, i - 2}] = at(i, k);
    EXPECT_EQ(written(d, black), expected);
}

TEST_F(Row_Images, AOneRowImageOnTheLastRowMovesUpWhenTheResolutionIsConfigured) {
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    const int ly = d.m_last_row;
    draw_rows(d, {3, 0, 0}, {4, 0, 0}, 2, numbered(2));
    EXPECT_EQ(written(d), (Pixel_Map{{{7, ly - 1}, 10}, {{8, ly - 1}, 11}}));

    // Two rows reaching the last row stay where they are.
    d.m_image->fill(0);
    draw_rows(d, {3, 1, 0}, {3, 0, 0}, 1, numbered(2));
    EXPECT_EQ(written(d), (Pixel_Map{{{7, ly - 1}, 10}, {{7, ly}, 11}}));

    d.m_image->fill(0);
    d.m_resolution_from_config = 0;
    draw_rows(d, {3, 0, 0}, {4, 0, 0}, 2, numbered(2));
    EXPECT_EQ(written(d), (Pixel_Map{{{7, ly}, 10}, {{8, ly}, 11}}));
}

TEST_F(Row_Images, BitonalRowsAreStoredInThePagesFormatAndLeftToTheHostInTheOther) {
    set("res-color-mem", std::to_string(rcm_360_mono));
    set("RASTER_RGB_Back_Color", "16777215");
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    const auto& a = d.actions().draw_dci_bitonal_image;
    const HT_Rendition r;
    const int row = d.m_last_row - 3;
    auto draw = [&](HT_DCI_Point end, const std::vector<std::uint8_t>& bits, int format) {
        d.m_image->fill(0);
        const HT_DCI_Point start{2, 3, 0};
        a.action(a.device, &r, &start, &end, static_cast<int>(bits.size()), bits.data(), format);
        return written(d);
    };

    // Ink where bits are set; ends 8 and 5 dots left of the image cut a whole
    // byte or part of one, and the rest keep their columns.
    for (const int end_x : {-40, -37}) {
        const int left = end_x + 32;
        std::vector<std::uint8_t> bits(static_cast<std::size_t>((34 - left + 8) / 8), 0);
        Pixel_Map ink;
        for (int c = left; c <= 34; c += 3) {
            bits[static_cast<std::size_t>((c - left) / 8)] |=
                static_cast<std::uint8_t>(0x80u >> ((c - left) % 8));
            if (c >= 0)
                ink[{c, row}] = 1;
        }
        EXPECT_EQ(draw({end_x, 3, 0}, bits, HT_Bitonal_Set_Is_Black), ink) << end_x;
    }

    // A set bit that means white is the host's to draw: the clear bits are ink.
    EXPECT_EQ(draw({9, 3, 0}, {0xE0}, HT_Bitonal_Set_Is_White),
              (Pixel_Map{
                  {{37, row}, 1}, {{38, row}, 1}, {{39, row}, 1}, {{40, row}, 1}, {{41, row}, 1}}));
}

TEST_F(Row_Images, ATemporaryRowThatCannotBeHadFailsTheImage) {
    set("RASTER_ChangeColor", "true");
    set("RASTER_Draw2Black", "true");
    small_page(20, 10);
    for (const Rcm_Entry entry : {rcm_360_indexed, rcm_360_true_color}) {
        set("res-color-mem", std::to_string(entry));
        establish();
        begin();
        ht_test::fail_allocations(0, 1);
        const Caught e = error_of([&] {
            if (entry == rcm_360_indexed)
                draw_rows(device(), {2, 5, 0}, {3, 5, 0}, 2, numbered(2));
            else
                draw_rows(device(), {2, 5, 0}, {3, 5, 0}, 8, std::vector<std::uint32_t>{red, red});
        });
        ht_test::reset_allocations();
        EXPECT_TRUE(e.severe());
        EXPECT_EQ(e.code(), 102);
        EXPECT_EQ(e.detail(), "INTERNAL ERROR - Memory allocation");
        EXPECT_EQ(e.operation(), entry == rcm_360_indexed ? "raster_plotter_draw_index8_image"
                                                          : "raster_plotter_draw_rgb32_image");
        EXPECT_EQ(e.unit(), "rasterdraw");
        m_progress->cancel_when = [](int) { return true; };
        end();
        m_progress->cancel_when = nullptr;
    }
}

// Row images: where the rectangle lands, what is dropped or cut at the
// edges, the last row, bitonal formats, cancel and a temporary row that
// cannot be had.
#include "test_images_support.h"

#include "ht_object.h"

#include <vector>

namespace {

using namespace image_test;
using Row_Images = Driver_Host;

const HT_Rendition no_attributes;

void draw_index8(RASTER_Driver& d, HT_DCI_Point start, HT_DCI_Point end, int row_bytes,
                 const std::vector<std::uint8_t>& pixels) {
    const auto& a = d.actions().draw_dci_index8_image;
    ASSERT_TRUE(a.usable());
    a.action(a.device, &no_attributes, &start, &end, row_bytes, pixels.data());
}

void draw_rgb32(RASTER_Driver& d, HT_DCI_Point start, HT_DCI_Point end, int row_bytes,
                const std::vector<std::uint32_t>& pixels) {
    const auto& a = d.actions().draw_dci_rgb32_image;
    ASSERT_TRUE(a.usable());
    a.action(a.device, &no_attributes, &start, &end, row_bytes, pixels.data());
}

void draw_bits(RASTER_Driver& d, HT_DCI_Point start, HT_DCI_Point end, int row_bytes,
               const std::vector<std::uint8_t>& bits, int format) {
    const auto& a = d.actions().draw_dci_bitonal_image;
    ASSERT_TRUE(a.usable());
    a.action(a.device, &no_attributes, &start, &end, row_bytes, bits.data(), format);
}

// `width` × `height` indices numbered from `first`, row by row.
std::vector<std::uint8_t> numbered(int width, int height, int first = 10) {
    std::vector<std::uint8_t> out;
    for (int i = 0; i < width * height; ++i)
        out.push_back(static_cast<std::uint8_t>(first + i));
    return out;
}

// Host colours that tell every pixel apart: red = row, green = column.
std::vector<std::uint32_t> coloured(int width, int height) {
    std::vector<std::uint32_t> out;
    for (int i = 0; i < height; ++i)
        for (int k = 0; k < width; ++k)
            out.push_back(0xFF000000u | static_cast<std::uint32_t>(i) << 16 |
                          static_cast<std::uint32_t>(k) << 8 | 0x80u);
    return out;
}

// One row of bits, bit 7 of the first byte first, set where `set(k)`.
template <class F> std::vector<std::uint8_t> bit_row(int width, F set) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>((width + 7) / 8), 0);
    for (int k = 0; k < width; ++k)
        if (set(k))
            out[static_cast<std::size_t>(k / 8)] |= static_cast<std::uint8_t>(0x80u >> (k % 8));
    return out;
}

} // namespace

TEST_F(Row_Images, Index8RowsGoFromTheTopLeftWhicheverCornerStarts) {
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    const std::vector<std::uint8_t> pixels = numbered(4, 3);
    Pixel_Map expected;
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 4; ++k)
            expected[{2 + 4 + k, 10 - 5 + i}] = static_cast<std::uint32_t>(10 + 4 * i + k);

    const std::pair<HT_DCI_Point, HT_DCI_Point> corners[] = {
        {{2, 5, 0}, {5, 3, 0}}, {{5, 3, 0}, {2, 5, 0}}, {{2, 3, 0}, {5, 5, 0}}};
    for (const auto& [start, end] : corners) {
        d.m_image->fill(0);
        draw_index8(d, start, end, 4, pixels);
        EXPECT_EQ(written(d), expected) << start.x << "," << start.y;
    }
    EXPECT_EQ(raster_device::page_output_device(), &d);
}

TEST_F(Row_Images, Index8ImagesStartingOutsideAreDroppedAndEndsBelowAreCut) {
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    const int lx = d.m_last_column, ly = d.m_last_row;
    const std::vector<std::uint8_t> pixels = numbered(4, 4);

    // Starts outside the image.
    for (const HT_DCI_Point start : {HT_DCI_Point{-1, 2, 0}, HT_DCI_Point{lx + 1, 2, 0},
                                     HT_DCI_Point{2, -1, 0}, HT_DCI_Point{2, ly + 1, 0}})
        draw_index8(d, start, {start.x + 1, start.y - 1, 0}, 2, pixels);
    // Ends above the image or left of it put the rectangle's corner outside.
    draw_index8(d, {2, ly, 0}, {3, ly + 1, 0}, 2, pixels);
    draw_index8(d, {0, 2, 0}, {-5, 2, 0}, 6, numbered(6, 1));
    EXPECT_TRUE(written(d).empty());

    // An end below the image keeps the rows that fit.
    draw_index8(d, {2, 1, 0}, {3, -2, 0}, 2, pixels);
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
    ASSERT_EQ(d.m_pad_x, 1);
    const std::uint32_t cleared = 0xFF000000u;

    // Right and lower edges: the corner pixels that are inside.
    std::vector<std::uint32_t> pixels = coloured(4, 3);
    draw_rgb32(d, {lx - 2, 1, 0}, {lx + 1, -1, 0}, 16, pixels);
    EXPECT_EQ(written(d, cleared), (Pixel_Map{{{lx - 1, ly - 1}, page_rgba(pixels[0])},
                                              {{lx, ly - 1}, page_rgba(pixels[1])},
                                              {{lx - 1, ly}, page_rgba(pixels[4])},
                                              {{lx, ly}, page_rgba(pixels[5])}}));

    // Left and upper edges: the source is read from the first pixel inside.
    d.m_image->fill(cleared);
    pixels = coloured(5, 4);
    draw_rgb32(d, {1, ly - 1, 0}, {-3, ly + 2, 0}, 20, pixels);
    Pixel_Map expected;
    for (int i = 2; i < 4; ++i)
        for (int k = 2; k < 5; ++k)
            expected[{k - 2, i - 2}] = page_rgba(pixels[static_cast<std::size_t>(i * 5 + k)]);
    EXPECT_EQ(written(d, cleared), expected);
}

TEST_F(Row_Images, BitonalRowsCutOnTheLeftKeepTheirBitsInPlace) {
    set("res-color-mem", std::to_string(rcm_360_mono));
    set("RASTER_RGB_Back_Color", "16777215");
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    ASSERT_EQ(d.m_pad_x, 32);
    // Ends 8 and 5 columns left of the image: a whole byte or part of one is cut.
    for (const int end_x : {-40, -37}) {
        d.m_image->fill(0);
        const int left = end_x + 32, width = 2 + 32 - left + 1;
        const auto bits = bit_row(width, [](int k) { return k % 3 == 0; });
        draw_bits(d, {2, 3, 0}, {end_x, 3, 0}, static_cast<int>(bits.size()), bits,
                  HT_Bitonal_Set_Is_Black);
        Pixel_Map expected;
        for (int c = 0; c <= 34; ++c)
            if ((c - left) % 3 == 0)
                expected[{c, d.m_last_row - 3}] = 1;
        EXPECT_EQ(written(d), expected) << end_x;
    }
}

TEST_F(Row_Images, AOneRowImageOnTheLastRowMovesUpWhenTheResolutionIsConfigured) {
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    const int ly = d.m_last_row;
    ASSERT_EQ(d.m_resolution_from_config, 1);
    draw_index8(d, {3, 0, 0}, {4, 0, 0}, 2, numbered(2, 1));
    EXPECT_EQ(written(d), (Pixel_Map{{{7, ly - 1}, 10}, {{8, ly - 1}, 11}}));

    // Two rows reaching the last row stay where they are.
    d.m_image->fill(0);
    draw_index8(d, {3, 1, 0}, {3, 0, 0}, 1, numbered(1, 2));
    EXPECT_EQ(written(d), (Pixel_Map{{{7, ly - 1}, 10}, {{7, ly}, 11}}));

    // Without a configured resolution the last row is the image's own.
    d.m_image->fill(0);
    d.m_resolution_from_config = 0;
    draw_index8(d, {3, 0, 0}, {4, 0, 0}, 2, numbered(2, 1));
    EXPECT_EQ(written(d), (Pixel_Map{{{7, ly}, 10}, {{8, ly}, 11}}));
}

TEST_F(Row_Images, RowsCloserThanTheirLengthAreNotRead) {
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    draw_index8(d, {2, 5, 0}, {5, 4, 0}, 3, numbered(4, 2));
    EXPECT_TRUE(written(d).empty());
    // A single row needs no distance to a next one.
    draw_index8(d, {2, 5, 0}, {5, 5, 0}, 0, numbered(4, 1));
    EXPECT_EQ(written(d).size(), 4u);
}

TEST_F(Row_Images, BitonalImagesInThePagesFormatAreStoredOthersAreTheHostsToDraw) {
    set("res-color-mem", std::to_string(rcm_360_mono));
    small_page(20, 10);
    const auto bits = bit_row(8, [](int k) { return k < 3; });
    for (const std::uint32_t background : {0xFFFFFFu, 0u}) {
        set("RASTER_RGB_Back_Color", std::to_string(background));
        establish();
        begin();
        RASTER_Driver& d = device();
        const int page_format = background ? HT_Bitonal_Set_Is_Black : HT_Bitonal_Set_Is_White;
        ASSERT_EQ(d.renderer_options().bitonal_format(), page_format);
        const int row = d.m_last_row - 4;

        // In the page's format a set bit is ink.
        draw_bits(d, {1, 4, 0}, {8, 4, 0}, 1, bits, page_format);
        Pixel_Map ink;
        for (int c = 33; c < 36; ++c)
            ink[{c, row}] = 1;
        EXPECT_EQ(written(d), ink) << background;

        // In the other format a set bit is paper: the host draws each pixel
        // in its colour, and the clear bits become ink.
        d.m_image->fill(0);
        draw_bits(d, {1, 4, 0}, {8, 4, 0}, 1, bits,
                  background ? HT_Bitonal_Set_Is_White : HT_Bitonal_Set_Is_Black);
        Pixel_Map inverse;
        for (int c = 36; c < 41; ++c)
            inverse[{c, row}] = 1;
        EXPECT_EQ(written(d), inverse) << background;
        m_progress->cancel_when = [](int) { return true; };
        end();
        m_progress->cancel_when = nullptr;
    }
}

TEST_F(Row_Images, ACancelledPlotDrawsNoImage) {
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    raster_device::set_page_output_device(nullptr);
    m_progress->cancel_when = [](int) { return true; };
    draw_index8(d, {2, 5, 0}, {5, 3, 0}, 4, numbered(4, 3));
    EXPECT_TRUE(written(d).empty());
    EXPECT_EQ(raster_device::page_output_device(), &d);
    end();
}

TEST_F(Row_Images, ATemporaryRowThatCannotBeHadFailsTheImage) {
    set("RASTER_ChangeColor", "true");
    set("RASTER_Draw2Black", "true");
    small_page(20, 10);
    const struct {
        Rcm_Entry entry;
        const char* operation;
    } cases[] = {{rcm_360_indexed, "raster_plotter_draw_index8_image"},
                 {rcm_360_true_color, "raster_plotter_draw_rgb32_image"}};
    for (const auto& c : cases) {
        set("res-color-mem", std::to_string(c.entry));
        establish();
        begin();
        RASTER_Driver& d = device();
        ht_test::fail_allocations(0, 1);
        const Caught e = error_of([&] {
            if (c.entry == rcm_360_indexed)
                draw_index8(d, {2, 5, 0}, {5, 3, 0}, 4, numbered(4, 3));
            else
                draw_rgb32(d, {2, 5, 0}, {5, 3, 0}, 16, coloured(4, 3));
        });
        ht_test::reset_allocations();
        EXPECT_TRUE(e.severe());
        EXPECT_EQ(e.code(), 102);
        EXPECT_EQ(e.detail(), "INTERNAL ERROR - Memory allocation");
        EXPECT_EQ(e.operation(), c.operation);
        EXPECT_EQ(e.unit(), "rasterdraw");
        m_progress->cancel_when = [](int) { return true; };
        end();
        m_progress->cancel_when = nullptr;
    }
}

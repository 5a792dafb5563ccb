// Shared images: the requests of each colour system, strips from the top,
// composed and direct drawing, clip regions, and every way an image ends
// early: cancel, a status word, no block, no strip image, refused memory.
#include "test_images_support.h"

#include "ht_object.h"
#include "ie_rep.h"
#include "raster_image.h"

#include <cmath>
#include <functional>
#include <set>
#include <vector>

namespace {

using namespace image_test;
using Colour_Of = std::function<std::uint32_t(int column, int row)>;

HT_Smart_Pointer<HT_Memory_Image> picture(int width, int height, const Colour_Of& colour,
                                          std::int32_t format = HT_Shared_Image_Source) {
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int t = 0; t < height; ++t)
        for (int k = 0; k < width; ++k)
            pixels.push_back(colour(k, t));
    return HT_Smart_Pointer<HT_Memory_Image>(
        new HT_Memory_Image(width, height, std::move(pixels), format));
}

HT_Smart_Pointer<HT_Memory_Image> solid(int width, int height, std::uint32_t colour) {
    return picture(width, height, [=](int, int) { return colour; });
}

void draw(RASTER_Driver& d, HT_DCI_Point at, HT_Shared_Image& image,
          const HT_Rendition& rendition = HT_Rendition()) {
    const auto& a = d.actions().draw_dci_image;
    ASSERT_TRUE(a.usable());
    a.action(a.device, &rendition, &at, &image);
}

// The page pixels of a `width` × `height` block whose top-left pixel is
// host (x, y).
Pixel_Map block_at(const RASTER_Driver& d, int x, int y, int width, int height,
                   const Colour_Of& value) {
    Pixel_Map out;
    for (int t = 0; t < height; ++t)
        for (int k = 0; k < width; ++k)
            out[{x + k + d.m_pad_x, d.m_last_row - y + t}] = value(k, t);
    return out;
}

HT_Rendition clipped_to(float x0, float y0, float x1, float y1) {
    HT_Rendition r;
    r.clip_region = HT_Smart_Pointer<HT_Contour_Set_Data>(
        new HT_Contour_Set_Data({{{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}}}));
    return r;
}

} // namespace

class Shared_Images : public Driver_Host {
protected:
    // Ends a picture without printing it.
    void drop_page() {
        m_progress->cancel_when = [](int) { return true; };
        end();
        m_progress->cancel_when = nullptr;
    }
};

TEST_F(Shared_Images, ATrueColourImage1000WideComesInStripsOf131RowsFromTheTop) {
    set("res-color-mem", std::to_string(rcm_360_true_color));
    set("RASTER_RGB_Back_Color", std::to_string(0x563412));
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    auto image = solid(1000, 300, red);
    image->source().color[0] = 7;
    image->source().color[1] = 8;
    image->source().color[2] = 9;
    const std::uint32_t serial = d.m_page_number;
    const int checks = ie_test::memory_checks();
    {
        Recording_Source source(*image);
        draw(d, {0, 9, 0}, *image);

        ASSERT_EQ(source.requests.size(), 3u);
        const int rows[3][2] = {{169, 299}, {38, 168}, {0, 37}};
        for (int s = 0; s < 3; ++s) {
            const HT_Image_Request& q = source.requests[static_cast<std::size_t>(s)];
            EXPECT_EQ(q.y0, rows[s][0]);
            EXPECT_EQ(q.y1, rows[s][1]);
            EXPECT_EQ(q.area_y0, rows[s][0]);
            EXPECT_EQ(q.area_y1, rows[s][1]);
            EXPECT_EQ(q.x0, 0);
            EXPECT_EQ(q.x1, 999);
            EXPECT_EQ(q.format, HT_Request_Rgba);
            EXPECT_EQ(q.pixel_size, 32);
            EXPECT_EQ(q.row_bytes, 4000);
            EXPECT_EQ(q.serial, serial + 1);
            EXPECT_EQ(std::vector<int>(q.background.rgb, q.background.rgb + 3),
                      (std::vector<int>{0x12, 0x34, 0x56}));
            EXPECT_EQ(std::vector<int>(q.no_pixel.rgb, q.no_pixel.rgb + 3),
                      (std::vector<int>{0x2A, 0x4E, 0x57}));
            EXPECT_EQ(std::vector<int>(q.foreground.rgb, q.foreground.rgb + 3),
                      (std::vector<int>{7, 8, 9}));
        }
        EXPECT_EQ(source.busy_at_fetch, (std::vector<std::uint8_t>{1, 1, 1}));
        EXPECT_EQ(source.busy_at_release, (std::vector<std::uint8_t>{0, 0, 0}));
    }
    EXPECT_EQ(ie_test::memory_checks() - checks, 1);
    EXPECT_EQ(image->blocks_held(), 0);
    EXPECT_EQ(image->source().busy, 0);
    // The page below the image's top row is the image's.
    const Pixel_Map all = written(d, 0);
    for (int r = 1; r <= d.m_last_row; ++r)
        for (int c = 1; c <= d.m_last_column; ++c)
            ASSERT_EQ(all.at({c, r}), page_rgba(red)) << c << "," << r;
    EXPECT_EQ(all.at({1, 0}), 0xFF563412u);
}

TEST_F(Shared_Images, RowsWiderThanAStripStillComeOneAtATime) {
    set("res-color-mem", std::to_string(rcm_360_true_color));
    small_page(20, 10);
    establish();
    begin();
    auto image = solid(140000, 3, red);
    Recording_Source source(*image);
    draw(device(), {0, 5, 0}, *image);
    ASSERT_EQ(source.requests.size(), 3u);
    for (int s = 0; s < 3; ++s)
        EXPECT_EQ(source.requests[static_cast<std::size_t>(s)].y0, 2 - s);
    EXPECT_EQ(raster_render::shared_strip_rows(560000, 3), 1);
}

TEST_F(Shared_Images, EachColourSystemAsksForItsOwnPixels) {
    constexpr int width = 37;
    auto image = solid(width, 2, black);
    const auto values = [](const HT_Image_Request& q) {
        return std::vector<int>{q.background.value, q.no_pixel.value, q.foreground.value};
    };
    small_page(20, 10);

    // Indexed: palette indices, the whole palette, the serial moved twice.
    set("res-color-mem", std::to_string(rcm_360_indexed));
    establish();
    begin();
    {
        RASTER_Driver& d = device();
        const std::uint32_t serial = d.m_page_number;
        HT_Rendition r;
        r.color_index = 9;
        Recording_Source source(*image);
        draw(d, {0, 5, 0}, *image, r);
        ASSERT_EQ(source.requests.size(), 1u);
        const HT_Image_Request& q = source.requests[0];
        EXPECT_EQ(q.format, HT_Request_Bytes);
        EXPECT_EQ(q.pixel_size, 8);
        EXPECT_EQ(q.row_bytes, 40);
        EXPECT_EQ(q.serial, serial + 2);
        EXPECT_EQ(values(q), (std::vector<int>{0, 254, 9}));
        ASSERT_EQ(source.palettes[0].size(), 256u);
        for (std::size_t i = 0; i < 256; ++i)
            EXPECT_EQ(source.palettes[0][i], d.m_palette.get_entry(i)) << i;
    }
    drop_page();

    // Bitonal: bits when composing for a clip region on light paper, else a
    // byte a pixel whose meaning follows the paper.
    set("res-color-mem", std::to_string(rcm_360_mono));
    const struct {
        std::uint32_t background;
        bool clipped;
        std::int32_t format, pixel_size, row_bytes;
        std::vector<int> values;
        std::vector<std::uint32_t> palette;
    } bitonal[] = {
        {0xFFFFFF, true, HT_Request_Bits, 1, 8, {0, 0, 1}, {white, black}},
        {0xFFFFFF, false, HT_Request_Bytes, 2, 40, {2, 0, 1}, {white, black, white, white}},
        {0, true, HT_Request_Bytes, 2, 40, {1, 0, 2}, {white, black, white, white}},
    };
    for (const auto& c : bitonal) {
        set("RASTER_RGB_Back_Color", std::to_string(c.background));
        establish();
        begin();
        Recording_Source source(*image);
        draw(device(), {0, 5, 0}, *image, c.clipped ? clipped_to(0, 0, 100, 100) : HT_Rendition());
        ASSERT_EQ(source.requests.size(), 1u);
        const HT_Image_Request& q = source.requests[0];
        EXPECT_EQ(q.format, c.format);
        EXPECT_EQ(q.pixel_size, c.pixel_size);
        EXPECT_EQ(q.row_bytes, c.row_bytes);
        EXPECT_EQ(values(q), c.values);
        EXPECT_EQ(source.palettes[0], c.palette);
        drop_page();
    }
}

TEST_F(Shared_Images, ComposedImagesLandWithTheirTopLeftPixelAtThePoint) {
    small_page(20, 10);
    const Colour_Of colour = [](int k, int t) {
        const std::uint32_t colours[] = {red, green, blue, black};
        return colours[(k + t) % 4];
    };

    // True colour: pixels as delivered; a transparent one becomes paper.
    set("res-color-mem", std::to_string(rcm_360_true_color));
    set("RASTER_RGB_Back_Color", "16777215");
    establish();
    begin();
    {
        RASTER_Driver& d = device();
        auto image =
            picture(3, 2, [&](int k, int t) { return k == 2 && t == 1 ? clear : colour(k, t); });
        draw(d, {2, 5, 0}, *image);
        Pixel_Map expected =
            block_at(d, 2, 5, 3, 2, [&](int k, int t) { return page_rgba(colour(k, t)); });
        expected[{2 + 2 + 1, d.m_last_row - 4}] = 0x00FFFFFFu;
        EXPECT_EQ(written(d, 0xFFFFFFFFu), expected);
    }
    drop_page();

    // Indexed: each colour's palette index; a transparent pixel keeps what
    // was drawn there.
    set("res-color-mem", std::to_string(rcm_360_indexed));
    establish();
    begin();
    {
        RASTER_Driver& d = device();
        index_dot(4, 4, 77);
        auto image =
            picture(3, 2, [&](int k, int t) { return k == 2 && t == 1 ? clear : colour(k, t); });
        draw(d, {2, 5, 0}, *image);
        Pixel_Map expected = block_at(d, 2, 5, 3, 2, [&](int k, int t) {
            return static_cast<std::uint32_t>(cube_index(colour(k, t)));
        });
        expected[{4 + 4, d.m_last_row - 4}] = 77;
        EXPECT_EQ(written(d), expected);
    }
}

TEST_F(Shared_Images, DirectTrueColourWritesOnlyOpaquePixels) {
    set("res-color-mem", std::to_string(rcm_360_true_color));
    set("RASTER_RGB_Back_Color", "16777215");
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    dot(3, 5, blue);
    const Pixel_Map before = written(d, 0xFFFFFFFFu);

    auto none = solid(6, 4, 0x00FF0000u);
    none->source().no_composition = 1;
    const int checks = ie_test::memory_checks();
    draw(d, {1, 6, 0}, *none);
    EXPECT_EQ(written(d, 0xFFFFFFFFu), before);
    EXPECT_EQ(ie_test::memory_checks(), checks) << "nothing is composed";

    // Runs of opaque pixels between transparent ones.
    auto some = picture(4, 1, [](int k, int) { return k == 2 ? clear : green; });
    some->source().no_composition = 1;
    draw(d, {1, 5, 0}, *some);
    EXPECT_EQ(written(d, 0xFFFFFFFFu), (Pixel_Map{{{2, d.m_last_row - 5}, page_rgba(green)},
                                                  {{3, d.m_last_row - 5}, page_rgba(green)},
                                                  {{4, d.m_last_row - 5}, page_rgba(blue)},
                                                  {{5, d.m_last_row - 5}, page_rgba(green)}}));
}

TEST_F(Shared_Images, DirectBitonalSetsClearsAndLeavesBits) {
    set("res-color-mem", std::to_string(rcm_360_mono));
    small_page(20, 10);
    for (const std::uint32_t background : {0xFFFFFFu, 0u}) {
        set("RASTER_RGB_Back_Color", std::to_string(background));
        establish();
        begin();
        RASTER_Driver& d = device();
        const std::uint32_t ink = background ? black : white;
        const std::uint32_t paper = background ? white : black;
        dot(3, 5, ink); // under a paper pixel
        dot(4, 5, ink); // under a transparent one
        auto image = picture(3, 1, [&](int k, int) {
            return k == 0 ? ink : k == 1 ? paper : clear;
        });
        draw(d, {2, 5, 0}, *image);
        const int row = d.m_last_row - 5;
        EXPECT_EQ(written(d), (Pixel_Map{{{34, row}, 1}, {{36, row}, 1}})) << background;
        drop_page();
    }
}

TEST_F(Shared_Images, ClipRegionsHoldInEveryPath) {
    small_page(20, 12);
    // Composing follows the clip outline by pixel centres: the 2 × 2 dots
    // of a 2 × 2 square. Direct drawing tests each dot as the dot action
    // does, edges included: 3 × 3.
    const struct {
        Rcm_Entry entry;
        std::uint32_t background;
        std::uint32_t colour;
        int first, last; // host x and y inside
    } cases[] = {
        {rcm_360_indexed, 0xFFFFFF, red, 3, 4},
        {rcm_360_mono, 0xFFFFFF, black, 3, 4},
        {rcm_360_true_color, 0xFFFFFF, red, 3, 5},
        {rcm_360_mono, 0, white, 3, 5},
    };
    for (const auto& c : cases) {
        set("res-color-mem", std::to_string(c.entry));
        set("RASTER_RGB_Back_Color", std::to_string(c.background));
        establish();
        begin();
        RASTER_Driver& d = device();
        const std::uint32_t cleared = d.m_image->pixel(0, 0);
        auto image = solid(8, 8, c.colour);
        draw(d, {1, 8, 0}, *image, clipped_to(3, 3, 5, 5));
        std::set<std::pair<int, int>> expected, got;
        for (int y = c.first; y <= c.last; ++y)
            for (int x = c.first; x <= c.last; ++x)
                expected.insert({x + d.m_pad_x, d.m_last_row - y});
        for (const auto& [at, value] : written(d, cleared))
            got.insert(at);
        EXPECT_EQ(got, expected) << c.entry << " " << c.background;
        drop_page();
    }
}

TEST_F(Shared_Images, AClipOutlineThatCannotBeHadFailsTheImage) {
    small_page(20, 10);
    establish();
    begin();
    auto image = solid(4, 4, red);
    const HT_Rendition rendition = clipped_to(0, 0, 5, 5);
    ht_test::fail_allocations(0, 1);
    const Caught e = error_of([&] { draw(device(), {1, 5, 0}, *image, rendition); });
    ht_test::reset_allocations();
    EXPECT_FALSE(e.severe());
    EXPECT_EQ(e.code(), 100);
    EXPECT_EQ(e.detail(), "INTERNAL ERROR - Memory allocation");
    EXPECT_EQ(e.operation(), "raster_plotter_draw_dci_ism_image");
    EXPECT_EQ(e.unit(), "rasterdraw");
    EXPECT_EQ(image->fetch_count(), 0);
}

TEST_F(Shared_Images, AStatusWordNoBlockOrShortRowsEndTheImageQuietly) {
    set("res-color-mem", std::to_string(rcm_360_true_color));
    set("RASTER_RGB_Back_Color", "16777215");
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    // 65536 pixels a row: strips of 2 rows.
    auto image = solid(65536, 6, red);
    const struct {
        Recording_Source::Answer answer;
        int releases;
    } cases[] = {{Recording_Source::Answer::status, 2},
                 {Recording_Source::Answer::nothing, 1},
                 {Recording_Source::Answer::short_rows, 2}};
    for (const auto& c : cases) {
        d.m_image->fill(0xFFFFFFFFu);
        {
            Recording_Source source(*image);
            source.answer(2, c.answer);
            draw(d, {0, 8, 0}, *image);
            EXPECT_EQ(source.requests.size(), 2u);
            EXPECT_EQ(source.releases, c.releases);
        }
        EXPECT_EQ(image->source().busy, 0);
        EXPECT_EQ(image->blocks_held(), 0);
        // The first strip stays: the image's top two rows.
        std::set<int> rows;
        for (const auto& [at, value] : written(d, 0xFFFFFFFFu))
            rows.insert(at.second);
        EXPECT_EQ(rows, (std::set<int>{d.m_last_row - 8, d.m_last_row - 7}));
    }
}

TEST_F(Shared_Images, ACancelledPlotStopsBeforeTheNextStrip) {
    set("res-color-mem", std::to_string(rcm_360_true_color));
    small_page(20, 10);
    establish();
    begin();
    auto image = solid(65536, 6, red);
    m_progress->queries = 0;
    m_progress->cancel_when = [](int query) { return query >= 2; };
    draw(device(), {0, 8, 0}, *image);
    EXPECT_EQ(image->fetch_count(), 1);
    EXPECT_EQ(image->blocks_held(), 0);
    EXPECT_EQ(image->source().busy, 0);
    end();
}

TEST_F(Shared_Images, AMemoryCheckRefusedOnceIsAskedAgainQuietlyAndTwiceFailsTheImage) {
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    auto image = solid(4, 4, red);
    ie_test::refuse_memory_checks(1);
    draw(d, {1, 5, 0}, *image);
    EXPECT_EQ(ie_test::state_calls().back(), (std::pair<int, int>{0, 0}));
    EXPECT_EQ(written(d).size(), 16u);

    ie_test::refuse_memory_checks(2);
    const Caught e = error_of([&] { draw(d, {1, 5, 0}, *image); });
    EXPECT_TRUE(e.severe());
    EXPECT_EQ(e.code(), 102);
    EXPECT_EQ(e.detail(), "Image Engine memory available failure");
    EXPECT_EQ(e.operation(), "raster_plotter_draw_dci_ism_image");
    EXPECT_EQ(e.unit(), "rasterdraw");
    EXPECT_EQ(image->fetch_count(), 1);
}

TEST_F(Shared_Images, AStripImageOrItsAccessThatCannotBeMadeEndsTheImageQuietly) {
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    auto image = solid(4, 4, red);
    for (const auto refuse : {ie_test::fail_creations, ie_test::refuse_write_contexts}) {
        refuse(1);
        draw(d, {1, 5, 0}, *image);
        EXPECT_TRUE(written(d).empty());
        EXPECT_EQ(image->fetch_count(), 0);
    }
    EXPECT_EQ(ie_test::live_images(), 1) << "only the page image";
}

TEST_F(Shared_Images, ImagesTheHostHoldsInItsOwnFormAreTheHostsToDraw) {
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    // Both kinds land with their top-left pixel at the point; the host asks
    // for colours, the driver for palette indices.
    for (const std::int32_t format : {HT_Shared_Image_Host_Colors, HT_Shared_Image_Source}) {
        d.m_image->fill(0);
        auto image = picture(
            2, 3, [](int, int) { return green; }, format);
        Recording_Source source(*image);
        draw(d, {3, 6, 0}, *image);
        ASSERT_FALSE(source.requests.empty());
        EXPECT_EQ(source.requests[0].format,
                  format == HT_Shared_Image_Source ? HT_Request_Bytes : HT_Request_Rgba);
        EXPECT_EQ(written(d),
                  block_at(d, 3, 6, 2, 3,
                           [](int, int) { return static_cast<std::uint32_t>(cube_index(green)); }))
            << format;
    }
}

TEST_F(Shared_Images, AFloatPointIsTruncatedTowardZero) {
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    auto image = solid(2, 2, green);
    const auto& a = d.actions().draw_dc_image;
    const HT_Rendition rendition;
    const HT_Point at{3.9f, 6.7f, 0.5f};
    a.action(a.device, &rendition, &at, image.get());
    const auto g = static_cast<std::uint32_t>(cube_index(green));
    EXPECT_EQ(written(d), block_at(d, 3, 6, 2, 2, [&](int, int) { return g; }));

    // A point that is no point draws nothing, and the page still has drawing.
    d.m_image->fill(0);
    raster_device::set_page_output_device(nullptr);
    const HT_Point nowhere{std::nanf(""), 2.0f, 0.0f};
    a.action(a.device, &rendition, &nowhere, image.get());
    EXPECT_TRUE(written(d).empty());
    EXPECT_EQ(raster_device::page_output_device(), &d);
}

TEST_F(Shared_Images, AnUnknownColourSystemFailsTheImage) {
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    d.m_color_system = 9;
    auto image = solid(2, 2, green);
    const Caught e = error_of([&] { draw(d, {1, 5, 0}, *image); });
    EXPECT_TRUE(e.severe());
    EXPECT_EQ(e.code(), 102);
    EXPECT_EQ(e.detail(), "Invalid color system or palette depth");
    EXPECT_EQ(e.operation(), "raster_plotter_draw_dci_ism_image");
    d.m_color_system = raster_render::color_system_indexed;
}

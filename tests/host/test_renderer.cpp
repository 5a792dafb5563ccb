#include "ht_color_cube.h"
#include "test_draw_device.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

// ---- palette and colour cube ---------------------------------------------------------

TEST(ColorCube, SixLevelCubeFillsEntriesOneTo216) {
    HT_Palette palette;
    palette.set_entry(0, 0xFFFFFFFFu);
    palette.set_entry(217, 0xFF123456u);
    HT_Color_Cube cube({2, 2, 2}, 1.0f, 0);
    cube.set_red_levels(6);
    cube.set_green_levels(6);
    cube.set_blue_levels(6);
    ASSERT_TRUE(cube.validate());
    cube.set_first_index(1);
    EXPECT_FALSE(palette.install(cube)) << "a changed cube must be validated again";
    ASSERT_TRUE(cube.validate());
    ASSERT_TRUE(palette.install(cube));

    EXPECT_EQ(palette.get_entry(0), 0xFFFFFFFFu);
    EXPECT_EQ(palette.get_entry(217), 0xFF123456u);
    EXPECT_EQ(palette.get_entry(1), 0xFF000000u);
    EXPECT_EQ(palette.get_entry(216), 0xFFFFFFFFu);
    EXPECT_EQ(palette.get_entry(2), 0xFF000033u);     // blue varies fastest
    EXPECT_EQ(palette.get_entry(1 + 6), 0xFF003300u); // then green
    EXPECT_EQ(palette.get_entry(1 + 36), 0xFF330000u);
    // Every cube colour is found again at its own index.
    for (int i = 1; i <= 216; ++i) {
        EXPECT_EQ(cube.index_of(palette.get_entry(static_cast<std::size_t>(i))), i);
        EXPECT_EQ(palette.nearest_index(palette.get_entry(static_cast<std::size_t>(i))),
                  static_cast<std::size_t>(i == 216 ? 0 : i)); // entry 0 is white too
    }
}

TEST(ColorCube, CubesThatDoNotFitAreRefused) {
    HT_Palette palette;
    HT_Color_Cube too_far({6, 6, 6}, 1.0f, 41); // 41 + 216 > 256
    EXPECT_FALSE(too_far.validate());
    EXPECT_FALSE(palette.install(too_far));
    HT_Color_Cube one_level({1, 6, 6}, 1.0f, 0);
    EXPECT_FALSE(one_level.validate());
    HT_Color_Cube bad_gamma({6, 6, 6}, 0.0f, 0);
    EXPECT_FALSE(bad_gamma.validate());
    HT_Color_Cube last_fit({6, 6, 6}, 1.0f, 40);
    EXPECT_TRUE(last_fit.validate());
    EXPECT_TRUE(palette.install(last_fit));
    EXPECT_EQ(palette.get_entry(255), 0xFFFFFFFFu);
    EXPECT_EQ(palette.get_entry(39), 0u);
}

TEST(Palette, CopiesShareUntilOneChanges) {
    HT_Palette a;
    a.set_entry(5, 0xFF0000FFu);
    {
        HT_Palette b = a;
        EXPECT_EQ(a.share_count(), 2);
        b.set_entry(5, 0xFFFF0000u);
        EXPECT_EQ(a.share_count(), 1);
        EXPECT_EQ(a.get_entry(5), 0xFF0000FFu);
        EXPECT_EQ(b.get_entry(5), 0xFFFF0000u);
        HT_Palette c;
        c = a;
        c = c;
        EXPECT_EQ(a.share_count(), 2);
    }
    EXPECT_EQ(a.share_count(), 1);
    a.set_entry(256, 1); // out of range: ignored
    EXPECT_EQ(a.get_entry(256), 0u);
    // Counted references of the host work on palettes too.
    HT_Smart_Pointer<HT_Palette> shared(a.clone());
    EXPECT_EQ(shared->get_entry(5), 0xFF0000FFu);
}

// ---- action table and dispatch ----------------------------------------------------------

namespace {

struct Call_Log {
    std::vector<std::string> calls;
    HT_Renderer_Data* device = nullptr;
    HT_Rendition rendition;
};
Call_Log g_log;

void log_polytriangle(HT_Renderer_Data* device, const HT_Rendition* r, int count,
                      const HT_DCI_Point*) {
    g_log.calls.push_back("polytriangle " + std::to_string(count));
    g_log.device = device;
    g_log.rendition = *r;
}
void log_shared(HT_Renderer_Data* device, const HT_Rendition*, const HT_DCI_Point* p,
                HT_Shared_Image*) {
    g_log.calls.push_back("image " + std::to_string(p->x) + "," + std::to_string(p->y));
    g_log.device = device;
}
void log_clear(HT_Renderer_Data* device) {
    g_log.calls.push_back("clear");
    g_log.device = device;
}
void log_index8(HT_Renderer_Data*, const HT_Rendition*, const HT_DCI_Point*, const HT_DCI_Point*,
                int row_bytes, const void*) {
    g_log.calls.push_back("index8 " + std::to_string(row_bytes));
}

HT_Rendition colored(std::uint32_t color) {
    HT_Rendition r;
    r.color = color;
    return r;
}

} // namespace

TEST(Actions, RegisteredActionsAreCalledWithTheirDevice) {
    g_log = {};
    Grid_Device d;
    Grid_Device other;
    d.set_draw_dci_polytriangle_action(&other, log_polytriangle, 0, 1);
    d.set_clear_drawing_buffer_action(&d, log_clear, 0, 1);
    EXPECT_EQ(d.actions().draw_dci_polytriangle.options, 0);
    EXPECT_EQ(d.actions().draw_dci_polytriangle.enabled, 1);

    HT_Renderer renderer(d);
    const std::vector<HT_DCI_Point> strip{{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {10, 10, 0}};
    EXPECT_TRUE(renderer.draw_triangle_strip(strip, colored(0xFF00FF00u)));
    ASSERT_EQ(g_log.calls.size(), 1u);
    EXPECT_EQ(g_log.calls[0], "polytriangle 4");
    EXPECT_EQ(g_log.device, &other);
    EXPECT_TRUE(d.hits.empty());
    EXPECT_TRUE(renderer.clear());
    EXPECT_EQ(g_log.calls.back(), "clear");

    // A disabled entry is not called; the strip falls back to the standard drawing.
    d.set_draw_dci_polytriangle_action(&d, log_polytriangle, 0, 0);
    EXPECT_TRUE(renderer.draw_triangle_strip(strip, colored(0xFF00FF00u)));
    EXPECT_EQ(g_log.calls.size(), 2u);
    EXPECT_EQ(d.hits.size(), 100u);
    EXPECT_EQ(d.values.at({5, 5}), 0xFF00FF00u);
    EXPECT_FALSE(renderer.draw_triangle_strip({strip.data(), 2}, colored(0)));
}

TEST(Actions, StandardActionsAreTheHostsOwnAndCanBeCleared) {
    Grid_Device d;
    d.set_standard_actions(true);
    EXPECT_EQ(d.actions().draw_dci_polytriangle.action, HD_Standard_Draw_DCI_Polytriangle);
    EXPECT_EQ(d.actions().draw_dci_image.action, HD_Standard_Draw_DCI_Image);
    EXPECT_EQ(d.actions().draw_dci_bitonal_image.action, HD_Standard_Draw_DCI_Bitonal_Image);
    EXPECT_FALSE(d.actions().draw_dci_dot.usable()); // the host cannot write dots itself
    EXPECT_FALSE(d.actions().draw_dci_index8_image.usable());
    d.set_standard_actions(false);
    EXPECT_FALSE(d.actions().draw_dci_polytriangle.usable());
    EXPECT_FALSE(d.actions().draw_dci_image.usable());

    // Without a dot action nothing can draw primitives.
    HT_Renderer renderer(d);
    const std::vector<HT_DCI_Point> tri{{0, 0, 0}, {4, 0, 0}, {0, 4, 0}};
    EXPECT_FALSE(renderer.draw_dot({1, 1, 0}, colored(0)));
    EXPECT_FALSE(renderer.fill_polygon(tri, colored(0)));
    EXPECT_FALSE(renderer.draw_triangle_strip(tri, colored(0)));
    EXPECT_FALSE(renderer.clear());
}

TEST(Actions, SharedImagesGoToTheImageActionAtWholeDots) {
    g_log = {};
    Grid_Device d;
    HT_Smart_Pointer<HT_Memory_Image> img(new HT_Memory_Image(1, 1, {0xFF000000u}));
    d.set_draw_dci_image_action(&d, log_shared, 0, 1);
    HT_Renderer renderer(d);
    EXPECT_TRUE(renderer.draw_image(HT_DCI_Point{3, 4, 0}, *img, colored(0)));
    // Without an action for real-valued points, the point is truncated toward zero.
    EXPECT_TRUE(renderer.draw_image(HT_Point{-2.5f, 7.9f, 0}, *img, colored(0)));
    EXPECT_FALSE(renderer.draw_image(HT_Point{std::nanf(""), 0, 0}, *img, colored(0)));
    EXPECT_EQ(g_log.calls, (std::vector<std::string>{"image 3,4", "image -2,7"}));
    EXPECT_TRUE(d.hits.empty());
}

TEST(Actions, RowImagesGoOnlyToTheirOwnAction) {
    g_log = {};
    Grid_Device d(HT_Color_System_Indexed);
    HT_Renderer renderer(d);
    const std::uint8_t pixels[8] = {};
    EXPECT_FALSE(renderer.draw_index8_image({0, 0, 0}, {3, 1, 0}, 4, pixels, colored(0)));
    d.set_draw_dci_index8_image_action(&d, log_index8, 0, 1);
    EXPECT_FALSE(renderer.draw_index8_image({0, 0, 0}, {3, 1, 0}, -4, pixels, colored(0)));
    EXPECT_FALSE(renderer.draw_index8_image({0, 0, 0}, {3, 1, 0}, 4, nullptr, colored(0)));
    EXPECT_TRUE(renderer.draw_index8_image({0, 0, 0}, {3, 1, 0}, 4, pixels, colored(0)));
    EXPECT_EQ(g_log.calls, std::vector<std::string>{"index8 4"});
    EXPECT_FALSE(renderer.draw_rgb32_image({0, 0, 0}, {3, 1, 0}, 16, pixels, colored(0)));
}

TEST(Renderer, IndexedSystemMapsColoursThroughThePalette) {
    g_log = {};
    Grid_Device d(HT_Color_System_Indexed);
    HT_Palette palette;
    palette.set_entry(0, 0xFFFFFFFFu);
    palette.set_entry(7, 0xFFFF0000u);
    palette.set_entry(9, 0xFF0000F0u);
    d.renderer_options().set_palette(palette);
    HT_Renderer renderer(d);

    EXPECT_EQ(renderer.resolve(colored(0xFFFF0000u)).color_index, 7);
    EXPECT_EQ(renderer.resolve(colored(0xFF0000FFu)).color_index, 9); // nearest
    HT_Rendition by_index = colored(0xFFFF0000u);
    by_index.color_index = 3;
    EXPECT_EQ(renderer.resolve(by_index).color_index, 3);

    EXPECT_TRUE(renderer.draw_dot({4, 5, 0}, colored(0xFFF00000u)));
    EXPECT_EQ(d.values.at({4, 5}), 7u);

    d.set_draw_dci_polytriangle_action(&d, log_polytriangle, 0, 1);
    const std::vector<HT_DCI_Point> tri{{0, 0, 0}, {4, 0, 0}, {0, 4, 0}};
    renderer.draw_triangle_strip(tri, colored(0xFF0000F0u));
    EXPECT_EQ(g_log.rendition.color_index, 9);
}

TEST(Renderer, TrueColourTakesAnIndexedColourFromThePalette) {
    Grid_Device d(HT_Color_System_True_Color);
    HT_Renderer renderer(d);
    HT_Rendition r = colored(0xFF010203u);
    r.color_index = 7;
    EXPECT_EQ(renderer.resolve(r).color, 0xFF010203u); // no palette: the colour stays
    HT_Palette palette;
    palette.set_entry(7, 0xFFFF0000u);
    d.renderer_options().set_palette(palette);
    EXPECT_EQ(renderer.resolve(r).color, 0xFFFF0000u);
}

TEST(Renderer, WidePolylinesAreFilledRectanglesWithSquareEnds) {
    Grid_Device d;
    HT_Renderer renderer(d);
    const std::vector<HT_DCI_Point> line{{10, 10, 0}, {30, 10, 0}};
    EXPECT_TRUE(renderer.draw_polyline(line, 4.0f, colored(0xFF000000u)));
    // x from 8 to 32, y from 8 to 12.
    EXPECT_EQ(d.hits.size(), 96u);
    EXPECT_TRUE(d.has(8, 8));
    EXPECT_TRUE(d.has(31, 11));
    EXPECT_FALSE(d.has(32, 11));

    // Thin polylines are connected one-dot lines, corner dots included.
    d.reset();
    const std::vector<HT_DCI_Point> corner{{0, 0, 0}, {5, 0, 0}, {5, 5, 0}};
    EXPECT_TRUE(renderer.draw_polyline(corner, 1.0f, colored(0xFF000000u)));
    EXPECT_EQ(d.hits.size(), 11u);
    EXPECT_FALSE(renderer.draw_polyline({corner.data(), 1}, 1.0f, colored(0)));
    EXPECT_FALSE(renderer.draw_polyline(corner, std::nanf(""), colored(0)));
}

TEST(Renderer, PolygonsHonourTheClipRegionThroughTheDotAction) {
    // The dot action of a real device tests the clip region; this one records
    // that it was handed over.
    Grid_Device d;
    HT_Renderer renderer(d);
    HT_Rendition r = colored(0xFF000000u);
    r.clip_region = new HT_Contour_Set_Data({{{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}}});
    static const HT_Contour_Set_Data* seen = nullptr;
    d.set_draw_dci_dot_action(
        &d,
        [](HT_Renderer_Data*, const HT_Rendition* rendition, const HT_DCI_Point*,
           const std::uint32_t*) { seen = rendition->clip_region.get(); },
        0, 1);
    const std::vector<HT_DCI_Point> square{{0, 0, 0}, {8, 0, 0}, {8, 8, 0}, {0, 8, 0}};
    EXPECT_TRUE(renderer.fill_polygon(square, r));
    EXPECT_EQ(seen, r.clip_region.get());
}

// ---- shared images ----------------------------------------------------------------------

namespace {

// Colours 0xAARRGGBB, top row first.
HT_Memory_Image* checker_image(int w, int h) {
    std::vector<std::uint32_t> px(static_cast<std::size_t>(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px[static_cast<std::size_t>(y * w + x)] =
                0xFF000000u | static_cast<std::uint32_t>(y) << 8 | static_cast<std::uint32_t>(x);
    return new HT_Memory_Image(w, h, std::move(px));
}

} // namespace

TEST(SharedImage, MemorySourceDeliversRequestedRowsTopDown) {
    HT_Smart_Pointer<HT_Memory_Image> img(checker_image(4, 3));
    HT_Image_Source& src = img->source();
    EXPECT_EQ(src.x1, 3);
    EXPECT_EQ(src.y1, 2);
    HT_Image_Request rq;
    rq.x0 = rq.area_x0 = 1;
    rq.x1 = rq.area_x1 = 3;
    rq.y0 = rq.area_y0 = 0;
    rq.y1 = rq.area_y1 = 1; // the two lower rows
    rq.row_bytes = 16;
    HT_Image_Block* b = src.fetch(&rq, src.user_value, src.user_handle);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->row_bytes, 16);
    // Block row 0 is source y 1, image row 1; bytes red, green, blue, alpha.
    EXPECT_EQ(b->pixels[0], 0);
    EXPECT_EQ(b->pixels[1], 1);
    EXPECT_EQ(b->pixels[2], 1);
    EXPECT_EQ(b->pixels[3], 0xFF);
    EXPECT_EQ(b->pixels[16 + 1], 2); // block row 1: image row 2
    EXPECT_EQ(b->pixels[16 + 2 + 8], 3);
    EXPECT_EQ(img->blocks_held(), 1);
    src.release(b, src.user_value, src.user_handle);
    src.release(b, src.user_value, src.user_handle); // twice: ignored
    EXPECT_EQ(img->blocks_held(), 0);

    // Outside the source, or in no known format: nothing.
    rq.y0 = rq.area_y0 = 5;
    rq.y1 = rq.area_y1 = 6;
    EXPECT_EQ(src.fetch(&rq, src.user_value, src.user_handle), nullptr);
    rq.y0 = rq.area_y0 = 0;
    rq.pixel_size = 24;
    EXPECT_EQ(src.fetch(&rq, src.user_value, src.user_handle), nullptr);
    EXPECT_THROW(HT_Memory_Image(2, 2, std::vector<std::uint32_t>(3)), HT_Error);
}

TEST(SharedImage, MemorySourceHonoursIndexedAndBitonalRequests) {
    // One row: white, black, transparent, red.
    HT_Smart_Pointer<HT_Memory_Image> img(
        new HT_Memory_Image(4, 1, {0xFFFFFFFFu, 0xFF000000u, 0x00000000u, 0xFFFF0000u}));
    HT_Image_Source& src = img->source();
    const std::uint8_t pal[4][3] = {{255, 255, 255}, {0, 0, 0}, {255, 255, 255}, {250, 0, 0}};
    HT_Image_Request rq;
    rq.x0 = rq.area_x0 = 0;
    rq.x1 = rq.area_x1 = 3;
    rq.y0 = rq.area_y0 = rq.y1 = rq.area_y1 = 0;
    rq.palette = pal;
    rq.palette_size = 4;

    rq.format = HT_Request_Bytes;
    rq.pixel_size = 8;
    rq.no_pixel.value = 254;
    HT_Image_Block* b = src.fetch(&rq, src.user_value, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(std::vector<int>(b->pixels, b->pixels + 4), (std::vector<int>{0, 1, 254, 3}));
    src.release(b, src.user_value, nullptr);

    rq.pixel_size = 2;
    rq.palette_size = 2;
    rq.no_pixel.value = 0;
    rq.background.value = 2;
    rq.foreground.value = 1;
    b = src.fetch(&rq, src.user_value, nullptr);
    ASSERT_NE(b, nullptr);
    // Pure red is nearer black than white: a foreground pixel.
    EXPECT_EQ(std::vector<int>(b->pixels, b->pixels + 4), (std::vector<int>{2, 1, 0, 1}));
    src.release(b, src.user_value, nullptr);

    rq.format = HT_Request_Bits;
    rq.pixel_size = 1;
    rq.background.value = 0;
    b = src.fetch(&rq, src.user_value, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->pixels[0], 0x50); // the black and the red pixel; bit 7 is the leftmost
    src.release(b, src.user_value, nullptr);

    rq.palette = nullptr;
    EXPECT_EQ(src.fetch(&rq, src.user_value, nullptr), nullptr);
    EXPECT_EQ(img->blocks_held(), 0);
}

// Every palette index the memory source answers is the one a full search
// gives (nearest, lowest index on a tie), whatever palette came before and
// however colours repeat, fade to transparency or come back; padding is 0.
TEST(SharedImage, MatchedIndicesAreThoseOfAFullSearch) {
    std::mt19937 rng(5);
    const int w = 301, h = 7;
    std::vector<std::uint32_t> px(static_cast<std::size_t>(w * h));
    for (std::size_t i = 0; i < px.size();) {
        const std::size_t run = std::min<std::size_t>(1 + rng() % 9, px.size() - i);
        const std::uint32_t rgb = rng() % 4 == 0 ? 0x00FF0000u : rng() & 0xFFFFFFu;
        for (std::size_t k = 0; k < run; ++k, ++i)
            px[i] = (rng() % 5 == 0 ? 0u : 0xFF000000u) | rgb; // some of a run transparent
    }
    HT_Smart_Pointer<HT_Memory_Image> img(new HT_Memory_Image(w, h, px));
    HT_Image_Source& src = img->source();
    HT_Image_Request rq;
    rq.x0 = rq.area_x0 = 0;
    rq.x1 = rq.area_x1 = w - 1;
    rq.y0 = rq.area_y0 = 0;
    rq.y1 = rq.area_y1 = h - 1;
    rq.format = HT_Request_Bytes;
    rq.pixel_size = 8;
    rq.row_bytes = w + 3;
    rq.no_pixel.value = 254;
    std::uint8_t pal[256][3];
    for (int round = 0; round < 4; ++round) {
        // Few entries, or many with duplicates: ties must go to the lowest.
        rq.palette_size = round % 2 == 0 ? 8 : 256;
        for (auto& entry : pal)
            for (auto& c : entry)
                c = static_cast<std::uint8_t>(rng() % 4 * 85);
        rq.palette = pal;
        HT_Image_Block* b = src.fetch(&rq, src.user_value, nullptr);
        ASSERT_NE(b, nullptr);
        for (int i = 0; i < h; ++i)
            for (int k = 0; k < w + 3; ++k) {
                const std::uint32_t c = px[static_cast<std::size_t>(i * w + k % w)];
                int want = 0;
                if (k >= w) {
                    want = 0;
                } else if ((c >> 24) == 0) {
                    want = 254;
                } else {
                    long best = -1;
                    for (int e = 0; e < rq.palette_size; ++e) {
                        const long dr = pal[e][0] - static_cast<long>(c >> 16 & 0xFF),
                                   dg = pal[e][1] - static_cast<long>(c >> 8 & 0xFF),
                                   db = pal[e][2] - static_cast<long>(c & 0xFF);
                        const long d = dr * dr + dg * dg + db * db;
                        if (best < 0 || d < best) {
                            best = d;
                            want = e;
                        }
                    }
                }
                ASSERT_EQ(b->pixels[i * (w + 3) + k], want)
                    << "round " << round << ", row " << i << ", column " << k;
            }
        src.release(b, src.user_value, nullptr);
    }
}

TEST(SharedImage, StandardDrawingFetchesStripsAndSkipsTransparentPixels) {
    Grid_Device d;
    d.renderer_options().set_window(0, 0, 2000, 2000);
    std::vector<std::uint32_t> px(1000 * 300, 0xFF102030u);
    px[0] = 0; // top-left transparent
    HT_Smart_Pointer<HT_Memory_Image> img(new HT_Memory_Image(1000, 300, std::move(px)));
    HT_Renderer renderer(d);
    EXPECT_TRUE(renderer.draw_image(HT_DCI_Point{10, 400, 0}, *img, colored(0)));
    // 512 KiB strips of 4000-byte rows: 131 + 131 + 38.
    EXPECT_EQ(img->fetch_count(), 3);
    EXPECT_EQ(img->blocks_held(), 0);
    EXPECT_EQ(img->source().busy, 0);
    EXPECT_EQ(d.hits.size(), 1000u * 300u - 1u);
    EXPECT_FALSE(d.has(10, 400));
    EXPECT_TRUE(d.has(11, 400));
    EXPECT_TRUE(d.has(10, 101)); // bottom-left
    EXPECT_FALSE(d.has(10, 100));
    EXPECT_EQ(d.values.at({500, 200}), 0xFF102030u);
}

TEST(SharedImage, StandardDrawingFetchesOnlyWhatLandsInTheWindow) {
    Grid_Device d;
    d.renderer_options().set_window(0, 0, 100, 100);
    std::vector<std::uint32_t> px(300 * 10);
    for (std::size_t i = 0; i < px.size(); ++i)
        px[i] = 0xFF000000u | static_cast<std::uint32_t>(i % 300); // blue = column
    HT_Smart_Pointer<HT_Memory_Image> img(new HT_Memory_Image(300, 10, std::move(px)));
    HT_Rendition r = colored(0);
    // Columns -100 to 199 and rows 5 down to -4: 100 × 6 dots are visible.
    const HT_DCI_Point at{-100, 5, 0};
    HD_Standard_Draw_DCI_Image(&d, &r, &at, img.get());
    EXPECT_EQ(d.hits.size(), 600u);
    EXPECT_EQ(d.values.at({0, 5}) & 0xFF, 100u);
    EXPECT_EQ(d.values.at({99, 0}) & 0xFF, 199u);
    EXPECT_EQ(d.calls, 600);

    const HT_DCI_Point above{0, 500, 0};
    const int fetched = img->fetch_count();
    HD_Standard_Draw_DCI_Image(&d, &r, &above, img.get());
    EXPECT_EQ(img->fetch_count(), fetched);
}

TEST(SharedImage, StandardDrawingStopsAtAFailedBlockAndMapsIndexedColours) {
    Grid_Device d(HT_Color_System_Indexed);
    HT_Palette palette;
    palette.set_entry(12, 0xFF102030u);
    d.renderer_options().set_palette(palette);
    HT_Smart_Pointer<HT_Memory_Image> img(checker_image(2, 2));
    HT_Rendition r = colored(0);
    HT_DCI_Point at{0, 1, 0};
    img->fail_next_fetch(3);
    HD_Standard_Draw_DCI_Image(&d, &r, &at, img.get());
    EXPECT_EQ(d.calls, 0);
    EXPECT_EQ(img->source().busy, 0);

    HT_Smart_Pointer<HT_Memory_Image> one(new HT_Memory_Image(1, 1, {0xFF102131u}));
    HD_Standard_Draw_DCI_Image(&d, &r, &at, one.get());
    EXPECT_EQ(d.values.at({0, 1}), 12u);

    // A real-valued point is truncated toward zero.
    d.reset();
    const HT_Point real{-0.7f, 1.9f, 0};
    HD_Standard_Draw_DC_Image(&d, &r, &real, one.get());
    EXPECT_TRUE(d.has(0, 1));
}

TEST(BitonalImage, StandardDrawingFollowsTheFormat) {
    Grid_Device d;
    HT_Rendition r = colored(0);
    // Two rows of 10 pixels: top row 1100000001, bottom row all clear.
    const std::uint8_t rows[4] = {0xC0, 0x40, 0x00, 0x00};
    const HT_DCI_Point start{0, 1, 0}, end{9, 0, 0};
    HD_Standard_Draw_DCI_Bitonal_Image(&d, &r, &start, &end, 2, rows, HT_Bitonal_Set_Is_Black);
    EXPECT_EQ(d.hits.size(), 20u);
    EXPECT_EQ(d.values.at({0, 1}), 0xFF000000u);
    EXPECT_EQ(d.values.at({9, 1}), 0xFF000000u);
    EXPECT_EQ(d.values.at({2, 1}), 0xFFFFFFFFu);
    EXPECT_EQ(d.values.at({0, 0}), 0xFFFFFFFFu);

    // The other format swaps the colours; swapped corners change nothing.
    d.reset();
    HD_Standard_Draw_DCI_Bitonal_Image(&d, &r, &end, &start, 2, rows, HT_Bitonal_Set_Is_White);
    EXPECT_EQ(d.values.at({0, 1}), 0xFFFFFFFFu);
    EXPECT_EQ(d.values.at({0, 0}), 0xFF000000u);

    // Rows shorter than the width, or an unknown format: nothing.
    d.reset();
    HD_Standard_Draw_DCI_Bitonal_Image(&d, &r, &start, &end, 1, rows, HT_Bitonal_Set_Is_Black);
    HD_Standard_Draw_DCI_Bitonal_Image(&d, &r, &start, &end, 2, rows, 2);
    EXPECT_EQ(d.calls, 0);
}

// ---- device base -----------------------------------------------------------------------

namespace {
struct Counting_Device : HT_Plotter_Device_Data {
    int established = 0, begun = 0;
    std::string document;
    void establish() override { ++established; }
    void begin_picture(const HT_Document_Info& info) override {
        ++begun;
        document = info.document_name.str();
    }
};
} // namespace

TEST(DeviceBase, AllFormsReachTheDeviceAndBlocksAreTheDevicesOwn) {
    Counting_Device d;
    HT_Plotter_Device_Data& base = d;
    base.establish_all();
    HT_Document_Info info;
    info.document_name = "drawing.dwg";
    base.begin_picture_all(info);
    EXPECT_EQ(d.established, 1);
    EXPECT_EQ(d.begun, 1);
    EXPECT_EQ(d.document, "drawing.dwg");
    EXPECT_EQ(base.get_renderer_options_block(), &d.renderer_options());
    EXPECT_EQ(base.get_plot_options_block(), &d.plot_options());
}

TEST(DeviceBase, BandsCoverTheWindowFromTheTop) {
    HT_Plotter_Device_Data d;
    d.renderer_options().set_window(0, 0, 100, 250);
    HT_Int_Rect band;
    HT_Banding_Requirements req;
    EXPECT_FALSE(d.get_banding_requirements(req));
    ASSERT_TRUE(d.get_banding_rectangle(0, band));
    EXPECT_EQ(band, (HT_Int_Rect{0, 0, 99, 249}));
    EXPECT_FALSE(d.get_banding_rectangle(1, band));

    d.plot_options().band_height = 100;
    EXPECT_TRUE(d.get_banding_requirements(req));
    ASSERT_TRUE(d.get_banding_rectangle(0, band));
    EXPECT_EQ(band, (HT_Int_Rect{0, 150, 99, 249}));
    ASSERT_TRUE(d.get_banding_rectangle(2, band));
    EXPECT_EQ(band, (HT_Int_Rect{0, 0, 99, 49}));
    EXPECT_FALSE(d.get_banding_rectangle(3, band));
    EXPECT_FALSE(d.get_banding_rectangle(-1, band));
    d.renderer_options().set_window(0, 0, -5, 10);
    EXPECT_FALSE(d.get_banding_rectangle(0, band));
}

TEST(PlotterIO, StartOfDocumentKeepsTheDocumentAndShortWritesAreCounted) {
    HT_Smart_Pointer<HT_Plotter_IO> io(new HT_Plotter_IO);
    char path[] = "/tmp/vorna_io_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    io->set_target(path);
    HT_Document_Info info;
    info.document_name = "plan";
    EXPECT_FALSE(io->start_document(info)); // not open yet
    ASSERT_TRUE(io->open());
    EXPECT_TRUE(io->start_document(info));
    EXPECT_EQ(io->document().document_name.str(), "plan");
    EXPECT_EQ(io->documents_started(), 2);
    io->set_write_limit(5);
    EXPECT_EQ(io->write("abcdefgh", 8), 5u);
    EXPECT_EQ(io->write("ij", 2), 0u);
    EXPECT_TRUE(io->close());
    std::FILE* f = std::fopen(path, "rb");
    ASSERT_NE(f, nullptr);
    char buf[16] = {};
    EXPECT_EQ(std::fread(buf, 1, sizeof buf, f), 5u);
    std::fclose(f);
    std::remove(path);
    EXPECT_EQ(std::string(buf), "abcde");
}

// The drawing actions on a page image: where dots land, what they write in
// each colour system, blocks above 400 dpi, clipping, strips and clearing.
#include "driver_host.h"

#include "ie_rep.h"
#include "raster_draw.h"
#include "raster_palette.h"

#include <set>
#include <utility>

namespace {

using Drawing = Driver_Host;
using Pixels = std::set<std::pair<int, int>>;

constexpr std::uint32_t red = 0xFFFF0000u;
constexpr std::uint32_t black = 0xFF000000u;

// Every pixel of the page image that is not `cleared`, as (column, row).
Pixels written(const RASTER_Driver& d, Ie_Pixel cleared = 0) {
    Pixels out;
    for (int r = 0; r <= d.m_last_row; ++r)
        for (int c = 0; c <= d.m_last_column; ++c)
            if (d.m_image->pixel(c, r) != cleared)
                out.insert({c, r});
    return out;
}

Pixels block(int c0, int r0, int size) {
    Pixels out;
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i)
            out.insert({c0 + i, r0 + j});
    return out;
}

HT_Smart_Pointer<HT_Contour_Set_Data> square(float x0, float y0, float x1, float y1) {
    HT_Smart_Pointer<HT_Contour_Set_Data> clip(new HT_Contour_Set_Data);
    clip->add_contour({{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}});
    return clip;
}

} // namespace

TEST_F(Drawing, ADotLandsPastThePadOnTheFlippedRow) {
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    index_dot(0, 0, 7);
    index_dot(5, 3, 9);
    EXPECT_EQ(written(d), (Pixels{{4, 10}, {9, 7}}));
    EXPECT_EQ(d.m_image->pixel(4, 10), 7u);
    EXPECT_EQ(raster_device::page_output_device(), &d);
}

TEST_F(Drawing, DotsOutsideTheImageDrawNothing) {
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    const int lx = d.m_last_column, ly = d.m_last_row;
    for (auto [x, y] : {std::pair{lx + 1, 0},
                        {0, -1},
                        {-1, 0},
                        {0, ly + 1},
                        {lx, 0},
                        std::pair{lx - 2, 3},
                        {2147483647, 0}})
        index_dot(x, y, 5);
    EXPECT_TRUE(written(d).empty());
}

TEST_F(Drawing, AClipRegionDropsDotsOutsideIt) {
    small_page(20, 10);
    establish();
    begin();
    HT_Rendition rendition;
    rendition.color_index = 3;
    rendition.clip_region = square(0, 0, 4, 4);
    const auto& entry = device().actions().draw_dci_dot;
    for (HT_DCI_Point p : {HT_DCI_Point{2, 2, 0}, HT_DCI_Point{8, 2, 0}})
        entry.action(entry.device, &rendition, &p, nullptr);
    EXPECT_EQ(written(device()), (Pixels{{6, 8}}));
}

TEST_F(Drawing, TrueColourDotsKeepRedGreenBlueAlpha) {
    set("res-color-mem", std::to_string(rcm_360_true_color));
    small_page(20, 10);
    establish();
    begin();
    dot(1, 1, 0x80102030u);
    EXPECT_EQ(device().m_image->pixel(2, 9), 0x80302010u); // 0xAABBGGRR
}

TEST_F(Drawing, BitonalInkDependsOnTheBackground) {
    set("res-color-mem", std::to_string(rcm_360_mono));
    small_page(20, 10);
    for (std::uint32_t background : {0xFFFFFFu, 0u}) {
        set("RASTER_RGB_Back_Color", std::to_string(background));
        establish();
        begin();
        RASTER_Driver& d = device();
        const std::uint32_t ink = background ? black : red;
        const std::uint32_t paper = background ? red : black;
        dot(3, 3, ink);
        EXPECT_EQ(d.m_image->pixel(35, 7), 1u) << background;
        dot(3, 3, paper);
        EXPECT_EQ(d.m_image->pixel(35, 7), 0u) << background;
        m_progress->cancel_when = [](int) { return true; };
        end();
        m_progress->cancel_when = nullptr;
    }
}

TEST_F(Drawing, Above600DpiADotIsAFourByFourBlockCutAtTheImageEdges) {
    set("res-color-mem", std::to_string(rcm_720_indexed));
    small_page(30, 12);
    establish();
    begin();
    RASTER_Driver& d = device();
    const int lx = d.m_last_column, ly = d.m_last_row;
    index_dot(5, 6, 5);
    EXPECT_EQ(written(d), block(8, ly - 8, 4)) << "one column left, two rows up";

    // A block over an edge keeps only its part in the image; it is never
    // moved inside.
    d.m_image->fill(0);
    index_dot(0, 0, 5);
    Pixels bottom = block(3, ly - 2, 4);
    std::erase_if(bottom, [&](const auto& p) { return p.second > ly; });
    EXPECT_EQ(written(d), bottom);

    d.m_image->fill(0);
    index_dot(lx - 4 + 1, 6, 5); // x + pad = Lx + 1
    EXPECT_EQ(written(d), (Pixels{{lx, ly - 8}, {lx, ly - 7}, {lx, ly - 6}, {lx, ly - 5}}));

    // Blocks wholly off the image draw nothing, however far off.
    d.m_image->fill(0);
    index_dot(5, ly + 3, 5);
    index_dot(5, 30000, 5);
    index_dot(-10, 5, 5);
    index_dot(lx + 10, 5, 5);
    index_dot(5, -4, 5);
    EXPECT_TRUE(written(d).empty());

    // The clip region is in the host's coordinates, whatever the pad.
    d.m_image->fill(0);
    HT_Rendition rendition;
    rendition.color_index = 5;
    rendition.clip_region = square(10, 0, 11, 20);
    const HT_DCI_Point p{10, 6, 0};
    d.actions().draw_dci_dot.action(&d, &rendition, &p, nullptr);
    EXPECT_EQ(written(d), (Pixels{{14, ly - 8},
                                  {14, ly - 7},
                                  {14, ly - 6},
                                  {14, ly - 5},
                                  {15, ly - 8},
                                  {15, ly - 7},
                                  {15, ly - 6},
                                  {15, ly - 5}}));
}

TEST_F(Drawing, Between400And600DpiADotIsTwoByTwo) {
    small_page(20, 10);
    definition()
        .get_plotter_configuration()
        ->get_res_color_mem_configuration()
        ->get_current()
        ->x_resolution = 500;
    establish();
    begin();
    index_dot(3, 3, 5);
    EXPECT_EQ(written(device()), block(7, device().m_last_row - 4, 2));
}

TEST_F(Drawing, TriangleStripsFillTrianglesAndTwoPointsDrawNothing) {
    small_page(40, 30);
    establish();
    begin();
    RASTER_Driver& d = device();
    HT_Rendition rendition;
    rendition.color_index = 4;
    const auto& strip = d.actions().draw_dci_polytriangle;
    const HT_DCI_Point two[] = {{1, 1, 0}, {20, 20, 0}};
    strip.action(strip.device, &rendition, 2, two);
    EXPECT_TRUE(written(d).empty());

    const HT_DCI_Point four[] = {{2, 2, 0}, {2, 12, 0}, {12, 2, 0}, {12, 12, 0}};
    strip.action(strip.device, &rendition, 4, four);
    const Pixels square_pixels = written(d);
    EXPECT_GE(square_pixels.size(), 100u);
    EXPECT_TRUE(square_pixels.count({4 + 5, d.m_last_row - 5}));

    // Patterned strips are the host's to draw; they still reach the page.
    d.m_image->fill(0);
    rendition.fill.style = HT_Fill_Pattern;
    strip.action(strip.device, &rendition, 4, four);
    const Pixels patterned = written(d);
    EXPECT_FALSE(patterned.empty());
    EXPECT_LT(patterned.size(), square_pixels.size());
}

TEST_F(Drawing, ClearingGivesEveryPixelTheBackground) {
    set("res-color-mem", std::to_string(rcm_360_true_color));
    set("RASTER_RGB_Back_Color", std::to_string(0x336699));
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    EXPECT_TRUE(written(d, 0xFF336699u).empty()) << "the page starts cleared";
    dot(2, 2, red);
    EXPECT_FALSE(written(d, 0xFF336699u).empty());
    raster_device::set_page_output_device(nullptr);
    d.actions().clear_drawing_buffer.action(&d);
    EXPECT_TRUE(written(d, 0xFF336699u).empty());
    EXPECT_EQ(raster_device::page_output_device(), &d);
}

TEST_F(Drawing, ACancelledPlotDrawsNothing) {
    small_page(20, 10);
    establish();
    begin();
    m_progress->cancel_when = [](int) { return true; };
    index_dot(2, 2, 5);
    EXPECT_TRUE(written(device()).empty());
    EXPECT_EQ(raster_device::page_output_device(), &device());
    EXPECT_EQ(ie_test::state_calls().back(), (std::pair<int, int>{0, 1}));
    end();
}

TEST_F(Drawing, ActionsWithoutAPageImageDrawNothing) {
    small_page(20, 10);
    establish();
    index_dot(2, 2, 5);
    device().actions().clear_drawing_buffer.action(&device());
    EXPECT_EQ(device().m_image, nullptr);
}

TEST_F(Drawing, AnUnknownColourSystemFailsEachAction) {
    small_page(20, 10);
    establish();
    begin();
    RASTER_Driver& d = device();
    d.m_color_system = 9;
    const HT_Rendition rendition;
    const HT_DCI_Point p{2, 2, 0};
    const struct {
        const char* operation;
        std::function<void()> call;
    } actions[] = {
        {"raster_plotter_draw_dci_dot",
         [&] { raster_plotter_draw_dci_dot(&d, &rendition, &p, nullptr); }},
        {"raster_plotter_draw_over400dpi_dci_dot",
         [&] { raster_plotter_draw_over400dpi_dci_dot(&d, &rendition, &p, nullptr); }},
        {"raster_plotter_clear_drawing_buffer", [&] { raster_plotter_clear_drawing_buffer(&d); }},
    };
    for (const auto& a : actions) {
        const Caught e = error_of(a.call);
        EXPECT_TRUE(e.severe());
        EXPECT_EQ(e.code(), 102);
        EXPECT_EQ(e.operation(), a.operation);
        EXPECT_EQ(e.detail(), "Invalid color system or palette depth");
        EXPECT_EQ(e.unit(), "rasterdraw");
    }
}

TEST_F(Drawing, PagedImagesAreWrittenThroughTheirWindow) {
    for (Rcm_Entry entry : {rcm_360_indexed, rcm_360_true_color, rcm_360_mono}) {
        SCOPED_TRACE(entry);
        set("res-color-mem", std::to_string(entry));
        set("RASTER_RGB_Back_Color", "16777215");
        small_page(100, 30);
        ieRep.set_paging(2, 4);
        establish();
        begin();
        RASTER_Driver& d = device();
        ASSERT_TRUE(d.m_image->paged());
        const Ie_Pixel cleared = d.m_image->pixel(0, 0);
        for (auto [x, y] : {std::pair{0, 0}, {99, 29}, {50, 3}, {1, 28}, {98, 1}}) {
            if (entry == rcm_360_indexed)
                index_dot(x, y, 5);
            else
                dot(x, y, black);
        }
        Pixels expected;
        for (auto [x, y] : {std::pair{0, 0}, {99, 29}, {50, 3}, {1, 28}, {98, 1}})
            expected.insert({x + d.m_pad_x, d.m_last_row - y});
        EXPECT_EQ(written(d, cleared), expected);
        m_progress->cancel_when = [](int) { return true; };
        end();
        m_progress->cancel_when = nullptr;
    }
}

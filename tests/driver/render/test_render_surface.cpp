// The drawing actions on a page surface of the test's own, without the
// device: the surface alone must be enough to set up a colour system, draw
// through the host's renderer, honour a cancel and mark the page drawn.
#include "ht_draw.h"
#include "ie_rep.h"
#include "raster_draw.h"
#include "raster_palette.h"
#include "raster_surface.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using namespace raster_render;

class Cancel_Progress : public HT_Progress {
public:
    int query_and_count() override { return cancel ? 1 : 0; }
    bool cancel = false;
};

// A page of `width` x `height` printed dots, padded as the device pads it.
class Test_Page : public RASTER_Drawing_Surface {
public:
    Test_Page(int color_system, int width, int height) {
        set_standard_actions(false);
        m_resolution = 360;
        m_background = 0xFFFFFFFFu;
        set_up_color_system(*this, color_system, "test page");
        m_pad_x = 4;
        m_last_column = width + 2 * m_pad_x - 1;
        m_last_row = height - 1;
        const bool indexed = color_system == color_system_indexed;
        std::array<Ie_Rgba, palette_size> entries{};
        Ie_Space_Ref space = csRgb;
        if (indexed)
            space =
                csSpaceRepConstructor1(csRgb, static_cast<int>(palette_size), 0, entries.data(), 0);
        m_image =
            ieRep.create_image(m_last_column + 1, height,
                               indexed ? ie_pixel::index8 : ie_pixel::rgb32, space, ieSizeAny);
        m_image->fill(cleared_value(color_system, m_background));
        m_image_access = m_image->write_context();
        m_image_rows = m_image_access->rows();
        m_image_windowed = m_image_access->windowed();
        m_image_width = m_image_access->width();
        m_image_height = m_image_access->height();
        m_progress = new Cancel_Progress;
    }
    Cancel_Progress& progress() { return static_cast<Cancel_Progress&>(*m_progress); }
};

TEST(Render_Surface, DrawsTrueColourThroughTheHostsRendererAndStopsOnCancel) {
    Test_Page page(color_system_true_color, 20, 10);
    HT_Renderer renderer(page);
    HT_Rendition rendition;
    rendition.color = 0x80102030u;
    set_page_output_device(nullptr);

    // Host row 1 is page row 8; host column 1 lies past the pad.
    ASSERT_TRUE(renderer.draw_dot({1, 1, 0}, rendition));
    EXPECT_EQ(page.m_image->pixel(5, 8), 0x80302010u); // 0xAABBGGRR
    EXPECT_EQ(page_output_device(), &page);

    // A row image lands with red first, its first row on top.
    const std::uint32_t rows[2] = {0xFF0000FFu, 0xFF00FF00u};
    ASSERT_TRUE(renderer.draw_rgb32_image({3, 5, 0}, {3, 4, 0}, 4, rows, rendition));
    EXPECT_EQ(page.m_image->pixel(7, 4), 0xFFFF0000u);
    EXPECT_EQ(page.m_image->pixel(7, 5), 0xFF00FF00u);

    // A cancelled plot draws nothing but still marks its page.
    set_page_output_device(nullptr);
    page.progress().cancel = true;
    renderer.draw_dot({2, 2, 0}, rendition);
    EXPECT_EQ(page.m_image->pixel(6, 7), cleared_value(color_system_true_color, 0xFFFFFFFFu));
    EXPECT_EQ(page_output_device(), &page);
    set_page_output_device(nullptr);
}

TEST(Render_Surface, AnIndexedPageGetsItsPaletteAndStoresIndices) {
    Test_Page page(color_system_indexed, 20, 10);
    // Background, the colour cube from index 1 (black first), the grey ramp.
    EXPECT_EQ(page.m_palette.get_entry(0), 0xFFFFFFFFu);
    EXPECT_EQ(page.m_palette.get_entry(1), host_color(0, 0, 0));
    EXPECT_EQ(page.m_palette.get_entry(216), host_color(255, 255, 255));
    EXPECT_EQ(palette_rgb_table()[1], (Palette_Rgb{0, 0, 0}));

    HT_Renderer renderer(page);
    HT_Rendition rendition;
    rendition.color_index = 9;
    const HT_DCI_Point strip[4] = {{0, 0, 0}, {3, 0, 0}, {0, 3, 0}, {3, 3, 0}};
    ASSERT_TRUE(renderer.draw_triangle_strip(strip, rendition));
    EXPECT_EQ(page.m_image->pixel(4, 9), 9u);
    EXPECT_EQ(page.m_image->pixel(6, 7), 9u);
    EXPECT_EQ(page.m_image->pixel(8, 9), 0u);
    set_page_output_device(nullptr);
}

} // namespace

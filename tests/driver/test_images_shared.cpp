// Shared images: strips from the top, composed and direct drawing, clip
// regions, quiet stops and the failures that end an image.
#include "test_images_support.h"

#include "ie_rep.h"

#include <set>

namespace {

using namespace image_test;

// Records each request and the busy byte at each fetch and release, and
// can answer the nth fetch with a status word, nothing or rows too short.
class Recorder {
public:
    enum class Answer { block, status, nothing, short_rows };

    explicit Recorder(HT_Shared_Image& image) : m_source(image.source()), m_saved(image.source()) {
        m_source.fetch = &Recorder::fetch;
        m_source.release = &Recorder::release;
        m_source.user_value = this;
    }
    ~Recorder() {
        m_source.fetch = m_saved.fetch;
        m_source.release = m_saved.release;
        m_source.user_value = m_saved.user_value;
    }

    std::vector<HT_Image_Request> requests;
    std::vector<int> busy; // at each fetch and each release, in order
    int releases = 0;
    int answer_at = 0;
    Answer answer = Answer::block;

private:
    static HT_Image_Block* fetch(const HT_Image_Request* q, void* self_, void* handle) {
        auto& self = *static_cast<Recorder*>(self_);
        self.requests.push_back(*q);
        self.busy.push_back(self.m_source.busy);
        const bool now = static_cast<int>(self.requests.size()) == self.answer_at;
        if (now && self.answer == Answer::nothing)
            return nullptr;
        HT_Image_Block* block = self.m_saved.fetch(q, self.m_saved.user_value, handle);
        if (now && self.answer == Answer::status)
            block->status[1] = 7;
        if (now && self.answer == Answer::short_rows)
            block->row_bytes = 1;
        return block;
    }
    static void release(HT_Image_Block* block, void* self_, void* handle) {
        auto& self = *static_cast<Recorder*>(self_);
        ++self.releases;
        self.busy.push_back(self.m_source.busy);
        self.m_saved.release(block, self.m_saved.user_value, handle);
    }

    HT_Image_Source& m_source;
    const HT_Image_Source m_saved;
};

HT_Smart_Pointer<HT_Memory_Image> solid(int width, int height, std::uint32_t colour) {
    return shared(width, height,
                  std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, colour));
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
    void page(Rcm_Entry entry, std::uint32_t background = 0xFFFFFF) {
        set("res-color-mem", std::to_string(entry));
        set("RASTER_RGB_Back_Color", std::to_string(background));
        small_page(20, 10);
        establish();
        begin();
    }
    void draw(HT_DCI_Point at, HT_Shared_Image& image, const HT_Rendition& r = HT_Rendition()) {
        const auto& a = device().actions().draw_dci_image;
        a.action(a.device, &r, &at, &image);
    }
    // Ends a picture without printing it.
    void drop_page() {
        m_progress->cancel_when = [](int) { return true; };
        end();
        m_progress->cancel_when = nullptr;
    }
};

TEST_F(Shared_Images, StripsOfAtMost512KiBComeFromTheTopDown) {
    page(rcm_360_true_color);
    RASTER_Driver& d = device();
    // 1000 colours a row: strips of 131 rows. The top row lands on row 1.
    auto image = solid(1000, 300, red);
    {
        Recorder r(*image);
        draw({0, d.m_last_row - 1, 0}, *image);
        ASSERT_EQ(r.requests.size(), 3u);
        const int rows[3][2] = {{169, 299}, {38, 168}, {0, 37}};
        for (std::size_t s = 0; s < 3; ++s) {
            EXPECT_EQ(r.requests[s].y0, rows[s][0]);
            EXPECT_EQ(r.requests[s].y1, rows[s][1]);
            EXPECT_EQ(r.requests[s].row_bytes, 4000);
        }
        EXPECT_EQ(r.busy, (std::vector<int>{1, 0, 1, 0, 1, 0}));
    }
    EXPECT_EQ(image->blocks_held(), 0);
    Pixel_Map expected;
    for (int row = 1; row <= d.m_last_row; ++row)
        for (int c = 1; c <= d.m_last_column; ++c)
            expected[{c, row}] = page_rgba(red);
    EXPECT_EQ(written(d, 0xFFFFFFFFu), expected);

    // Rows longer than a strip still come, one at a time.
    auto wide = solid(140000, 3, red);
    Recorder r(*wide);
    draw({0, 5, 0}, *wide);
    ASSERT_EQ(r.requests.size(), 3u);
    EXPECT_EQ(r.requests[2].y1, 0);
}

TEST_F(Shared_Images, IndexedImagesAreComposedAndKeepWhatLiesUnderTransparency) {
    page(rcm_360_indexed);
    RASTER_Driver& d = device();
    index_dot(3, 4, 77);
    auto image = shared(3, 2, {red, green, blue, black, clear, green});
    draw({2, 5, 0}, *image);
    const int r = d.m_last_row - 5;
    EXPECT_EQ(written(d), (Pixel_Map{{{6, r}, cube_index(red)},
                                     {{7, r}, cube_index(green)},
                                     {{8, r}, cube_index(blue)},
                                     {{6, r + 1}, cube_index(black)},
                                     {{7, r + 1}, 77},
                                     {{8, r + 1}, cube_index(green)}}));
}

TEST_F(Shared_Images, DirectDrawingWritesOnlyWhatThePixelsSay) {
    // True colour without composition: alpha 0 writes nothing.
    page(rcm_360_true_color);
    {
        RASTER_Driver& d = device();
        dot(3, 5, blue);
        auto image = shared(4, 1, {green, green, clear, green});
        image->source().no_composition = 1;
        auto none = solid(6, 4, 0x00FF0000u);
        none->source().no_composition = 1;
        draw({1, 5, 0}, *image);
        draw({1, 6, 0}, *none);
        const int r = d.m_last_row - 5;
        EXPECT_EQ(written(d, 0xFFFFFFFFu), (Pixel_Map{{{2, r}, page_rgba(green)},
                                                      {{3, r}, page_rgba(green)},
                                                      {{4, r}, page_rgba(blue)},
                                                      {{5, r}, page_rgba(green)}}));
    }
    drop_page();

    // Bitonal: ink sets the bit, paper clears it, transparency leaves it.
    for (const std::uint32_t background : {0xFFFFFFu, 0u}) {
        page(rcm_360_mono, background);
        RASTER_Driver& d = device();
        const std::uint32_t ink = background ? black : white, paper = background ? white : black;
        dot(3, 5, ink);
        dot(4, 5, ink);
        auto image = shared(3, 1, {ink, paper, clear});
        draw({2, 5, 0}, *image);
        const int r = d.m_last_row - 5;
        EXPECT_EQ(written(d), (Pixel_Map{{{34, r}, 1}, {{36, r}, 1}})) << background;
        drop_page();
    }
}

TEST_F(Shared_Images, ClipRegionsHoldInEveryPath) {
    // Every path clips as the dot action does, edges included: a 2 × 2
    // square holds 3 × 3 dots, composed (indexed) or written dot by dot
    // (true colour, and bitonal, whose bits could not carry transparency
    // through a strip).
    const struct {
        Rcm_Entry entry;
        std::uint32_t background, colour;
        int last; // the last host x and y inside, from 3
    } cases[] = {{rcm_360_indexed, 0xFFFFFF, red, 5},
                 {rcm_360_mono, 0xFFFFFF, black, 5},
                 {rcm_360_true_color, 0xFFFFFF, red, 5},
                 {rcm_360_mono, 0, white, 5}};
    for (const auto& c : cases) {
        page(c.entry, c.background);
        RASTER_Driver& d = device();
        const std::uint32_t cleared = d.m_image->pixel(0, 0);
        auto image = solid(8, 8, c.colour);
        draw({1, 8, 0}, *image, clipped_to(3, 3, 5, 5));
        std::set<std::pair<int, int>> expected, got;
        for (int y = 3; y <= c.last; ++y)
            for (int x = 3; x <= c.last; ++x)
                expected.insert({x + d.m_pad_x, d.m_last_row - y});
        for (const auto& [at, value] : written(d, cleared))
            got.insert(at);
        EXPECT_EQ(got, expected) << c.entry << " " << c.background;
        drop_page();
    }
}

TEST_F(Shared_Images, AStatusWordNoBlockOrShortRowsEndTheImageQuietly) {
    page(rcm_360_true_color);
    RASTER_Driver& d = device();
    // 65536 colours a row: strips of 2 rows.
    auto image = solid(65536, 6, red);
    for (const auto answer :
         {Recorder::Answer::status, Recorder::Answer::nothing, Recorder::Answer::short_rows}) {
        d.m_image->fill(0xFFFFFFFFu);
        {
            Recorder r(*image);
            r.answer_at = 2;
            r.answer = answer;
            draw({0, 8, 0}, *image);
            EXPECT_EQ(r.requests.size(), 2u);
            EXPECT_EQ(r.releases, answer == Recorder::Answer::nothing ? 1 : 2);
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

TEST_F(Shared_Images, MemoryRefusedOnceIsAskedAgainQuietlyAndTwiceFailsTheImage) {
    page(rcm_360_indexed);
    RASTER_Driver& d = device();
    auto image = solid(4, 4, red);
    ie_test::refuse_memory_checks(1);
    draw({1, 5, 0}, *image);
    EXPECT_EQ(ie_test::state_calls().back(), (std::pair<int, int>{0, 0}));
    EXPECT_EQ(written(d).size(), 16u);

    ie_test::refuse_memory_checks(2);
    Caught e = error_of([&] { draw({1, 5, 0}, *image); });
    EXPECT_TRUE(e.severe());
    EXPECT_EQ(e.code(), 102);
    EXPECT_EQ(e.detail(), "Image Engine memory available failure");
    EXPECT_EQ(e.operation(), "raster_plotter_draw_dci_ism_image");
    EXPECT_EQ(e.unit(), "rasterdraw");

    // The clip outline is the host's memory.
    const HT_Rendition clipped = clipped_to(0, 0, 5, 5);
    ht_test::fail_allocations(0, 1);
    e = error_of([&] { draw({1, 5, 0}, *image, clipped); });
    ht_test::reset_allocations();
    EXPECT_FALSE(e.severe());
    EXPECT_EQ(e.code(), 100);
    EXPECT_EQ(e.detail(), "INTERNAL ERROR - Memory allocation");
    EXPECT_EQ(e.operation(), "raster_plotter_draw_dci_ism_image");
    EXPECT_EQ(image->fetch_count(), 1);
}

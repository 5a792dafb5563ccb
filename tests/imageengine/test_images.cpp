// Page images: row formats through the write and read contexts, windowed
// mode, masks, clear and fill, store row segment, and the exclusive step.
#include "ie_rep.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class Images : public ::testing::Test {
protected:
    void SetUp() override { ie_test::reset(); }
    void TearDown() override {
        ie_test::reset();
        EXPECT_EQ(ie_test::live_images(), 0);
        EXPECT_EQ(ie_test::live_stores(), 0);
    }
};

std::uint32_t word_at(const std::vector<std::uint8_t>& bytes, std::size_t index) {
    std::uint32_t w;
    std::memcpy(&w, bytes.data() + index * 4, 4);
    return w;
}

std::vector<std::uint8_t> read_row(const ieImgRep& image, int row, int first, int count) {
    auto reader = image.read_context();
    EXPECT_TRUE(reader);
    std::vector<std::uint8_t> out(reader->row_bytes(count) + 8, 0xEE);
    EXPECT_EQ(reader->read_row(row, first, count, out.data()), count);
    out.resize(reader->row_bytes(count));
    return out;
}

// Sets or clears bitonal pixel c through the row table and the masks, as the driver does.
void put_bit(Ie_Write_Context& ctx, int c, int r, bool ink) {
    std::uint8_t* p = ctx.rows()[r] + 4 * (c / 32);
    std::uint32_t w;
    std::memcpy(&w, p, 4);
    w = ink ? (w | Ie_Write_Context::set_masks()[c % 32])
            : (w & Ie_Write_Context::clear_masks()[c % 32]);
    std::memcpy(p, &w, 4);
}

} // namespace

TEST_F(Images, TrueColourRowsReadBackWithRedInTheLowBits) {
    for (int type : {ie_pixel::rgb24, ie_pixel::rgb32}) {
        auto image = ieRep.create_image(5, 3, type, csRgb);
        ASSERT_TRUE(image && image->valid());
        auto ctx = image->write_context();
        ASSERT_TRUE(ctx);
        EXPECT_FALSE(ctx->windowed());
        EXPECT_EQ(ctx->window_first(), 0);
        EXPECT_EQ(ctx->window_last(), 4);
        // Pixel 3 of row 2: red 0x11, green 0x22, blue 0x33, alpha 0xFF, byte by byte.
        std::uint8_t* p = ctx->rows()[2] + 4 * 3;
        p[0] = 0x11;
        p[1] = 0x22;
        p[2] = 0x33;
        p[3] = 0xFF;
        std::vector<std::uint8_t> row = read_row(*image, 2, 0, 4);
        ASSERT_EQ(row.size(), 16u);
        EXPECT_EQ(word_at(row, 3), 0xFF332211u);
        EXPECT_EQ(word_at(row, 0), 0u);
        EXPECT_EQ(image->pixel(3, 2), 0xFF332211u);
        // Reading from the middle starts at that pixel.
        EXPECT_EQ(word_at(read_row(*image, 2, 3, 2), 0), 0xFF332211u);
    }
}

TEST_F(Images, IndexedRowsPackFourIndicesPerWordFirstInTheLowByte) {
    auto image = ieRep.create_image(7, 2, ie_pixel::index8, csNone);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->words_per_row(), 2);
    auto ctx = image->write_context();
    for (int c = 0; c < 7; ++c)
        ctx->rows()[1][c] = static_cast<std::uint8_t>(10 + c);
    std::vector<std::uint8_t> row = read_row(*image, 1, 0, 7);
    ASSERT_EQ(row.size(), 7u);
    EXPECT_EQ(word_at(row, 0), 0x0D0C0B0Au);
    EXPECT_EQ(row[6], 16);
    // The neighbouring row is untouched.
    EXPECT_EQ(read_row(*image, 0, 0, 7), std::vector<std::uint8_t>(7, 0));
}

TEST_F(Images, BitonalMasksPutTheFirstPixelInTheHighestBitOfTheFirstByte) {
    auto image = ieRep.create_image(70, 2, ie_pixel::bitonal, csBitonal);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->words_per_row(), 3);
    auto ctx = image->write_context();
    for (int c : {0, 9, 31, 32, 69})
        put_bit(*ctx, c, 1, true);
    std::vector<std::uint8_t> row = read_row(*image, 1, 0, 70);
    ASSERT_EQ(row.size(), 9u);
    const std::vector<std::uint8_t> expected{0x80, 0x40, 0x00, 0x01, 0x80, 0, 0, 0, 0x04};
    EXPECT_EQ(row, expected);
    EXPECT_EQ(image->pixel(9, 1), 1u);
    EXPECT_EQ(image->pixel(10, 1), 0u);

    put_bit(*ctx, 9, 1, false);
    EXPECT_EQ(read_row(*image, 1, 0, 16)[1], 0x00);
    // Read from an odd pixel: pixel 31 becomes the first bit, and bits past
    // the last pixel read are 0 even where the row has ink.
    EXPECT_EQ(read_row(*image, 1, 31, 3), std::vector<std::uint8_t>{0xC0});
    EXPECT_EQ(read_row(*image, 1, 31, 1), std::vector<std::uint8_t>{0x80});
}

TEST_F(Images, ReadRowStopsAtTheRightEdgeAndRefusesBadArguments) {
    auto image = ieRep.create_image(6, 2, ie_pixel::index8, csNone);
    image->fill(7);
    auto reader = image->read_context();
    std::vector<std::uint8_t> out(16, 0xEE);
    EXPECT_EQ(reader->read_row(0, 4, 10, out.data()), 2);
    EXPECT_EQ(out[1], 7);
    EXPECT_EQ(out[2], 0xEE); // nothing written past what was read
    EXPECT_EQ(reader->read_row(2, 0, 6, out.data()), 0);
    EXPECT_EQ(reader->read_row(-1, 0, 6, out.data()), 0);
    EXPECT_EQ(reader->read_row(0, 6, 1, out.data()), 0);
    EXPECT_EQ(reader->read_row(0, -1, 2, out.data()), 0);
    EXPECT_EQ(reader->read_row(0, 0, 2, nullptr), 0);
}

TEST_F(Images, ClearFillsTheRectangleAndOnlyIt) {
    // Indexed: rows 1-2, columns 2-4.
    auto idx = ieRep.create_image(8, 4, ie_pixel::index8, csNone);
    ASSERT_TRUE(idx->clear({2, 1}, {3, 2}, 9));
    EXPECT_EQ(read_row(*idx, 0, 0, 8), std::vector<std::uint8_t>(8, 0));
    EXPECT_EQ(read_row(*idx, 2, 0, 8), (std::vector<std::uint8_t>{0, 0, 9, 9, 9, 0, 0, 0}));
    EXPECT_EQ(read_row(*idx, 3, 0, 8), std::vector<std::uint8_t>(8, 0));

    // Bitonal across byte and word boundaries: columns 5 to 37.
    auto bit = ieRep.create_image(64, 2, ie_pixel::bitonal, csBitonal);
    ASSERT_TRUE(bit->clear({5, 0}, {33, 1}, 1));
    EXPECT_EQ(read_row(*bit, 0, 0, 64),
              (std::vector<std::uint8_t>{0x07, 0xFF, 0xFF, 0xFF, 0xFC, 0, 0, 0}));
    EXPECT_EQ(read_row(*bit, 1, 0, 64), std::vector<std::uint8_t>(8, 0));

    // True colour from an offset to the edges with ieSizeFull; parts outside are clipped.
    auto rgb = ieRep.create_image(4, 3, ie_pixel::rgb32, csRgb);
    ASSERT_TRUE(rgb->clear({2, 1}, ieSizeFull, 0xFF010203u));
    EXPECT_EQ(rgb->pixel(1, 1), 0u);
    EXPECT_EQ(rgb->pixel(2, 1), 0xFF010203u);
    EXPECT_EQ(rgb->pixel(3, 2), 0xFF010203u);
    EXPECT_EQ(rgb->pixel(2, 0), 0u);
    ASSERT_TRUE(rgb->clear({-2, -2}, {4, 3}, 5));
    EXPECT_EQ(rgb->pixel(1, 0), 5u);
    EXPECT_EQ(rgb->pixel(2, 0), 0u);
    EXPECT_EQ(rgb->pixel(0, 1), 0u);
    EXPECT_FALSE(rgb->clear({0, 0}, {-3, 1}, 5));
}

TEST_F(Images, FullClearGivesEveryPixelTheValue) {
    const std::uint32_t background = 0xFFEEDDCCu; // a configured colour with alpha forced on
    auto rgb = ieRep.create_image(37, 20, ie_pixel::rgb32, csRgb);
    ASSERT_TRUE(rgb->clear(ieOffsetOrigin, ieSizeFull, background));
    for (int r = 0; r < 20; ++r) {
        std::vector<std::uint8_t> row = read_row(*rgb, r, 0, 37);
        for (std::size_t c = 0; c < 37; ++c)
            ASSERT_EQ(word_at(row, c), background) << r << "," << c;
    }
    auto ctx = rgb->write_context();
    ASSERT_TRUE(ctx->fill(0x00000000u));
    EXPECT_EQ(rgb->pixel(36, 19), 0u);

    auto bit = ieRep.create_image(45, 3, ie_pixel::bitonal, csBitonal);
    ASSERT_TRUE(bit->fill(1));
    // The last byte holds pixels 40 to 44 only.
    EXPECT_EQ(read_row(*bit, 2, 0, 45),
              (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xF8}));
}

TEST_F(Images, StoreRowSegmentCopiesEachFormatAndDropsWhatIsOutside) {
    auto idx = ieRep.create_image(6, 3, ie_pixel::index8, csNone);
    const std::uint8_t bytes[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(idx->store_row_segment(-2, 1, 5, bytes), 3); // 1 and 2 fall left of column 0
    EXPECT_EQ(read_row(*idx, 1, 0, 6), (std::vector<std::uint8_t>{3, 4, 5, 0, 0, 0}));
    EXPECT_EQ(idx->store_row_segment(4, 2, 5, bytes), 2); // the rest falls right of the image
    EXPECT_EQ(read_row(*idx, 2, 0, 6), (std::vector<std::uint8_t>{0, 0, 0, 0, 1, 2}));
    EXPECT_EQ(idx->store_row_segment(0, 3, 5, bytes), 0);
    EXPECT_EQ(idx->store_row_segment(0, -1, 5, bytes), 0);
    EXPECT_EQ(idx->store_row_segment(0, 0, 5, nullptr), 0);
    EXPECT_EQ(idx->store_row_segment(7, 0, 5, bytes), 0);

    auto rgb = ieRep.create_image(4, 1, ie_pixel::rgb32, csRgb);
    const std::uint32_t px[] = {0xFF0000FFu, 0xFF00FF00u};
    EXPECT_EQ(rgb->write_context()->store_row_segment(1, 0, 2, px), 2);
    EXPECT_EQ(rgb->pixel(0, 0), 0u);
    EXPECT_EQ(rgb->pixel(1, 0), 0xFF0000FFu);
    EXPECT_EQ(rgb->pixel(2, 0), 0xFF00FF00u);

    // Packed bits at a column that is not on a byte boundary, over existing ink.
    auto bit = ieRep.create_image(40, 1, ie_pixel::bitonal, csBitonal);
    bit->fill(1);
    const std::uint8_t bits[] = {0xA5, 0x0F};
    EXPECT_EQ(bit->store_row_segment(3, 0, 16, bits), 16);
    // Pixels 3..18 become 1010 0101 0000 1111; the rest keep their ink.
    EXPECT_EQ(read_row(*bit, 0, 0, 40), (std::vector<std::uint8_t>{0xF4, 0xA1, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(bit->store_row_segment(-4, 0, 8, bits), 4); // pixels 4..7 of 0xA5: 0101
    EXPECT_EQ(read_row(*bit, 0, 0, 8), std::vector<std::uint8_t>{0x54});
}

TEST_F(Images, WindowedModeGivesPointersOnlyForTheResidentTile) {
    // 40 indexed pixels = 10 words per row, tiles of 3 words by 4 rows.
    auto image = ieRep.create_image(40, 10, ie_pixel::index8, csNone, {3, 4});
    ASSERT_TRUE(image && image->paged());
    auto ctx = image->write_context();
    ASSERT_TRUE(ctx->windowed());
    EXPECT_GT(ctx->window_first(), ctx->window_last());
    for (int r = 0; r < 10; ++r)
        EXPECT_EQ(ctx->rows()[r], nullptr);

    std::uint8_t* p = ctx->fetch(7, 5); // column 28..31, tile (2, 1)
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(ctx->window_first(), 6);
    EXPECT_EQ(ctx->window_last(), 8);
    EXPECT_EQ(ctx->rows()[5], p);
    EXPECT_NE(ctx->rows()[4], nullptr);
    EXPECT_NE(ctx->rows()[7], nullptr);
    EXPECT_EQ(ctx->rows()[3], nullptr);
    EXPECT_EQ(ctx->rows()[8], nullptr);
    p[29] = 42;

    // The last tile of a row is narrower: words 9 only.
    ASSERT_NE(ctx->fetch(9, 9), nullptr);
    EXPECT_EQ(ctx->window_first(), 9);
    EXPECT_EQ(ctx->window_last(), 9);
    EXPECT_EQ(ctx->rows()[5], nullptr);
    EXPECT_EQ(ctx->fetch(10, 0), nullptr);
    EXPECT_EQ(ctx->fetch(0, 10), nullptr);
    EXPECT_EQ(ctx->fetch(-1, 0), nullptr);

    EXPECT_EQ(image->pixel(29, 5), 42u);
    EXPECT_EQ(read_row(*image, 5, 28, 4), (std::vector<std::uint8_t>{0, 42, 0, 0}));
}

TEST_F(Images, WindowedAndPlainImagesHoldTheSamePixels) {
    // Every pixel written the driver's way (row table, fetch when the
    // pointer is empty or the word outside the window) must read back the
    // same from a paged image as from a plain one.
    for (int type : {ie_pixel::bitonal, ie_pixel::index8, ie_pixel::rgb32}) {
        const int width = 75;
        const int height = 9;
        auto plain = ieRep.create_image(width, height, type, csNone, ieSizeFull);
        auto paged = ieRep.create_image(width, height, type, csNone, {2, 2});
        ASSERT_FALSE(plain->paged());
        ASSERT_TRUE(paged->paged());
        auto a = plain->write_context();
        auto b = paged->write_context();
        for (int r = 0; r < height; ++r) {
            for (int c = width - 1; c >= 0; c -= 3) {
                const std::uint32_t v = static_cast<std::uint32_t>(r * 131 + c * 7);
                for (Ie_Write_Context* ctx : {a.get(), b.get()}) {
                    const int word = type == ie_pixel::bitonal  ? c / 32
                                     : type == ie_pixel::index8 ? c / 4
                                                                : c;
                    std::uint8_t* row = ctx->rows()[r];
                    if (ctx->windowed() &&
                        (!row || word < ctx->window_first() || word > ctx->window_last()))
                        row = ctx->fetch(word, r);
                    ASSERT_NE(row, nullptr);
                    if (type == ie_pixel::bitonal)
                        put_bit(*ctx, c, r, v & 1);
                    else if (type == ie_pixel::index8)
                        row[c] = static_cast<std::uint8_t>(v);
                    else
                        std::memcpy(row + 4 * c, &v, 4);
                }
            }
        }
        for (int r = 0; r < height; ++r)
            ASSERT_EQ(read_row(*plain, r, 0, width), read_row(*paged, r, 0, width))
                << "type " << type << " row " << r;
        // Row operations agree too.
        ASSERT_TRUE(plain->clear({3, 2}, {40, 5}, 1));
        ASSERT_TRUE(paged->clear({3, 2}, {40, 5}, 1));
        const std::uint8_t seg[16] = {0xAA, 0x55, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
        plain->store_row_segment(13, 4, 3, seg);
        paged->store_row_segment(13, 4, 3, seg);
        for (int r = 0; r < height; ++r)
            ASSERT_EQ(read_row(*plain, r, 0, width), read_row(*paged, r, 0, width))
                << "type " << type << " row " << r;
    }
}

TEST_F(Images, EnginePagingAppliesToImagesWiderThanATile) {
    ieRep.set_paging(4, 8);
    auto wide = ieRep.create_image(100, 10, ie_pixel::rgb32, csRgb);
    auto narrow = ieRep.create_image(4, 10, ie_pixel::rgb32, csRgb);
    auto full = ieRep.create_image(100, 10, ie_pixel::rgb32, csRgb, ieSizeFull);
    EXPECT_TRUE(wide->paged());
    EXPECT_EQ(wide->tile(), (Ie_Size{4, 8}));
    EXPECT_FALSE(narrow->paged());
    EXPECT_FALSE(full->paged());
    ieRep.set_paging(0, 0);
    EXPECT_FALSE(ieRep.create_image(100, 10, ie_pixel::rgb32, csRgb)->paged());
}

TEST_F(Images, SharedPixelsAreCopiedBeforeAWrite) {
    auto a = ieRep.create_image(8, 2, ie_pixel::index8, csNone);
    a->fill(1);
    auto b = a->share();
    ASSERT_TRUE(b);
    EXPECT_TRUE(a->shared());
    EXPECT_TRUE(b->shared());
    EXPECT_EQ(ie_test::live_stores(), 1);

    ASSERT_TRUE(b->clear({0, 0}, {4, 1}, 2));
    EXPECT_FALSE(a->shared());
    EXPECT_FALSE(b->shared());
    EXPECT_EQ(a->pixel(0, 0), 1u);
    EXPECT_EQ(b->pixel(0, 0), 2u);
    EXPECT_EQ(b->pixel(4, 0), 1u);

    // The step itself, as the clearing action asks for it.
    auto c = a->share();
    ASSERT_TRUE(c->make_exclusive());
    EXPECT_FALSE(a->shared());
    c->fill(3);
    EXPECT_EQ(a->pixel(7, 1), 1u);

    // A write context takes the pixels for its image alone first.
    auto d = a->share();
    auto ctx = d->write_context();
    ctx->rows()[0][0] = 9;
    EXPECT_EQ(a->pixel(0, 0), 1u);
    EXPECT_EQ(d->pixel(0, 0), 9u);
}

TEST_F(Images, SharingAnImageUnderAWriteContextCopiesAtOnce) {
    auto a = ieRep.create_image(8, 2, ie_pixel::index8, csNone);
    auto ctx = a->write_context();
    std::uint8_t* row = ctx->rows()[1];
    auto b = a->share();
    EXPECT_FALSE(a->shared());
    // The context's pointers still address a's pixels, and only a's.
    row[3] = 5;
    EXPECT_EQ(ctx->rows()[1], row);
    EXPECT_EQ(a->pixel(3, 1), 5u);
    EXPECT_EQ(b->pixel(3, 1), 0u);
    // Releasing the image before its context leaves the context usable.
    a.reset();
    row[4] = 6;
    EXPECT_EQ(ctx->store_row_segment(0, 0, 1, row), 1);
}

TEST_F(Images, BadArgumentsMakeNoImage) {
    EXPECT_EQ(ieRep.create_image(0, 5, ie_pixel::rgb32, csRgb), nullptr);
    EXPECT_EQ(ieRep.create_image(5, -1, ie_pixel::rgb32, csRgb), nullptr);
    EXPECT_EQ(ieRep.create_image(5, 5, 0, csNone), nullptr);
    EXPECT_EQ(ieRep.create_image(5, 5, ie_pixel::rgb32, Ie_Space_Ref()), nullptr);
    EXPECT_EQ(ieRep.create_image(5, 5, ie_pixel::index8, csRgb), nullptr);
    EXPECT_EQ(ieRep.create_image(5, 5, ie_pixel::rgb24, csBitonal), nullptr);
    EXPECT_EQ(ieRep.create_image(5, 5, ie_pixel::rgb32, csRgb, {0, 3}), nullptr);
    EXPECT_FALSE(ieRep.last_error().empty());
    // Too large to address: refused, not attempted.
    EXPECT_EQ(ieRep.create_image(0x7FFFFFFF, 0x7FFFFFFF, ie_pixel::rgb32, csRgb), nullptr);
    EXPECT_EQ(ie_test::live_stores(), 0);
}

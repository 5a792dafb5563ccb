// Strip images and paste: transparent value, clip outline, edges, formats.
#include "ie_rep.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

class Paste : public ::testing::Test {
protected:
    void SetUp() override { ie_test::reset(); }
    void TearDown() override {
        ie_test::reset();
        EXPECT_EQ(ie_test::live_stores(), 0);
    }
};

// Rows of an image as text of pixel values, for readable comparisons.
std::vector<std::vector<Ie_Pixel>> pixels(const ieImgRep& image) {
    std::vector<std::vector<Ie_Pixel>> rows(static_cast<std::size_t>(image.height()));
    for (int r = 0; r < image.height(); ++r)
        for (int c = 0; c < image.width(); ++c)
            rows[static_cast<std::size_t>(r)].push_back(image.pixel(c, r));
    return rows;
}

Ie_Space_Ref grey_palette() {
    std::vector<Ie_Rgba> entries;
    for (int i = 0; i < 256; ++i)
        entries.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                           static_cast<std::uint8_t>(i), 255});
    return csSpaceRepConstructor1(csRgb, 256, 0, entries.data(), 0);
}

// An indexed strip of 3 x 2 pixels: row 0 = 1 254 2, row 1 = 254 3 254.
std::unique_ptr<ieImgRep> strip_with_holes(const Ie_Space_Ref& space) {
    auto strip = ieImgRepConstructor2({3, 2}, space);
    const std::uint8_t row0[] = {1, 254, 2};
    const std::uint8_t row1[] = {254, 3, 254};
    strip->store_row_segment(0, 0, 3, row0);
    strip->store_row_segment(0, 1, 3, row1);
    return strip;
}

} // namespace

TEST_F(Paste, StripImagesTakeTheirPixelTypeFromTheColourSpace) {
    ieRep.set_paging(1, 1); // strips are never paged
    auto rgb = ieImgRepConstructor2({10, 4}, csRgb);
    ASSERT_TRUE(rgb);
    EXPECT_EQ(rgb->pixel_type(), ie_pixel::rgb32);
    EXPECT_FALSE(rgb->paged());
    auto idx = ieImgRepConstructor2({10, 4}, grey_palette());
    ASSERT_TRUE(idx);
    EXPECT_EQ(idx->pixel_type(), ie_pixel::index8);
    EXPECT_TRUE(idx->color_space().indexed());
    auto bit = ieImgRepConstructor2({10, 4}, csBitonal);
    ASSERT_TRUE(bit);
    EXPECT_EQ(bit->pixel_type(), ie_pixel::bitonal);

    EXPECT_EQ(ieImgRepConstructor2({10, 4}, csNone), nullptr);
    EXPECT_EQ(ieImgRepConstructor2({10, 4}, Ie_Space_Ref()), nullptr);
    EXPECT_EQ(ieImgRepConstructor2({0, 4}, csRgb), nullptr);
    EXPECT_EQ(ieImgRepConstructor2(ieSizeFull, csRgb), nullptr);
}

TEST_F(Paste, WithoutATransparentValueEveryPixelIsPasted) {
    const Ie_Space_Ref space = grey_palette();
    auto page = ieRep.create_image(6, 4, ie_pixel::index8, space);
    page->fill(9);
    auto strip = strip_with_holes(space);
    ASSERT_TRUE(page->paste(*strip, {2, 1}, ieSizeFull));
    const std::vector<std::vector<Ie_Pixel>> expected{
        {9, 9, 9, 9, 9, 9}, {9, 9, 1, 254, 2, 9}, {9, 9, 254, 3, 254, 9}, {9, 9, 9, 9, 9, 9}};
    EXPECT_EQ(pixels(*page), expected);
}

TEST_F(Paste, TransparentSourcePixelsLeaveThePageAsItWas) {
    const Ie_Space_Ref space = grey_palette();
    auto page = ieRep.create_image(6, 4, ie_pixel::index8, space);
    page->fill(9);
    auto strip = strip_with_holes(space);
    ASSERT_TRUE(page->paste(*strip, {2, 1}, ieSizeFull, 254));
    const std::vector<std::vector<Ie_Pixel>> expected{
        {9, 9, 9, 9, 9, 9}, {9, 9, 1, 9, 2, 9}, {9, 9, 9, 3, 9, 9}, {9, 9, 9, 9, 9, 9}};
    EXPECT_EQ(pixels(*page), expected);

    // A size smaller than the strip pastes only its upper-left part.
    auto other = ieRep.create_image(4, 3, ie_pixel::index8, space);
    ASSERT_TRUE(other->paste(*strip, ieOffsetOrigin, {2, 1}));
    EXPECT_EQ(pixels(*other),
              (std::vector<std::vector<Ie_Pixel>>{{1, 254, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}));
}

TEST_F(Paste, PartsOutsideThePageAreDropped) {
    const Ie_Space_Ref space = grey_palette();
    auto page = ieRep.create_image(4, 3, ie_pixel::index8, space);
    auto strip = strip_with_holes(space);
    ASSERT_TRUE(page->paste(*strip, {-1, -1}, ieSizeFull));
    ASSERT_TRUE(page->paste(*strip, {3, 2}, ieSizeFull));
    ASSERT_TRUE(page->paste(*strip, {10, 10}, ieSizeFull));
    ASSERT_TRUE(page->paste(*strip, {-10, 0}, ieSizeFull));
    const std::vector<std::vector<Ie_Pixel>> expected{{3, 254, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 1}};
    EXPECT_EQ(pixels(*page), expected);
}

TEST_F(Paste, TrueColourStripsGoIntoEitherTrueColourPage) {
    auto strip = ieImgRepConstructor2({2, 1}, csRgb);
    const std::uint32_t row[] = {0xFF112233u, 0x00FFFFFFu};
    strip->store_row_segment(0, 0, 2, row);
    for (int type : {ie_pixel::rgb24, ie_pixel::rgb32}) {
        auto page = ieRep.create_image(3, 1, type, csRgb);
        page->fill(0xFFFFFFFFu);
        // 0x00FFFFFF differs from the transparent value in alpha: still pasted.
        ASSERT_TRUE(page->paste(*strip, {1, 0}, ieSizeFull, 0xFFFFFFFFu));
        EXPECT_EQ(page->pixel(0, 0), 0xFFFFFFFFu);
        EXPECT_EQ(page->pixel(1, 0), 0xFF112233u);
        EXPECT_EQ(page->pixel(2, 0), 0x00FFFFFFu);
    }
}

TEST_F(Paste, ClipOutlineLimitsThePastedPixels) {
    auto source = ieRep.create_image(8, 6, ie_pixel::index8, csNone);
    source->fill(7);
    auto page = ieRep.create_image(8, 6, ie_pixel::index8, csNone);

    // Rectangle from (2, 1) to (6, 4): pixel centres in columns 2-5, rows 1-3.
    const std::int32_t rect[] = {2, 1, 6, 1, 6, 4, 2, 4};
    Ie_Clip clip;
    clip.points = rect;
    clip.point_count = 4;
    ASSERT_TRUE(page->paste(*source, ieOffsetOrigin, ieSizeFull, iePixelNull, &clip));
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 8; ++c)
            EXPECT_EQ(page->pixel(c, r), (c >= 2 && c <= 5 && r >= 1 && r <= 3) ? 7u : 0u)
                << c << "," << r;

    // Two contours: a square with a square hole (even-odd).
    const std::int32_t ring[] = {0, 0, 6, 0, 6, 6, 0, 6, 2, 2, 4, 2, 4, 4, 2, 4};
    const int sizes[] = {4, 4};
    Ie_Clip holed;
    holed.points = ring;
    holed.point_count = 8;
    holed.contour_sizes = sizes;
    holed.contour_count = 2;
    auto second = ieRep.create_image(8, 6, ie_pixel::index8, csNone);
    ASSERT_TRUE(second->paste(*source, ieOffsetOrigin, ieSizeFull, iePixelNull, &holed));
    EXPECT_EQ(second->pixel(0, 0), 7u);
    EXPECT_EQ(second->pixel(1, 3), 7u);
    EXPECT_EQ(second->pixel(2, 2), 0u);
    EXPECT_EQ(second->pixel(3, 3), 0u);
    EXPECT_EQ(second->pixel(4, 3), 7u);
    EXPECT_EQ(second->pixel(6, 0), 0u);

    // A triangle with the source offset: the clip is in page coordinates.
    const std::int32_t tri[] = {0, 0, 8, 0, 0, 6};
    Ie_Clip triangle;
    triangle.points = tri;
    triangle.point_count = 3;
    auto third = ieRep.create_image(8, 6, ie_pixel::index8, csNone);
    ASSERT_TRUE(third->paste(*source, {1, 1}, ieSizeFull, iePixelNull, &triangle));
    EXPECT_EQ(third->pixel(0, 0), 0u); // not pasted there at all
    EXPECT_EQ(third->pixel(1, 1), 7u);
    EXPECT_EQ(third->pixel(5, 1), 7u); // centre (5.5, 1.5) inside
    EXPECT_EQ(third->pixel(6, 1), 0u); // centre (6.5, 1.5) outside
    EXPECT_EQ(third->pixel(1, 4), 7u); // centre (1.5, 4.5) left of the slope at x = 2
    EXPECT_EQ(third->pixel(2, 4), 0u);
}

TEST_F(Paste, BitonalStripsLandOffTheByteGrid) {
    auto strip = ieImgRepConstructor2({12, 1}, csBitonal);
    const std::uint8_t bits[] = {0xF0, 0x30}; // 1111 0000 0011
    strip->store_row_segment(0, 0, 12, bits);

    auto page = ieRep.create_image(40, 1, ie_pixel::bitonal, csBitonal);
    page->clear({0, 0}, {40, 1}, 0);
    page->clear({7, 0}, {4, 1}, 1);                          // ink under the strip's zeros
    ASSERT_TRUE(page->paste(*strip, {5, 0}, ieSizeFull, 0)); // zeros transparent
    std::vector<Ie_Pixel> expected(40, 0);
    for (int c : {5, 6, 7, 8, 9, 10, 15, 16})
        expected[static_cast<std::size_t>(c)] = 1;
    EXPECT_EQ(pixels(*page)[0], expected);

    ASSERT_TRUE(page->paste(*strip, {5, 0}, ieSizeFull)); // zeros pasted too
    expected[9] = expected[10] = 0;
    EXPECT_EQ(pixels(*page)[0], expected);
}

TEST_F(Paste, StripsFromTheBottomUpComposeTheWholeImage) {
    // As the shared-image action does: strips of n rows, the uppermost rows
    // not yet drawn first, each stored into a strip and pasted at its place.
    const int width = 21;
    const int height = 11;
    auto page = ieRep.create_image(width + 4, height + 3, ie_pixel::rgb32, csRgb);
    page->fill(0xFF000000u);
    const int n = 4;
    auto value = [](int c, int r) { return 0xFF000000u | static_cast<std::uint32_t>(r << 8 | c); };
    for (int left = height; left > 0; left -= n) {
        const int rows = std::min(n, left);
        auto strip = ieImgRepConstructor2({width, rows}, csRgb);
        ASSERT_TRUE(strip);
        auto ctx = strip->write_context();
        for (int i = 0; i < rows; ++i) {
            std::vector<std::uint32_t> row;
            for (int c = 0; c < width; ++c)
                row.push_back(value(c, left - rows + i));
            ASSERT_EQ(ctx->store_row_segment(0, i, width, row.data()), width);
        }
        ASSERT_TRUE(page->paste(*strip, {2, 1 + left - rows}, ieSizeFull));
    }
    for (int r = 0; r < height + 3; ++r)
        for (int c = 0; c < width + 4; ++c) {
            const bool inside = c >= 2 && c < 2 + width && r >= 1 && r < 1 + height;
            ASSERT_EQ(page->pixel(c, r), inside ? value(c - 2, r - 1) : 0xFF000000u)
                << c << "," << r;
        }
}

TEST_F(Paste, PastingIntoItselfReadsThePixelsAsTheyWere) {
    auto image = ieRep.create_image(8, 1, ie_pixel::index8, csNone);
    const std::uint8_t row[] = {1, 2, 3, 4, 5, 6, 7, 8};
    image->store_row_segment(0, 0, 8, row);
    ASSERT_TRUE(image->paste(*image, {2, 0}, ieSizeFull));
    EXPECT_EQ(pixels(*image)[0], (std::vector<Ie_Pixel>{1, 2, 1, 2, 3, 4, 5, 6}));
}

TEST_F(Paste, RefusedPastesLeaveThePageUntouched) {
    auto page = ieRep.create_image(4, 2, ie_pixel::index8, csNone);
    page->fill(9);
    auto rgb = ieImgRepConstructor2({2, 2}, csRgb);
    auto bit = ieImgRepConstructor2({2, 2}, csBitonal);
    auto idx = ieRep.create_image(2, 2, ie_pixel::index8, csNone);
    EXPECT_FALSE(page->paste(*rgb, ieOffsetOrigin, ieSizeFull));
    EXPECT_FALSE(page->paste(*bit, ieOffsetOrigin, ieSizeFull));
    EXPECT_FALSE(page->paste(*idx, ieOffsetOrigin, {-1, 2}));

    const std::int32_t pts[] = {0, 0, 4, 0, 4, 2};
    const int wrong[] = {2};
    Ie_Clip bad;
    bad.points = pts;
    bad.point_count = 3;
    bad.contour_sizes = wrong;
    bad.contour_count = 1;
    EXPECT_FALSE(page->paste(*idx, ieOffsetOrigin, ieSizeFull, iePixelNull, &bad));
    Ie_Clip missing;
    missing.point_count = 3;
    EXPECT_FALSE(page->paste(*idx, ieOffsetOrigin, ieSizeFull, iePixelNull, &missing));

    ie_test::invalidate_images(1);
    auto invalid = ieRep.create_image(2, 2, ie_pixel::index8, csNone);
    ASSERT_TRUE(invalid);
    EXPECT_FALSE(page->paste(*invalid, ieOffsetOrigin, ieSizeFull));
    EXPECT_FALSE(invalid->paste(*idx, ieOffsetOrigin, ieSizeFull));

    for (const auto& row : pixels(*page))
        EXPECT_EQ(row, std::vector<Ie_Pixel>(4, 9));
}

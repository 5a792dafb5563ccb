// Pictures: where the two corners put them in device dots, and which pixel
// each dot takes.
#include "picture.h"

#include <gtest/gtest.h>

namespace {

using plot::Picture_Placement;

plot::Page_Frame dots_frame() {
    return plot::Page_Frame(plot::Page_Geometry{}, drawing::Units::dots);
}

drawing::Image_Ref ref(drawing::Point top_left, drawing::Point bottom_right) {
    drawing::Image_Ref r;
    r.top_left = top_left;
    r.bottom_right = bottom_right;
    return r;
}

// A picture whose pixels are numbered in their red byte, row by row.
plot::Rgba_Picture numbered(std::uint32_t width, std::uint32_t height) {
    plot::Rgba_Picture p;
    p.width = width;
    p.height = height;
    for (std::uint32_t i = 0; i < width * height; ++i)
        p.rgba.insert(p.rgba.end(), {static_cast<std::uint8_t>(i), 0, 0, 255});
    return p;
}

TEST(Picture, CornersGiveTheCoveredDotsAndMirroring) {
    // Device dots, y upwards: top-left corner above and left of bottom-right.
    const auto frame = dots_frame();
    Picture_Placement p = plot::place_picture(frame, ref({10, 20}, {14, 17}));
    EXPECT_EQ(p.left, 10);
    EXPECT_EQ(p.top, 19) << "the dot row just below the top edge";
    EXPECT_EQ(p.width, 4);
    EXPECT_EQ(p.height, 3);
    EXPECT_FALSE(p.flip_x);
    EXPECT_FALSE(p.flip_y);

    p = plot::place_picture(frame, ref({14, 17}, {10, 20}));
    EXPECT_EQ(p.left, 10);
    EXPECT_EQ(p.top, 19);
    EXPECT_TRUE(p.flip_x) << "top-left corner on the right: mirrored";
    EXPECT_TRUE(p.flip_y) << "top-left corner at the bottom: upside down";
}

TEST(Picture, EachDotTakesTheNearestPixel) {
    const auto pic = numbered(2, 2);
    Picture_Placement place;
    place.width = 4;
    place.height = 4;
    auto red = [](std::uint32_t c) { return c >> 16 & 0xFF; };
    auto all = plot::resample(pic, place, 0, 4, 0, 4);
    ASSERT_EQ(all.size(), 16u);
    const std::uint32_t want[16] = {0, 0, 1, 1, 0, 0, 1, 1, 2, 2, 3, 3, 2, 2, 3, 3};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(red(all[i]), want[i]) << "dot " << i;

    // A window of the placement, mirrored both ways.
    place.flip_x = place.flip_y = true;
    auto part = plot::resample(pic, place, 1, 2, 2, 1);
    ASSERT_EQ(part.size(), 2u);
    EXPECT_EQ(red(part[0]), 1u);
    EXPECT_EQ(red(part[1]), 0u);
}

TEST(Picture, TransparencyIsKeptAndHalfTransparencyLiesOnWhitePaper) {
    plot::Rgba_Picture pic;
    pic.width = 3;
    pic.height = 1;
    pic.rgba = {0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 128};
    Picture_Placement place;
    place.width = 3;
    place.height = 1;
    const auto out = plot::resample(pic, place, 0, 3, 0, 1);
    EXPECT_EQ(out[0] >> 24, 0u) << "a transparent pixel stays transparent";
    EXPECT_EQ(out[1], 0xFF000000u);
    EXPECT_EQ(out[2], 0xFF7F7F7Fu) << "black at half alpha over white";
}

} // namespace

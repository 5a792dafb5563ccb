// What the image tests share: colours, page-image probes and drawing through
// the device's image actions.
#pragma once

#include "driver_host.h"

#include "ht_shared_image.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace image_test {

// Host colours, alpha 255, and a transparent one.
constexpr std::uint32_t red = 0xFFFF0000u, green = 0xFF00FF00u, blue = 0xFF0000FFu;
constexpr std::uint32_t black = 0xFF000000u, white = 0xFFFFFFFFu, clear = 0;

// Pixels of the page image by (column, row).
using Pixel_Map = std::map<std::pair<int, int>, std::uint32_t>;

// Every pixel of the page image that is not `cleared`, with its value.
inline Pixel_Map written(const RASTER_Driver& d, std::uint32_t cleared = 0) {
    Pixel_Map out;
    for (int r = 0; r <= d.m_last_row; ++r)
        for (int c = 0; c <= d.m_last_column; ++c)
            if (const std::uint32_t v = d.m_image->pixel(c, r); v != cleared)
                out[{c, r}] = v;
    return out;
}

// A page-image true-colour pixel (0xAABBGGRR) of a host colour (0xAARRGGBB).
constexpr std::uint32_t page_rgba(std::uint32_t host) {
    return (host & 0xFF00FF00u) | (host & 0xFFu) << 16 | (host >> 16 & 0xFFu);
}

// Palette index of a colour of the indexed cube (levels 0, 51, ... 255).
constexpr std::uint8_t cube_index(std::uint32_t host) {
    return static_cast<std::uint8_t>(1 + (host >> 16 & 0xFF) / 51 * 36 +
                                     (host >> 8 & 0xFF) / 51 * 6 + (host & 0xFF) / 51);
}

// Rows of pixels (bytes, or host colours) drawn from `start` to `end`
// through the device's index8 or rgb32 action.
inline void draw_rows(RASTER_Driver& d, HT_DCI_Point start, HT_DCI_Point end, int row_bytes,
                      const std::vector<std::uint8_t>& indices) {
    const HT_Rendition r;
    const auto& a = d.actions().draw_dci_index8_image;
    ASSERT_TRUE(a.usable());
    a.action(a.device, &r, &start, &end, row_bytes, indices.data());
}
inline void draw_rows(RASTER_Driver& d, HT_DCI_Point start, HT_DCI_Point end, int row_bytes,
                      const std::vector<std::uint32_t>& colours) {
    const HT_Rendition r;
    const auto& a = d.actions().draw_dci_rgb32_image;
    ASSERT_TRUE(a.usable());
    a.action(a.device, &r, &start, &end, row_bytes, colours.data());
}

// A shared image of host colours, top row first.
inline HT_Smart_Pointer<HT_Memory_Image> shared(int width, int height,
                                                std::vector<std::uint32_t> pixels,
                                                std::int32_t format = HT_Shared_Image_Source) {
    return HT_Smart_Pointer<HT_Memory_Image>(
        new HT_Memory_Image(width, height, std::move(pixels), format));
}

} // namespace image_test

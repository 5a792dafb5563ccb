// What the image actions share with the other drawing actions: the
// prologue, bit writes through the page image's access object, and the
// rendition's clip region. Internal to the drawing units.
#pragma once

#include "ht_rendition.h"
#include "ie_image.h"
#include "raster_draw.h"
#include "raster_palette.h"
#include "raster_surface.h"

#include <cstdint>
#include <cstring>

namespace raster_render {

// Every action first marks the page as drawn; a cancelled plot draws
// nothing (null).
RASTER_Drawing_Surface* drawing_prologue(HT_Renderer_Data* device);

// Word of the row that holds column c.
inline int row_word(int color_system, int c) {
    switch (color_system) {
    case color_system_indexed:
        return c / 4;
    case color_system_true_color:
        return c;
    default:
        return c / 32;
    }
}

// The row pointer valid for column c of row r, fetched in windowed mode;
// null outside the image or without a page image.
inline std::uint8_t* pixel_row(RASTER_Drawing_Surface& d, std::int64_t c, std::int64_t r) {
    if (!d.m_image_rows || c < 0 || r < 0 || c >= d.m_image_width || r >= d.m_image_height)
        return nullptr;
    const int row_index = static_cast<int>(r);
    std::uint8_t* row = d.m_image_rows[row_index];
    if (d.m_image_windowed) {
        const int word = row_word(d.m_color_system, static_cast<int>(c));
        Ie_Write_Context& access = *d.m_image_access;
        if (!row || word < access.window_first() || word > access.window_last())
            row = access.fetch(word, row_index);
    }
    return row;
}

// Sets (ink) or clears the bit of pixel (c, r) of a 1-bit page image.
inline void put_bit(RASTER_Drawing_Surface& d, std::int64_t c, std::int64_t r, bool ink) {
    std::uint8_t* row = pixel_row(d, c, r);
    if (!row)
        return;
    const int column = static_cast<int>(c);
    std::uint8_t* at = row + 4 * static_cast<std::size_t>(column / 32);
    std::uint32_t bits;
    std::memcpy(&bits, at, sizeof bits);
    if (ink)
        bits |= Ie_Write_Context::set_masks()[column % 32];
    else
        bits &= Ie_Write_Context::clear_masks()[column % 32];
    std::memcpy(at, &bits, sizeof bits);
}

// The rendition's clip region; the rendition keeps it referenced for the
// action's duration, so no reference of its own is taken (dots are many).
class Clip {
public:
    explicit Clip(const HT_Rendition* rendition)
        : m_region(rendition ? rendition->clip_region.get() : nullptr) {}
    bool clipped() const { return static_cast<bool>(m_region); }
    const HT_Contour_Set_Data* region() const { return m_region; }
    // Host coordinates; everything is inside without a region.
    bool inside(std::int64_t x, std::int64_t y, std::int32_t z) const {
        (void)z; // the region is flat
        return !m_region || m_region->dot_inside(x, y);
    }

private:
    const HT_Contour_Set_Data* m_region;
};

} // namespace raster_render

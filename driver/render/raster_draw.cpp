// Dots, triangle strips and clearing, written into the page image.
#include "raster_draw.h"

#include "ht_draw.h"
#include "ie_rep.h"
#include "message_ids.h"
#include "raster_error.h"
#include "raster_image.h"
#include "raster_pixels.h"

#include <algorithm>
#include <cstring>

using namespace raster_render;

namespace {

[[gnu::noinline, gnu::cold]] void stop_drawing() {
    ieRep.set_error_reporting(0, 1);
}

// Every action first marks the page as drawn; a cancelled plot draws nothing.
// Inline: every dot runs it.
[[gnu::always_inline]] inline RASTER_Drawing_Surface* prologue(HT_Renderer_Data* device) {
    auto* d = static_cast<RASTER_Drawing_Surface*>(device);
    if (!d) [[unlikely]]
        return nullptr;
    d->mark_drawn();
    if (d->drawing_cancelled()) [[unlikely]] {
        stop_drawing();
        return nullptr;
    }
    return d;
}

void check_color_system(const RASTER_Drawing_Surface& d, const char* operation) {
    if (!valid_color_system(d.m_color_system))
        raster_error::raise_severe_message(raster_error::device_init, rsrc_id::err_color_system,
                                           operation, raster_error::unit_draw);
}

// The value a dot writes: a palette index for the indexed system, a host
// colour otherwise; the given colour when there is one, else the rendition's.
std::uint32_t dot_value(const RASTER_Drawing_Surface& d, const HT_Rendition* rendition,
                        const std::uint32_t* color) {
    if (d.m_color_system == color_system_indexed) {
        if (color)
            return *color & 0xFF;
        return rendition ? static_cast<std::uint32_t>(rendition->color_index) & 0xFF : 0;
    }
    if (color)
        return *color;
    return rendition ? rendition->color : 0;
}

// Word of the row that holds column c.
int word_of(int color_system, int c) {
    switch (color_system) {
    case color_system_indexed:
        return c / 4;
    case color_system_true_color:
        return c;
    default:
        return c / 32;
    }
}

// Writes one pixel of the page image; pixels outside it, or a picture
// without a page image, write nothing.
[[gnu::always_inline]] inline void put_pixel(RASTER_Drawing_Surface& d, std::int64_t c,
                                             std::int64_t r, std::uint32_t value) {
    if (!d.m_image_rows || c < 0 || r < 0 || c >= d.m_image_width || r >= d.m_image_height)
        return;
    const int column = static_cast<int>(c);
    const int row_index = static_cast<int>(r);
    const int word = word_of(d.m_color_system, column);
    std::uint8_t* row = d.m_image_rows[row_index];
    if (d.m_image_windowed) {
        Ie_Write_Context& access = *d.m_image_access;
        if (!row || word < access.window_first() || word > access.window_last())
            row = access.fetch(word, row_index);
        if (!row)
            return;
    }

    switch (d.m_color_system) {
    case color_system_indexed:
        row[column] = static_cast<std::uint8_t>(value);
        break;
    case color_system_true_color: {
        std::uint8_t* pixel = row + 4 * static_cast<std::size_t>(column);
        pixel[0] = static_cast<std::uint8_t>(value >> 16); // red
        pixel[1] = static_cast<std::uint8_t>(value >> 8);  // green
        pixel[2] = static_cast<std::uint8_t>(value);       // blue
        pixel[3] = static_cast<std::uint8_t>(value >> 24); // alpha
        break;
    }
    default: {
        std::uint8_t* at = row + 4 * static_cast<std::size_t>(word);
        std::uint32_t bits;
        std::memcpy(&bits, at, sizeof bits);
        if (is_bitonal_ink(value, d.m_background))
            bits |= Ie_Write_Context::set_masks()[column % 32];
        else
            bits &= Ie_Write_Context::clear_masks()[column % 32];
        std::memcpy(at, &bits, sizeof bits);
        break;
    }
    }
}

} // namespace

namespace raster_render {

namespace detail {
RASTER_Drawing_Surface* page_drawn_surface = nullptr;
} // namespace detail

RASTER_Drawing_Surface* drawing_prologue(HT_Renderer_Data* device) {
    return prologue(device);
}

std::uint32_t cleared_value(int color_system, std::uint32_t background) {
    // A true-colour pixel as the image engine holds it, 0xAABBGGRR, is the
    // stored background (0x00BBGGRR) with alpha 255.
    return color_system == color_system_true_color ? (background | 0xFF000000u) : 0u;
}

bool is_bitonal_ink(std::uint32_t color, std::uint32_t background) {
    // On light paper black is ink; on black paper everything else is.
    const bool light_background = (background & 0xFFFFFFu) != 0;
    const bool black = (color & 0xFFFFFFu) == 0;
    return light_background ? black : !black;
}

HT_Draw_DCI_Dot_Action dot_action_for(std::int32_t resolution) {
    return resolution <= 400 ? raster_plotter_draw_dci_dot : raster_plotter_draw_over400dpi_dci_dot;
}

void register_drawing_actions(RASTER_Drawing_Surface& d, bool image_action) {
    d.set_draw_dci_dot_action(HT_OWN_ACTION(&d, dot_action_for(d.m_resolution)));
    d.set_draw_dci_polytriangle_action(HT_OWN_ACTION(&d, raster_plotter_draw_dci_polytriangle));
    d.set_draw_dci_image_action(HT_OWN_ACTION(&d, raster_plotter_draw_dci_shared_image));
    d.set_draw_dc_image_action(HT_OWN_ACTION(&d, raster_plotter_draw_dc_shared_image));
    d.set_clear_drawing_buffer_action(HT_OWN_ACTION(&d, raster_plotter_clear_drawing_buffer));
    if (!image_action)
        return;
    switch (d.m_color_system) {
    case color_system_indexed:
        d.set_draw_dci_index8_image_action(HT_OWN_ACTION(&d, raster_plotter_draw_index8_image));
        break;
    case color_system_true_color:
        d.set_draw_dci_rgb32_image_action(HT_OWN_ACTION(&d, raster_plotter_draw_rgb32_image));
        break;
    case color_system_bitonal:
        d.set_draw_dci_bitonal_image_action(
            HT_OWN_ACTION(&d, raster_plotter_draw_dci_bitonal_image));
        break;
    default:
        break;
    }
}

} // namespace raster_render

void raster_plotter_draw_dci_dot(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                 const HT_DCI_Point* point, const std::uint32_t* color) {
    RASTER_Drawing_Surface* d = prologue(device);
    if (!d || !point)
        return;

    // Host coordinates outside the image draw nothing.
    if (point->y < 0 || point->y > d->m_last_row || point->x < 0 || point->x > d->m_last_column)
        return;
    if (!Clip(rendition).inside(point->x, point->y, point->z))
        return;

    const std::int64_t c = std::int64_t{point->x} + d->m_pad_x;
    const std::int64_t r = std::int64_t{d->m_last_row} - d->m_pad_y - point->y;
    // The common case, an indexed dot on a page image held in memory, takes
    // the short way: one byte.
    if (d->m_color_system == color_system_indexed && !d->m_image_windowed && d->m_image_rows &&
        c >= 0 && r >= 0 && c < d->m_image_width && r < d->m_image_height) [[likely]] {
        d->m_image_rows[r][c] = static_cast<std::uint8_t>(dot_value(*d, rendition, color));
        return;
    }
    check_color_system(*d, "raster_plotter_draw_dci_dot");
    put_pixel(*d, c, r, dot_value(*d, rendition, color));
}

void raster_plotter_draw_over400dpi_dci_dot(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                            const HT_DCI_Point* point, const std::uint32_t* color) {
    RASTER_Drawing_Surface* d = prologue(device);
    if (!d || !point)
        return;
    check_color_system(*d, "raster_plotter_draw_over400dpi_dci_dot");
    const std::uint32_t value = dot_value(*d, rendition, color);

    // 64-bit arithmetic: the host's coordinates may be anywhere.
    const std::int64_t ly = d->m_last_row;
    const std::int64_t c = std::int64_t{point->x} + d->m_pad_x;
    const std::int64_t r = ly - d->m_pad_y - point->y;
    const Clip clip(rendition);

    // Above 600 dpi a dot is 4 × 4 pixels around it; from 401 to 600 dpi
    // 2 × 2 pixels, the dot and its neighbours to the right and above. A
    // block is never moved: what lies off the image is not drawn, so a dot
    // off the page prints nothing and one on its edge only its part.
    std::int64_t c0, r0, size;
    if (d->m_resolution > 600) {
        size = 4;
        c0 = c - 1;
        r0 = r - 2;
    } else {
        size = 2;
        c0 = c;
        r0 = r - 1;
    }

    // The common case, an unclipped indexed block wholly on a page image held
    // in memory, takes the short way: a few bytes a row.
    if (!clip.clipped() && d->m_color_system == color_system_indexed && !d->m_image_windowed &&
        d->m_image_rows && c0 >= 0 && r0 >= 0 && c0 + size <= d->m_image_width &&
        r0 + size <= d->m_image_height) [[likely]] {
        for (std::int64_t j = 0; j < size; ++j)
            std::memset(d->m_image_rows[r0 + j] + c0, static_cast<int>(value),
                        static_cast<std::size_t>(size));
        return;
    }

    for (std::int64_t j = 0; j < size; ++j) {
        for (std::int64_t i = 0; i < size; ++i) {
            // The clip region is in host coordinates: undo the pad.
            if (!clip.inside(c0 + i - d->m_pad_x, ly - d->m_pad_y - (r0 + j), point->z))
                continue;
            put_pixel(*d, c0 + i, r0 + j, value);
        }
    }
}

void raster_plotter_draw_dci_polytriangle(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                          int count, const HT_DCI_Point* points) {
    RASTER_Drawing_Surface* d = prologue(device);
    if (!d || !rendition || !points || count < 3)
        return;

    // Clipped or patterned strips are the host's to draw.
    if (rendition->clip_region || rendition->fill.style == HT_Fill_Pattern) {
        HD_Standard_Draw_DCI_Polytriangle(device, rendition, count, points);
        return;
    }

    // Thin triangles keep one dot per scan line up to a tenth of the
    // resolution, scaled by the line weight.
    float weight = rendition->weight_factor;
    if (!(weight > 0.0f))
        weight = 1.0f;
    const double limit = d->m_resolution * 0.1 * weight;
    const int thin = static_cast<int>(std::clamp(limit, 0.0, 1.0e9));

    for (int k = 0; k + 2 < count; ++k) {
        const HT_DCI_Point* t = points + k;
        const auto [min_x, max_x] = std::minmax({t[0].x, t[1].x, t[2].x});
        const auto [min_y, max_y] = std::minmax({t[0].y, t[1].y, t[2].y});
        const std::int64_t width = std::int64_t{max_x} - min_x;
        const std::int64_t height = std::int64_t{max_y} - min_y;
        HD_Fill_2DI_Polygon(device, rendition, 3, t, HT_Fill_Even_Odd, thin, width > height, false);
    }
}

void raster_plotter_clear_drawing_buffer(HT_Renderer_Data* device) {
    auto* d = static_cast<RASTER_Drawing_Surface*>(device);
    if (!d)
        return;
    d->mark_drawn();
    check_color_system(*d, "raster_plotter_clear_drawing_buffer");
    if (!d->m_image)
        return;
    const std::uint32_t value = cleared_value(d->m_color_system, d->m_background);
    d->m_image->make_exclusive();
    if (d->m_image_access)
        d->m_image_access->fill(value);
    else
        d->m_image->fill(value);
}

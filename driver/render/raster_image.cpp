// Row images: rectangles of rows already in the page's pixel format, stored
// row by row; indexed and true-colour rows pass through colour substitution
// in a temporary row first.
#include "raster_image.h"

#include "ht_draw.h"
#include "message_ids.h"
#include "raster_error.h"
#include "raster_pixels.h"
#include "raster_substitution.h"

#include <algorithm>

using namespace raster_render;

namespace {

// A row of the host's allocator, freed with the action.
class Temporary_Row {
public:
    Temporary_Row(std::size_t bytes, const char* operation)
        : m_bytes(static_cast<std::uint8_t*>(ht_alloc(std::max<std::size_t>(bytes, 1)))) {
        if (!m_bytes)
            raster_error::raise_severe_message(raster_error::device_init,
                                               rsrc_id::err_memory_allocation, operation,
                                               raster_error::unit_draw);
    }
    ~Temporary_Row() { ht_free(m_bytes); }
    Temporary_Row(const Temporary_Row&) = delete;
    Temporary_Row& operator=(const Temporary_Row&) = delete;
    std::uint8_t* data() const { return m_bytes; }

private:
    std::uint8_t* m_bytes;
};

// The part of a row image that lies inside the page image, counted from the
// rectangle's top-left: `rows` source rows from `first_row`, `pixels` pixels
// from `first_pixel`; and where that part starts in the page image.
struct Visible_Part {
    std::int64_t first_row = 0, rows = 0;
    std::int64_t first_pixel = 0, pixels = 0;
    int column = 0, row = 0;
};

// Only what the page image can hold is read and stored: the image engine
// would drop the rest anyway. False when nothing is left, or there is no
// page image to store into.
bool visible_part(const RASTER_Drawing_Surface& d, const Row_Image_Rectangle& r, Visible_Part& v) {
    if (!d.m_image_access)
        return false;
    const std::int64_t c0 = std::max<std::int64_t>(r.left, 0);
    const std::int64_t c1 = std::min<std::int64_t>(r.left + r.width, d.m_image_width);
    const std::int64_t r0 = std::max<std::int64_t>(r.top, 0);
    const std::int64_t r1 = std::min<std::int64_t>(r.top + r.height, d.m_image_height);
    if (c0 >= c1 || r0 >= r1)
        return false;
    v.first_row = r0 - r.top;
    v.rows = r1 - r0;
    v.first_pixel = c0 - r.left;
    v.pixels = c1 - c0;
    v.column = static_cast<int>(c0);
    v.row = static_cast<int>(r0);
    return true;
}

// Source rows closer together than one row's bytes would overlap, and the
// last would be read past its end: such an image is not drawn. A one-row
// image needs no distance.
bool rows_apart(int row_bytes, std::int64_t height, std::int64_t packed_bytes) {
    return height <= 1 || row_bytes >= packed_bytes;
}

const std::uint8_t* source_row(const void* pixels, int row_bytes, std::int64_t row) {
    return static_cast<const std::uint8_t*>(pixels) + row * row_bytes;
}

} // namespace

namespace raster_render {

bool place_row_image(const RASTER_Drawing_Surface& d, const HT_DCI_Point& start,
                     const HT_DCI_Point& end, Row_Image_Rectangle& rectangle) {
    // An image whose start lies outside the page image is dropped.
    const std::int64_t lx = d.m_last_column;
    const std::int64_t ly = d.m_last_row;
    if (start.y < 0 || start.y > ly || start.x < 0 || start.x > lx)
        return false;

    // Host columns move right by the pad; host rows count up from the bottom.
    const std::int64_t cs = std::int64_t{start.x} + d.m_pad_x;
    const std::int64_t ce = std::int64_t{end.x} + d.m_pad_x;
    const std::int64_t rs = ly - d.m_pad_y - start.y;
    const std::int64_t re = ly - d.m_pad_y - end.y;
    std::int64_t top = std::min(rs, re);
    std::int64_t bottom = std::max(rs, re);

    // The last row is not printed: a one-row image there moves up a row.
    if (top == ly && bottom == ly && d.m_resolution_from_config)
        top = bottom = ly - 1;

    rectangle.left = std::min(cs, ce);
    rectangle.top = top;
    rectangle.width = std::max(cs, ce) - rectangle.left + 1;
    rectangle.height = bottom - top + 1;
    return true;
}

} // namespace raster_render

void raster_plotter_draw_index8_image(HT_Renderer_Data* device, const HT_Rendition*,
                                      const HT_DCI_Point* start, const HT_DCI_Point* end,
                                      int row_bytes, const void* pixels) {
    RASTER_Drawing_Surface* d = drawing_prologue(device);
    if (!d || !start || !end || !pixels || d->m_color_system != color_system_indexed)
        return;
    Row_Image_Rectangle r;
    if (!place_row_image(*d, *start, *end, r))
        return;
    if (r.top < 0 || r.top > d->m_last_row || r.left < 0 || r.left > d->m_last_column)
        return;
    Visible_Part v;
    if (!rows_apart(row_bytes, r.height, r.width) || !visible_part(*d, r, v))
        return;

    Ie_Write_Context& page = *d->m_image_access;
    const int count = static_cast<int>(v.pixels);
    if (d->m_change_color == 0) {
        for (std::int64_t i = 0; i < v.rows; ++i)
            page.store_row_segment(v.column, v.row + static_cast<int>(i), count,
                                   source_row(pixels, row_bytes, v.first_row + i) + v.first_pixel);
        return;
    }

    // Substituted rows go through a row of our own; the host's stay as they are.
    const Temporary_Row temporary(static_cast<std::size_t>(count),
                                  "raster_plotter_draw_index8_image");
    const Index_Map map = index_substitution_map(*d);
    std::uint8_t* out = temporary.data();
    for (std::int64_t i = 0; i < v.rows; ++i) {
        const std::uint8_t* in = source_row(pixels, row_bytes, v.first_row + i) + v.first_pixel;
        for (int k = 0; k < count; ++k)
            out[k] = map[in[k]];
        page.store_row_segment(v.column, v.row + static_cast<int>(i), count, out);
    }
}

void raster_plotter_draw_rgb32_image(HT_Renderer_Data* device, const HT_Rendition*,
                                     const HT_DCI_Point* start, const HT_DCI_Point* end,
                                     int row_bytes, const void* pixels) {
    RASTER_Drawing_Surface* d = drawing_prologue(device);
    if (!d || !start || !end || !pixels || d->m_color_system != color_system_true_color)
        return;
    Row_Image_Rectangle r;
    Visible_Part v;
    if (!place_row_image(*d, *start, *end, r) || !rows_apart(row_bytes, r.height, 4 * r.width) ||
        !visible_part(*d, r, v))
        return;

    // Host colours are blue, green, red, alpha; the page holds red first.
    Ie_Write_Context& page = *d->m_image_access;
    const int count = static_cast<int>(v.pixels);
    const Temporary_Row temporary(4 * static_cast<std::size_t>(count),
                                  "raster_plotter_draw_rgb32_image");
    for (std::int64_t i = 0; i < v.rows; ++i) {
        const std::uint8_t* in = source_row(pixels, row_bytes, v.first_row + i) + 4 * v.first_pixel;
        convert_rgb32_pixels(*d, in, temporary.data(), static_cast<std::size_t>(count));
        page.store_row_segment(v.column, v.row + static_cast<int>(i), count, temporary.data());
    }
}

void raster_plotter_draw_dci_bitonal_image(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                           const HT_DCI_Point* start, const HT_DCI_Point* end,
                                           int row_bytes, const void* pixels, int format) {
    RASTER_Drawing_Surface* d = drawing_prologue(device);
    if (!d)
        return;

    // Bits that mean something else on this page are the host's to draw.
    if (d->renderer_options().bitonal_format() != format) {
        HD_Standard_Draw_DCI_Bitonal_Image(device, rendition, start, end, row_bytes, pixels,
                                           format);
        return;
    }
    if (!start || !end || !pixels || d->m_color_system != color_system_bitonal)
        return;
    Row_Image_Rectangle r;
    Visible_Part v;
    if (!place_row_image(*d, *start, *end, r) ||
        !rows_apart(row_bytes, r.height, (r.width + 7) / 8) || !visible_part(*d, r, v))
        return;

    // A row is read from a whole byte: the bits before the first visible
    // pixel in that byte land left of column 0, where the engine drops them.
    const std::int64_t skip_bytes = v.first_pixel / 8;
    const int skip_bits = static_cast<int>(v.first_pixel % 8);
    const int column = v.column - skip_bits;
    const int count = static_cast<int>(v.pixels) + skip_bits;
    Ie_Write_Context& page = *d->m_image_access;
    for (std::int64_t i = 0; i < v.rows; ++i)
        page.store_row_segment(column, v.row + static_cast<int>(i), count,
                               source_row(pixels, row_bytes, v.first_row + i) + skip_bytes);
}

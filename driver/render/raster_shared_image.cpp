// Shared images: the host keeps them in its own format and hands them out
// through an image source, a strip at a time. Strips are composed into the
// page image through strip images of the image engine, or written into it
// directly where composing is forbidden or not possible.
#include "ht_draw.h"
#include "ie_rep.h"
#include "message_ids.h"
#include "raster_error.h"
#include "raster_image.h"
#include "raster_pixels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

using namespace raster_render;

namespace {

constexpr char op_ism_image[] = "raster_plotter_draw_dci_ism_image";
constexpr std::int64_t int_max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t int_min = std::numeric_limits<std::int32_t>::min();

// Bytes of source pixels a strip may hold.
constexpr std::int64_t strip_bytes = 0x80000;
// The indexed request's marker for "no pixel here", pasted as transparent.
constexpr std::uint16_t indexed_no_pixel = 254;

enum class Path {
    compose,           // through strip images pasted into the page
    direct_true_color, // runs of opaque pixels stored into the page
    direct_bitonal,    // one byte a pixel: set, clear or leave the bit
};

// The fetch request of a colour system and how its strips reach the page.
struct Set_Up {
    HT_Image_Request request;
    std::uint8_t palette[palette_size][3] = {};
    Path path = Path::compose;
    std::int64_t row_bytes = 0;    // asked of the host
    std::int64_t packed_bytes = 0; // what one delivered row must hold
    // Strip images, when composing.
    Ie_Space_Ref space;
    int pixel_type = 0;
    Ie_Pixel_Opt transparent = iePixelNull;
};

std::uint32_t next_serial(RASTER_Drawing_Surface& d) {
    if (++d.m_page_number == 0)
        d.m_page_number = 1;
    return d.m_page_number;
}

HT_Request_Color value_of(std::uint16_t value) {
    HT_Request_Color color;
    color.value = value;
    return color;
}

void set_palette(Set_Up& s, std::initializer_list<std::uint32_t> colors) {
    int n = 0;
    for (std::uint32_t c : colors) {
        const Palette_Rgb rgb = rgb_of_host(c);
        s.palette[n][0] = static_cast<std::uint8_t>(rgb.red);
        s.palette[n][1] = static_cast<std::uint8_t>(rgb.green);
        s.palette[n][2] = static_cast<std::uint8_t>(rgb.blue);
        ++n;
    }
    s.request.palette_size = n;
}

std::int64_t round_up_4(std::int64_t n) {
    return (n + 3) / 4 * 4;
}

// Fills in the request and the path for the device's colour system.
void set_up(RASTER_Drawing_Surface& d, const HT_Rendition* rendition, const HT_Image_Source& source,
            std::int64_t width, bool clipped, Set_Up& s) {
    constexpr std::uint32_t white = 0xFFFFFFFFu, black = 0xFF000000u;
    HT_Image_Request& q = s.request;
    q.serial = next_serial(d);
    q.palette = s.palette;
    const bool light = (d.m_background & 0xFFFFFFu) != 0;

    switch (d.m_color_system) {
    case color_system_true_color: {
        q.format = HT_Request_Rgba;
        q.pixel_size = 32;
        // The stored background is 0x00BBGGRR.
        q.background.rgb[0] = static_cast<std::uint8_t>(d.m_background);
        q.background.rgb[1] = static_cast<std::uint8_t>(d.m_background >> 8);
        q.background.rgb[2] = static_cast<std::uint8_t>(d.m_background >> 16);
        q.no_pixel.rgb[0] = 0x2A;
        q.no_pixel.rgb[1] = 0x4E;
        q.no_pixel.rgb[2] = 0x57;
        std::memcpy(q.foreground.rgb, source.color, 3);
        s.row_bytes = s.packed_bytes = 4 * width;
        // A clip region can only be honoured pixel by pixel.
        s.path = source.no_composition == 1 || clipped ? Path::direct_true_color : Path::compose;
        s.space = csRgb;
        s.pixel_type = ie_pixel::rgb32;
        // Transparent pixels (alpha 0) are stored as 0 and not pasted: no
        // opaque pixel has that value.
        s.transparent = Ie_Pixel_Opt(0);
        break;
    }
    case color_system_indexed: {
        // A second serial, as the printer's contract takes one: the page
        // numbers and serials that follow count it.
        q.serial = next_serial(d);
        q.format = HT_Request_Bytes;
        q.pixel_size = 8;
        q.background = value_of(0);
        q.no_pixel = value_of(indexed_no_pixel);
        q.foreground = value_of(static_cast<std::uint16_t>(rendition ? rendition->color_index : 0));
        Ie_Rgba entries[palette_size];
        for (std::size_t i = 0; i < palette_size; ++i) {
            const Palette_Rgb rgb = rgb_of_host(d.m_palette.get_entry(i));
            s.palette[i][0] = static_cast<std::uint8_t>(rgb.red);
            s.palette[i][1] = static_cast<std::uint8_t>(rgb.green);
            s.palette[i][2] = static_cast<std::uint8_t>(rgb.blue);
            entries[i] = {s.palette[i][0], s.palette[i][1], s.palette[i][2], 255};
        }
        q.palette_size = static_cast<std::int32_t>(palette_size);
        s.row_bytes = round_up_4(width);
        s.packed_bytes = width;
        s.path = Path::compose;
        s.space = csSpaceRepConstructor1(csRgb, static_cast<int>(palette_size), 0, entries, 0);
        s.pixel_type = ie_pixel::index8;
        s.transparent = Ie_Pixel_Opt(indexed_no_pixel);
        break;
    }
    case color_system_bitonal: {
        // A byte a pixel: 1 sets the bit, 2 clears it, 0 (no pixel) leaves
        // it. One bit a pixel could not tell a transparent pixel from paper,
        // so even a clipped picture is written pixel by pixel. A second
        // serial, as for indexed requests.
        q.serial = next_serial(d);
        q.format = HT_Request_Bytes;
        q.pixel_size = 2;
        q.background = value_of(light ? 2 : 1);
        q.no_pixel = value_of(0);
        q.foreground = value_of(light ? 1 : 2);
        set_palette(s, {white, black, white, white});
        s.row_bytes = round_up_4(width);
        s.packed_bytes = width;
        s.path = Path::direct_bitonal;
        break;
    }
    default:
        raster_error::raise_severe_message(raster_error::device_init, rsrc_id::err_color_system,
                                           op_ism_image, raster_error::unit_draw);
    }
    q.row_bytes = static_cast<std::int32_t>(std::min(s.row_bytes, int_max));
}

// The clip region's outline in page-image pixels, for the paste: host point
// (x, y) is the dot at column x + Px and row Ly - Py - y, and dots on the
// outline are inside, as they are for every other drawing action.
class Clip_Outline {
public:
    Clip_Outline() = default;
    Clip_Outline(const Clip_Outline&) = delete;
    Clip_Outline& operator=(const Clip_Outline&) = delete;
    ~Clip_Outline() { ht_free(m_block); }

    void build(const HT_Contour_Set_Data& region, const RASTER_Drawing_Surface& d) {
        const std::size_t points = region.point_count();
        const std::size_t contours = region.contour_count();
        constexpr std::size_t most = static_cast<std::size_t>(int_max / 2);
        void* block = nullptr;
        if (points <= most && contours <= most)
            block = ht_alloc(std::max<std::size_t>(
                points * 2 * sizeof(std::int32_t) + contours * sizeof(int), 1));
        if (!block)
            raster_error::raise_error(raster_error::memory, op_ism_image,
                                      raster_error::message_text(rsrc_id::err_memory_allocation),
                                      raster_error::unit_draw);
        m_block = block;

        auto* xy = static_cast<std::int32_t*>(block);
        auto* sizes = reinterpret_cast<int*>(xy + 2 * points);
        std::size_t k = 0, c = 0;
        for (const HT_Contour_Set_Data::Contour& contour : region.contours()) {
            sizes[c++] = static_cast<int>(contour.size());
            for (const HT_Point& p : contour) {
                xy[k++] = pixel_coordinate(std::int64_t{d.m_pad_x} + nearest(p.x));
                xy[k++] = pixel_coordinate(std::int64_t{d.m_last_row} - d.m_pad_y - nearest(p.y));
            }
        }
        m_clip.points = xy;
        m_clip.point_count = static_cast<int>(points);
        m_clip.contour_sizes = sizes;
        m_clip.contour_count = static_cast<int>(contours);
        m_clip.edges_inside = true;
    }

    // Null until built.
    const Ie_Clip* clip() const { return m_block ? &m_clip : nullptr; }

private:
    // The host's float to the nearest whole dot; far-off values stay far off.
    static std::int64_t nearest(float v) {
        if (!std::isfinite(v))
            return 0;
        return static_cast<std::int64_t>(std::clamp(std::round(static_cast<double>(v)), -1e9, 1e9));
    }
    static std::int32_t pixel_coordinate(std::int64_t v) {
        return static_cast<std::int32_t>(std::clamp(v, int_min, int_max));
    }

    void* m_block = nullptr;
    Ie_Clip m_clip;
};

// A fetched block, held while its rows are written. The busy byte tells the
// host that the block is held; it is cleared and the block released however
// the drawing of the strip ends.
class Held_Block {
public:
    Held_Block(HT_Image_Source& source, const HT_Image_Request& request) : m_source(source) {
        source.busy = 1;
        try {
            m_block = source.fetch(&request, source.user_value, source.user_handle);
        } catch (...) {
            source.busy = 0;
            throw;
        }
    }
    ~Held_Block() {
        m_source.busy = 0;
        if (m_block && m_source.release)
            m_source.release(m_block, m_source.user_value, m_source.user_handle);
    }
    Held_Block(const Held_Block&) = delete;
    Held_Block& operator=(const Held_Block&) = delete;

    // The block when it may be used: both status words 0, pixels present and
    // rows long enough for the strip's width.
    const HT_Image_Block* usable(std::int64_t packed_bytes) const {
        if (!m_block || m_block->status[0] != 0 || m_block->status[1] != 0 || !m_block->pixels ||
            m_block->row_bytes < packed_bytes)
            return nullptr;
        return m_block;
    }

private:
    HT_Image_Source& m_source;
    HT_Image_Block* m_block = nullptr;
};

// Where one strip goes: its width and rows, and the page-image column and row
// of its top-left pixel.
struct Strip_Place {
    std::int64_t width, rows, column, row;
    bool meets(const RASTER_Drawing_Surface& d) const {
        return column < d.m_image_width && column + width > 0 && row < d.m_image_height &&
               row + rows > 0;
    }
};

// A true-colour row with every transparent pixel (alpha 0) made 0, the value
// the paste leaves out; a row without one as it is.
const std::uint8_t* clear_transparent(const std::uint8_t* row, std::int64_t width,
                                      std::vector<std::uint8_t>& scratch) {
    std::int64_t k = 0;
    while (k < width && row[4 * k + 3] != 0)
        ++k;
    if (k == width)
        return row;
    scratch.assign(row, row + 4 * width);
    for (; k < width; ++k)
        if (scratch[4 * k + 3] == 0)
            std::memset(&scratch[4 * k], 0, 4);
    return scratch.data();
}

void compose_strip(RASTER_Drawing_Surface& d, const HT_Image_Block& block, const Strip_Place& at,
                   ieImgRep& strip, Ie_Write_Context& strip_access, const Set_Up& s,
                   const Clip_Outline& outline) {
    const bool with_alpha = s.pixel_type == ie_pixel::rgb32;
    std::vector<std::uint8_t> scratch;
    for (std::int64_t i = 0; i < at.rows; ++i) {
        const std::uint8_t* row = block.pixels + i * block.row_bytes;
        if (with_alpha)
            row = clear_transparent(row, at.width, scratch);
        strip_access.store_row_segment(0, static_cast<int>(i), static_cast<int>(at.width), row);
    }
    if (d.m_image && at.meets(d))
        d.m_image->paste(strip, {static_cast<int>(at.column), static_cast<int>(at.row)}, ieSizeFull,
                         s.transparent, outline.clip());
}

// The host coordinates of page-image pixel (c, r), for the clip test.
struct Host_Point {
    std::int64_t x, y;
};
Host_Point host_point(const RASTER_Drawing_Surface& d, std::int64_t c, std::int64_t r) {
    return {c - d.m_pad_x, std::int64_t{d.m_last_row} - d.m_pad_y - r};
}

void direct_true_color_strip(RASTER_Drawing_Surface& d, const HT_Image_Block& block,
                             const Strip_Place& at, const Clip& clip, std::int32_t z) {
    if (!d.m_image_access || !at.meets(d))
        return;
    const std::int64_t k0 = std::max<std::int64_t>(0, -at.column);
    const std::int64_t k1 = std::min<std::int64_t>(at.width, d.m_image_width - at.column);
    for (std::int64_t i = 0; i < at.rows; ++i) {
        const std::int64_t r = at.row + i;
        if (r < 0 || r >= d.m_image_height)
            continue;
        const std::uint8_t* row = block.pixels + i * block.row_bytes;
        // Runs of opaque pixels (inside the clip region) are stored as
        // delivered, red first.
        std::int64_t run = -1;
        for (std::int64_t k = k0; k <= k1; ++k) {
            bool opaque = false;
            if (k < k1 && row[4 * k + 3] != 0) {
                const Host_Point h = host_point(d, at.column + k, r);
                opaque = clip.inside(h.x, h.y, z);
            }
            if (opaque && run < 0)
                run = k;
            if (!opaque && run >= 0) {
                d.m_image_access->store_row_segment(static_cast<int>(at.column + run),
                                                    static_cast<int>(r), static_cast<int>(k - run),
                                                    row + 4 * run);
                run = -1;
            }
        }
    }
}

void direct_bitonal_strip(RASTER_Drawing_Surface& d, const HT_Image_Block& block,
                          const Strip_Place& at, const Clip& clip, std::int32_t z) {
    if (!at.meets(d))
        return;
    const std::int64_t k0 = std::max<std::int64_t>(0, -at.column);
    const std::int64_t k1 = std::min<std::int64_t>(at.width, d.m_image_width - at.column);
    for (std::int64_t i = 0; i < at.rows; ++i) {
        const std::int64_t r = at.row + i;
        if (r < 0 || r >= d.m_image_height)
            continue;
        const std::uint8_t* row = block.pixels + i * block.row_bytes;
        for (std::int64_t k = k0; k < k1; ++k) {
            const std::uint8_t v = row[k];
            if (v == 0 || v > 3)
                continue;
            const Host_Point h = host_point(d, at.column + k, r);
            if (clip.inside(h.x, h.y, z))
                put_bit(d, at.column + k, r, v == 1);
        }
    }
}

// Memory for a strip image, asked again with error reporting off.
void check_strip_memory(const Set_Up& s, std::int64_t width, std::int64_t rows) {
    if (ieRep.memory_available(s.pixel_type, static_cast<int>(width), static_cast<int>(rows)))
        return;
    ieRep.set_error_reporting(0, 0);
    if (!ieRep.memory_available(s.pixel_type, static_cast<int>(width), static_cast<int>(rows)))
        raster_error::raise_severe_message(raster_error::device_init, rsrc_id::err_ie_memory,
                                           op_ism_image, raster_error::unit_draw);
}

// The strip image strips are composed in, and its access. The image is
// declared before its access so that the access goes first.
class Strip_Image {
public:
    // A strip of `rows` rows in place of the last; false when the image
    // engine cannot make it.
    bool renew(std::int64_t width, std::int64_t rows, const Ie_Space_Ref& space) {
        // Strips of one height share a strip image: each stores all its pixels.
        if (m_image && m_access && m_image->height() == rows)
            return true;
        m_access.reset();
        m_image.reset();
        m_image = ieImgRepConstructor2({static_cast<int>(width), static_cast<int>(rows)}, space);
        if (m_image)
            m_access = m_image->write_context();
        return m_access != nullptr;
    }
    ieImgRep& image() const { return *m_image; }
    Ie_Write_Context& access() const { return *m_access; }

private:
    std::unique_ptr<ieImgRep> m_image;
    std::unique_ptr<Ie_Write_Context> m_access;
};

} // namespace

namespace raster_render {

std::int64_t shared_strip_rows(std::int64_t row_bytes, std::int64_t height) {
    // Rows wider than a strip still go one at a time.
    const std::int64_t rows = row_bytes > 0 ? strip_bytes / row_bytes : height;
    return std::clamp<std::int64_t>(rows, 1, std::max<std::int64_t>(height, 1));
}

} // namespace raster_render

void raster_plotter_draw_dci_ism_image(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                       const HT_DCI_Point* anchor, HT_Image_Source* source) {
    auto* d = static_cast<RASTER_Drawing_Surface*>(device);
    if (!d || !anchor || !source)
        return;

    // The destination and the size of the source.
    const std::int64_t x_dest = std::int64_t{anchor->x} + d->m_pad_x;
    const std::int64_t y_base = std::int64_t{anchor->y} + d->m_pad_y;
    const std::int64_t width = std::int64_t{source->x1} - source->x0 + 1;
    const std::int64_t height = std::int64_t{source->y1} - source->y0 + 1;
    const Clip clip(rendition);

    // The request of the colour system. An empty source, or one whose rows
    // the request cannot describe, draws nothing.
    Set_Up s;
    set_up(*d, rendition, *source, width, clip.clipped(), s);
    if (width <= 0 || height <= 0 || width > int_max || height > int_max || s.row_bytes > int_max ||
        !source->fetch)
        return;
    const bool composing = s.path == Path::compose;

    // Rows per strip, memory for a strip and the clip outline the paste follows.
    const std::int64_t strip_rows = shared_strip_rows(s.row_bytes, height);
    if (composing)
        check_strip_memory(s, width, strip_rows);
    Clip_Outline outline;
    if (composing && clip.clipped())
        outline.build(*clip.region(), *d);

    // Strips from the top of the image down.
    Strip_Image strip;
    HT_Image_Request& request = s.request;
    request.x0 = request.area_x0 = source->x0;
    request.x1 = request.area_x1 = source->x1;
    for (std::int64_t left = height; left > 0;) {
        const std::int64_t n = std::min(strip_rows, left);
        request.y0 = request.area_y0 = static_cast<std::int32_t>(source->y0 + left - n);
        request.y1 = request.area_y1 = static_cast<std::int32_t>(source->y0 + left - 1);
        if (composing && !strip.renew(width, n, s.space))
            return;
        if (d->drawing_cancelled())
            return;
        const Held_Block held(*source, request);
        const HT_Image_Block* block = held.usable(s.packed_bytes);
        if (!block)
            return;

        // Block row i is page-image row Ly + 1 - Yd - left + i.
        const Strip_Place at{width, n, x_dest, std::int64_t{d->m_last_row} + 1 - y_base - left};
        switch (s.path) {
        case Path::compose:
            compose_strip(*d, *block, at, strip.image(), strip.access(), s, outline);
            break;
        case Path::direct_true_color:
            direct_true_color_strip(*d, *block, at, clip, anchor->z);
            break;
        case Path::direct_bitonal:
            direct_bitonal_strip(*d, *block, at, clip, anchor->z);
            break;
        }
        left -= n;
    }
}

void raster_plotter_draw_dci_shared_image(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                          const HT_DCI_Point* point, HT_Shared_Image* image) {
    auto* d = static_cast<RASTER_Drawing_Surface*>(device);
    if (!d)
        return;
    d->mark_drawn();
    if (!point || !image)
        return;

    // Images the host holds in a form of its own are the host's to draw.
    if (image->format() != HT_Shared_Image_Source) {
        HD_Standard_Draw_DCI_Image(device, rendition, point, image);
        return;
    }

    // The source is anchored at its bottom-left pixel; an anchor beyond the
    // host's coordinates is nowhere near the page.
    const std::int64_t y = std::int64_t{point->y} - image->height() + 1;
    if (y < int_min || y > int_max)
        return;
    const HT_DCI_Point anchor{point->x, static_cast<std::int32_t>(y), point->z};
    raster_plotter_draw_dci_ism_image(device, rendition, &anchor, &image->source());
}

void raster_plotter_draw_dc_shared_image(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                         const HT_Point* point, HT_Shared_Image* image) {
    auto* d = static_cast<RASTER_Drawing_Surface*>(device);
    if (!d)
        return;
    d->mark_drawn();
    // Truncated toward zero; a point that is no whole-dot point draws nothing.
    auto whole = [](float v) {
        return std::isfinite(v) && v > static_cast<float>(int_min) &&
               v < static_cast<float>(int_max);
    };
    if (!point || !whole(point->x) || !whole(point->y) || !whole(point->z))
        return;
    const HT_DCI_Point p{static_cast<std::int32_t>(point->x), static_cast<std::int32_t>(point->y),
                         static_cast<std::int32_t>(point->z)};
    raster_plotter_draw_dci_shared_image(device, rendition, &p, image);
}

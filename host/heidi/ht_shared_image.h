// The host's shared images: images the host keeps in its own format and hands
// out strip by strip through an image source.
//
// Source coordinates: x grows to the right and y upwards, like the device's;
// the source rectangle is inclusive. A fetched block holds the requested rows
// top-down: block row 0 is the highest requested y.
#pragma once

#include "ht_object.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// What a fetch delivers per pixel (request `format` with `pixel_size`):
enum HT_Request_Format : std::int32_t {
    // pixel size 1: packed bits, bit 7 of each byte first; a pixel nearest to
    // palette entry 1 sets its bit. Transparent pixels take the background (0 or 1).
    HT_Request_Bits = 0,
    // pixel size 8: one palette index per byte, the nearest entry of the
    // request's palette; transparent pixels take the no-pixel marker.
    // pixel size 2: one byte per pixel: the foreground value for a pixel
    // nearest to palette entry 1, the background value for any other, the
    // no-pixel marker when transparent.
    HT_Request_Bytes = 1,
    // pixel size 32: bytes red, green, blue, alpha; transparent pixels are the
    // request's background colour with alpha 0.
    HT_Request_Rgba = 3,
};

// A colour field of the request: three bytes for 32-bit pixels, a 16-bit
// value otherwise.
struct HT_Request_Color {
    std::uint8_t rgb[3] = {0, 0, 0};
    std::uint16_t value = 0;
};

struct HT_Image_Request {
    // The rows wanted (inclusive, source coordinates), and the same rectangle
    // again; the host answers the intersection of the two.
    std::int32_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    std::int32_t area_x0 = 0, area_y0 = 0, area_x1 = -1, area_y1 = -1;
    // Changes whenever the caller's destination changes; the host may cache by it.
    std::uint32_t serial = 0;
    std::int32_t format = HT_Request_Rgba;
    std::int32_t pixel_size = 32;
    // Distance in bytes between delivered rows; at least the packed row length.
    std::int32_t row_bytes = 0;
    HT_Request_Color background;
    HT_Request_Color no_pixel;
    HT_Request_Color foreground;
    // Palette entries of red, green, blue; not read for 32-bit pixels.
    const std::uint8_t (*palette)[3] = nullptr;
    std::int32_t palette_size = 0;
};

// One fetched strip. Usable only when both status words are 0.
struct HT_Image_Block {
    const std::uint8_t* pixels = nullptr;
    std::int32_t row_bytes = 0;
    std::uint16_t status[2] = {0, 0};
};

using HT_Image_Fetch = HT_Image_Block* (*)(const HT_Image_Request* request, void* user_value,
                                           void* user_handle);
using HT_Image_Release = void (*)(HT_Image_Block* block, void* user_value, void* user_handle);

struct HT_Image_Source {
    std::int32_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    HT_Image_Fetch fetch = nullptr;
    HT_Image_Release release = nullptr;
    void* user_value = nullptr;
    void* user_handle = nullptr;
    // 1 while the caller holds a fetched block.
    std::uint8_t busy = 0;
    // The image's own colour (red, green, blue), handed on in requests.
    std::uint8_t color[3] = {0, 0, 0};
    // 1 forbids composing the image through an intermediate image.
    std::uint8_t no_composition = 0;
};

// Pixel format codes of a shared image.
enum HT_Shared_Image_Format : std::int32_t {
    HT_Shared_Image_Host_Colors = 4, // rows of host 32-bit colours
    HT_Shared_Image_Source = 8,      // only reachable through its image source
};

class HT_EXPORT HT_Shared_Image : public HT_Object {
public:
    ~HT_Shared_Image() override;
    std::int32_t width() const { return m_width; }
    std::int32_t height() const { return m_height; }
    std::int32_t format() const { return m_format; }
    HT_Image_Source& source() { return m_source; }
    const HT_Image_Source& source() const { return m_source; }

protected:
    HT_Shared_Image(std::int32_t width, std::int32_t height, std::int32_t format);
    HT_Shared_Image(const HT_Shared_Image&) = delete;
    HT_Shared_Image& operator=(const HT_Shared_Image&) = delete;

    std::int32_t m_width;
    std::int32_t m_height;
    std::int32_t m_format;
    HT_Image_Source m_source;
};

// A shared image held in memory as rows of host colours (top row first);
// alpha 0 marks a transparent pixel. Its source honours every request format
// above, one block at a time.
class HT_EXPORT HT_Memory_Image : public HT_Shared_Image {
public:
    // Fails (throws HT_Error) when the sizes are not positive or `pixels`
    // does not hold width × height colours.
    HT_Memory_Image(std::int32_t width, std::int32_t height, std::vector<std::uint32_t> pixels,
                    std::int32_t format = HT_Shared_Image_Source);
    ~HT_Memory_Image() override;

    std::uint32_t pixel(std::int32_t column, std::int32_t row) const {
        return m_pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_width) +
                        static_cast<std::size_t>(column)];
    }
    // Number of fetches answered with a block, and blocks still not released.
    int fetch_count() const { return m_fetches; }
    int blocks_held() const { return m_held; }
    // Makes the next fetch answer with this status word (tests); 0 clears it.
    void fail_next_fetch(std::uint16_t status) { m_fail_status = status; }

private:
    static HT_Image_Block* fetch(const HT_Image_Request* request, void* user_value,
                                 void* user_handle);
    static void release(HT_Image_Block* block, void* user_value, void* user_handle);
    HT_Image_Block* answer(const HT_Image_Request& request);

    struct Held_Block {
        HT_Image_Block block;
        std::unique_ptr<std::uint8_t[]> bytes;
    };

    std::vector<std::uint32_t> m_pixels;
    std::vector<std::unique_ptr<Held_Block>> m_blocks;
    int m_fetches = 0;
    int m_held = 0;
    std::uint16_t m_fail_status = 0;
};

#include "ht_shared_image.h"

#include "ht_error.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

namespace {

// Largest block the memory source hands out at once; a request beyond it is
// refused rather than allocated.
constexpr std::int64_t max_block_bytes = std::int64_t{1} << 30;

// Index of the palette entry nearest to a colour; the lowest index wins a tie.
int nearest_entry(const HT_Image_Request& request, std::uint32_t color) {
    const int r = (color >> 16) & 0xFF, g = (color >> 8) & 0xFF, b = color & 0xFF;
    int best = 0;
    long best_d = std::numeric_limits<long>::max();
    for (int i = 0; i < request.palette_size; ++i) {
        const long dr = request.palette[i][0] - r, dg = request.palette[i][1] - g,
                   db = request.palette[i][2] - b;
        const long d = dr * dr + dg * dg + db * db;
        if (d < best_d) {
            best_d = d;
            best = i;
        }
    }
    return best;
}

// Answers of nearest_entry for one palette, remembered: pictures repeat
// their colours, and a search over 256 entries per pixel dominated the time
// of fetching indexed strips. Kept per thread across requests and rebuilt
// when the palette changes.
class Nearest_Cache {
public:
    // Once per request, before its lookups: forgets every answer when the
    // palette is not the one they were made for.
    void prepare(const HT_Image_Request& request) {
        if (request.palette_size == m_size &&
            (m_size <= 0 ||
             std::memcmp(m_palette, request.palette, 3 * static_cast<std::size_t>(m_size)) == 0))
            return;
        m_size = request.palette_size;
        if (m_size > 0)
            std::memcpy(m_palette, request.palette, 3 * static_cast<std::size_t>(m_size));
        std::fill(std::begin(m_slots), std::end(m_slots), Slot{});
    }
    int lookup(const HT_Image_Request& request, std::uint32_t color) {
        const std::uint32_t rgb = color & 0xFFFFFFu;
        // Fibonacci hashing spreads neighbouring colours over the slots.
        Slot& slot = m_slots[(rgb * 2654435761u) >> (32 - slot_bits)];
        if (slot.key != (rgb | filled)) {
            slot.key = rgb | filled;
            slot.index = nearest_entry(request, rgb);
        }
        return slot.index;
    }

private:
    static constexpr int slot_bits = 14;
    static constexpr std::uint32_t filled = 0x80000000u;
    struct Slot {
        std::uint32_t key = 0;
        std::int32_t index = 0;
    };

    std::int32_t m_size = -1;
    std::uint8_t m_palette[256][3] = {};
    Slot m_slots[std::size_t{1} << slot_bits];
};

// The cache of this thread, ready for `request`'s palette; null for a
// palette it cannot hold, which is then searched in full every time.
Nearest_Cache* nearest_cache_for(const HT_Image_Request& request) {
    if (request.format == HT_Request_Rgba || request.palette_size > 256 || !request.palette)
        return nullptr;
    // On the heap: a large thread-local block trips the leak checker's
    // walk of the threads' storage.
    static thread_local std::unique_ptr<Nearest_Cache> cache;
    if (!cache)
        cache = std::make_unique<Nearest_Cache>();
    cache->prepare(request);
    return cache.get();
}

} // namespace

HT_Shared_Image::HT_Shared_Image(std::int32_t width, std::int32_t height, std::int32_t format)
    : m_width(width), m_height(height), m_format(format) {
    m_source.x0 = 0;
    m_source.y0 = 0;
    m_source.x1 = width - 1;
    m_source.y1 = height - 1;
}

HT_Shared_Image::~HT_Shared_Image() = default;

HT_Memory_Image::HT_Memory_Image(std::int32_t width, std::int32_t height,
                                 std::vector<std::uint32_t> pixels, std::int32_t format)
    : HT_Shared_Image(width, height, format), m_pixels(std::move(pixels)) {
    if (width <= 0 || height <= 0 ||
        m_pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        throw HT_Error("heidi", 101, "HT_Memory_Image::HT_Memory_Image",
                       "image size does not match its pixels");
    m_source.fetch = &HT_Memory_Image::fetch;
    m_source.release = &HT_Memory_Image::release;
    m_source.user_value = this;
    m_source.user_handle = nullptr;
}

HT_Memory_Image::~HT_Memory_Image() = default;

HT_Image_Block* HT_Memory_Image::fetch(const HT_Image_Request* request, void* user_value, void*) {
    if (!request || !user_value)
        return nullptr;
    return static_cast<HT_Memory_Image*>(user_value)->answer(*request);
}

void HT_Memory_Image::release(HT_Image_Block* block, void* user_value, void*) {
    if (!block || !user_value)
        return;
    auto* self = static_cast<HT_Memory_Image*>(user_value);
    auto it = std::find_if(self->m_blocks.begin(), self->m_blocks.end(),
                           [block](const auto& held) { return &held->block == block; });
    if (it == self->m_blocks.end())
        return; // not ours, or released already
    self->m_blocks.erase(it);
    --self->m_held;
}

HT_Image_Block* HT_Memory_Image::answer(const HT_Image_Request& request) {
    // A failure the test asked for: a block that carries only the status.
    if (m_fail_status) {
        static thread_local HT_Image_Block failed;
        failed = {};
        failed.status[0] = m_fail_status;
        m_fail_status = 0;
        return &failed;
    }

    // What is wanted: the request's two rectangles within the source.
    const std::int32_t x0 = std::max({request.x0, request.area_x0, m_source.x0});
    const std::int32_t x1 = std::min({request.x1, request.area_x1, m_source.x1});
    const std::int32_t y0 = std::max({request.y0, request.area_y0, m_source.y0});
    const std::int32_t y1 = std::min({request.y1, request.area_y1, m_source.y1});
    if (x0 > x1 || y0 > y1)
        return nullptr;

    // The pixel layout asked for, and the palette it needs.
    const std::int64_t w = static_cast<std::int64_t>(x1) - x0 + 1;
    const std::int64_t n = static_cast<std::int64_t>(y1) - y0 + 1;
    std::int64_t packed;
    if (request.format == HT_Request_Rgba && request.pixel_size == 32)
        packed = 4 * w;
    else if (request.format == HT_Request_Bytes &&
             (request.pixel_size == 8 || request.pixel_size == 2))
        packed = w;
    else if (request.format == HT_Request_Bits && request.pixel_size == 1)
        packed = (w + 7) / 8;
    else
        return nullptr;
    if (request.format != HT_Request_Rgba &&
        (!request.palette || request.palette_size < (request.pixel_size == 8 ? 1 : 2)))
        return nullptr;
    const std::int64_t row_bytes = std::max<std::int64_t>(packed, request.row_bytes);
    if (row_bytes > std::numeric_limits<std::int32_t>::max() || row_bytes * n > max_block_bytes)
        return nullptr;

    auto held = std::make_unique<Held_Block>();
    const auto block_bytes = static_cast<std::size_t>(row_bytes * n);
    held->bytes =
        std::make_unique_for_overwrite<std::uint8_t[]>(std::max<std::size_t>(block_bytes, 1));
    Nearest_Cache* const cache = nearest_cache_for(request);
    auto nearest = [&](std::uint32_t c) {
        return cache ? cache->lookup(request, c) : nearest_entry(request, c);
    };
    for (std::int64_t i = 0; i < n; ++i) {
        // Block rows run top-down: row 0 is the highest source y.
        const std::int64_t image_row = (m_height - 1) - ((y1 - i) - m_source.y0);
        std::uint8_t* out = held->bytes.get() + i * row_bytes;
        const std::uint32_t* in =
            &m_pixels[static_cast<std::size_t>(image_row) * static_cast<std::size_t>(m_width) +
                      static_cast<std::size_t>(x0 - m_source.x0)];
        // The bytes past the pixels, and every bit not set below, are 0.
        std::memset(out + packed, 0, static_cast<std::size_t>(row_bytes - packed));
        if (request.format == HT_Request_Rgba) {
            // 0xAARRGGBB becomes the bytes red, green, blue, alpha.
            const std::uint32_t background =
                static_cast<std::uint32_t>(request.background.rgb[0]) |
                static_cast<std::uint32_t>(request.background.rgb[1]) << 8 |
                static_cast<std::uint32_t>(request.background.rgb[2]) << 16;
            for (std::int64_t k = 0; k < w; ++k) {
                const std::uint32_t c = in[k];
                const std::uint32_t rgba =
                    (c & 0xFF00FF00u) | (c >> 16 & 0xFFu) | (c & 0xFFu) << 16;
                const std::uint32_t v = (c >> 24) == 0 ? background : rgba;
                std::memcpy(out + 4 * k, &v, 4);
            }
        } else if (request.format == HT_Request_Bytes) {
            // Neighbouring pixels mostly share their colour, and with it the answer.
            std::uint32_t last = 0;
            std::uint8_t last_value = static_cast<std::uint8_t>(request.no_pixel.value);
            for (std::int64_t k = 0; k < w; ++k) {
                const std::uint32_t c = in[k];
                if (k == 0 || c != last) {
                    std::uint16_t v;
                    if ((c >> 24) == 0)
                        v = request.no_pixel.value;
                    else if (request.pixel_size == 8)
                        v = static_cast<std::uint16_t>(nearest(c));
                    else
                        v = nearest(c) == 1 ? request.foreground.value : request.background.value;
                    last = c;
                    last_value = static_cast<std::uint8_t>(v);
                }
                out[k] = last_value;
            }
        } else { // bits
            std::memset(out, 0, static_cast<std::size_t>(packed));
            for (std::int64_t k = 0; k < w; ++k) {
                const std::uint32_t c = in[k];
                const bool set = (c >> 24) == 0 ? request.background.value != 0 : nearest(c) == 1;
                if (set)
                    out[k / 8] |= static_cast<std::uint8_t>(0x80u >> (k % 8));
            }
        }
    }
    held->block.pixels = held->bytes.get();
    held->block.row_bytes = static_cast<std::int32_t>(row_bytes);
    HT_Image_Block* block = &held->block;
    m_blocks.push_back(std::move(held));
    ++m_fetches;
    ++m_held;
    return block;
}

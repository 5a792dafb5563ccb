// What the image tests share: page-image probes and an image source that
// records what the driver asks of it and can answer badly on request.
#pragma once

#include "driver_host.h"

#include "ht_shared_image.h"
#include "raster_palette.h"

#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace image_test {

// Host colours, alpha 255.
constexpr std::uint32_t red = 0xFFFF0000u;
constexpr std::uint32_t green = 0xFF00FF00u;
constexpr std::uint32_t blue = 0xFF0000FFu;
constexpr std::uint32_t black = 0xFF000000u;
constexpr std::uint32_t white = 0xFFFFFFFFu;
constexpr std::uint32_t clear = 0x00000000u; // transparent

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
    return (host & 0xFF000000u) | (host & 0xFFu) << 16 | (host & 0xFF00u) | (host >> 16 & 0xFFu);
}

// Palette index of the indexed cube colour of `host` (levels 0, 51, ... 255).
inline int cube_index(std::uint32_t host) {
    const int r = (host >> 16 & 0xFF) / 51, g = (host >> 8 & 0xFF) / 51, b = (host & 0xFF) / 51;
    return 1 + r * 36 + g * 6 + b;
}

// Wraps a shared image's source: records each request and the busy byte at
// the time of each call, counts releases, and can answer the nth fetch with
// a status word, with nothing, or with rows shorter than asked.
class Recording_Source {
public:
    explicit Recording_Source(HT_Shared_Image& image) : m_source(image.source()) {
        m_fetch = m_source.fetch;
        m_release = m_source.release;
        m_value = m_source.user_value;
        m_source.fetch = &Recording_Source::on_fetch;
        m_source.release = &Recording_Source::on_release;
        m_source.user_value = this;
    }
    ~Recording_Source() {
        m_source.fetch = m_fetch;
        m_source.release = m_release;
        m_source.user_value = m_value;
    }
    Recording_Source(const Recording_Source&) = delete;
    Recording_Source& operator=(const Recording_Source&) = delete;

    enum class Answer { block, status, nothing, short_rows };
    // How to answer fetch number `n` (from 1).
    void answer(int n, Answer a) { m_answers[n] = a; }

    std::vector<HT_Image_Request> requests;
    std::vector<std::uint8_t> busy_at_fetch;
    std::vector<std::uint8_t> busy_at_release;
    int releases = 0;
    // The rows of each palette a request carried.
    std::vector<std::vector<std::uint32_t>> palettes;

private:
    static HT_Image_Block* on_fetch(const HT_Image_Request* q, void* value, void* handle) {
        auto& self = *static_cast<Recording_Source*>(value);
        self.requests.push_back(*q);
        self.busy_at_fetch.push_back(self.m_source.busy);
        std::vector<std::uint32_t> palette;
        for (int i = 0; q->palette && i < q->palette_size; ++i)
            palette.push_back(
                raster_render::host_color(q->palette[i][0], q->palette[i][1], q->palette[i][2]));
        self.palettes.push_back(std::move(palette));

        const int n = static_cast<int>(self.requests.size());
        const auto it = self.m_answers.find(n);
        const Answer a = it == self.m_answers.end() ? Answer::block : it->second;
        if (a == Answer::nothing)
            return nullptr;
        HT_Image_Block* block = self.m_fetch(q, self.m_value, handle);
        if (block && a == Answer::status)
            block->status[1] = 7;
        if (block && a == Answer::short_rows)
            block->row_bytes = 1;
        return block;
    }
    static void on_release(HT_Image_Block* block, void* value, void* handle) {
        auto& self = *static_cast<Recording_Source*>(value);
        ++self.releases;
        self.busy_at_release.push_back(self.m_source.busy);
        self.m_release(block, self.m_value, handle);
    }

    HT_Image_Source& m_source;
    HT_Image_Fetch m_fetch;
    HT_Image_Release m_release;
    void* m_value;
    std::map<int, Answer> m_answers;
};

} // namespace image_test

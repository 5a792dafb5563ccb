// The page the drawing actions draw on: what they may know of the device.
// The device derives from it and keeps it current; the actions are handed
// the device as the host's renderer data and see it only as this surface.
// It adds no virtual operation, so the device's own operations keep their
// places in its table.
#pragma once

#include "ht_palette.h"
#include "ht_plotter_io.h"
#include "ht_renderer.h"
#include "ie_image.h"
#include "raster_substitution.h"

#include <cstdint>
#include <memory>

class RASTER_Drawing_Surface;

namespace raster_render {
namespace detail {
// The surface whose page has had a drawing call since the picture started.
extern RASTER_Drawing_Surface* page_drawn_surface;
} // namespace detail

// The page-drawn mark: the surface (one prints at a time in a process) whose
// page has drawing, null when none has.
inline RASTER_Drawing_Surface* page_output_device() {
    return detail::page_drawn_surface;
}
inline void set_page_output_device(RASTER_Drawing_Surface* surface) {
    detail::page_drawn_surface = surface;
}
} // namespace raster_render

class RASTER_Drawing_Surface : public HT_Plotter_Device_Data, public RASTER_Color_Substitution {
public:
    // The cancel query: 1 when the job's progress reports a cancel. Inline:
    // every drawn dot asks.
    int drawing_cancelled() { return m_progress && m_progress->query_and_count() != 0 ? 1 : 0; }
    // The page-drawn mark: this surface's page has drawing.
    void mark_drawn() { raster_render::set_page_output_device(this); }

    // Drops the page image and its access.
    void release_page_image() {
        m_image_rows = nullptr;
        m_image_windowed = false;
        m_image_width = 0;
        m_image_height = 0;
        m_image_access.reset();
        m_image.reset();
    }

    // ---- the page, as the device keeps it ----
    HT_Smart_Pointer<HT_Progress> m_progress; // of the current job
    // The image serial: counts pages and shared-image requests; never 0,
    // wraps to 1.
    std::uint32_t m_page_number = 1;
    // 1 when the resolution comes from the configuration, else 100 dpi.
    std::uint8_t m_resolution_from_config = 0;
    std::int32_t m_resolution = 0;
    // RASTER_RGB_Back_Color (0x00BBGGRR) with the top byte set.
    std::uint32_t m_background = 0;
    int m_color_system = 0; // raster_render::color_system_*
    HT_Palette m_palette;

    // Page geometry in pixels. Host column x lands in column x + m_pad_x,
    // host row y in row m_last_row - m_pad_y - y.
    std::int32_t m_last_column = 0; // page image width - 1
    std::int32_t m_last_row = 0;    // page image height - 1
    std::int32_t m_pad_x = 0;
    std::int32_t m_pad_y = 0;

    // The page image of the current page, and its pixel access.
    std::unique_ptr<ieImgRep> m_image;
    std::unique_ptr<Ie_Write_Context> m_image_access;
    // What the dot actions need of the access, kept so that a dot costs no
    // call into the image engine outside windowed mode.
    std::uint8_t* const* m_image_rows = nullptr;
    bool m_image_windowed = false;
    std::int32_t m_image_width = 0;
    std::int32_t m_image_height = 0;
};

// The image actions: rows already in the device's pixel format (8-bit
// indices, 32-bit colours, 1-bit rows), and shared images, which the host
// keeps in its own format and hands out strip by strip through their source.
#pragma once

#include "ht_renderer.h"

#include <cstdint>

class RASTER_Drawing_Surface;

// Rows of palette indices between two opposite corners, the first row on top.
void raster_plotter_draw_index8_image(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                      const HT_DCI_Point* start, const HT_DCI_Point* end,
                                      int row_bytes, const void* pixels);
// Rows of host colours (bytes blue, green, red, alpha).
void raster_plotter_draw_rgb32_image(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                     const HT_DCI_Point* start, const HT_DCI_Point* end,
                                     int row_bytes, const void* pixels);
// Rows of packed bits; an image in a format other than the page's goes to
// the host's standard drawing.
void raster_plotter_draw_dci_bitonal_image(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                           const HT_DCI_Point* start, const HT_DCI_Point* end,
                                           int row_bytes, const void* pixels, int format);

// A shared image with its top-left pixel at the point.
void raster_plotter_draw_dci_shared_image(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                          const HT_DCI_Point* point, HT_Shared_Image* image);
// The same at a real-valued point, truncated toward zero.
void raster_plotter_draw_dc_shared_image(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                         const HT_Point* point, HT_Shared_Image* image);
// A shared image's source, its bottom-left pixel at `anchor`, fetched in
// strips of at most 512 KiB from the top down and composed into the page.
void raster_plotter_draw_dci_ism_image(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                       const HT_DCI_Point* anchor, HT_Image_Source* source);

namespace raster_render {

// The page-image rectangle of a row image: the first row goes to `top`, each
// row's first pixel to `left`. Coordinates may lie outside the image.
struct Row_Image_Rectangle {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// Where a row image from `start` to `end` lands; false when it is dropped
// because its start lies outside the page image. A one-row image on the last
// row, which is not printed, moves up a row when the resolution comes from
// the configuration.
bool place_row_image(const RASTER_Drawing_Surface& d, const HT_DCI_Point& start,
                     const HT_DCI_Point& end, Row_Image_Rectangle& rectangle);

// Rows of a shared-image strip for this many bytes a row: 512 KiB of source
// at most, never more than `height` and never none.
std::int64_t shared_strip_rows(std::int64_t row_bytes, std::int64_t height);

} // namespace raster_render

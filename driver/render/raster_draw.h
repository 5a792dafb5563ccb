// The drawing actions the device registers with the host's renderer: dots,
// triangle strips and the clearing of the page image. Each writes into the
// page image of the current picture.
#pragma once

#include "ht_renderer.h"

#include <cstdint>

class RASTER_Drawing_Surface;

// One pixel per dot, up to 400 dpi; dots outside the page image are dropped.
void raster_plotter_draw_dci_dot(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                 const HT_DCI_Point* point, const std::uint32_t* color);
// A block of pixels per dot above 400 dpi, kept inside the page image.
void raster_plotter_draw_over400dpi_dci_dot(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                            const HT_DCI_Point* point, const std::uint32_t* color);
// A strip of `count` points, count - 2 triangles.
void raster_plotter_draw_dci_polytriangle(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                          int count, const HT_DCI_Point* points);
// Every pixel back to the cleared value of the colour system.
void raster_plotter_clear_drawing_buffer(HT_Renderer_Data* device);

namespace raster_render {

// Registers the drawing actions on the surface: the dot action of its
// resolution, triangle strips, shared images and clearing; with
// `image_action`, also the row-image action of its colour system, which a
// surface only has once its colour system is set up.
void register_drawing_actions(RASTER_Drawing_Surface& surface, bool image_action = false);

// Sets up a colour system on the surface: the renderer's colour system, the
// palette of the indexed and bitonal systems (the indexed one also fills the
// palette RGB table) and the actions. An unknown system is a severe error
// reported with `operation`.
void set_up_color_system(RASTER_Drawing_Surface& surface, int color_system, const char* operation);

// The dot action for a resolution: the one-pixel action up to 400 dpi.
HT_Draw_DCI_Dot_Action dot_action_for(std::int32_t resolution);

// The pixel value that clears the page image of a colour system.
std::uint32_t cleared_value(int color_system, std::uint32_t background);

// Whether a host colour is ink on a 1-bit page with this background.
bool is_bitonal_ink(std::uint32_t color, std::uint32_t background);

} // namespace raster_render

// The drawing actions the device registers with the host's renderer: dots,
// triangle strips and the clearing of the page image. Each writes into the
// page image of the current picture.
#pragma once

#include "ht_renderer.h"

#include <cstdint>

class RASTER_Driver;

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

// Registers the actions a new device starts with.
void register_drawing_actions(RASTER_Driver& device);

// Registers the image action of a colour system.
void register_image_action(RASTER_Driver& device, int color_system);

// The dot action for a resolution: the one-pixel action up to 400 dpi.
HT_Draw_DCI_Dot_Action dot_action_for(std::int32_t resolution);

// The pixel value that clears the page image of a colour system.
std::uint32_t cleared_value(int color_system, std::uint32_t background);

// Whether a host colour is ink on a 1-bit page with this background.
bool is_bitonal_ink(std::uint32_t color, std::uint32_t background);

} // namespace raster_render

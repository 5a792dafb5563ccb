// The host's standard drawing functions, which scan-convert and write through
// a device's dot action, and the small renderer with which a program draws
// primitives through a device's registered actions.
//
// Coverage rule of the scan conversion: dot (c, r) is the unit square from
// (c, r) to (c + 1, r + 1) and is drawn when its centre lies inside the
// polygon. A centre exactly on an edge belongs to the polygon on the edge's
// right, so polygons that share an edge neither leave a gap nor draw a dot
// twice, and a polygon's dot count equals its area for axis-aligned shapes.
#pragma once

#include "ht_renderer.h"

#include <cstdint>
#include <span>

// Fill rules of HD_Fill_2DI_Polygon.
enum HT_Fill_Rule : int {
    HT_Fill_Non_Zero = 0,
    HT_Fill_Even_Odd = 1,
};

// Fills a polygon of `count` points through the device's dot action, with
// the rendition (its pattern, when the fill style is HT_Fill_Pattern).
// fill_rule: HT_Fill_Rule. thin_limit: a polygon no thicker than this many
// dots across its scan direction (and not of zero area) still gets one dot on
// every scan line it crosses, so thin features never break up; scan lines run
// along columns when x_major is true (for polygons wider than high), along
// rows otherwise; a negative limit turns this off.
// outline: draw only the edges, one dot wide (two points make one line).
// Nothing outside the renderer options' window is drawn.
HT_EXPORT void HD_Fill_2DI_Polygon(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                   int count, const HT_DCI_Point* points, int fill_rule,
                                   int thin_limit, bool x_major, bool outline);

// Draws `count` − 2 triangles of a strip (points k, k + 1, k + 2), each by
// HD_Fill_2DI_Polygon with the even-odd rule and no thin-feature guarantee,
// so degenerate triangles that join strips draw nothing.
HT_EXPORT void HD_Standard_Draw_DCI_Polytriangle(HT_Renderer_Data* device,
                                                 const HT_Rendition* rendition, int count,
                                                 const HT_DCI_Point* points);

// Draws a shared image with its top-left pixel at `point`, fetched through
// its image source as 32-bit pixels, through the dot action; transparent
// pixels are left alone. In the indexed system each colour is mapped to the
// nearest entry of the renderer options' palette.
HT_EXPORT void HD_Standard_Draw_DCI_Image(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                          const HT_DCI_Point* point, HT_Shared_Image* image);
// The same at a real-valued point, truncated toward zero.
HT_EXPORT void HD_Standard_Draw_DC_Image(HT_Renderer_Data* device, const HT_Rendition* rendition,
                                         const HT_Point* point, HT_Shared_Image* image);

// Draws a 1-bit image (rows of packed bits in `format`) through the dot
// action, black and white pixels both. Start and end are opposite corners:
// the first row is the top row, and each row runs from the left.
HT_EXPORT void HD_Standard_Draw_DCI_Bitonal_Image(HT_Renderer_Data* device,
                                                  const HT_Rendition* rendition,
                                                  const HT_DCI_Point* start,
                                                  const HT_DCI_Point* end, int row_bytes,
                                                  const void* pixels, int format);

// Draws primitives in device dots through a device's registered actions. Each
// call answers false when the device has no action (or standard function)
// that could draw it; bad arguments (too few points, a negative row length)
// draw nothing and answer false too.
class HT_EXPORT HT_Renderer {
public:
    explicit HT_Renderer(HT_Renderer_Data& device) : m_device(device) {}

    // The rendition as the actions see it. Indexed system: a colour index of
    // -1 becomes the palette entry nearest the colour. Other systems: a colour
    // index of 0 or more takes its colour from the palette, when there is one.
    HT_Rendition resolve(const HT_Rendition& rendition) const;

    bool clear();
    bool draw_dot(const HT_DCI_Point& point, const HT_Rendition& rendition);
    // Through the polytriangle action, or the standard function without one.
    bool draw_triangle_strip(std::span<const HT_DCI_Point> points, const HT_Rendition& rendition);
    bool fill_polygon(std::span<const HT_DCI_Point> points, const HT_Rendition& rendition,
                      int fill_rule = HT_Fill_Even_Odd);
    // Segments `width` dots wide with square ends, each filled by the
    // non-zero rule; below 1.5 dots, lines one dot wide.
    bool draw_polyline(std::span<const HT_DCI_Point> points, float width,
                       const HT_Rendition& rendition);
    // A shared image with its top-left pixel at `point`.
    bool draw_image(const HT_DCI_Point& point, HT_Shared_Image& image,
                    const HT_Rendition& rendition);
    bool draw_image(const HT_Point& point, HT_Shared_Image& image, const HT_Rendition& rendition);
    // Row images already in the device's pixel format.
    bool draw_index8_image(const HT_DCI_Point& start, const HT_DCI_Point& end, int row_bytes,
                           const void* pixels, const HT_Rendition& rendition);
    bool draw_rgb32_image(const HT_DCI_Point& start, const HT_DCI_Point& end, int row_bytes,
                          const void* pixels, const HT_Rendition& rendition);
    bool draw_bitonal_image(const HT_DCI_Point& start, const HT_DCI_Point& end, int row_bytes,
                            const void* pixels, int format, const HT_Rendition& rendition);

private:
    HT_Renderer_Data& m_device;
};

// Pictures of a drawing: a PNG file stretched over the rectangle of its two
// corners, handed to the renderer in strips of host colours.
#pragma once

#include "drawing.h"
#include "page_frame.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace plot {

class Picture_Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Pixels as bytes red, green, blue, alpha, top row first.
struct Rgba_Picture {
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
};

// Reads a PNG file of any kind into 8-bit RGBA.
Rgba_Picture load_picture(const std::string& path);

// The device dots a picture covers: the dot of its top-left pixel and the
// size in dots (host y grows upwards, so rows go down from `top`), and
// whether its corners ask for a mirror image.
struct Picture_Placement {
    std::int32_t left = 0, top = 0;
    std::int32_t width = 0, height = 0;
    bool flip_x = false, flip_y = false;
};
Picture_Placement place_picture(const Page_Frame& frame, const drawing::Image_Ref& image);

// Host colours (alpha 0 for a transparent pixel) of the `cols` x `rows`
// dots of the placement from column `first_col` and row `first_row`, counted
// from its top-left dot; the nearest pixel of the picture gives each dot.
// A partly transparent pixel is laid over white paper.
std::vector<std::uint32_t> resample(const Rgba_Picture& picture, const Picture_Placement& place,
                                    std::int32_t first_col, std::int32_t cols,
                                    std::int32_t first_row, std::int32_t rows);

} // namespace plot

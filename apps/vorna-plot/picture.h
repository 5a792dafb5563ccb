// Pictures of a drawing: a PNG file stretched over the rectangle of its two
// corners, handed to the renderer in strips of host colours.
#pragma once

#include "drawing.h"
#include "page_frame.h"

#include <cstdint>
#include <map>
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

// Decoded pictures take 4 bytes a pixel whatever their file size (an 8 KB
// 1-bit PNG of 8192 x 8192 pixels decodes to 256 MiB): the distinct pictures
// of one drawing may take at most this much together.
inline constexpr std::uint64_t max_picture_bytes = std::uint64_t{512} << 20;

// A file's identity: one file under several names is one picture.
struct File_Identity {
    std::uint64_t device = 0, inode = 0;
    auto operator<=>(const File_Identity&) const = default;
};
// The identity of a regular file; Picture_Error for anything else (a pipe or
// a device would be read forever).
File_Identity picture_identity(const std::string& path);

// The pictures of a job, each decoded when first drawn and kept by identity.
class Picture_Cache {
public:
    const Rgba_Picture& get(const std::string& path);

private:
    std::map<File_Identity, Rgba_Picture> m_pictures;
};

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

#include "picture.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

namespace plot {

Rgba_Picture load_picture(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        throw Picture_Error(path + ": cannot read the picture: " + image.message);
    if (image.width == 0 || image.height == 0 || image.width > drawing::max_image_side ||
        image.height > drawing::max_image_side) {
        png_image_free(&image);
        throw Picture_Error(path + ": the picture is larger than 8192 x 8192 pixels");
    }
    image.format = PNG_FORMAT_RGBA;
    Rgba_Picture picture;
    picture.width = image.width;
    picture.height = image.height;
    picture.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr))
        throw Picture_Error(path + ": cannot read the picture: " + image.message);
    return picture;
}

File_Identity picture_identity(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw Picture_Error(path + ": cannot be opened: " + std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        throw Picture_Error(path + ": not a regular file");
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

const Rgba_Picture& Picture_Cache::get(const std::string& path) {
    const File_Identity id = picture_identity(path);
    auto it = m_pictures.find(id);
    if (it == m_pictures.end())
        it = m_pictures.emplace(id, load_picture(path)).first;
    return it->second;
}

Picture_Placement place_picture(const Page_Frame& frame, const drawing::Image_Ref& image) {
    // Dot boundaries lie on whole numbers: the picture covers the dots whose
    // centres lie between its corners.
    const HT_Point a = frame.vertex_real(image.top_left);
    const HT_Point b = frame.vertex_real(image.bottom_right);
    const auto x0 = static_cast<std::int32_t>(std::lround(std::min(a.x, b.x)));
    const auto x1 = static_cast<std::int32_t>(std::lround(std::max(a.x, b.x)));
    const auto y0 = static_cast<std::int32_t>(std::lround(std::min(a.y, b.y)));
    const auto y1 = static_cast<std::int32_t>(std::lround(std::max(a.y, b.y)));
    Picture_Placement p;
    p.left = x0;
    p.top = y1 - 1;
    p.width = x1 - x0;
    p.height = y1 - y0;
    // The first corner is the picture's top-left: further right mirrors it,
    // lower down (host y grows upwards) turns it upside down.
    p.flip_x = a.x > b.x;
    p.flip_y = a.y < b.y;
    return p;
}

std::vector<std::uint32_t> resample(const Rgba_Picture& picture, const Picture_Placement& place,
                                    std::int32_t first_col, std::int32_t cols,
                                    std::int32_t first_row, std::int32_t rows) {
    std::vector<std::uint32_t> out;
    if (cols <= 0 || rows <= 0 || place.width <= 0 || place.height <= 0)
        return out;
    out.resize(static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows));
    // Source column of each destination column, once for all rows.
    std::vector<std::uint32_t> source_col(static_cast<std::size_t>(cols));
    for (std::int32_t i = 0; i < cols; ++i) {
        std::int64_t c = first_col + i;
        if (place.flip_x)
            c = place.width - 1 - c;
        source_col[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(std::min<std::int64_t>(
            (2 * c + 1) * picture.width / (2 * std::int64_t{place.width}), picture.width - 1));
    }
    for (std::int32_t j = 0; j < rows; ++j) {
        std::int64_t r = first_row + j;
        if (place.flip_y)
            r = place.height - 1 - r;
        const auto source_row = static_cast<std::size_t>(std::min<std::int64_t>(
            (2 * r + 1) * picture.height / (2 * std::int64_t{place.height}), picture.height - 1));
        const std::uint8_t* row = picture.rgba.data() + source_row * picture.width * 4;
        std::uint32_t* dst = out.data() + static_cast<std::size_t>(j) * cols;
        for (std::int32_t i = 0; i < cols; ++i) {
            const std::uint8_t* px = row + source_col[static_cast<std::size_t>(i)] * 4;
            const unsigned alpha = px[3];
            if (alpha == 0) {
                dst[i] = 0x00FFFFFFu;
                continue;
            }
            auto over_white = [alpha](unsigned v) {
                return (v * alpha + 255 * (255 - alpha)) / 255;
            };
            dst[i] =
                0xFF000000u | over_white(px[0]) << 16 | over_white(px[1]) << 8 | over_white(px[2]);
        }
    }
    return out;
}

} // namespace plot

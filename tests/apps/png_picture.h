// A PNG the programs wrote, read back as RGB rows for the tests to look at.
#pragma once

#include <png.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    std::array<int, 3> at(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

// An empty picture when the file cannot be read.
inline Picture read_png(const std::filesystem::path& p) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Picture pic;
    if (!png_image_begin_read_from_file(&image, p.c_str()))
        return pic;
    image.format = PNG_FORMAT_RGB;
    pic.width = static_cast<int>(image.width);
    pic.height = static_cast<int>(image.height);
    pic.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pic.rgb.data(), 0, nullptr))
        pic = {};
    return pic;
}

// The BMP file-type module: registers "BMP" with the image engine when the
// engine calls its entry. True colour is written as 24-bit, indexed as 8-bit
// with the image's palette, bitonal as 1-bit with black for set pixels.
#include "ie_image.h"
#include "ie_writer_module.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}

struct File_Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

bool write_bmp_to(const Ie_File_Source& source, std::FILE* file);

// A file that could not be written whole is removed, not left half done.
bool write_bmp(const Ie_File_Source& source, const char* path) {
    if (!path)
        return false;
    std::unique_ptr<std::FILE, File_Closer> file(std::fopen(path, "wb"));
    if (!file)
        return false;
    bool ok = write_bmp_to(source, file.get());
    ok = std::fclose(file.release()) == 0 && ok;
    if (!ok)
        std::remove(path);
    return ok;
}

bool write_bmp_to(const Ie_File_Source& source, std::FILE* file) {
    if (!source.read_row || source.width <= 0 || source.height <= 0)
        return false;
    int bits = 0;
    int colours = 0;
    switch (source.pixel_type) {
    case ie_pixel::bitonal:
        bits = 1;
        colours = 2;
        break;
    case ie_pixel::index8:
        bits = 8;
        colours = 256;
        break;
    case ie_pixel::rgb24:
    case ie_pixel::rgb32:
        bits = 24;
        break;
    default:
        return false;
    }

    // Sizes must fit the format's 32-bit fields.
    const std::uint64_t row_size = (static_cast<std::uint64_t>(source.width) * bits + 31) / 32 * 4;
    const std::uint64_t header = 14 + 40 + static_cast<std::uint64_t>(colours) * 4;
    const std::uint64_t file_size = header + row_size * static_cast<std::uint64_t>(source.height);
    if (file_size > 0x7FFFFFFF)
        return false;

    std::uint8_t head[54] = {'B', 'M'};
    put32(head + 2, static_cast<std::uint32_t>(file_size));
    put32(head + 10, static_cast<std::uint32_t>(header));
    put32(head + 14, 40);
    put32(head + 18, static_cast<std::uint32_t>(source.width));
    put32(head + 22, static_cast<std::uint32_t>(source.height)); // bottom-up rows
    put16(head + 26, 1);
    put16(head + 28, static_cast<std::uint32_t>(bits));
    put32(head + 34,
          static_cast<std::uint32_t>(row_size * static_cast<std::uint64_t>(source.height)));
    put32(head + 38, 2835); // 72 dpi; the printer does not read it
    put32(head + 42, 2835);
    put32(head + 46, static_cast<std::uint32_t>(colours));

    // Palette entries are blue, green, red, 0.
    std::vector<std::uint8_t> palette(static_cast<std::size_t>(colours) * 4, 0);
    if (bits == 1) {
        palette = {255, 255, 255, 0, 0, 0, 0, 0};
    } else if (bits == 8) {
        for (int i = 0; i < 256; ++i) {
            std::uint8_t* e = &palette[static_cast<std::size_t>(i) * 4];
            if (source.palette && i < source.palette_count) {
                e[0] = source.palette[i].blue;
                e[1] = source.palette[i].green;
                e[2] = source.palette[i].red;
            } else {
                e[0] = e[1] = e[2] = static_cast<std::uint8_t>(i);
            }
        }
    }

    if (std::fwrite(head, 1, sizeof head, file) != sizeof head ||
        (!palette.empty() &&
         std::fwrite(palette.data(), 1, palette.size(), file) != palette.size()))
        return false;

    const std::size_t read_size = static_cast<std::size_t>(source.width) * 4;
    std::vector<std::uint8_t> pixels(read_size + 4, 0);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(row_size), 0);
    for (int row = source.height - 1; row >= 0; --row) {
        std::fill(pixels.begin(), pixels.end(), 0);
        if (source.read_row(source.context, row, pixels.data()) != source.width)
            return false;
        if (bits == 24) {
            for (int c = 0; c < source.width; ++c) {
                const std::uint8_t* p = &pixels[static_cast<std::size_t>(c) * 4];
                std::uint8_t* o = &out[static_cast<std::size_t>(c) * 3];
                o[0] = p[2];
                o[1] = p[1];
                o[2] = p[0];
            }
        } else {
            // Indexed bytes and MSB-first bits are already the file's order.
            std::copy(pixels.begin(),
                      pixels.begin() + static_cast<long>((static_cast<std::size_t>(source.width) *
                                                              static_cast<std::size_t>(bits) +
                                                          7) /
                                                         8),
                      out.begin());
        }
        if (std::fwrite(out.data(), 1, out.size(), file) != out.size())
            return false;
    }
    return true;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int
ieModuleRegister(const Ie_Module_Services* services) {
    if (!services || services->version != ie_writer_module::services_version ||
        !services->register_file_type)
        return 0;
    return services->register_file_type("BMP", write_bmp) ? 1 : 0;
}

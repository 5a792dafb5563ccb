// Feeds arbitrary bytes as the PNG file of a drawing's picture: the header
// check of the drawing reader, then the decoder and the resampling of the plot.
// Whatever the bytes, the picture is refused with a message or decodes to the
// size its header promised, and every placed dot is a host colour.
#include "drawing.h"
#include "page_frame.h"
#include "picture.h"

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int fd = ::memfd_create("picture", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != ssize_t(size))
        std::abort();
    const nlohmann::json doc = {
        {"format", "vorna-drawing"},
        {"version", 1},
        {"units", "dots"},
        {"pages",
         {{{"primitives",
            {{{"type", "image"}, {"file", path}, {"corners", {{3, 40}, {37, 5}}}}}}}}}};
    drawing::Drawing d;
    try {
        d = drawing::parse_drawing(doc, "fuzz.json", "");
    } catch (const drawing::Drawing_Error&) {
        return 0;
    }
    const drawing::Image_Ref& ref = *d.pages[0].primitives[0].image;
    // Pixels cost 4 bytes each however small the file: keep each run quick.
    if (std::uint64_t{ref.width} * ref.height > (std::uint64_t{1} << 22))
        return 0;
    plot::Rgba_Picture picture;
    try {
        picture = plot::load_picture(path);
    } catch (const plot::Picture_Error&) {
        return 0;
    }
    if (picture.width != ref.width || picture.height != ref.height ||
        picture.rgba.size() != std::size_t{picture.width} * picture.height * 4)
        std::abort();
    plot::Page_Geometry g;
    g.x_dpi = g.y_dpi = 360;
    g.width = 48;
    g.rows = 48;
    g.paper_width = g.paper_height = 48;
    const plot::Page_Frame frame(g, drawing::Units::dots);
    const plot::Picture_Placement place = plot::place_picture(frame, ref);
    const auto pixels = plot::resample(picture, place, 0, place.width, 0, place.height);
    if (pixels.size() != std::size_t(place.width) * std::size_t(place.height))
        std::abort();
    for (std::uint32_t p : pixels)
        if ((p >> 24) != 0 && (p >> 24) != 0xFF)
            std::abort();
    return 0;
}

// Feeds arbitrary bytes to the drawing reader, as a drawing file reaches it.
// Whatever the bytes, the reader takes the document or refuses it with a
// message naming the file; what it takes keeps every promise the plot relies
// on: at least one page, points within range, the point count of each kind.
#include "drawing.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

void check_points(const std::vector<drawing::Point>& points, std::size_t at_least) {
    if (points.size() < at_least || points.size() > drawing::max_points)
        std::abort();
    for (const auto& p : points)
        if (!std::isfinite(p.x) || !std::isfinite(p.y) ||
            std::fabs(p.x) > drawing::max_coordinate || std::fabs(p.y) > drawing::max_coordinate)
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Through a file, as the program reads it.
    static const int fd = ::memfd_create("drawing", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != ssize_t(size))
        std::abort();
    drawing::Drawing d;
    try {
        d = drawing::load_drawing(path);
    } catch (const drawing::Drawing_Error& e) {
        if (std::string(e.what()).rfind(path + ": ", 0) != 0)
            std::abort(); // every refusal names the file
        return 0;
    }
    if (d.pages.empty())
        std::abort();
    for (const auto& page : d.pages) {
        if (page.clip)
            for (const auto& contour : *page.clip)
                check_points(contour, 3);
        for (const auto& p : page.primitives) {
            switch (p.kind) {
            case drawing::Kind::dot:
                check_points(p.points, 1);
                break;
            case drawing::Kind::polyline:
                check_points(p.points, 2);
                if (!(p.width >= 0 && p.width <= drawing::max_width))
                    std::abort();
                break;
            case drawing::Kind::strip:
            case drawing::Kind::polygon:
                check_points(p.points, 3);
                break;
            case drawing::Kind::image:
                if (!p.image)
                    std::abort();
                break;
            }
        }
    }
    return 0;
}

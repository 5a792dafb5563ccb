// Pictures of printed pages for the screen, from the printer stream: the one
// path both vorna-plot's preview and vorna-prn png take. Each pixel is the
// mean of the dots that fall into it (sampling instead would drop thin lines,
// which are most of a drawing), taken straight from the encoded rows, so a
// picture at screen resolution costs little beside the plot.
#pragma once

#include "stream_decoder.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace picture {

// Resolution of a picture of a page unless asked otherwise: the whole page
// fits a screen, and writing it takes little beside the plot.
inline constexpr int default_dpi = 150;

// Writing the picture failed; the text names the file and gives the reason.
class Picture_Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Size {
    int width = 0, height = 0;
    int x_dpi = 0, y_dpi = 0; // as stored in the picture
};

// Size of a picture at `dpi` of a page of width x height dots at x_dpi by
// y_dpi; 0, or at least the page's own resolution, keeps every dot.
Size scaled_size(int width, int height, int x_dpi, int y_dpi, int dpi);

// Where the printed dots go on the picture's paper.
struct Paper {
    int width = 0, height = 0; // in dots
    int x_dpi = 0, y_dpi = 0;
    // The printable area, white; the rest of the paper is `margin`.
    int left = 0, top = 0, printable_width = 0, printable_rows = 0;
    std::uint8_t margin = 255;
    // The paper as exactly the printed area of a page.
    static Paper of_page(int width, int rows, int x_dpi, int y_dpi) {
        return {width, rows, x_dpi, y_dpi, 0, 0, width, rows, 255};
    }
};

// Writes page `number` (from 1, counted over the whole stream) of `source`
// on `paper` as an 8-bit RGB PNG at `dpi` (0: every dot) into `path`, which
// it replaces only once the picture is whole. Without a source, the bare
// paper. Returns false, writing nothing, when the stream has no such page.
// Throws Picture_Error when the picture cannot be written and
// spool_stream::Stream_Error when the stream cannot be decoded.
bool write_page_png(spool_stream::Byte_Source* source, unsigned number, const Paper& paper,
                    const std::string& path, int dpi);

} // namespace picture

// The preview: what the printer received, decoded from the printer stream and
// laid on a picture of the paper.
#pragma once

#include "page_frame.h"
#include "page_picture.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace plot {

class Preview_Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Colour of the paper outside the printable area, so that the margins show.
inline constexpr std::uint8_t margin_grey = 232;

// Decodes the first page of the printer stream in bytes [begin, end) of
// `stream_path` and writes an 8-bit RGB PNG of the whole paper at `dpi`
// (each pixel the mean of the dots it covers; 0: the page's own dots): white paper, the margins
// light grey, the printed dots placed at the printable area. An empty range (a page without drawing
// sends nothing) gives the bare paper. Written through a temporary file: a failure leaves an
// earlier picture as it was.
void write_preview(const std::string& stream_path, std::uint64_t begin, std::uint64_t end,
                   const Page_Geometry& geometry, const std::string& png_path,
                   int dpi = picture::default_dpi);

} // namespace plot

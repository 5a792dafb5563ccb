// Feeds arbitrary bytes to the DXF reader and, when they read, lays the
// drawing out on an A4 page with text through the fonts. Both may only ever
// fail with cad::Read_Error.
#include "cad_plot.h"
#include "cad_text.h"
#include "dxf_reader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static cad::Font_Shaper fonts;
    cad::Document doc;
    try {
        doc = cad::read_dxf(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
    } catch (const cad::Read_Error&) {
        return 0;
    }
    cad::Plot_Settings settings;
    // Small enough that a block bomb is refused quickly.
    settings.max_points = 200000;
    cad::Paper_Area area;
    area.width = 204;
    area.height = 291;
    for (bool fit : {true, false}) {
        settings.fit = fit;
        try {
            (void)cad::plot_document(doc, settings, area, &fonts);
        } catch (const cad::Read_Error&) {
        }
    }
    (void)fonts.take_warnings();
    return 0;
}

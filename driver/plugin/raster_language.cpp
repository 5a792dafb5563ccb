// Texts of this language build that are not in the string table.
#include "raster_definition_detail.h"

namespace raster {
const char* help_file_name() {
    return "drv_vorna_tarv_en.HLP";
}
const char* help_title() {
    return "About the HDI driver";
}
} // namespace raster

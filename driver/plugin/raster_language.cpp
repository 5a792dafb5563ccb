// Texts of this build that the definition hands the host.
#include "language.h"
#include "raster_definition_detail.h"

namespace raster {
const char* help_file_name() {
    return raster_lang::current().help_file.data();
}
const char* help_title() {
    return raster_lang::current().help_title.data();
}
} // namespace raster

#include "raster_error.h"

#include "ht_error.h"
#include "raster_module.h"

namespace raster_error {

std::string message_text(unsigned id) {
    return raster::load_string(id);
}

void raise_error(Code code, const char* operation, const std::string& detail, const char* unit) {
    throw HT_Error(raster::module_name(), code, operation, detail, unit, raster::unit_revision);
}

void raise_severe(Code code, const char* operation, const std::string& detail, const char* unit) {
    throw HT_Severe_Error(raster::module_name(), code, operation, detail, unit,
                          raster::unit_revision);
}

void raise_severe_message(Code code, unsigned message, const char* operation, const char* unit) {
    raise_severe(code, operation, message_text(message), unit);
}

} // namespace raster_error

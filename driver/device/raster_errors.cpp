#include "raster_errors.h"

#include "language.h"
#include "raster_module.h"
#include "spool_records.h"

namespace raster_device {

const char* spool_result_message(std::int32_t code) {
    switch (code) {
    case spool_error_spooler:
        return raster_lang::tr("Spooler Error");
    case spool_error_unidentified:
        return raster_lang::tr("An error has occurred. The cause cannot be identified.");
    case spool_error_handle:
        return raster_lang::tr("Incorrect handle used.");
    case spool_error_memory:
        return raster_lang::tr("Failed to write to memory.");
    case spool_error_call_order:
        return raster_lang::tr("API Call Procedure Violation");
    default:
        return raster_lang::tr("Other Error");
    }
}

std::string message_text(unsigned id) {
    return raster::load_string(id);
}

void raise_error(int code, const char* operation, const std::string& detail, const char* unit) {
    throw HT_Error(raster::module_name(), code, operation, detail, unit, raster::unit_revision);
}

void raise_severe(int code, const char* operation, const std::string& detail, const char* unit) {
    throw HT_Severe_Error(raster::module_name(), code, operation, detail, unit,
                          raster::unit_revision);
}

void raise_severe_message(int code, unsigned message, const char* operation, const char* unit) {
    raise_severe(code, operation, message_text(message), unit);
}

} // namespace raster_device

#include "raster_errors.h"

#include "language.h"
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

} // namespace raster_device

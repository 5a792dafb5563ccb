// How the driver reports failures: the host's exceptions carrying this
// library's module name, an error code, the failing operation and a short
// detail. Shared by the device and the drawing actions.
#pragma once

#include "message_ids.h"

#include <string>

namespace raster_error {

// The error codes. Each is the number of the message that names its kind.
enum Code : int {
    memory = rsrc_id::err_memory_allocation,
    null_pointer = rsrc_id::err_null_pointer,
    device_init = rsrc_id::err_device_init,
    driver_init = rsrc_id::err_driver_init,
    output = rsrc_id::err_ie_file_writer,
    virtual_memory = rsrc_id::err_virtual_memory,
};

// Source units named by the errors.
inline constexpr char unit_device[] = "raster";
inline constexpr char unit_draw[] = "rasterdraw";

// A message of the driver's string table; empty when it cannot be loaded.
std::string message_text(unsigned id);

// Throw the host's errors. The detail is cut to the host's limit by HT_Error.
[[noreturn]] void raise_error(Code code, const char* operation, const std::string& detail,
                              const char* unit = unit_device);
[[noreturn]] void raise_severe(Code code, const char* operation, const std::string& detail,
                               const char* unit = unit_device);
// A severe error whose detail is string `message` of the table.
[[noreturn]] void raise_severe_message(Code code, unsigned message, const char* operation,
                                       const char* unit = unit_device);

} // namespace raster_error

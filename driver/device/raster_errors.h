// How the device reports failures: the host's exceptions carrying this
// library's module name, a string-table number, the failing operation and a
// short detail; and the texts shown for the spool module's result codes.
#pragma once

#include "ht_error.h"

#include <cstdint>
#include <string>

namespace raster_device {

// Source units named by the errors.
inline constexpr char unit_device[] = "raster";
inline constexpr char unit_draw[] = "rasterdraw";

// Operation texts the host sees.
inline constexpr char op_begin_picture[] = "RASTER_Driver::begin_picture";
inline constexpr char op_end_picture[] = "RASTER_Driver::end_picture";
inline constexpr char op_establish_configuration[] = "RASTER_Driver::establish_configuration";
inline constexpr char op_set_error_handler[] = "RASTER_Driver::set_error_handler";
inline constexpr char op_get_plotter_definition[] = "RASTER_Driver::get_plotter_definition";
inline constexpr char op_spd_initialize_palette[] = "RASTER_Driver::spd_initialize_palette";

// The message for a spool module result code; "Other Error" for any code
// without a text of its own.
const char* spool_result_message(std::int32_t code);

// A message of the driver's string table; empty when it cannot be loaded.
std::string message_text(unsigned id);

// Throw the host's errors. The detail is cut to the host's limit by HT_Error.
[[noreturn]] void raise_error(int code, const char* operation, const std::string& detail,
                              const char* unit = unit_device);
[[noreturn]] void raise_severe(int code, const char* operation, const std::string& detail,
                               const char* unit = unit_device);
// A severe error whose detail is string `message` of the table.
[[noreturn]] void raise_severe_message(int code, unsigned message, const char* operation,
                                       const char* unit = unit_device);

} // namespace raster_device

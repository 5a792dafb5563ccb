// The device's failures: the operation texts the host sees, and the texts
// shown for the spool module's result codes. Raising them is common to the
// device and the drawing actions.
#pragma once

#include "raster_error.h"

#include <cstdint>
#include <string>

namespace raster_device {

using raster_error::message_text;
using raster_error::raise_error;
using raster_error::raise_severe;
using raster_error::raise_severe_message;
using raster_error::unit_device;
using raster_error::unit_draw;
namespace error = raster_error;

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

} // namespace raster_device

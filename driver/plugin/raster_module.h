// The library's own module: its instance handle, name and resources.
#pragma once

#include "plat_module.h"

#include <string>

namespace raster {

// Instance handle of the driver library; every resource lookup goes through it.
plat::Module module_instance();
// Tests replace it (null: no handle).
void set_module_instance(plat::Module module);

// The library's module name as errors carry it.
const char* module_name();

// String resource of the library, or empty.
std::string load_string(unsigned id, std::size_t max_chars = 4096);

// Unit revision texts carried by errors.
inline constexpr const char* unit_revision = "5";

} // namespace raster

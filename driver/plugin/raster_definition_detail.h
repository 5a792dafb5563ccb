// Pieces of the definition that tests reach directly.
#pragma once

#include "plat_module.h"

#include <string>

class HT_RASTER_Plotter_Definition;

namespace raster {

// Full path of a module, read into a buffer that starts at 64 characters and
// doubles until the path fits. Throws on a missing handle or buffer.
std::string driver_path_of(plat::Module module);

// Formats the translation list of a version block: "%X", then ",%X" for each
// further entry. False when the block has no translation list.
bool format_locale(const void* version_block, std::string& locale);

// Runs the Custom Properties dialog modally; true when closed with OK.
bool run_custom_properties(HT_RASTER_Plotter_Definition* definition, void* parent_window);

// Help file of this language build and the title of its hints page.
const char* help_file_name();
const char* help_title();

} // namespace raster

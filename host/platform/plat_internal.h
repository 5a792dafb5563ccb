// Shared between the platform's own sources; not part of its interface.
#pragma once

#include "plat_module.h"

#include <string>

namespace plat::detail {

// Path of the file mapped at `module` (null: the main program), ignoring test
// overrides; empty for an unknown module.
std::string real_module_path(Module module);

} // namespace plat::detail

#include "raster_module.h"

#include "language.h"
#include "plat_resource.h"

namespace raster {
namespace {
// Any address inside this library finds its module.
const char module_anchor = 0;
plat::Module g_module = plat::module_from_address(&module_anchor);
} // namespace

plat::Module module_instance() {
    return g_module;
}
void set_module_instance(plat::Module module) {
    g_module = module;
}

const char* module_name() {
    return raster_lang::current_build().module_name.data();
}

std::string load_string(unsigned id, std::size_t max_chars) {
    auto text = plat::load_string(g_module, id);
    if (!text)
        return {};
    if (text->size() > max_chars)
        text->resize(max_chars);
    return *text;
}

} // namespace raster

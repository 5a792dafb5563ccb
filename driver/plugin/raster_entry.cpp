// Library load and unload: each of the driver's units enters the image engine
// once at load and leaves it at unload, if the engine is still there.
#include "raster_module.h"

#include "ie_colorspace.h"
#include "ie_enter.h"
#include "ie_module.h"

namespace {
// raster, rasterdraw, rasterplcaps, rasterplcfg, rasterpldef and the two dialog units.
constexpr int unit_count = 7;

void unit_attach() {
    if (!csInitialized())
        csInit();
    csAddRef();
    ieEnter(0x800000, 0, 1);
}

void unit_detach() {
    // The engine may have been unloaded before us; then there is nothing to give back.
    if (!ie_module::still_mapped())
        return;
    if (csRelease() == 0)
        csExit();
    ieLeave();
}

__attribute__((constructor)) void library_attach() {
    for (int i = 0; i < unit_count; ++i)
        unit_attach();
}

__attribute__((destructor)) void library_detach() {
    for (int i = 0; i < unit_count; ++i)
        unit_detach();
}
} // namespace

// The class factory: four creation operations of the driver's own, the rest
// are the host's standard objects.
#include "raster_plugin.h"

#include <new>

HT_RASTER_Plotter_Class_Factory::HT_RASTER_Plotter_Class_Factory() = default;
HT_RASTER_Plotter_Class_Factory::~HT_RASTER_Plotter_Class_Factory() = default;

HT_Caps_Loader* HT_RASTER_Plotter_Class_Factory::HD_Create_Caps_Loader(
    HT_Smart_Pointer<HT_Error_Handler> handler) const {
    return new (std::nothrow) RASTER_DRC_Caps_Loader(std::move(handler));
}

// The three strings mean nothing to this driver.
HT_Plotter_Capabilities*
HT_RASTER_Plotter_Class_Factory::HD_Create_Plotter_Capabilities(const char*, const char*,
                                                                const char*) const {
    return new (std::nothrow) HT_RASTER_Plotter_Capabilities();
}

HT_Plotter_Configuration*
HT_RASTER_Plotter_Class_Factory::HD_Create_Plotter_Configuration(const char*, const char*,
                                                                 const char*) const {
    return new (std::nothrow) HT_RASTER_Plotter_Configuration();
}

HT_Plotter_Definition* HT_RASTER_Plotter_Class_Factory::HD_Create_Plotter_Definition(
    HT_Smart_Pointer<HT_Error_Handler> handler) const {
    return new (std::nothrow) HT_RASTER_Plotter_Definition(std::move(handler));
}

HT_Plotter_Class_Factory* HD_Create_Class_Factory() {
    return new (std::nothrow) HT_RASTER_Plotter_Class_Factory();
}

RASTER_DRC_Caps_Loader::RASTER_DRC_Caps_Loader() = default;
RASTER_DRC_Caps_Loader::RASTER_DRC_Caps_Loader(HT_Smart_Pointer<HT_Error_Handler> handler)
    : PM_DRC_Caps_Loader(std::move(handler)) {}
RASTER_DRC_Caps_Loader::~RASTER_DRC_Caps_Loader() = default;

bool RASTER_DRC_Caps_Loader::Load(HT_Smart_Pointer<HT_Plotter_Definition> definition,
                                  Load_Policy policy) {
    const bool loaded = PM_DRC_Caps_Loader::Load(definition, policy);
    if (loaded) {
        auto caps = definition->get_plotter_capabilities();
        auto io = caps ? caps->get_io_capabilities() : nullptr;
        if (io)
            io->add_pair(5, 4);
    }
    return loaded;
}

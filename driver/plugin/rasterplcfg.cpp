// Configuration container: the host's standard one with an empty sub-object of
// every kind; the driver's settings arrive later as custom items.
#include "raster_error.h"
#include "raster_module.h"
#include "raster_plugin.h"

namespace {
constexpr const char* cfg_where =
    "HT_RASTER_Plotter_Configuration::HT_RASTER_Plotter_Configuration";

[[noreturn]] void cfg_fail(const char* where, const char* name) {
    throw HT_Error(raster::module_name(), raster_error::memory, where, name, "rasterplcfg",
                   raster::unit_revision);
}

template <class T> HT_Smart_Pointer<T> checked(T* created, const char* name) {
    if (!created)
        cfg_fail(cfg_where, name);
    return HT_Smart_Pointer<T>(created);
}
} // namespace

HT_RASTER_Plotter_Configuration::HT_RASTER_Plotter_Configuration() {
    HT_Smart_Pointer<HT_RASTER_Plotter_Class_Factory> cf(new (std::nothrow)
                                                             HT_RASTER_Plotter_Class_Factory);
    if (!cf)
        cfg_fail("rasterplcfg", "pCF");

    auto media = checked(cf->HD_Create_Media_Configuration(), "pMediaCfg");
    auto io = checked(cf->HD_Create_Plotter_IO_Configuration(), "pIOCfg");
    auto pen = checked(cf->HD_Create_Pen_Configuration(), "pPhysPenCfg");
    auto rcm = checked(cf->HD_Create_ResColorMem_Configuration(), "pRCMCfg");
    auto initterm = checked(cf->HD_Create_InitTerm_Configuration(), "pInitTermCfg");
    auto custom = checked(cf->HD_Create_Custom_Configurations(), "pCustomCfg");

    try {
        set_media_configuration(media);
        set_io_configuration(io);
        set_phys_pen_configuration(pen);
        set_res_color_mem_configuration(rcm);
        set_init_term_configuration(initterm);
        set_custom_configuration(custom);
    } catch (HT_Error& e) {
        e.append_trace(cfg_where);
        throw;
    }
}

HT_RASTER_Plotter_Configuration::~HT_RASTER_Plotter_Configuration() = default;

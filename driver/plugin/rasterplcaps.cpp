// Capabilities container: the host's standard one, pre-filled with an empty
// sub-object of every kind so that the host never meets a missing one.
#include "raster_error.h"
#include "raster_module.h"
#include "raster_plugin.h"

namespace {
constexpr const char* caps_where = "HT_RASTER_Plotter_Capabilities::HT_RASTER_Plotter_Capabilities";

[[noreturn]] void caps_fail(const char* name) {
    throw HT_Error(raster::module_name(), raster_error::memory, caps_where, name, "rasterplcaps",
                   raster::unit_revision);
}

template <class T> HT_Smart_Pointer<T> checked(T* created, const char* name) {
    if (!created)
        caps_fail(name);
    return HT_Smart_Pointer<T>(created);
}
} // namespace

HT_RASTER_Plotter_Capabilities::HT_RASTER_Plotter_Capabilities() {
    HT_Smart_Pointer<HT_RASTER_Plotter_Class_Factory> cf(new (std::nothrow)
                                                             HT_RASTER_Plotter_Class_Factory);
    if (!cf)
        caps_fail("pCF");

    auto media = checked(cf->HD_Create_Media_Capabilities(), "pMediaCaps");
    auto io = checked(cf->HD_Create_Plotter_IO_Capabilities(), "pIOCaps");
    auto pen = checked(cf->HD_Create_Pen_Capabilities(), "pPhysPenCaps");
    auto raster = checked(cf->HD_Create_Raster_Capabilities(), "pRasterCaps");
    auto linetype = checked(cf->HD_Create_Linetype_Capabilities(), "pLinetypeCaps");
    auto rcm = checked(cf->HD_Create_ResColorMem_Capabilities(), "pRCMCaps");
    auto initterm = checked(cf->HD_Create_InitTerm_Capabilities(), "pInitTermCaps");
    auto custom = checked(cf->HD_Create_Custom_Capabilities(), "pCustomCaps");

    try {
        set_media_capabilities(media);
        set_io_capabilities(io);
        set_phys_pen_capabilities(pen);
        set_raster_capabilities(raster);
        set_linetype_capabilities(linetype);
        set_res_color_mem_capabilities(rcm);
        set_init_term_capabilities(initterm);
        set_custom_capabilities(custom);
    } catch (HT_Error& e) {
        e.append_trace(caps_where);
        throw;
    }
}

HT_RASTER_Plotter_Capabilities::~HT_RASTER_Plotter_Capabilities() = default;

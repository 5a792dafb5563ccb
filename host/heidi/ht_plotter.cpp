#include "ht_plotter.h"

#include "ht_plotter_io.h"

#include <cstring>

HT_Media_Source::HT_Media_Source() : sizes(new HT_Media_Size_List) {}

HT_Media_Source::HT_Media_Source(const HT_Media_Source& o)
    : HT_Object(o), name(o.name), description(o.description), sizes(ht_clone(o.sizes)) {}

HT_Smart_Pointer<HT_Media_Size> HT_Media_Source::find_size(const char* n) const {
    for (const auto& s : *sizes)
        if (s && s->name == n)
            return s;
    return {};
}

HT_Media_Capabilities::HT_Media_Capabilities()
    : sources(new HT_Media_Source_List), media_types(new HT_Media_Type_List) {}

HT_Media_Capabilities::HT_Media_Capabilities(const HT_Media_Capabilities& o)
    : HT_Object(o), sources(ht_clone(o.sources)), media_types(ht_clone(o.media_types)) {}

HT_Smart_Pointer<HT_Media_Source> HT_Media_Capabilities::find_source(const char* n) const {
    for (const auto& s : *sources)
        if (s && s->name == n)
            return s;
    return {};
}

HT_Media_Configuration::HT_Media_Configuration() : m_settings(new HT_Media_Settings) {}

HT_Media_Configuration::HT_Media_Configuration(const HT_Media_Configuration& o)
    : HT_Object(o), m_source(o.m_source), m_size(o.m_size), m_media_type(o.m_media_type),
      m_bounds(o.m_bounds), m_printable(o.m_printable), m_copies(o.m_copies),
      m_settings(ht_clone(o.m_settings)) {}

HT_ResColorMem_Capabilities::HT_ResColorMem_Capabilities() : entries(new HT_ResColorMem_List) {}

HT_ResColorMem_Capabilities::HT_ResColorMem_Capabilities(const HT_ResColorMem_Capabilities& o)
    : HT_Object(o), entries(ht_clone(o.entries)) {}

HT_ResColorMem_Configuration::HT_ResColorMem_Configuration(const HT_ResColorMem_Configuration& o)
    : HT_Object(o), m_index(o.m_index), m_current(ht_clone(o.m_current)) {}

HT_Meta_Capabilities::HT_Meta_Capabilities(const HT_Meta_Capabilities& o)
    : HT_Object(o), version(o.version), flags(o.flags), driver_path(o.driver_path),
      description(o.description), m_family(ht_clone(o.m_family)), m_model(ht_clone(o.m_model)) {}

HT_Shoebox::HT_Shoebox(const HT_Shoebox& o) : HT_Object(o), m_acad(ht_clone(o.m_acad)) {}

// ---- capabilities container ---------------------------------------------------

HT_Plotter_Capabilities::~HT_Plotter_Capabilities() = default;

HT_Std_Plotter_Capabilities::HT_Std_Plotter_Capabilities(const HT_Std_Plotter_Capabilities& o)
    : HT_Plotter_Capabilities(o) {
    copy_from(o);
}

HT_Std_Plotter_Capabilities::~HT_Std_Plotter_Capabilities() = default;

void HT_Std_Plotter_Capabilities::copy_from(const HT_Std_Plotter_Capabilities& o) {
    m_media = ht_clone(o.m_media);
    m_io = ht_clone(o.m_io);
    m_pen = ht_clone(o.m_pen);
    m_raster = ht_clone(o.m_raster);
    m_linetype = ht_clone(o.m_linetype);
    m_rcm = ht_clone(o.m_rcm);
    m_initterm = ht_clone(o.m_initterm);
    m_custom = ht_clone(o.m_custom);
}

HT_Plotter_Capabilities* HT_Std_Plotter_Capabilities::clone() const {
    return new (std::nothrow) HT_Std_Plotter_Capabilities(*this);
}

#define HT_ACCESSORS(Class, Type, getter, setter, member)                                          \
    HT_Smart_Pointer<Type> Class::getter() const {                                                 \
        return member;                                                                             \
    }                                                                                              \
    void Class::setter(HT_Smart_Pointer<Type> v) {                                                 \
        member = std::move(v);                                                                     \
    }

HT_ACCESSORS(HT_Std_Plotter_Capabilities, HT_Media_Capabilities, get_media_capabilities,
             set_media_capabilities, m_media)
HT_ACCESSORS(HT_Std_Plotter_Capabilities, HT_Plotter_IO_Capabilities, get_io_capabilities,
             set_io_capabilities, m_io)
HT_ACCESSORS(HT_Std_Plotter_Capabilities, HT_Pen_Capabilities, get_phys_pen_capabilities,
             set_phys_pen_capabilities, m_pen)
HT_ACCESSORS(HT_Std_Plotter_Capabilities, HT_Raster_Capabilities, get_raster_capabilities,
             set_raster_capabilities, m_raster)
HT_ACCESSORS(HT_Std_Plotter_Capabilities, HT_Linetype_Capabilities, get_linetype_capabilities,
             set_linetype_capabilities, m_linetype)
HT_ACCESSORS(HT_Std_Plotter_Capabilities, HT_ResColorMem_Capabilities,
             get_res_color_mem_capabilities, set_res_color_mem_capabilities, m_rcm)
HT_ACCESSORS(HT_Std_Plotter_Capabilities, HT_InitTerm_Capabilities, get_init_term_capabilities,
             set_init_term_capabilities, m_initterm)
HT_ACCESSORS(HT_Std_Plotter_Capabilities, HT_Custom_Capabilities, get_custom_capabilities,
             set_custom_capabilities, m_custom)

// ---- configuration container ----------------------------------------------------

HT_Plotter_Configuration::~HT_Plotter_Configuration() = default;

HT_Std_Plotter_Configuration::HT_Std_Plotter_Configuration(const HT_Std_Plotter_Configuration& o)
    : HT_Plotter_Configuration(o) {
    copy_from(o);
}

HT_Std_Plotter_Configuration::~HT_Std_Plotter_Configuration() = default;

void HT_Std_Plotter_Configuration::copy_from(const HT_Std_Plotter_Configuration& o) {
    m_media = ht_clone(o.m_media);
    m_io = ht_clone(o.m_io);
    m_rcm = ht_clone(o.m_rcm);
    m_initterm = ht_clone(o.m_initterm);
    m_pen = ht_clone(o.m_pen);
    m_custom = ht_clone(o.m_custom);
    m_validated = o.m_validated;
    m_default = o.m_default;
}

HT_Plotter_Configuration* HT_Std_Plotter_Configuration::clone() const {
    return new (std::nothrow) HT_Std_Plotter_Configuration(*this);
}

HT_ACCESSORS(HT_Std_Plotter_Configuration, HT_Media_Configuration, get_media_configuration,
             set_media_configuration, m_media)
HT_ACCESSORS(HT_Std_Plotter_Configuration, HT_Plotter_IO_Configuration, get_io_configuration,
             set_io_configuration, m_io)
HT_ACCESSORS(HT_Std_Plotter_Configuration, HT_ResColorMem_Configuration,
             get_res_color_mem_configuration, set_res_color_mem_configuration, m_rcm)
HT_ACCESSORS(HT_Std_Plotter_Configuration, HT_InitTerm_Configuration, get_init_term_configuration,
             set_init_term_configuration, m_initterm)
HT_ACCESSORS(HT_Std_Plotter_Configuration, HT_Pen_Configuration, get_phys_pen_configuration,
             set_phys_pen_configuration, m_pen)
HT_ACCESSORS(HT_Std_Plotter_Configuration, HT_Custom_Configurations, get_custom_configuration,
             set_custom_configuration, m_custom)

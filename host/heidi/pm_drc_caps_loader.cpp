#include "drc_description.h"
#include "ht_definition.h"
#include "ht_factory.h"
#include "pm_object.h"

// ---- loaders ---------------------------------------------------------------

HT_Caps_Loader::~HT_Caps_Loader() = default;

PM_DRC_Caps_Loader::PM_DRC_Caps_Loader() = default;
PM_DRC_Caps_Loader::PM_DRC_Caps_Loader(HT_Smart_Pointer<HT_Error_Handler> handler)
    : m_error_handler(std::move(handler)) {}
PM_DRC_Caps_Loader::~PM_DRC_Caps_Loader() = default;

std::string ht_drc_path(const std::string& driver_path) {
    std::size_t slash = driver_path.find_last_of('/');
    std::size_t dot = driver_path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return driver_path + ".DRC";
    return driver_path.substr(0, dot) + ".DRC";
}

namespace {
HT_Media_Bounds to_bounds(double x0, double x1, double y0, double y1) {
    return {static_cast<float>(x0), static_cast<float>(x1), static_cast<float>(y0),
            static_cast<float>(y1)};
}

HT_Custom_Data* make_custom_data(const HT_Plotter_Class_Factory& cf,
                                 const Drc_Custom_Capability& c) {
    switch (c.kind) {
    case Drc_Custom_Capability::Long:
        return cf.HD_Create_Long_Custom_Data(static_cast<std::int32_t>(c.long_value));
    case Drc_Custom_Capability::Boolean:
        return cf.HD_Create_Boolean_Custom_Data(c.bool_value);
    case Drc_Custom_Capability::Double:
        return cf.HD_Create_Double_Custom_Data(c.double_value);
    case Drc_Custom_Capability::String:
        break;
    }
    return cf.HD_Create_String_Custom_Data(c.text.c_str());
}
} // namespace

bool PM_DRC_Caps_Loader::Load(HT_Smart_Pointer<HT_Plotter_Definition> definition,
                              Load_Policy policy) {
    if (!definition)
        return false;
    auto meta = definition->get_meta_capabilities();
    auto caps = definition->get_plotter_capabilities();
    auto cf = definition->get_class_factory();
    if (!meta || meta->driver_path.empty() || !caps || !cf)
        return false;

    PM_Object tree(m_error_handler);
    tree.load(ht_drc_path(meta->driver_path.str()).c_str(), 5, "\\");
    const Drc_Printer_Description drc = read_printer_description(tree);

    // Media sources with their sizes, and the media types.
    auto media = caps->get_media_capabilities();
    if (!media) {
        media = cf->HD_Create_Media_Capabilities();
        if (!media)
            return false;
        caps->set_media_capabilities(media);
    }
    if (policy == Load_All || media->sources->count() == 0) {
        media->sources->clear();
        for (const auto& src : drc.sources) {
            HT_Smart_Pointer<HT_Media_Source> source(cf->HD_Create_Media_Source());
            if (!source)
                return false;
            source->name = src.name;
            source->description = src.description;
            for (const auto& sz : src.sizes) {
                HT_Smart_Pointer<HT_Media_Size> size(cf->HD_Create_Media_Size());
                if (!size)
                    return false;
                size->name = sz.name;
                size->bounds = to_bounds(0, sz.width_mm, 0, sz.height_mm);
                size->printable = to_bounds(sz.printable_left, sz.printable_right, sz.printable_top,
                                            sz.printable_bottom);
                size->units = sz.units;
                source->sizes->add(size.get());
            }
            media->sources->add(source.get());
        }
    }
    if (policy == Load_All || media->media_types->count() == 0) {
        media->media_types->clear();
        for (const auto& name : drc.media_types) {
            HT_Smart_Pointer<HT_Media_Type> type(cf->HD_Create_Media_Type());
            if (!type)
                return false;
            type->name = name;
            media->media_types->add(type.get());
        }
    }

    // Resolution, colour and memory entries.
    auto rcm = caps->get_res_color_mem_capabilities();
    if (!rcm) {
        rcm = cf->HD_Create_ResColorMem_Capabilities();
        if (!rcm)
            return false;
        caps->set_res_color_mem_capabilities(rcm);
    }
    if (policy == Load_All || rcm->entries->count() == 0) {
        rcm->entries->clear();
        for (const auto& e : drc.res_color_mem) {
            HT_Smart_Pointer<HT_ResColorMem> entry(cf->HD_Create_ResColorMem());
            if (!entry)
                return false;
            entry->x_resolution = e.x_dpi;
            entry->y_resolution = e.y_dpi;
            entry->color_system = e.color_system;
            entry->color_depth = e.color_depth;
            entry->color_count = static_cast<std::int32_t>(e.color_count);
            entry->description = e.description;
            rcm->entries->add(entry.get());
        }
    }

    // Custom capabilities: the driver's own keys with their defaults.
    auto custom = caps->get_custom_capabilities();
    if (!custom) {
        custom = cf->HD_Create_Custom_Capabilities();
        if (!custom)
            return false;
        caps->set_custom_capabilities(custom);
    }
    for (const auto& c : drc.custom) {
        if (policy != Load_All && custom->find(c.key.c_str()))
            continue;
        HT_Custom_Data* data = make_custom_data(*cf, c);
        if (!data)
            return false;
        HT_Custom_Capability* cap = cf->HD_Create_Custom_Capability(c.key.c_str(), data);
        if (!cap) {
            delete data;
            return false;
        }
        custom->set_capability(cap);
    }
    return true;
}

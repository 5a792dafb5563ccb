// Feeds arbitrary documents to the plot configuration loader. Whatever the
// bytes, the loader either takes the document or refuses it with a message,
// and a refused document leaves the configuration as it was.
#include "ht_definition.h"
#include "ht_factory.h"
#include "ht_plot_config.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {
HT_Smart_Pointer<HT_Plotter_Definition> make_definition() {
    HT_Smart_Pointer<HT_Std_Plotter_Class_Factory> cf(new HT_Std_Plotter_Class_Factory);
    HT_Smart_Pointer<HT_Plotter_Definition> def(new HT_Std_Plotter_Definition);
    auto* meta = new HT_Meta_Capabilities;
    // The loader finds the description beside the "driver": data/vorna_tarv_en_7.DRC.
    meta->driver_path = VORNA_DATA_DIR "/vorna_tarv_en_7.hdi";
    def->set_meta_capabilities(meta);
    auto* caps = new HT_Std_Plotter_Capabilities;
    caps->set_media_capabilities(cf->HD_Create_Media_Capabilities());
    caps->set_res_color_mem_capabilities(cf->HD_Create_ResColorMem_Capabilities());
    caps->set_custom_capabilities(cf->HD_Create_Custom_Capabilities());
    caps->set_io_capabilities(cf->HD_Create_Plotter_IO_Capabilities());
    def->set_plotter_capabilities(caps);
    PM_DRC_Caps_Loader loader;
    if (!loader.Load(def, HT_Caps_Loader::Load_All))
        std::abort();
    ht_default_configuration(*def);
    return def;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static HT_Smart_Pointer<HT_Plotter_Definition> def = make_definition();
    const nlohmann::json before = ht_configuration_to_json(*def);
    const nlohmann::json doc =
        nlohmann::json::parse(reinterpret_cast<const char*>(data),
                              reinterpret_cast<const char*>(data) + size, nullptr, false);
    if (doc.is_discarded())
        return 0;
    try {
        ht_configuration_from_json(*def, doc, "fuzz.json");
        // Whatever was taken must save and load back the same.
        const nlohmann::json after = ht_configuration_to_json(*def);
        ht_configuration_from_json(*def, after, "again.json");
        if (ht_configuration_to_json(*def) != after)
            std::abort();
    } catch (const HT_Config_Error&) {
        if (ht_configuration_to_json(*def) != before)
            std::abort();
    }
    return 0;
}

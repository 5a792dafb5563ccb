// The printer definition: who the driver is (meta capabilities from the
// library's path, version resource and DRC file), its containers and shoebox.
#include "raster_definition_detail.h"
#include "raster_error.h"
#include "raster_module.h"
#include "raster_plugin.h"

#include "ht_palette.h"
#include "plat_system.h"
#include "plat_version.h"
#include "pm_object.h"

#include <cstdio>
#include <memory>

namespace {
constexpr const char* init_where = "HT_RASTER_Plotter_Definition::initMetaCaps";

[[noreturn]] void def_fail(raster_error::Code code, const char* where, const char* name) {
    throw HT_Error(raster::module_name(), code, where, name, "rasterpldef", raster::unit_revision);
}

// Buffers come from the host allocator, as the host would free them.
struct Host_Buffer {
    explicit Host_Buffer(std::size_t n) : data(static_cast<char*>(ht_alloc(n))) {}
    ~Host_Buffer() { ht_free(data); }
    Host_Buffer(const Host_Buffer&) = delete;
    Host_Buffer& operator=(const Host_Buffer&) = delete;
    char* data;
};

// Reads a property as text: size query, a buffer one byte longer, terminated.
std::string read_text_property(const PM_Object& tree, const std::string& path) {
    std::size_t size = 0;
    if (!tree.get_property_size(path.c_str(), size))
        def_fail(raster_error::driver_init, init_where, "descriptor");
    Host_Buffer buffer(size + 1);
    if (!buffer.data)
        def_fail(raster_error::driver_init, init_where, "descriptor");
    buffer.data[size] = 0;
    if (!tree.get_property(path.c_str(), buffer.data, size))
        def_fail(raster_error::driver_init, init_where, "descriptor");
    return std::string(buffer.data);
}

// Version, flags, the library's own full path and the description with the
// maker's name; the path, which the later steps need.
std::string describe_driver(HT_Meta_Capabilities& meta) {
    meta.version = "1.00";
    meta.flags = 0;

    const std::string driver_path = raster::driver_path_of(raster::module_instance());
    if (driver_path.empty())
        def_fail(raster_error::driver_init, init_where, "driverPathName");
    meta.driver_path = driver_path;

    const std::string format = raster::load_string(2, 4096);
    char description[4200];
    std::snprintf(description, sizeof description, format.c_str(), "VORNA");
    meta.description = description;
    return driver_path;
}

// Family and model start empty; the model then takes the operating system's
// version and the driver's locale, from the translation list of its version
// resource.
void describe_system(HT_Family& family, HT_Model& model, const std::string& driver_path) {
    family.kind = 0;
    model.kind = 0;
    model.variant = 0;
    for (auto& text : model.texts)
        text = "";

    const plat::Os_Version os = plat::os_version();
    char os_text[64];
    std::snprintf(os_text, sizeof os_text, "%d,%d,%d", os.platform_id, os.major, os.minor);
    model.os_version = os_text;

    const std::uint32_t info_size = plat::get_file_version_info_size(driver_path.c_str());
    if (info_size == 0)
        def_fail(raster_error::driver_init, init_where, "driverlocale");
    Host_Buffer info(info_size);
    std::string locale;
    if (!info.data || !plat::get_file_version_info(driver_path.c_str(), info_size, info.data) ||
        !raster::format_locale(info.data, locale))
        def_fail(raster_error::driver_init, init_where, "driverlocale");
    model.locale = locale;
    model.localised = 1;
    model.custom = 0;
    model.add_pair(5, 3);
    model.add_pair(5, 4);
    model.add_pair(5, 7);
    model.add_pair(5, 8);
}

// The family and model texts of the printer's node in the DRC file.
struct Printer_Texts {
    std::string family_descriptor, model_descriptor, family_info, model_info;
};

// Reads the DRC file beside the library, which must be readable: its
// property tree, the printer's node under the directory branch, and that
// node's descriptor and info, each a compound of a family and a model part.
Printer_Texts read_printer_texts(const std::string& driver_path,
                                 const HT_Smart_Pointer<HT_Error_Handler>& handler) {
    const std::string drc_path = ht_drc_path(driver_path);
    if (std::FILE* probe = std::fopen(drc_path.c_str(), "rb"))
        std::fclose(probe);
    else
        def_fail(raster_error::driver_init, init_where, "DRC File");

    PM_Object tree(handler);
    try {
        tree.load(drc_path.c_str(), 5, "\\");
    } catch (HT_Error& e) {
        e.append_trace(init_where);
        throw;
    }

    std::unique_ptr<PM_Iterator> iter(tree.create_iterator("\\DPIA_directory", 1));
    if (!iter)
        def_fail(raster_error::memory, "rasterpldef", "pIter");
    if (!iter->first() || iter->node_type() == 3)
        def_fail(raster_error::driver_init, init_where, "node_name");
    const std::string node = iter->node_name();

    const std::string descriptor =
        read_text_property(tree, "\\DPIA_directory\\" + node + "\\descriptor");
    const std::string info_text = read_text_property(tree, "\\DPIA_directory\\" + node + "\\info");
    Printer_Texts texts;
    if (!extract_compound_str_ex(descriptor.c_str(), texts.family_descriptor,
                                 texts.model_descriptor) ||
        !extract_compound_str_ex(info_text.c_str(), texts.family_info, texts.model_info))
        def_fail(raster_error::driver_init, init_where, "descriptor");
    return texts;
}
} // namespace

namespace raster {

std::string driver_path_of(plat::Module module) {
    if (!module)
        def_fail(raster_error::memory, "rasterpldef", "procmodule");
    std::size_t size = 64;
    for (;;) {
        Host_Buffer buffer(size);
        if (!buffer.data)
            def_fail(raster_error::memory, "rasterpldef", "buffer");
        const std::size_t n = plat::module_file_name(module, buffer.data, size);
        if (n == 0 || n + 1 < size)
            return std::string(buffer.data, n);
        size *= 2;
    }
}

bool format_locale(const void* block, std::string& locale) {
    const void* value = nullptr;
    std::uint32_t length = 0;
    if (!plat::ver_query_value(block, "\\VarFileInfo\\Translation", &value, &length) || length < 4)
        return false;
    locale.clear();
    const auto* bytes = static_cast<const unsigned char*>(value);
    for (std::uint32_t i = 0; i + 4 <= length; i += 4) {
        const std::uint32_t entry = bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 |
                                    static_cast<std::uint32_t>(bytes[i + 3]) << 24;
        char text[16];
        std::snprintf(text, sizeof text, i == 0 ? "%X" : ",%X", entry);
        locale += text;
    }
    return true;
}

} // namespace raster

HT_RASTER_Plotter_Definition::HT_RASTER_Plotter_Definition(
    HT_Smart_Pointer<HT_Error_Handler> handler)
    : HT_Std_Plotter_Definition(std::move(handler)) {
    m_cf = new (std::nothrow) HT_RASTER_Plotter_Class_Factory;
    if (!m_cf)
        def_fail(raster_error::memory, "rasterpldef", "m_cf");
    SPMP::add_ref(m_cf);
    try {
        set_class_factory(HT_Smart_Pointer<HT_Plotter_Class_Factory>(m_cf));
        initMetaCaps();

        HT_Smart_Pointer<HT_Plotter_Capabilities> caps(new (std::nothrow)
                                                           HT_RASTER_Plotter_Capabilities);
        if (!caps)
            def_fail(raster_error::memory, "rasterpldef", "plotter_caps");
        set_plotter_capabilities(caps);

        HT_Smart_Pointer<HT_Plotter_Configuration> config(
            m_cf->HD_Create_Plotter_Configuration("", "", ""));
        if (!config)
            def_fail(raster_error::memory, "rasterpldef", "plotter_config");
        set_plotter_configuration(config);

        HT_Smart_Pointer<HT_AutoCAD_Shoebox> acad(m_cf->HD_Create_AutoCAD_Shoebox());
        HT_Smart_Pointer<HT_Shoebox> shoebox(m_cf->HD_Create_Shoebox());
        if (!acad || !shoebox)
            def_fail(raster_error::memory, "rasterpldef", "shoebox");
        acad->directory = "c:\\";
        shoebox->set_autocad_shoebox(acad.get());
        set_shoebox(shoebox);
    } catch (...) {
        SPMP::release(m_cf);
        throw;
    }
}

HT_RASTER_Plotter_Definition::~HT_RASTER_Plotter_Definition() {
    SPMP::release(m_cf);
}

void HT_RASTER_Plotter_Definition::initMetaCaps() {
    // The three identity objects, from the definition's own factory.
    HT_Smart_Pointer<HT_Meta_Capabilities> meta(m_cf->HD_Create_Meta_Capabilities());
    HT_Smart_Pointer<HT_Model> model(m_cf->HD_Create_Model());
    HT_Smart_Pointer<HT_Family> family(m_cf->HD_Create_Family());
    if (!meta || !model || !family)
        def_fail(raster_error::memory, init_where, "pmeta_pmodel_pfamily");

    const std::string driver_path = describe_driver(*meta);
    describe_system(*family, *model, driver_path);
    const Printer_Texts texts = read_printer_texts(driver_path, m_error_handler);
    family->descriptor = texts.family_descriptor;
    model->descriptor = texts.model_descriptor;
    family->info = texts.family_info;
    model->info = texts.model_info;

    // The meta capabilities keep copies; ours go with the smart pointers.
    meta->set_family(family.get());
    meta->set_model(model.get());
    set_meta_capabilities(meta);
}

bool HT_RASTER_Plotter_Definition::Custom_Config_UI_Available() {
    return true;
}

bool HT_RASTER_Plotter_Definition::CustomConfigure(void* parent_window) {
    return raster::run_custom_properties(this, parent_window);
}

bool HT_RASTER_Plotter_Definition::get_driver_hints_helpfile(HT_String& help_file,
                                                             HT_String& title) {
    help_file = raster::help_file_name();
    title = raster::help_title();
    return true;
}

bool HT_RASTER_Plotter_Definition::get_true_device_colors(
    HT_Smart_Pointer<HT_Palette> palette) const {
    if (!palette)
        return false;
    auto config = get_plotter_configuration();
    auto rcm = config ? config->get_res_color_mem_configuration() : nullptr;
    auto entry = rcm ? rcm->get_current() : nullptr;
    if (!entry)
        return false;
    if (entry->color_system == HT_Color_System_Bitonal) {
        palette->set_entry(0, 0xFF000000u);
        return true;
    }
    return false;
}

#include "plot_session.h"

#include "ht_plot_config.h"
#include "settings_check.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace plot {
namespace {

namespace fs = std::filesystem;

using Create_Device = HT_Plotter_Device_Data* (*)();

} // namespace

Temp_Folder::Temp_Folder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vorna-plot-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw App_Error("cannot create a temporary folder in " +
                        fs::path(pattern).parent_path().string() + ": " + std::strerror(errno));
    m_path = pattern;
}

Temp_Folder::~Temp_Folder() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

Plot_Session::Plot_Session(const Session_Options& options) : m_driver(options.driver) {
    HT_Plotter_Definition& def = m_driver.definition();
    if (options.config.empty()) {
        ht_default_configuration(def);
    } else {
        ht_load_configuration(def, options.config);
        check_custom_values(m_driver, options.config);
    }
    // Checked as vorna-config set checks them.
    for (const auto& [name, value] : options.settings)
        apply_setting(m_driver, name + "=" + value);
    m_geometry = page_geometry(def);

    // The host hands the job's temporary folder and progress object to the
    // device through the definition's shoebox.
    auto shoebox = def.get_shoebox();
    if (!shoebox) {
        def.set_shoebox(new HT_Shoebox);
        shoebox = def.get_shoebox();
    }
    auto acad = shoebox->get_autocad_shoebox();
    if (!acad) {
        shoebox->set_autocad_shoebox(new HT_AutoCAD_Shoebox);
        acad = shoebox->get_autocad_shoebox();
    }
    m_progress = HT_Smart_Pointer<HT_Progress>(new HT_Progress);
    acad->temp_folder = m_temp.path().c_str();
    acad->progress = m_progress;

    auto create = reinterpret_cast<Create_Device>(
        plat::find_symbol(m_driver.library(), "HD_Create_Plotter_Device"));
    if (!create)
        throw App_Error(m_driver.path() + " has no plotter device (HD_Create_Plotter_Device)");
    m_device = HT_Smart_Pointer<HT_Plotter_Device_Data>(create());
    if (!m_device)
        throw App_Error("the driver could not create its plotter device");
    m_device->set_progress(m_progress);
}

Plot_Session::~Plot_Session() {
    m_device.release();
}

void Plot_Session::establish() {
    // These two sit where the device's generation puts them.
    const HT_Device_Adapter adapter = m_driver.device_adapter();
    adapter.set_error_handler(*m_device, m_driver.error_handler());
    adapter.establish_configuration(*m_device, m_driver.definition_ref());
    m_device->establish();
}

void Plot_Session::route_output_to_page_file() {
    ht_set_setting(m_driver.definition(), "plot-to-file", page_file());
}

int Plot_Session::color_count() const {
    auto config = definition().get_plotter_configuration();
    auto rcm = config ? config->get_res_color_mem_configuration() : nullptr;
    auto entry = rcm ? rcm->get_current() : nullptr;
    return entry ? entry->color_count : 0;
}

} // namespace plot

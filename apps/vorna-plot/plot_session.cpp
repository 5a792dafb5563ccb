#include "plot_session.h"

#include "ht_plot_config.h"
#include "settings_check.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace plot {
namespace {

namespace fs = std::filesystem;

using Create_Device = HT_Plotter_Device_Data* (*)();

// The live job folder, for a signal handler that must remove it at once.
char g_live_folder[4096] = {};

// Job folders are named vorna-plot-<pid>-XXXXXX. One whose process is gone
// (killed, or the machine stopped) is removed by the next plot of its user.
void remove_stale_folders(const std::string& base) {
    std::error_code ec;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        static const std::string prefix = "vorna-plot-";
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::size_t dash = name.find('-', prefix.size());
        if (dash == std::string::npos || dash == prefix.size())
            continue;
        const std::string digits = name.substr(prefix.size(), dash - prefix.size());
        if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9)
            continue;
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
            st.st_uid != ::getuid())
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(digits));
        if (pid <= 0 || ::kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        std::error_code ignored;
        fs::remove_all(it->path(), ignored);
    }
}

} // namespace

Temp_Folder::Temp_Folder() {
    const char* base_env = std::getenv("TMPDIR");
    const std::string base = base_env && *base_env ? base_env : "/tmp";
    remove_stale_folders(base);
    std::string pattern = base + "/vorna-plot-" + std::to_string(::getpid()) + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw App_Error("cannot create a temporary folder in " + base + ": " +
                        std::strerror(errno));
    m_path = pattern;
    if (m_path.size() < sizeof g_live_folder)
        std::memcpy(g_live_folder, m_path.c_str(), m_path.size() + 1);
}

Temp_Folder::~Temp_Folder() {
    g_live_folder[0] = '\0';
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

void remove_live_temp_folder() noexcept {
    // Only calls that are safe in a signal handler: the folder holds files
    // only, so one pass of unlinkat and an rmdir remove it.
    if (!g_live_folder[0])
        return;
    const int dir = ::open(g_live_folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        alignas(8) char buffer[4096];
        for (;;) {
            const long n = ::syscall(SYS_getdents64, dir, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (long at = 0; at < n;) {
                struct Entry {
                    std::uint64_t ino;
                    std::int64_t off;
                    unsigned short reclen;
                    unsigned char type;
                    char name[1];
                };
                const auto* e = reinterpret_cast<const Entry*>(buffer + at);
                const bool dots = e->name[0] == '.' &&
                                  (e->name[1] == '\0' || (e->name[1] == '.' && e->name[2] == '\0'));
                if (!dots)
                    (void)::unlinkat(dir, e->name, 0);
                at += e->reclen;
            }
        }
        ::close(dir);
    }
    (void)::rmdir(g_live_folder);
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

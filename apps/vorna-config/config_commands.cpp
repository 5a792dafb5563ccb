#include "config_commands.h"

#include "color_system_name.h"
#include "driver_session.h"
#include "ht_plot_config.h"
#include "plat_file.h"
#include "settings_check.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <nlohmann/json.hpp>

namespace {
using json = nlohmann::json;

json bounds_json(const HT_Media_Bounds& b) {
    return {{"x_min", b.x_min}, {"x_max", b.x_max}, {"y_min", b.y_min}, {"y_max", b.y_max}};
}

json describe_driver(const Driver_Session& session) {
    const HT_Plotter_Definition& def = session.definition();
    json out;
    auto meta = def.get_meta_capabilities();
    if (meta) {
        out["driver_path"] = meta->driver_path.str();
        out["version"] = meta->version.str();
        out["description"] = meta->description.str();
        if (auto model = meta->get_model()) {
            out["locale"] = model->locale.str();
            out["os_version"] = model->os_version.str();
            out["model"] = {{"descriptor", model->descriptor.str()}, {"info", model->info.str()}};
        }
        if (auto family = meta->get_family())
            out["family"] = {{"descriptor", family->descriptor.str()},
                             {"info", family->info.str()}};
    }
    auto caps = def.get_plotter_capabilities();
    auto media = caps ? caps->get_media_capabilities() : nullptr;
    json sources = json::array();
    json types = json::array();
    if (media) {
        for (const auto& src : *media->sources) {
            json sizes = json::array();
            for (const auto& size : *src->sizes)
                sizes.push_back({{"name", size->name.str()},
                                 {"paper_mm", bounds_json(size->bounds)},
                                 {"printable_mm", bounds_json(size->printable)},
                                 {"units", size->units}});
            sources.push_back({{"name", src->name.str()},
                               {"description", src->description.str()},
                               {"sizes", sizes}});
        }
        for (const auto& t : *media->media_types)
            types.push_back(t->name.str());
    }
    out["media_sources"] = sources;
    out["media_types"] = types;
    json entries = json::array();
    if (auto rcm = caps ? caps->get_res_color_mem_capabilities() : nullptr) {
        int index = 0;
        for (const auto& e : *rcm->entries)
            entries.push_back(
                {{"index", index++},
                 {"resolution", {e->x_resolution, e->y_resolution}},
                 {"color_system", e->color_system},
                 {"color_system_name", color_system_name(e->color_system, e->color_count)},
                 {"color_depth", e->color_depth},
                 {"color_count", e->color_count},
                 {"description", e->description.str()}});
    }
    out["res_color_mem"] = entries;
    return out;
}

void print_info(const json& d) {
    std::printf("Driver       %s\n", d.value("driver_path", "").c_str());
    std::printf("Version      %s\n", d.value("version", "").c_str());
    std::printf("Description  \"%s\"\n", d.value("description", "").c_str());
    std::printf("Locale       %s\n", d.value("locale", "").c_str());
    std::printf("OS version   %s\n", d.value("os_version", "").c_str());
    if (d.contains("family"))
        std::printf("Family       %s (%s)\n", d["family"].value("descriptor", "").c_str(),
                    d["family"].value("info", "").c_str());
    if (d.contains("model"))
        std::printf("Model        %s (%s)\n", d["model"].value("descriptor", "").c_str(),
                    d["model"].value("info", "").c_str());
    std::printf("\nMedia sources\n");
    for (const auto& src : d["media_sources"]) {
        std::printf("  %s  %s, %zu sizes\n", src["name"].get<std::string>().c_str(),
                    src["description"].get<std::string>().c_str(), src["sizes"].size());
        for (const auto& s : src["sizes"]) {
            const auto& p = s["paper_mm"];
            const auto& a = s["printable_mm"];
            std::printf(
                "    %-34s paper %7.2f x %7.2f mm   printable %7.2f,%7.2f to %7.2f,%7.2f mm\n",
                s["name"].get<std::string>().c_str(),
                p["x_max"].get<double>() - p["x_min"].get<double>(),
                p["y_max"].get<double>() - p["y_min"].get<double>(), a["x_min"].get<double>(),
                a["y_min"].get<double>(), a["x_max"].get<double>(), a["y_max"].get<double>());
        }
    }
    std::printf("\nMedia types\n");
    for (const auto& t : d["media_types"])
        std::printf("  %s\n", t.get<std::string>().c_str());
    std::printf("\nResolution, colour and memory\n");
    for (const auto& e : d["res_color_mem"])
        std::printf("  %d  %d x %d dpi  %-20s %2d bits  colour count %d\n", e["index"].get<int>(),
                    e["resolution"][0].get<int>(), e["resolution"][1].get<int>(),
                    e["color_system_name"].get<std::string>().c_str(), e["color_depth"].get<int>(),
                    e["color_count"].get<int>());
}

// The Qt back end, loaded from beside this program only when a dialog is to
// be shown, so that the other commands run where Qt is not installed. While
// it lives, message boxes and dialogs are real windows.
class Qt_Back_End {
public:
    Qt_Back_End() {
        const std::string exe = plat::main_executable_path();
        const std::string path = exe.substr(0, exe.rfind('/') + 1) + "libvorna_qt.so";
        m_library = plat::load_library(path.c_str());
        if (!m_library)
            throw App_Error("the window back end cannot be loaded: " + plat::library_error(), 2);
        using Open = void* (*)(char*, unsigned long);
        auto open = reinterpret_cast<Open>(plat::find_symbol(m_library, "vorna_qt_open"));
        m_close = reinterpret_cast<void (*)(void*)>(plat::find_symbol(m_library, "vorna_qt_close"));
        char why[256] = "";
        m_session = open && m_close ? open(why, sizeof why) : nullptr;
        if (!m_session) {
            plat::free_library(m_library);
            throw App_Error(std::string("no window can be shown: ") +
                                (*why ? why : path + " is not the window back end"),
                            2);
        }
    }
    ~Qt_Back_End() {
        m_close(m_session);
        // Qt keeps threads and handlers of its own: it stays mapped until exit.
    }
    Qt_Back_End(const Qt_Back_End&) = delete;
    Qt_Back_End& operator=(const Qt_Back_End&) = delete;

private:
    plat::Library m_library = nullptr;
    void (*m_close)(void*) = nullptr;
    void* m_session = nullptr;
};

void load_into(Driver_Session& session, const std::string& file) {
    try {
        ht_load_configuration(session.definition(), file);
    } catch (const HT_Config_Error& e) {
        throw App_Error(e.what(), 2);
    }
    check_custom_values(session, file);
}

void save(const Driver_Session& session, const std::string& file, bool lock_held = false,
          const json& kept = json()) {
    try {
        // Never write what the programs could not read back.
        ht_configuration_from_json(session.definition(),
                                   ht_configuration_to_json(session.definition()), file);
        if (file == "-")
            std::fputs((ht_configuration_to_json(session.definition()).dump(2) + "\n").c_str(),
                       stdout);
        else
            ht_save_configuration(session.definition(), file, lock_held, kept);
    } catch (const HT_Config_Error& e) {
        throw App_Error(e.what(), 1);
    }
}
} // namespace

int command_info(const Config_Options& opts) {
    if (!opts.args.empty())
        throw App_Error("info takes no arguments", 2);
    Driver_Session session(opts.driver);
    const json d = describe_driver(session);
    if (opts.json)
        std::printf("%s\n", d.dump(2).c_str());
    else
        print_info(d);
    return 0;
}

int command_init(const Config_Options& opts) {
    if (opts.output.empty() || !opts.args.empty())
        throw App_Error("init needs -o FILE and nothing else", 2);
    Driver_Session session(opts.driver);
    ht_default_configuration(session.definition());
    // "-" is standard output, as for other tools.
    save(session, opts.output);
    return 0;
}

int command_get(const Config_Options& opts) {
    if (opts.args.empty())
        throw App_Error("get needs a configuration FILE", 2);
    Driver_Session session(opts.driver);
    load_into(session, opts.args[0]);
    if (opts.args.size() == 1) {
        std::printf("%s\n", ht_configuration_to_json(session.definition()).dump(2).c_str());
        return 0;
    }
    for (std::size_t i = 1; i < opts.args.size(); ++i) {
        try {
            std::printf("%s=%s\n", opts.args[i].c_str(),
                        ht_get_setting(session.definition(), opts.args[i]).c_str());
        } catch (const HT_Config_Error& e) {
            throw App_Error(opts.args[0] + ": " + e.what(), 2);
        }
    }
    return 0;
}

int command_set(const Config_Options& opts) {
    if (opts.args.size() < 2)
        throw App_Error("set needs a configuration FILE and NAME=VALUE", 2);
    Driver_Session session(opts.driver);
    const std::string& file = opts.args[0];
    // Held from reading to replacing: a concurrent set waits, then reads this
    // one's result, so no change is lost.
    const plat::File_Lock lock(file);
    load_into(session, file);
    // Every change is checked before the file is touched: all or nothing.
    for (std::size_t i = 1; i < opts.args.size(); ++i) {
        try {
            apply_setting(session, opts.args[i]);
        } catch (const App_Error& e) {
            throw App_Error(file + ": " + e.what() + "; nothing was changed", e.status());
        }
    }
    save(session, file, lock.held(), ht_kept_members(file));
    return 0;
}

int command_edit(const Config_Options& opts) {
    if (opts.args.size() != 1)
        throw App_Error("edit needs a configuration FILE", 2);
    // The dialog waits for a person: on a platform that shows nothing it
    // would wait for ever.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const std::string qpa = platform ? platform : "";
    if (qpa.rfind("offscreen", 0) == 0 || qpa.rfind("minimal", 0) == 0)
        throw App_Error(
            "edit shows the Custom Properties dialog to a person; QT_QPA_PLATFORM=" + qpa +
                " shows nothing. Without a display use vorna-config set, options "
                "and paper",
            2);
    const char* display_vars[] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    if (std::none_of(std::begin(display_vars), std::end(display_vars), [](const char* name) {
            const char* v = std::getenv(name);
            return v && *v;
        }))
        throw App_Error("edit shows the Custom Properties dialog and needs a display (DISPLAY "
                        "or WAYLAND_DISPLAY). Without a display use vorna-config set, options "
                        "and paper",
                        2);
    Qt_Back_End windows;
    Driver_Session session(opts.driver);
    load_into(session, opts.args[0]);
    if (!session.definition().CustomConfigure(nullptr)) {
        std::fprintf(stderr, "vorna-config: dialog cancelled; %s unchanged\n",
                     opts.args[0].c_str());
        return 1;
    }
    save(session, opts.args[0], false, ht_kept_members(opts.args[0]));
    return 0;
}

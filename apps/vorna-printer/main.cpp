// vorna-printer: the TARV as an IPP Everywhere printer. Any program that
// prints through CUPS (or any IPP client) reaches the printer through the
// driver; PAPPL provides the IPP server, the web interface and the command
// line.
#include "driver_session.h"
#include "pdf_filter.h"
#include "plat_module.h"
#include "printer_caps.h"
#include "printer_job.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using printer::Driver_Caps;

constexpr const char* app_name = "vorna-printer";
constexpr const char* default_printer_name = "tarv";

// Kept for the life of the program: PAPPL holds the pointers.
std::vector<pappl_pr_driver_t> g_driver_list;
std::string g_state_file;

// Labels of the TARV's settings in the web interface.
constexpr const char* english_strings = R"strings("tarv-ink-set" = "Ink set";
"tarv-ink-set.high-speed-4-color" = "High-speed 4-colour";
"tarv-ink-set.photo-7-color" = "Photo 7-colour";
"tarv-ink-density" = "Ink density (%)";
"tarv-drying-time" = "Drying time per pass (0.1 s)";
"tarv-feed-offset" = "Paper feed adjustment (0.01 %)";
"tarv-paper-thickness" = "Paper thickness (0.1 mm)";
"tarv-suction" = "Paper suction step";
"tarv-platen-gap" = "Platen gap";
"tarv-platen-gap.auto" = "Auto";
"tarv-platen-gap.wider" = "Wider";
"tarv-platen-gap.wide" = "Wide";
"tarv-platen-gap.standard" = "Standard";
"tarv-platen-gap.narrow" = "Narrow";
"tarv-eject-roller" = "Eject roller";
"tarv-eject-roller.auto" = "Auto";
"tarv-eject-roller.starwheel-sheet" = "Starwheel, sheet";
"tarv-eject-roller.starwheel-roll-curled" = "Starwheel, curled roll";
"tarv-eject-roller.no-roller-roll-normal" = "No roller, normal roll";
"tarv-cut-method" = "Cutting";
"tarv-cut-method.standard" = "Standard";
"tarv-cut-method.thin-paper" = "Thin paper";
"tarv-cut-method.thick-paper-fast" = "Thick paper, fast";
"tarv-cut-method.thick-paper-slow" = "Thick paper, slow";
"tarv-gamma" = "Gamma";
"tarv-gamma.gamma-1.5" = "1.5";
"tarv-gamma.gamma-1.8" = "1.8";
"tarv-gamma.gamma-2.2" = "2.2";
"tarv-two-way-printing" = "Two-way printing";
"tarv-color-correction" = "Colour correction";
"tarv-color-correction.photo-realistic" = "Photo-realistic";
"tarv-color-correction.vivid" = "Vivid";
"main-roll" = "Roll paper";
"alternate-roll" = "Roll paper without margins";
"tarv-plain-line-drawing" = "Plain paper (line drawing)";
"tarv-tracing-paper" = "Tracing paper";
"tarv-heavy-matte" = "Heavy matte paper";
"tarv-light-matte" = "Light matte paper";
"tarv-photo-semi-matte" = "Photo paper semimatte (250)";
)strings";

// The labels join the web interface's English strings. PAPPL 1.3 also lists
// a strings file as a printer-strings-languages-supported value, twice over
// once a client has asked for the attributes of a document format, which
// IPP clients reject: the file is not offered, only its labels are kept.
void add_labels(pappl_system_t* system) {
    papplSystemAddStringsData(system, "/vorna-printer-en.strings", "en", english_strings);
    papplSystemRemoveResource(system, "/vorna-printer-en.strings");
}

const char* option(const char* name, int num_options, cups_option_t* options) {
    return cupsGetOption(name, num_options, options);
}

std::string default_spool_directory() {
    if (const char* home = std::getenv("HOME"); home && *home) {
        const std::string config = std::string(home) + "/.config";
        if (::mkdir(config.c_str(), 0700) == 0 || errno == EEXIST)
            return config + "/" + app_name + ".d";
    }
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/" + app_name + "-" +
           std::to_string(::getuid()) + ".d";
}

bool save_state(pappl_system_t* system, void* data) {
    return papplSystemSaveState(system, static_cast<const char*>(data));
}

// The printer has a display only on the device; the request is logged.
void identify(pappl_printer_t* printer, pappl_identify_actions_t, const char* message) {
    papplLogPrinter(printer, PAPPL_LOGLEVEL_INFO, "Identify-Printer: %s",
                    message ? message : "(no message)");
}

// The inks the TARV holds, as printer-supply values.
void set_supplies(pappl_printer_t* printer) {
    static const char* const names[] = {"Black ink", "Cyan ink", "Magenta ink", "Yellow ink"};
    static const pappl_supply_color_t colors[] = {PAPPL_SUPPLY_COLOR_BLACK, PAPPL_SUPPLY_COLOR_CYAN,
                                                  PAPPL_SUPPLY_COLOR_MAGENTA,
                                                  PAPPL_SUPPLY_COLOR_YELLOW};
    pappl_supply_t supplies[4] = {};
    for (int i = 0; i < 4; ++i) {
        std::snprintf(supplies[i].description, sizeof supplies[i].description, "%s", names[i]);
        supplies[i].color = colors[i];
        supplies[i].is_consumed = true;
        supplies[i].level = -1; // the printer does not report its levels
        supplies[i].type = PAPPL_SUPPLY_TYPE_INK;
    }
    papplPrinterSetSupplies(printer, 4, supplies);
}

void printer_created(pappl_printer_t* printer, void*) {
    set_supplies(printer);
}

void set_supplies_of(pappl_printer_t* printer, void*) {
    set_supplies(printer);
}

// PAPPL keeps the pointers of the driver data's strings for the life of the
// program; the callback runs on any client's thread.
const char* kept_string(const std::string& text) {
    static std::mutex mutex;
    static std::set<std::string> kept;
    std::lock_guard<std::mutex> lock(mutex);
    return kept.insert(text).first->c_str();
}

// The job callbacks and what every TARV printer has in common.
void set_common_data(const Driver_Caps& caps, pappl_pr_driver_data_t* data) {
    data->printfile_cb = printer::job_print_raw;
    data->rstartjob_cb = printer::job_start;
    data->rstartpage_cb = printer::job_start_page;
    data->rwriteline_cb = printer::job_write_line;
    data->rendpage_cb = printer::job_end_page;
    data->rendjob_cb = printer::job_end;
    data->format = "application/vnd.vorna-tarv";
    std::snprintf(data->make_and_model, sizeof data->make_and_model, "%s",
                  caps.make_and_model.c_str());
    data->ppm = 1;
    data->ppm_color = 1;
    data->kind = PAPPL_KIND_DOCUMENT | PAPPL_KIND_PHOTO | PAPPL_KIND_LARGE_FORMAT | PAPPL_KIND_ROLL;
    data->color_supported = PAPPL_COLOR_MODE_AUTO | PAPPL_COLOR_MODE_COLOR |
                            PAPPL_COLOR_MODE_MONOCHROME | PAPPL_COLOR_MODE_BI_LEVEL;
    data->color_default = PAPPL_COLOR_MODE_COLOR;
    data->content_default = PAPPL_CONTENT_AUTO;
    data->quality_default = IPP_QUALITY_NORMAL;
    data->scaling_default = PAPPL_SCALING_AUTO;
    data->raster_types = PAPPL_PWG_RASTER_TYPE_SRGB_8 | PAPPL_PWG_RASTER_TYPE_SGRAY_8 |
                         PAPPL_PWG_RASTER_TYPE_BLACK_1 | PAPPL_PWG_RASTER_TYPE_BLACK_8;
    data->force_raster_type = PAPPL_PWG_RASTER_TYPE_NONE;
    data->duplex = PAPPL_DUPLEX_NONE;
    data->sides_supported = PAPPL_SIDES_ONE_SIDED;
    data->sides_default = PAPPL_SIDES_ONE_SIDED;
    data->finishings = PAPPL_FINISHINGS_NONE;
    data->orient_default = IPP_ORIENT_PORTRAIT;
    data->identify_cb = identify;
    data->identify_supported = PAPPL_IDENTIFY_ACTIONS_DISPLAY;
    data->identify_default = PAPPL_IDENTIFY_ACTIONS_DISPLAY;
    data->has_supplies = true;

    data->num_resolution = 0;
    for (int dpi : caps.resolutions) {
        if (data->num_resolution >= PAPPL_MAX_RESOLUTION)
            break;
        data->x_resolution[data->num_resolution] = dpi;
        data->y_resolution[data->num_resolution] = dpi;
        ++data->num_resolution;
    }
    data->x_default = data->y_default = caps.resolutions.front();
}

// Media: every standard size of any source, and the user-defined range.
// The margins are the roll's; the roll without margins prints to the edge.
void set_media_sizes(const Driver_Caps& caps, pappl_pr_driver_data_t* data) {
    data->borderless = false;
    data->left_right = 296;
    data->bottom_top = 296;
    std::vector<std::string> names;
    for (const auto& s : caps.sources) {
        if (s.borderless)
            data->borderless = true;
        for (const auto& m : s.sizes)
            if (std::find(names.begin(), names.end(), m.pwg) == names.end())
                names.push_back(m.pwg);
    }
    char custom[2][128];
    pwgFormatSizeName(custom[0], sizeof custom[0], "custom", "min", caps.custom_min_width,
                      caps.custom_min_length, nullptr);
    pwgFormatSizeName(custom[1], sizeof custom[1], "custom", "max", caps.custom_max_width,
                      caps.custom_max_length, nullptr);
    names.push_back(custom[0]);
    names.push_back(custom[1]);
    data->num_media = 0;
    for (const auto& n : names) {
        if (data->num_media >= PAPPL_MAX_MEDIA)
            break;
        data->media[data->num_media++] = kept_string(n);
    }
    data->num_type = 0;
    for (const auto& t : caps.media_types) {
        if (data->num_type >= PAPPL_MAX_TYPE)
            break;
        data->type[data->num_type++] = t.c_str();
    }
}

// The sources, each loaded with A4 (or its first size) of the default paper.
void set_media_sources(const Driver_Caps& caps, pappl_pr_driver_data_t* data) {
    data->num_source = 0;
    for (const auto& s : caps.sources) {
        if (data->num_source >= PAPPL_MAX_SOURCE)
            break;
        const int i = data->num_source++;
        data->source[i] = s.keyword.c_str();
        pappl_media_col_t& ready = data->media_ready[i];
        ready = {};
        const printer::Media_Size* a4 = nullptr;
        for (const auto& m : s.sizes)
            if (m.pwg == "iso_a4_210x297mm")
                a4 = &m;
        const printer::Media_Size* size = a4 ? a4 : (s.sizes.empty() ? nullptr : &s.sizes[0]);
        const pwg_media_t* pwg = pwgMediaForPWG(size ? size->pwg.c_str() : "iso_a4_210x297mm");
        std::snprintf(ready.size_name, sizeof ready.size_name, "%s", pwg->pwg);
        ready.size_width = pwg->width;
        ready.size_length = pwg->length;
        const int margin = s.borderless ? 0 : 296;
        ready.left_margin = ready.right_margin = margin;
        ready.top_margin = ready.bottom_margin = margin;
        std::snprintf(ready.source, sizeof ready.source, "%s", s.keyword.c_str());
        const std::string& type =
            caps.media_types.empty()
                ? std::string("stationery")
                : caps.media_types[std::size_t(std::clamp<int>(caps.paper_kind_default, 0,
                                                               int(caps.media_types.size()) - 1))];
        std::snprintf(ready.type, sizeof ready.type, "%s", type.c_str());
    }
    data->media_default = data->media_ready[0];
}

// What IPP Everywhere clients look for beyond PAPPL's own attributes, and the
// TARV's own settings with their values and defaults.
ipp_t* driver_attributes(const Driver_Caps& caps, pappl_pr_driver_data_t* data) {
    ipp_t* attrs = ippNew();
    static const char* const no_overrides[] = {"document-number", "pages"};
    ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "overrides-supported", 2, nullptr,
                  no_overrides);
    ippAddBoolean(attrs, IPP_TAG_PRINTER, "preferred-attributes-supported", 0);
    static const char* const intents[] = {"auto", "perceptual", "relative"};
    ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "print-rendering-intent-supported", 3,
                  nullptr, intents);
    ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "print-rendering-intent-default", nullptr,
                 "auto");
    ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "pwg-raster-document-sheet-back", nullptr,
                 "normal");

    data->num_vendor = 0;
    for (const auto& v : caps.vendor) {
        if (data->num_vendor >= PAPPL_MAX_VENDOR)
            break;
        data->vendor[data->num_vendor++] = v.attribute.c_str();
        const std::string supported = v.attribute + "-supported";
        const std::string def = v.attribute + "-default";
        if (v.boolean) {
            ippAddBoolean(attrs, IPP_TAG_PRINTER, supported.c_str(), 1);
            ippAddBoolean(attrs, IPP_TAG_PRINTER, def.c_str(), v.default_value != 0);
        } else if (!v.keywords.empty()) {
            std::vector<const char*> words;
            for (const auto& k : v.keywords)
                words.push_back(k.c_str());
            ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, supported.c_str(),
                          static_cast<int>(words.size()), nullptr, words.data());
            ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, def.c_str(), nullptr,
                         v.keywords[std::size_t(v.default_value)].c_str());
        } else {
            ippAddRange(attrs, IPP_TAG_PRINTER, supported.c_str(), v.min, v.max);
            ippAddInteger(attrs, IPP_TAG_PRINTER, IPP_TAG_INTEGER, def.c_str(), v.default_value);
        }
    }
    return attrs;
}

// The driver's capabilities as PAPPL's printer driver data.
bool driver_callback(pappl_system_t*, const char* driver_name, const char*, const char*,
                     pappl_pr_driver_data_t* data, ipp_t** attrs, void*) {
    const Driver_Caps* caps = printer::find_driver(driver_name ? driver_name : "");
    if (!caps)
        return false;
    set_common_data(*caps, data);
    set_media_sizes(*caps, data);
    set_media_sources(*caps, data);
    *attrs = driver_attributes(*caps, data);
    return true;
}

// The English build when there is one, else the first.
const Driver_Caps* preferred_driver() {
    const auto& all = printer::installed_drivers();
    for (const auto& d : all)
        if (d.name.find("_en_") != std::string::npos)
            return &d;
    return all.empty() ? nullptr : &all.front();
}

// Jobs that were cut short by a kill leave their working folders behind;
// they are of no use to anyone after a restart.
void remove_stale_work(const std::string& folder) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.path().filename().string().rfind("vorna-plot-", 0) == 0)
            fs::remove_all(e.path(), ec);
}

pappl_loglevel_t log_level(int num_options, cups_option_t* options) {
    const char* v = option("log-level", num_options, options);
    const std::string l = v ? v : "";
    return l == "fatal"   ? PAPPL_LOGLEVEL_FATAL
           : l == "error" ? PAPPL_LOGLEVEL_ERROR
           : l == "info"  ? PAPPL_LOGLEVEL_INFO
           : l == "debug" ? PAPPL_LOGLEVEL_DEBUG
                          : PAPPL_LOGLEVEL_WARN;
}

// The port of `server-port`, 0 when none is given; -1 for a bad value.
int server_port(int num_options, cups_option_t* options) {
    const char* v = option("server-port", num_options, options);
    if (!v)
        return 0;
    char* end = nullptr;
    const long p = std::strtol(v, &end, 10);
    if (!end || *end || p < 0 || p > 65535) {
        std::fprintf(stderr, "%s: bad server-port \"%s\"\n", app_name, v);
        return -1;
    }
    return static_cast<int>(p);
}

// The spool directory, with the driver's working folders (page images,
// printer data of a page) beside it so that a restart can clear what a kill
// left; empty when it cannot be made.
std::string prepare_spool(int num_options, cups_option_t* options) {
    const char* spool_option = option("spool-directory", num_options, options);
    const std::string spool = spool_option ? spool_option : default_spool_directory();
    std::error_code ec;
    fs::create_directories(spool, ec);
    if (!fs::is_directory(spool, ec)) {
        std::fprintf(stderr, "%s: cannot create the spool directory %s\n", app_name, spool.c_str());
        return {};
    }
    const std::string work = spool + "/work";
    fs::create_directories(work, ec);
    remove_stale_work(work);
    ::setenv("TMPDIR", work.c_str(), 1);
    return spool;
}

// A first start: one printer with the English driver, printing into a folder
// of the spool directory.
void add_default_printer(pappl_system_t* system, const std::string& spool) {
    papplSystemSetDNSSDName(system, "TARV");
    const Driver_Caps* d = preferred_driver();
    if (!d)
        return;
    const std::string out = spool + "/output";
    std::error_code ec;
    fs::create_directories(out, ec);
    const std::string uri = "file://" + out + "/";
    pappl_printer_t* p = papplPrinterCreate(system, 0, default_printer_name, d->name.c_str(),
                                            "MFG:VORNA;MDL:TARV;", uri.c_str());
    if (p) {
        set_supplies(p);
        papplSystemSetDefaultPrinterID(system, papplPrinterGetID(p));
    }
}

pappl_system_t* system_callback(int num_options, cups_option_t* options, void*) {
    const int port = server_port(num_options, options);
    const std::string spool = port < 0 ? std::string() : prepare_spool(num_options, options);
    if (spool.empty())
        return nullptr;

    pappl_soptions_t soptions =
        PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE | PAPPL_SOPTIONS_WEB_LOG;
    if (const char* v = option("server-options", num_options, options)) {
        const std::string s = v;
        if (s.find("no-tls") != std::string::npos)
            soptions |= PAPPL_SOPTIONS_NO_TLS;
        if (s.find("web-remote") != std::string::npos)
            soptions |= PAPPL_SOPTIONS_WEB_REMOTE;
    }
    pappl_system_t* system =
        papplSystemCreate(soptions, app_name, port, "_print,_universal", spool.c_str(),
                          option("log-file", num_options, options), log_level(num_options, options),
                          option("auth-service", num_options, options), false);
    if (!system)
        return nullptr;
    if (const char* host = option("server-hostname", num_options, options))
        papplSystemSetHostName(system, host);
    if (!option("private-server", num_options, options))
        papplSystemAddListeners(system, option("listen-hostname", num_options, options));

    papplSystemSetPrinterDrivers(system, static_cast<int>(g_driver_list.size()),
                                 g_driver_list.data(), nullptr, printer_created, driver_callback,
                                 nullptr);
    papplSystemAddMIMEFilter(system, "application/pdf", "image/pwg-raster", printer::print_pdf,
                             nullptr);
    papplSystemSetFooterHTML(system, "TARV wide-format printer application");

    static const pappl_version_t versions[] = {{"vorna-printer", "", "1.0", {1, 0, 0, 0}}};
    papplSystemSetVersions(system, 1, const_cast<pappl_version_t*>(versions));

    g_state_file = spool + "/" + app_name + ".state";
    papplSystemSetSaveCallback(system, save_state, g_state_file.data());
    if (papplSystemLoadState(system, g_state_file.c_str()))
        papplSystemIteratePrinters(system, set_supplies_of, nullptr);
    else
        add_default_printer(system, spool);
    add_labels(system);
    return system;
}

} // namespace

int main(int argc, char** argv) {
    // One printer driver per driver build beside the program.
    const fs::path folder = fs::path(plat::main_executable_path()).parent_path();
    std::vector<Driver_Caps> drivers;
    for (const auto& path : printer::find_driver_builds(folder.string())) {
        try {
            drivers.push_back(printer::read_driver_caps(path));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: skipping %s: %s\n", app_name, path.c_str(), e.what());
        }
    }
    if (drivers.empty()) {
        std::fprintf(stderr, "%s: no driver found in %s (looked for *.hdi)\n", app_name,
                     folder.c_str());
        return 1;
    }
    printer::set_installed_drivers(std::move(drivers));
    for (const auto& d : printer::installed_drivers())
        g_driver_list.push_back(
            {d.name.c_str(), d.description.c_str(), "MFG:VORNA;MDL:TARV;", nullptr});

    return papplMainloop(argc, argv, "1.0", nullptr, static_cast<int>(g_driver_list.size()),
                         g_driver_list.data(), nullptr, driver_callback, nullptr, nullptr,
                         system_callback, nullptr, nullptr);
}

#include "printer_caps.h"

#include "driver_session.h"
#include "ht_plot_config.h"

#include <algorithm>
#include <cmath>
#include <cups/cups.h>
#include <filesystem>

namespace printer {
namespace {

namespace fs = std::filesystem;

// IPP keywords of the media sources, by the driver's source name.
struct Source_Name {
    const char* driver;
    const char* keyword;
    bool borderless;
};
constexpr Source_Name source_names[] = {
    {"P0", "main-roll", false},
    {"P1", "alternate-roll", true},
    {"P2", "manual", false},
    {"P3", "tray-1", false},
};

// The standard sizes the printer's tables hold; a driver size within 3 mm of
// one of them (either way round) carries its name.
constexpr const char* standard_sizes[] = {
    "na_letter_8.5x11in", "iso_a4_210x297mm", "iso_a3_297x420mm", "iso_a2_420x594mm",
    "na_ledger_11x17in",  "na_c_17x22in",     "na_arch-a_9x12in", "na_arch-b_12x18in",
};
constexpr int size_tolerance = 300; // hundredths of a millimetre

int hundredths(float mm) {
    return static_cast<int>(std::lround(static_cast<double>(mm) * 100.0));
}

// Standard name of a portrait paper of this size; empty when none is near.
std::string standard_name(int width, int length) {
    for (const char* name : standard_sizes) {
        const pwg_media_t* m = pwgMediaForPWG(name);
        if (m && std::abs(m->width - width) <= size_tolerance &&
            std::abs(m->length - length) <= size_tolerance)
            return name;
    }
    return {};
}

std::string setting(const HT_Plotter_Definition& def, const std::string& key, int fallback) {
    try {
        const std::string v = ht_get_setting(def, key);
        return v.empty() ? std::to_string(fallback) : v;
    } catch (const std::exception&) {
        return std::to_string(fallback);
    }
}

int int_setting(const HT_Plotter_Definition& def, const std::string& key, int fallback) {
    const std::string v = setting(def, key, fallback);
    if (v == "true")
        return 1;
    if (v == "false")
        return 0;
    char* end = nullptr;
    const long n = std::strtol(v.c_str(), &end, 10);
    return end && *end == '\0' ? static_cast<int>(n) : fallback;
}

// The TARV's own settings as IPP attributes: one table, read by the
// capabilities, the job and the documentation alike.
std::vector<Vendor_Setting> vendor_table() {
    std::vector<Vendor_Setting> t;
    auto range = [&](const char* attr, const char* key, bool per_res, int lo, int hi) {
        Vendor_Setting s;
        s.attribute = attr;
        s.key = key;
        s.per_resolution = per_res;
        s.min = lo;
        s.max = hi;
        t.push_back(s);
    };
    auto words = [&](const char* attr, const char* key, bool per_res,
                     std::vector<std::string> keywords) {
        Vendor_Setting s;
        s.attribute = attr;
        s.key = key;
        s.per_resolution = per_res;
        s.keywords = std::move(keywords);
        s.max = static_cast<int>(s.keywords.size()) - 1;
        t.push_back(s);
    };
    words("tarv-ink-set", "CartrigeOpt", false, {"high-speed-4-color", "photo-7-color"});
    range("tarv-ink-density", "InkDensity", true, -50, 50);
    range("tarv-drying-time", "PathDelayTime", true, 0, 50);
    range("tarv-feed-offset", "FeedOffset", true, -70, 70);
    range("tarv-paper-thickness", "PaperThick", true, 1, 16);
    range("tarv-suction", "VacuumIndex", true, 0, 4);
    words("tarv-platen-gap", "PlatenGapMode", true,
          {"auto", "wider", "wide", "standard", "narrow"});
    words("tarv-eject-roller", "EjectRollerMode", true,
          {"auto", "starwheel-sheet", "starwheel-roll-curled", "no-roller-roll-normal"});
    words("tarv-cut-method", "CutAdjustMode", true,
          {"standard", "thin-paper", "thick-paper-fast", "thick-paper-slow"});
    words("tarv-gamma", "GammaMode", true, {"gamma-1.5", "gamma-1.8", "gamma-2.2"});
    Vendor_Setting two_way;
    two_way.attribute = "tarv-two-way-printing";
    two_way.key = "BothSideProcess";
    two_way.per_resolution = true;
    two_way.boolean = true;
    two_way.max = 1;
    t.push_back(two_way);
    words("tarv-color-correction", "ColorCorrectMode", false, {"photo-realistic", "vivid"});
    return t;
}

} // namespace

const std::vector<std::string>& media_type_keywords() {
    // Standard keywords where one fits the paper, our own otherwise.
    static const std::vector<std::string> k = {
        "stationery",
        "tarv-plain-line-drawing",
        "tarv-tracing-paper",
        "stationery-coated",
        "tarv-heavy-matte",
        "photographic-matte",
        "tarv-light-matte",
        "photographic-satin",
        "photographic-glossy",
        "photographic-semi-gloss",
        "tarv-photo-semi-matte",
    };
    return k;
}

std::vector<std::string> find_driver_builds(const std::string& folder) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.path().extension() == ".hdi" && e.is_regular_file(ec))
            out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

namespace {

// The standard sizes of each known source; answers the widest paper of any.
int read_sources(const HT_Media_Capabilities& media, Driver_Caps& caps) {
    int widest = 0;
    for (const auto& src : *media.sources) {
        const auto known =
            std::find_if(std::begin(source_names), std::end(source_names),
                         [&](const Source_Name& s) { return src->name.str() == s.driver; });
        if (known == std::end(source_names))
            continue;
        Media_Source out;
        out.driver = known->driver;
        out.keyword = known->keyword;
        out.borderless = known->borderless;
        out.description = src->description.str();
        for (const auto& size : *src->sizes) {
            if (size->units != 1)
                continue;
            const int w = hundredths(size->bounds.x_max - size->bounds.x_min);
            const int l = hundredths(size->bounds.y_max - size->bounds.y_min);
            if (w <= 0 || l <= 0)
                continue; // the user-defined row
            widest = std::max(widest, std::min(w, l));
            // Pages arrive portrait; a landscape size prints a portrait
            // page of the same paper only through the user-defined row.
            if (w > l)
                continue;
            const std::string pwg = standard_name(w, l);
            if (pwg.empty())
                continue;
            out.sizes.push_back({pwg, size->name.str(), w, l});
        }
        caps.sources.push_back(std::move(out));
    }
    for (const auto& t : *media.media_types)
        caps.media_type_names.push_back(t->name.str());
    const auto& keywords = media_type_keywords();
    for (std::size_t i = 0; i < caps.media_type_names.size(); ++i)
        caps.media_types.push_back(i < keywords.size() ? keywords[i]
                                                       : "tarv-paper-" + std::to_string(i));
    return widest;
}

void read_color_entries(const HT_ResColorMem_Capabilities& rcm, Driver_Caps& caps) {
    int index = 0;
    for (const auto& e : *rcm.entries) {
        if (e->x_resolution == e->y_resolution && e->x_resolution > 0) {
            caps.color_entries.push_back({index, e->x_resolution, e->color_system, e->color_count});
            if (std::find(caps.resolutions.begin(), caps.resolutions.end(), e->x_resolution) ==
                caps.resolutions.end())
                caps.resolutions.push_back(e->x_resolution);
        }
        ++index;
    }
    std::sort(caps.resolutions.begin(), caps.resolutions.end());
}

// The defaults of the driver's default configuration.
void read_defaults(const HT_Plotter_Definition& def, Driver_Caps& caps) {
    caps.ink_set_default = int_setting(def, "CartrigeOpt", 1) != 0 ? 1 : 0;
    caps.paper_kind_default =
        int_setting(def, caps.ink_set_default ? "PaperKindMode_7c" : "PaperKindMode_4c", 0);
    const std::string res_suffix = "_" + std::to_string(caps.resolutions.front());
    for (auto& v : vendor_table()) {
        const std::string key = v.per_resolution ? v.key + res_suffix : v.key;
        v.default_value = std::clamp(int_setting(def, key, v.min), v.min, v.max);
        caps.vendor.push_back(v);
    }
}

} // namespace

Driver_Caps read_driver_caps(const std::string& path) {
    Driver_Session session(path);
    HT_Plotter_Definition& def = session.definition();
    ht_default_configuration(def);

    Driver_Caps caps;
    caps.path = path;
    caps.name = fs::path(path).stem().string();
    std::string family = "VORNA", model = "TARV";
    if (auto meta = def.get_meta_capabilities()) {
        if (auto f = meta->get_family(); f && !f->descriptor.str().empty())
            family = f->descriptor.str();
        if (auto m = meta->get_model(); m && !m->descriptor.str().empty())
            model = m->descriptor.str();
    }
    caps.make_and_model = family + " " + model;
    caps.description = caps.make_and_model + " (" + caps.name + ")";

    auto pcaps = def.get_plotter_capabilities();
    auto media = pcaps ? pcaps->get_media_capabilities() : nullptr;
    const int widest = media ? read_sources(*media, caps) : 0;
    if (auto rcm = pcaps ? pcaps->get_res_color_mem_capabilities() : nullptr)
        read_color_entries(*rcm, caps);
    if (caps.sources.empty() || caps.resolutions.empty())
        throw App_Error(path + ": the driver offers no media or no resolution", 2);

    // A user-defined page: at least 1 inch, as wide as the widest paper, and
    // no longer than the renderer takes at the highest resolution.
    const int top_dpi = caps.resolutions.back();
    caps.custom_min_width = caps.custom_min_length = 2540;
    caps.custom_max_width = widest;
    caps.custom_max_length = static_cast<int>(
        std::floor(static_cast<double>(max_page_dots - 400) / top_dpi * 2540.0 / 100.0) * 100.0);
    read_defaults(def, caps);
    return caps;
}

} // namespace printer

#include "ht_plot_config.h"

#include "plat_file.h"

#include "ht_factory.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <sys/stat.h>

HT_Config_Error::~HT_Config_Error() = default;

namespace {
using json = nlohmann::json;

constexpr const char* format_name = "vorna-plot-configuration";
constexpr int format_version = 1;
constexpr int max_copies = 9999;

[[noreturn]] void refuse(const std::string& file, const std::string& key,
                         const std::string& reason) {
    throw HT_Config_Error((file.empty() ? "" : file + ": ") + key + ": " + reason);
}

struct Parts {
    HT_Smart_Pointer<HT_Plotter_Capabilities> caps;
    HT_Smart_Pointer<HT_Media_Capabilities> media_caps;
    HT_Smart_Pointer<HT_ResColorMem_Capabilities> rcm_caps;
    HT_Smart_Pointer<HT_Custom_Capabilities> custom_caps;
};

Parts parts_of(const HT_Plotter_Definition& def, const std::string& file) {
    Parts p;
    p.caps = def.get_plotter_capabilities();
    if (!p.caps)
        refuse(file, "capabilities", "the driver offers no capabilities");
    p.media_caps = p.caps->get_media_capabilities();
    p.rcm_caps = p.caps->get_res_color_mem_capabilities();
    p.custom_caps = p.caps->get_custom_capabilities();
    if (!p.media_caps || !p.rcm_caps || !p.custom_caps)
        refuse(file, "capabilities", "the driver's capabilities are incomplete");
    return p;
}

// A configuration copy with every sub-object present, to change and then install.
HT_Smart_Pointer<HT_Plotter_Configuration> working_copy(const HT_Plotter_Definition& def) {
    auto current = def.get_plotter_configuration();
    HT_Smart_Pointer<HT_Plotter_Configuration> config(current ? current->clone()
                                                              : new HT_Std_Plotter_Configuration);
    if (!config)
        throw HT_Config_Error("configuration: out of memory");
    if (!config->get_media_configuration())
        config->set_media_configuration(new HT_Media_Configuration);
    if (!config->get_io_configuration())
        config->set_io_configuration(new HT_Plotter_IO_Configuration);
    if (!config->get_res_color_mem_configuration())
        config->set_res_color_mem_configuration(new HT_ResColorMem_Configuration);
    if (!config->get_custom_configuration())
        config->set_custom_configuration(new HT_Custom_Configurations);
    return config;
}

bool is_capability_only(const std::string& key) {
    return key.rfind("RASTER_IE_", 0) == 0;
}

HT_Custom_Data* default_of(const HT_Custom_Capability& cap) {
    auto data = cap.get_data();
    return data ? data->clone() : nullptr;
}

json value_to_json(const HT_Named_Custom_Data& item) {
    std::int32_t l;
    bool b;
    double d;
    std::string s;
    if (item.get_long(l))
        return l;
    if (item.get_bool(b))
        return b;
    if (item.get_double(d))
        return d;
    if (item.get_text(s))
        return s;
    return nullptr;
}

// A custom value of the kind the capability has, from JSON.
HT_Custom_Data* value_from_json(const HT_Custom_Capability& cap, const json& v,
                                const std::string& file, const std::string& key) {
    auto data = cap.get_data();
    switch (data ? data->kind() : HT_Custom_Data_Kind::Raw) {
    case HT_Custom_Data_Kind::Long:
        if (!v.is_number_integer())
            refuse(file, key, "expected an integer");
        if (v.is_number_unsigned()
                ? v.get<std::uint64_t>() > std::numeric_limits<std::int32_t>::max()
                : (v.get<std::int64_t>() < std::numeric_limits<std::int32_t>::min() ||
                   v.get<std::int64_t>() > std::numeric_limits<std::int32_t>::max()))
            refuse(file, key, "value out of the range of a 32-bit integer");
        return new HT_Std_Long_Custom_Data(static_cast<std::int32_t>(v.get<std::int64_t>()));
    case HT_Custom_Data_Kind::Boolean:
        if (!v.is_boolean())
            refuse(file, key, "expected true or false");
        return new HT_Std_Boolean_Custom_Data(v.get<bool>());
    case HT_Custom_Data_Kind::Double:
        if (!v.is_number() || !std::isfinite(v.get<double>()))
            refuse(file, key, "expected a number");
        return new HT_Std_Double_Custom_Data(v.get<double>());
    case HT_Custom_Data_Kind::String:
        if (!v.is_string())
            refuse(file, key, "expected a text");
        return new HT_Std_String_Custom_Data(HT_String(v.get<std::string>()));
    case HT_Custom_Data_Kind::Raw:
        break;
    }
    refuse(file, key, "the driver offers this key without a value kind");
}

HT_Media_Bounds bounds_from_json(const json& v, const std::string& file, const std::string& key) {
    if (!v.is_array() || v.size() != 4)
        refuse(file, key, "expected four numbers [x_min, x_max, y_min, y_max]");
    float b[4];
    for (int i = 0; i < 4; ++i) {
        if (!v[i].is_number() || !std::isfinite(v[i].get<double>()) ||
            std::fabs(v[i].get<double>()) > 100000.0)
            refuse(file, key, "expected four numbers of millimetres");
        b[i] = static_cast<float>(v[i].get<double>());
    }
    if (b[0] < 0 || b[1] < 0 || b[2] < 0 || b[3] < 0)
        refuse(file, key, "millimetres must not be negative");
    if (b[1] <= b[0] || b[3] <= b[2])
        refuse(file, key, "x_max and y_max must be greater than x_min and y_min");
    return {b[0], b[1], b[2], b[3]};
}

json bounds_to_json(const HT_Media_Bounds& b) {
    return json::array({b.x_min, b.x_max, b.y_min, b.y_max});
}

void select_size(HT_Media_Configuration& media, const HT_Media_Size& size) {
    media.set_size_name(size.name.c_str());
    media.set_bounds(size.bounds);
    media.set_printable(size.printable);
}

void select_rcm(HT_ResColorMem_Configuration& rcm, const HT_ResColorMem_Capabilities& caps,
                int index) {
    auto entry = caps.entries->at(static_cast<std::size_t>(index));
    rcm.select(index, entry ? entry->clone() : nullptr);
}

// Applies one host setting or custom key from JSON to a working configuration.
void apply_custom(HT_Plotter_Configuration& config, const Parts& p, const std::string& key,
                  const json& v, const std::string& file) {
    auto cap = p.custom_caps->find(key.c_str());
    if (!cap || is_capability_only(key))
        refuse(file, "custom." + key, "unknown key");
    HT_Custom_Data* data = value_from_json(*cap, v, file, "custom." + key);
    config.get_custom_configuration()->set_item(new HT_Custom_Config_Item(key.c_str(), data));
}

void apply_source(HT_Media_Configuration& media, const Parts& p, const std::string& name,
                  const std::string& file, const std::string& key) {
    auto source = p.media_caps->find_source(name.c_str());
    if (!source)
        refuse(file, key, "unknown media source \"" + name + "\"");
    media.set_source_name(name.c_str());
    if (!source->find_size(media.get_size_name().c_str())) {
        auto first = source->sizes->at(0);
        if (first)
            select_size(media, *first);
    }
}

void apply_size(HT_Media_Configuration& media, const Parts& p, const std::string& name,
                const std::string& file, const std::string& key) {
    auto source = p.media_caps->find_source(media.get_source_name().c_str());
    auto size = source ? source->find_size(name.c_str()) : nullptr;
    if (!size)
        refuse(file, key,
               "no media size \"" + name + "\" in source \"" + media.get_source_name().str() +
                   "\"");
    // A user-defined size starts as the paper chosen before it, until bounds
    // are given: its own entry has no size.
    const HT_Media_Bounds previous = media.get_bounds();
    select_size(media, *size);
    const HT_Media_Bounds& b = media.get_bounds();
    if (name == "UserDefined" && !(b.x_max > b.x_min && b.y_max > b.y_min) &&
        previous.x_max > previous.x_min && previous.y_max > previous.y_min)
        media.set_bounds(previous);
}

void apply_rcm(HT_Plotter_Configuration& config, const Parts& p, long long index,
               const std::string& file, const std::string& key) {
    if (index < 0 || static_cast<std::size_t>(index) >= p.rcm_caps->entries->count())
        refuse(file, key,
               "no resolution-colour-memory entry " + std::to_string(index) +
                   " (the driver offers 0 to " +
                   std::to_string(static_cast<long>(p.rcm_caps->entries->count()) - 1) + ")");
    select_rcm(*config.get_res_color_mem_configuration(), *p.rcm_caps, static_cast<int>(index));
}

void check_copies(long long n, const std::string& file, const std::string& key) {
    if (n < 1 || n > max_copies)
        refuse(file, key, "copies must be 1 to " + std::to_string(max_copies));
}

void check_finishing(long long n, const std::string& file, const std::string& key) {
    if (n != 0 && n != 1)
        refuse(file, key, "finishing must be 0 or 1");
}

const json& member(const json& obj, const char* name, const std::string& file,
                   const std::string& path) {
    auto it = obj.find(name);
    if (it == obj.end())
        refuse(file, path, "missing");
    return *it;
}

long long integer_of(const json& v, const std::string& file, const std::string& key) {
    if (!v.is_number_integer())
        refuse(file, key, "expected an integer");
    if (v.is_number_unsigned() &&
        v.get<std::uint64_t>() > static_cast<std::uint64_t>(max_copies) * 1000)
        refuse(file, key, "value out of range");
    return v.get<long long>();
}

std::string text_of(const json& v, const std::string& file, const std::string& key) {
    if (!v.is_string())
        refuse(file, key, "expected a text");
    return v.get<std::string>();
}

void check_known(const json& obj, std::initializer_list<const char*> names, const std::string& file,
                 const std::string& prefix) {
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        bool known = false;
        for (const char* n : names)
            known = known || it.key() == n;
        if (!known)
            refuse(file, prefix + it.key(), "unknown key");
    }
}

long long parse_integer(const std::string& text, const std::string& key) {
    const char* s = text.c_str();
    bool negative = *s == '-';
    if (negative || *s == '+')
        ++s;
    int base = 10;
    if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s += 2;
    }
    long long value = 0;
    const char* end = text.c_str() + text.size();
    auto [ptr, ec] = std::from_chars(s, end, value, base);
    if (ec != std::errc() || ptr != end || s == end)
        refuse("", key, "\"" + text + "\" is not an integer");
    return negative ? -value : value;
}
// A user-defined size is printed at the size of its bounds: the host keeps it
// as the source's "UserDefined" media size, which is what the device looks up.
// Width and height count both bound values, as the job records do.
void install_user_defined(const Parts& p, const HT_Plotter_Configuration& config) {
    auto media = config.get_media_configuration();
    if (!media || media->get_size_name().str() != "UserDefined")
        return;
    auto source = p.media_caps->find_source(media->get_source_name().c_str());
    auto size = source ? source->find_size("UserDefined") : nullptr;
    if (!size)
        return;
    const HT_Media_Bounds& b = media->get_bounds();
    size->bounds = b;
    size->printable = {b.x_min, b.x_max + 1.0f, b.y_min, b.y_max + 1.0f};
    media->set_printable(size->printable);
}
// What setting a host setting works on.
struct Setting_Target {
    HT_Plotter_Configuration& config;
    HT_Media_Configuration& media;
    const Parts& parts;
    const std::string& where;
    const std::string& name;
};

void set_bounds(const Setting_Target& t, const std::string& value) {
    if (t.media.get_size_name().str() != "UserDefined")
        refuse(t.where, t.name, "bounds can be set only for the media size \"UserDefined\"");
    json b = json::array();
    std::stringstream in(value);
    std::string part;
    while (std::getline(in, part, ',')) {
        char* end = nullptr;
        errno = 0;
        double v = std::strtod(part.c_str(), &end);
        if (part.empty() || *end != 0 || errno != 0)
            refuse(t.where, t.name, "\"" + value + "\" is not four numbers x0,x1,y0,y1");
        b.push_back(v);
    }
    t.media.set_bounds(bounds_from_json(b, t.where, t.name));
}

std::string get_bounds(const json&, const json& media) {
    const json b = media.value("bounds", json::array({0, 0, 0, 0}));
    std::ostringstream out;
    out << b[0].get<double>() << ',' << b[1].get<double>() << ',' << b[2].get<double>() << ','
        << b[3].get<double>();
    return out.str();
}

// The host's settings by name: how each reads from the configuration's
// document and how it is set from text.
struct Host_Setting {
    const char* name;
    std::string (*get)(const json& doc, const json& media);
    void (*set)(const Setting_Target& t, const std::string& value);
};

const Host_Setting host_settings[] = {
    {"media-source", [](const json&, const json& media) { return media.value("source", ""); },
     [](const Setting_Target& t, const std::string& value) {
         apply_source(t.media, t.parts, value, t.where, t.name);
     }},
    {"media-size", [](const json&, const json& media) { return media.value("size", ""); },
     [](const Setting_Target& t, const std::string& value) {
         apply_size(t.media, t.parts, value, t.where, t.name);
     }},
    {"media-bounds", get_bounds, set_bounds},
    {"res-color-mem",
     [](const json& doc, const json&) { return std::to_string(doc.value("res_color_mem", -1)); },
     [](const Setting_Target& t, const std::string& value) {
         apply_rcm(t.config, t.parts, parse_integer(value, t.name), t.where, t.name);
     }},
    {"copies",
     [](const json&, const json& media) { return std::to_string(media.value("copies", 1)); },
     [](const Setting_Target& t, const std::string& value) {
         const long long n = parse_integer(value, t.name);
         check_copies(n, t.where, t.name);
         t.media.set_copies(static_cast<int>(n));
     }},
    {"plot-to-file", [](const json& doc, const json&) { return doc.value("plot_to_file", ""); },
     [](const Setting_Target& t, const std::string& value) {
         t.config.get_io_configuration()->set_plot_to_file_name(value.c_str());
     }},
    {"finishing",
     [](const json&, const json& media) { return std::to_string(media.value("finishing", 0)); },
     [](const Setting_Target& t, const std::string& value) {
         const long long n = parse_integer(value, t.name);
         check_finishing(n, t.where, t.name);
         t.media.get_media_settings()->set_finishing(static_cast<int>(n));
     }},
};

const Host_Setting* host_setting(const std::string& name) {
    for (const Host_Setting& setting : host_settings)
        if (name == setting.name)
            return &setting;
    return nullptr;
}
} // namespace

const std::vector<std::string>& ht_host_setting_names() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const Host_Setting& setting : host_settings)
            out.emplace_back(setting.name);
        return out;
    }();
    return names;
}

void ht_default_configuration(HT_Plotter_Definition& def) {
    const Parts p = parts_of(def, "configuration");
    auto config = working_copy(def);
    auto media = config->get_media_configuration();
    if (auto first = p.media_caps->sources->at(0)) {
        media->set_source_name(first->name.c_str());
        if (auto size = first->sizes->at(0))
            select_size(*media, *size);
    }
    media->set_copies(1);
    media->get_media_settings()->set_finishing(0);
    config->get_io_configuration()->set_plot_to_file_name("");
    if (p.rcm_caps->entries->count() > 0)
        select_rcm(*config->get_res_color_mem_configuration(), *p.rcm_caps, 0);
    auto custom = config->get_custom_configuration();
    for (const auto& cap : *p.custom_caps->get_capabilities()) {
        const std::string key = cap->get_name().str();
        if (is_capability_only(key))
            continue;
        if (HT_Custom_Data* data = default_of(*cap))
            custom->set_item(new HT_Custom_Config_Item(key.c_str(), data));
    }
    def.set_plotter_configuration(config);
}

nlohmann::json ht_configuration_to_json(const HT_Plotter_Definition& def) {
    json doc;
    doc["format"] = format_name;
    doc["version"] = format_version;
    auto config = def.get_plotter_configuration();
    if (!config)
        return doc;
    if (auto media = config->get_media_configuration()) {
        doc["media"] = {{"source", media->get_source_name().str()},
                        {"size", media->get_size_name().str()},
                        {"bounds", bounds_to_json(media->get_bounds())},
                        {"copies", media->get_copies()},
                        {"finishing", media->get_media_settings()
                                          ? media->get_media_settings()->get_finishing()
                                          : 0}};
    }
    if (auto rcm = config->get_res_color_mem_configuration())
        doc["res_color_mem"] = rcm->get_index();
    if (auto io = config->get_io_configuration())
        doc["plot_to_file"] = io->get_plot_to_file_name().str();
    json custom = json::object();
    if (auto items = config->get_custom_configuration())
        for (const auto& item : *items->get_items())
            custom[item->get_name().str()] = value_to_json(*item);
    doc["custom"] = custom;
    json caps = json::object();
    if (auto pc = def.get_plotter_capabilities())
        if (auto cc = pc->get_custom_capabilities())
            for (const auto& cap : *cc->get_capabilities())
                if (is_capability_only(cap->get_name().str()))
                    caps[cap->get_name().str()] = value_to_json(*cap);
    doc["custom_capabilities"] = caps;
    return doc;
}

void ht_configuration_from_json(HT_Plotter_Definition& def, const nlohmann::json& doc,
                                const std::string& file) {
    if (!doc.is_object())
        refuse(file, "(document)", "expected a JSON object");
    check_known(doc,
                {"format", "version", "media", "res_color_mem", "plot_to_file", "custom",
                 "custom_capabilities",
                 // How a drawing goes onto the paper; the plot program reads it.
                 "plot"},
                file, "");
    if (text_of(member(doc, "format", file, "format"), file, "format") != format_name)
        refuse(file, "format", std::string("expected \"") + format_name + "\"");
    if (integer_of(member(doc, "version", file, "version"), file, "version") != format_version)
        refuse(file, "version", "unsupported version");

    const Parts p = parts_of(def, file);
    auto config = working_copy(def);
    auto media = config->get_media_configuration();

    if (auto it = doc.find("media"); it != doc.end()) {
        const json& m = *it;
        if (!m.is_object())
            refuse(file, "media", "expected an object");
        check_known(m, {"source", "size", "bounds", "copies", "finishing"}, file, "media.");
        if (m.contains("source"))
            apply_source(*media, p, text_of(m["source"], file, "media.source"), file,
                         "media.source");
        if (m.contains("size"))
            apply_size(*media, p, text_of(m["size"], file, "media.size"), file, "media.size");
        if (m.contains("bounds"))
            media->set_bounds(bounds_from_json(m["bounds"], file, "media.bounds"));
        if (m.contains("copies")) {
            long long n = integer_of(m["copies"], file, "media.copies");
            check_copies(n, file, "media.copies");
            media->set_copies(static_cast<int>(n));
        }
        if (m.contains("finishing")) {
            long long n = integer_of(m["finishing"], file, "media.finishing");
            check_finishing(n, file, "media.finishing");
            media->get_media_settings()->set_finishing(static_cast<int>(n));
        }
    }
    if (auto it = doc.find("res_color_mem"); it != doc.end())
        apply_rcm(*config, p, integer_of(*it, file, "res_color_mem"), file, "res_color_mem");
    if (auto it = doc.find("plot_to_file"); it != doc.end())
        config->get_io_configuration()->set_plot_to_file_name(
            text_of(*it, file, "plot_to_file").c_str());
    if (auto it = doc.find("custom"); it != doc.end()) {
        if (!it->is_object())
            refuse(file, "custom", "expected an object");
        for (auto c = it->begin(); c != it->end(); ++c)
            apply_custom(*config, p, c.key(), c.value(), file);
    }

    // Capabilities are the driver's: copy them, so nothing changes on refusal.
    HT_Smart_Pointer<HT_Custom_Capabilities> new_caps;
    if (auto it = doc.find("custom_capabilities"); it != doc.end()) {
        if (!it->is_object())
            refuse(file, "custom_capabilities", "expected an object");
        new_caps = HT_Smart_Pointer<HT_Custom_Capabilities>(p.custom_caps->clone());
        for (auto c = it->begin(); c != it->end(); ++c) {
            const std::string key = "custom_capabilities." + c.key();
            auto cap = p.custom_caps->find(c.key().c_str());
            if (!cap || !is_capability_only(c.key()))
                refuse(file, key, "unknown key");
            HT_Custom_Data* data = value_from_json(*cap, c.value(), file, key);
            new_caps->set_capability(new HT_Custom_Capability(c.key().c_str(), data));
        }
    }

    if (doc.contains("media"))
        install_user_defined(p, *config);
    def.set_plotter_configuration(config);
    if (new_caps)
        p.caps->set_custom_capabilities(new_caps);
}

void ht_save_configuration(const HT_Plotter_Definition& def, const std::string& path,
                           bool lock_held, const nlohmann::json& kept) {
    json doc = ht_configuration_to_json(def);
    // What the file holds for other programs goes back as it was.
    if (kept.is_object())
        for (const auto& [key, value] : kept.items())
            if (!doc.contains(key))
                doc[key] = value;
    const std::string text = doc.dump(2) + "\n";
    try {
        plat::replace_file(path, text, lock_held);
    } catch (const plat::File_Error& e) {
        throw HT_Config_Error(e.what());
    }
}

std::string ht_json_error_text(const std::exception& error) {
    // The library's text leads with its own error id; the position is what
    // helps. What it quotes from the input may be binary: show only text.
    std::string what = error.what();
    const auto end = what.find("] ");
    if (end != std::string::npos && what.compare(0, 16, "[json.exception.") == 0)
        what = what.substr(end + 2);
    std::string out;
    for (unsigned char c : what) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string ht_read_text_file(const std::string& path, std::size_t max_bytes, const char* kind) {
    // Standard input by name, as other tools take it.
    const bool from_stdin = path == "-";
    std::FILE* f = from_stdin ? stdin : std::fopen(path.c_str(), "rb");
    if (!f)
        throw HT_Config_Error(path + ": cannot be opened: " + std::strerror(errno));
    struct stat st {};
    if (::fstat(::fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        if (!from_stdin)
            std::fclose(f);
        throw HT_Config_Error(path + ": is a folder, not " + kind);
    }
    // Read with a bound, so that a pipe or a huge file cannot exhaust memory.
    std::string text;
    char chunk[65536];
    std::size_t n = 0;
    bool too_large = false;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        text.append(chunk, n);
        if (text.size() > max_bytes) {
            too_large = true;
            break;
        }
    }
    const bool failed = std::ferror(f) != 0;
    const int error = errno;
    if (!from_stdin)
        std::fclose(f);
    if (too_large)
        throw HT_Config_Error(path + ": too large for " + kind + " (more than " +
                              std::to_string(max_bytes >> 20) + " MiB)");
    if (failed)
        throw HT_Config_Error(path + ": cannot be read: " + std::strerror(error));
    return text;
}

json ht_kept_members(const std::string& path) {
    json kept = json::object();
    try {
        const json doc = json::parse(ht_read_text_file(path, 16u << 20, "a plot configuration"));
        if (doc.is_object() && doc.contains("plot"))
            kept["plot"] = doc["plot"];
    } catch (const std::exception&) {
        // A file that cannot be read keeps nothing; loading it reports why.
    }
    return kept;
}

void ht_load_configuration(HT_Plotter_Definition& def, const std::string& path) {
    constexpr std::size_t max_size = 16u << 20;
    const std::string text = ht_read_text_file(path, max_size, "a plot configuration");
    json doc;
    try {
        doc = json::parse(text);
    } catch (const json::parse_error& e) {
        throw HT_Config_Error(path + ": (document): not valid JSON: " + ht_json_error_text(e));
    }
    // A file holds only what differs from the driver's defaults, so every
    // program sees the same configuration: the defaults with the file's keys
    // laid over them. A refused file leaves the definition as it was.
    auto previous = def.get_plotter_configuration();
    ht_default_configuration(def);
    try {
        ht_configuration_from_json(def, doc, path);
    } catch (...) {
        def.set_plotter_configuration(previous);
        throw;
    }
}

std::string ht_get_setting(const HT_Plotter_Definition& def, const std::string& name) {
    const json doc = ht_configuration_to_json(def);
    if (const Host_Setting* setting = host_setting(name))
        return setting->get(doc, doc.value("media", json::object()));
    const json custom = doc.value("custom", json::object());
    if (auto it = custom.find(name); it != custom.end())
        return it->is_string() ? it->get<std::string>() : it->dump();
    const json caps = doc.value("custom_capabilities", json::object());
    if (auto it = caps.find(name); it != caps.end())
        return it->is_string() ? it->get<std::string>() : it->dump();
    throw HT_Config_Error(name + ": unknown setting");
}

void ht_set_setting(HT_Plotter_Definition& def, const std::string& name, const std::string& value) {
    const std::string where;
    const Parts p = parts_of(def, where);
    auto config = working_copy(def);
    auto media = config->get_media_configuration();

    if (const Host_Setting* setting = host_setting(name)) {
        setting->set(Setting_Target{*config, *media, p, where, name}, value);
    } else {
        auto cap = p.custom_caps->find(name.c_str());
        if (!cap || is_capability_only(name))
            refuse(where, name, "unknown setting");
        auto data = cap->get_data();
        json v;
        switch (data ? data->kind() : HT_Custom_Data_Kind::Raw) {
        case HT_Custom_Data_Kind::Long:
            v = parse_integer(value, name);
            break;
        case HT_Custom_Data_Kind::Boolean:
            if (value == "true" || value == "1" || value == "on")
                v = true;
            else if (value == "false" || value == "0" || value == "off")
                v = false;
            else
                refuse(where, name, "\"" + value + "\" is not true or false");
            break;
        case HT_Custom_Data_Kind::Double: {
            char* end = nullptr;
            double d = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != 0)
                refuse(where, name, "\"" + value + "\" is not a number");
            v = d;
            break;
        }
        default:
            v = value;
        }
        apply_custom(*config, p, name, v, where);
    }
    if (name.rfind("media-", 0) == 0)
        install_user_defined(p, *config);
    def.set_plotter_configuration(config);
}

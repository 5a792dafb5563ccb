#include "settings_check.h"

#include "ht_plot_config.h"

#include <algorithm>
#include <cctype>

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::size_t edit_distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = up;
        }
    }
    return row[b.size()];
}

std::string quoted_list(const std::vector<std::string>& names) {
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i)
        out += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return out;
}

// The sizes of the configuration's media source, for a refused size.
std::vector<std::string> sizes_of_source(const HT_Plotter_Definition& def) {
    std::vector<std::string> out;
    auto caps = def.get_plotter_capabilities();
    auto media = caps ? caps->get_media_capabilities() : nullptr;
    auto source = media ? media->find_source(ht_get_setting(def, "media-source").c_str()) : nullptr;
    if (source)
        for (const auto& size : *source->sizes)
            out.push_back(size->name.str());
    return out;
}

std::vector<std::string> source_names(const HT_Plotter_Definition& def) {
    std::vector<std::string> out;
    auto caps = def.get_plotter_capabilities();
    if (auto media = caps ? caps->get_media_capabilities() : nullptr)
        for (const auto& source : *media->sources)
            out.push_back(source->name.str());
    return out;
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names)
        out += (out.empty() ? "" : ", ") + n;
    return out;
}

// A key's value as its configuration item holds it.
bool item_value(const HT_Plotter_Definition& def, const char* key, std::int32_t& value) {
    auto config = def.get_plotter_configuration();
    auto custom = config ? config->get_custom_configuration() : nullptr;
    auto item = custom ? custom->find(key) : nullptr;
    if (!item)
        return false;
    bool flag = false;
    if (item->get_bool(flag)) {
        value = flag ? 1 : 0;
        return true;
    }
    return item->get_long(value);
}

} // namespace

const Raster_Tools& driver_tools(const Driver_Session& session) {
    auto entry = reinterpret_cast<Raster_Tools_Entry>(
        plat::find_symbol(session.library(), raster_tools_entry_name));
    const Raster_Tools* tools = entry ? entry() : nullptr;
    if (!tools || tools->version != 1)
        throw App_Error(session.path() + " does not describe its settings to tools", 2);
    return *tools;
}

const Raster_Key* find_key(const Raster_Tools& tools, std::string_view name) {
    for (std::size_t i = 0; i < tools.key_count; ++i)
        if (name == tools.keys[i].name)
            return &tools.keys[i];
    return nullptr;
}

std::string allowed_values(const Raster_Key& key) {
    if (key.is_boolean)
        return "true or false";
    if (!key.choices) {
        std::string out = std::to_string(key.minimum) + " to " + std::to_string(key.maximum);
        if (*key.unit)
            out += std::string(" (") + key.unit + ")";
        return out;
    }
    std::string out;
    for (std::size_t i = 0; i < key.choice_count; ++i)
        out += (i ? ", " : "") + std::to_string(key.choices[i].value) + " \"" +
               key.choices[i].meaning + "\"";
    return out;
}

bool value_allowed(const Raster_Key& key, std::int32_t value) {
    if (!key.choices)
        return value >= key.minimum && value <= key.maximum;
    for (std::size_t i = 0; i < key.choice_count; ++i)
        if (key.choices[i].value == value)
            return true;
    return false;
}

std::vector<std::string> close_names(const std::string& name,
                                     const std::vector<std::string>& candidates) {
    const std::string wanted = lower(name);
    std::vector<std::pair<std::size_t, std::string>> scored;
    for (const auto& c : candidates) {
        const std::string l = lower(c);
        std::size_t d = edit_distance(wanted, l);
        // A name that contains what was typed is close too ("A3" -> the A3 sizes).
        if (wanted.size() >= 2 && l.find(wanted) != std::string::npos)
            d = std::min<std::size_t>(d, 1);
        if (d <= std::max<std::size_t>(2, wanted.size() / 3))
            scored.emplace_back(d, c);
    }
    std::stable_sort(scored.begin(), scored.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> out;
    for (std::size_t i = 0; i < scored.size() && i < 3; ++i)
        out.push_back(scored[i].second);
    return out;
}

std::string did_you_mean(const std::string& name, const std::vector<std::string>& candidates) {
    const auto close = close_names(name, candidates);
    return close.empty() ? std::string() : " (did you mean " + quoted_list(close) + "?)";
}

std::vector<std::string> setting_names(const Raster_Tools& tools) {
    std::vector<std::string> names = ht_host_setting_names();
    for (std::size_t i = 0; i < tools.key_count; ++i)
        names.emplace_back(tools.keys[i].name);
    return names;
}

void apply_setting(const Driver_Session& session, const std::string& assignment) {
    const Raster_Tools& tools = driver_tools(session);
    HT_Plotter_Definition& def = session.definition();
    const auto eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0)
        throw App_Error("\"" + assignment + "\" is not NAME=VALUE", 2);
    const std::string name = assignment.substr(0, eq);
    std::string value = assignment.substr(eq + 1);
    const auto names = setting_names(tools);
    if (std::find(names.begin(), names.end(), name) == names.end())
        throw App_Error(name + ": unknown setting" + did_you_mean(name, names) +
                            "; vorna-config options lists them all",
                        2);
    const Raster_Key* key = find_key(tools, name);
    // A listed value may be given by its words.
    if (key && key->choices)
        for (std::size_t i = 0; i < key->choice_count; ++i)
            if (lower(value) == lower(key->choices[i].meaning))
                value = std::to_string(key->choices[i].value);

    auto previous = def.get_plotter_configuration();
    try {
        ht_set_setting(def, name, value);
    } catch (const HT_Config_Error& e) {
        std::string message = e.what();
        if (name == "media-size") {
            const auto sizes = sizes_of_source(def);
            message += did_you_mean(value, sizes) + "; the source has: " + joined(sizes);
        } else if (name == "media-source") {
            const auto sources = source_names(def);
            message += did_you_mean(value, sources) + "; the sources are: " + joined(sources);
        } else if (key) {
            message += "; " + name + " takes " + allowed_values(*key);
        }
        throw App_Error(message, 2);
    }
    std::int32_t v = 0;
    if (key && item_value(def, key->name, v) && !value_allowed(*key, v)) {
        def.set_plotter_configuration(previous);
        throw App_Error(name + ": " + value + " is outside what the printer takes: " +
                            allowed_values(*key) + " (" + key->meaning + ")",
                        2);
    }
}

void check_custom_values(const Driver_Session& session, const std::string& where) {
    const Raster_Tools& tools = driver_tools(session);
    for (std::size_t i = 0; i < tools.key_count; ++i) {
        const Raster_Key& key = tools.keys[i];
        std::int32_t v = 0;
        if (item_value(session.definition(), key.name, v) && !value_allowed(key, v))
            throw App_Error(where + ": custom." + key.name + ": " + std::to_string(v) +
                                " is outside what the printer takes: " + allowed_values(key) +
                                " (" + key.meaning + ")",
                            2);
    }
}

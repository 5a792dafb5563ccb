// `options`: every setting with what it takes, its default and its current
// value, in the manner of `lpoptions -l`.
#include "config_commands.h"

#include "driver_session.h"
#include "ht_plot_config.h"
#include "settings_check.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace {
using json = nlohmann::json;

struct Choice {
    std::string value;
    std::string meaning;
};

struct Option {
    Option(std::string n, std::string m, std::string k)
        : name(std::move(n)), meaning(std::move(m)), kind(std::move(k)) {}
    std::string name;
    std::string meaning;
    std::string kind; // "choice", "integer", "boolean", "bounds", "text"
    std::vector<Choice> choices;
    std::int32_t minimum = 0, maximum = 0;
    std::string unit;
    std::string default_value;
    std::string current;
};

std::vector<Option> host_options(const HT_Plotter_Definition& def) {
    std::vector<Option> out;
    auto caps = def.get_plotter_capabilities();
    auto media = caps ? caps->get_media_capabilities() : nullptr;
    Option source{"media-source", "media source", "choice"};
    Option size{"media-size", "media size of the selected source", "choice"};
    if (media) {
        const std::string current_source = ht_get_setting(def, "media-source");
        for (const auto& src : *media->sources) {
            source.choices.push_back({src->name.str(), src->description.str()});
            if (src->name.str() != current_source)
                continue;
            for (const auto& sz : *src->sizes) {
                char text[96];
                std::snprintf(text, sizeof text, "%.1f x %.1f mm",
                              double(sz->bounds.x_max - sz->bounds.x_min),
                              double(sz->bounds.y_max - sz->bounds.y_min));
                size.choices.push_back({sz->name.str(), sz->name.str() == "UserDefined"
                                                            ? "the size of media-bounds"
                                                            : std::string(text)});
            }
        }
    }
    out.push_back(source);
    out.push_back(size);
    Option bounds{"media-bounds", "paper of a UserDefined size: x_min,x_max,y_min,y_max in mm",
                  "bounds"};
    bounds.unit = "mm";
    out.push_back(bounds);
    Option rcm{"res-color-mem", "resolution, colour and memory entry", "choice"};
    if (auto r = caps ? caps->get_res_color_mem_capabilities() : nullptr) {
        int index = 0;
        for (const auto& e : *r->entries)
            rcm.choices.push_back({std::to_string(index++), e->description.str()});
    }
    out.push_back(rcm);
    Option copies{"copies", "number of copies", "integer"};
    copies.minimum = 1;
    copies.maximum = 9999;
    out.push_back(copies);
    Option finishing{"finishing", "finishing option", "choice"};
    finishing.choices = {{"0", "none"}, {"1", "on"}};
    out.push_back(finishing);
    out.push_back({"plot-to-file", "printer data file (empty: standard output)", "text"});
    return out;
}

std::vector<Option> custom_options(const Raster_Tools& tools) {
    std::vector<Option> out;
    for (std::size_t i = 0; i < tools.key_count; ++i) {
        const Raster_Key& k = tools.keys[i];
        Option o{k.name, k.meaning, k.is_boolean ? "boolean" : k.choices ? "choice" : "integer"};
        o.minimum = k.minimum;
        o.maximum = k.maximum;
        o.unit = k.unit;
        if (k.is_boolean)
            o.choices = {{"false", "off"}, {"true", "on"}};
        for (std::size_t c = 0; k.choices && c < k.choice_count; ++c)
            o.choices.push_back({std::to_string(k.choices[c].value), k.choices[c].meaning});
        out.push_back(o);
    }
    return out;
}

void fill_values(std::vector<Option>& options, const HT_Plotter_Definition& def, bool defaults) {
    for (auto& o : options) {
        std::string v;
        try {
            v = ht_get_setting(def, o.name);
        } catch (const HT_Config_Error&) {
        }
        (defaults ? o.default_value : o.current) = v;
    }
}

std::string shown(const std::string& v) {
    return v.empty() ? "\"\"" : v;
}

void print_option(const Option& o) {
    std::printf("%s: %s", o.name.c_str(), o.meaning.c_str());
    if (o.kind == "integer") {
        std::printf(", %d to %d", o.minimum, o.maximum);
        if (!o.unit.empty())
            std::printf(" (%s)", o.unit.c_str());
    }
    std::printf("\n    default %s, current %s\n", shown(o.default_value).c_str(),
                shown(o.current).c_str());
    std::size_t width = 0;
    for (const auto& c : o.choices)
        width = std::max(width, c.value.size());
    for (const auto& c : o.choices)
        std::printf("  %s%-*s  %s\n", c.value == o.current ? "*" : " ", static_cast<int>(width),
                    c.value.c_str(), c.meaning.c_str());
}

json option_json(const Option& o) {
    json j = {{"name", o.name},
              {"meaning", o.meaning},
              {"kind", o.kind},
              {"default", o.default_value},
              {"current", o.current}};
    if (o.kind == "integer") {
        j["minimum"] = o.minimum;
        j["maximum"] = o.maximum;
    }
    if (!o.unit.empty())
        j["unit"] = o.unit;
    if (!o.choices.empty()) {
        json values = json::array();
        for (const auto& c : o.choices)
            values.push_back({{"value", c.value}, {"meaning", c.meaning}});
        j["values"] = values;
    }
    return j;
}
} // namespace

int command_options(const Config_Options& opts) {
    if (opts.args.size() > 1)
        throw App_Error("options takes at most one configuration FILE", 2);
    Driver_Session session(opts.driver);
    const Raster_Tools& tools = driver_tools(session);
    HT_Plotter_Definition& def = session.definition();
    ht_default_configuration(def);
    std::vector<Option> options = host_options(def);
    for (auto& o : custom_options(tools))
        options.push_back(std::move(o));
    fill_values(options, def, true);
    if (!opts.args.empty()) {
        try {
            ht_load_configuration(def, opts.args[0]);
        } catch (const HT_Config_Error& e) {
            throw App_Error(e.what(), 2);
        }
        // The sizes listed are those of the file's source.
        options[1].choices = host_options(def)[1].choices;
    }
    fill_values(options, def, false);
    if (opts.json) {
        json out = json::array();
        for (const auto& o : options)
            out.push_back(option_json(o));
        std::printf("%s\n", out.dump(2).c_str());
        return 0;
    }
    for (const auto& o : options)
        print_option(o);
    return 0;
}

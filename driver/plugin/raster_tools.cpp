// The tools' view of the driver, built from the driver's own tables: the
// named lists and media types of the printer, the bounds of Paper Config and
// the definitions file's reader and writer.
#include "raster_tools.h"

#include "definitions_file.h"
#include "dialog_resources.h"
#include "media_tables.h"
#include "paper_config.h"
#include "raster_plugin.h"
#include "resource_ids.h"

#include <array>
#include <deque>
#include <limits>
#include <vector>

namespace {

using raster_media::Ink_Set;
using raster_media::Named_List;
using raster_media::Paper_Settings;

// Owns every text and choice list the table points into.
struct Tool_Data {
    std::deque<std::string> texts;
    std::deque<std::vector<Raster_Choice>> choice_lists;
    std::vector<Raster_Key> keys;
    std::array<const char*, raster_paper_fields> fields{};
    std::array<const char*, raster_papers> papers{};
    std::array<const char*, 2> ink_sets{};

    const char* text(std::string_view t) { return texts.emplace_back(t).c_str(); }

    void number(const char* name, const char* meaning, std::int32_t lo, std::int32_t hi,
                const char* unit, const char* field = "") {
        keys.push_back({name, meaning, false, lo, hi, unit, nullptr, 0, field});
    }
    void boolean(const char* name, const char* meaning) {
        keys.push_back({name, meaning, true, 0, 1, "", nullptr, 0, ""});
    }
    void listed(const char* name, const char* meaning, std::vector<Raster_Choice> choices,
                const char* field = "") {
        auto& list = choice_lists.emplace_back(std::move(choices));
        keys.push_back({name, meaning, false, list.front().value, list.back().value, "",
                        list.data(), list.size(), field});
    }
    // The dialogs store the position in a named list, not the printer's value.
    std::vector<Raster_Choice> positions(Named_List list) {
        std::vector<Raster_Choice> out;
        for (int i = 0; i < raster_media::named_list_count(list); ++i)
            out.push_back({i, text(raster_media::named_entry(list, i).name)});
        return out;
    }
    std::vector<Raster_Choice> media_types(Ink_Set set) {
        std::vector<Raster_Choice> out;
        for (int i = 0; i < raster_media::media_type_count(set); ++i)
            out.push_back({i, text(raster_media::media_type_name(set, i))});
        return out;
    }
    const char* control_text(int id) {
        for (const auto& c : raster_ui::custom_properties_template().controls)
            if (c.id == id)
                return text(c.text);
        return "";
    }
};

static_assert(raster_paper_fields == raster_media::paper_settings.size());

// The named values of a per-paper setting kept as a position in a list or as a
// step; none for a plain number.
std::vector<Raster_Choice> paper_choices(Tool_Data& d, std::int32_t Paper_Settings::*member) {
    if (member == &Paper_Settings::gamma)
        return d.positions(Named_List::gamma);
    if (member == &Paper_Settings::two_way)
        return {{0, "off"}, {1, "on"}};
    if (member == &Paper_Settings::suction)
        return {{0, "Standard"}, {1, "-1"}, {2, "-2"}, {3, "-3"}, {4, "-4"}};
    if (member == &Paper_Settings::cutting)
        return d.positions(Named_List::cut_method);
    if (member == &Paper_Settings::platen_gap)
        return d.positions(Named_List::platen_gap);
    if (member == &Paper_Settings::eject_roller)
        return d.positions(Named_List::eject_roller);
    return {};
}

void add_paper_key(Tool_Data& d, const raster_media::Paper_Setting& setting, int dpi) {
    const char* name = d.text(std::string(setting.key) + "_" + std::to_string(dpi));
    const char* meaning =
        d.text(std::string(setting.meaning) + " at " + std::to_string(dpi) + " dpi");
    const char* field = d.text(setting.tag);
    int lo = 0, hi = 0;
    if (auto choices = paper_choices(d, setting.member); !choices.empty())
        d.listed(name, meaning, std::move(choices), field);
    else if (raster_ui::paper_config_bounds(setting.member, lo, hi))
        d.number(name, meaning, lo, hi, d.text(setting.unit), field);
}

Tool_Data build() {
    Tool_Data d;
    constexpr std::int32_t colour_max = 0xFFFFFF;
    d.number("RASTER_RGB_Back_Color", "background colour, 0x00BBGGRR", 0, colour_max, "");
    d.boolean("RASTER_ChangeColor", "colour conversion on");
    d.boolean("RASTER_Draw2Black", "convert every colour to black");
    for (int n = 1; n <= 3; ++n) {
        const std::string s = std::to_string(n);
        d.boolean(d.text("RASTER_ConvertColor" + s), d.text("colour conversion " + s + " on"));
        d.number(d.text("RASTER_RGB_Compare" + s + "_IndexColor"),
                 d.text("colour replaced by conversion " + s + ", 0x00BBGGRR"), 0, colour_max, "");
        d.number(
            d.text("RASTER_RGB_Swap" + s + "_IndexColor"),
            d.text("replacement colour of conversion " + s + ", 0x00BBGGRR; 0xFFFFFF prints black"),
            0, colour_max, "");
    }
    d.number("Device_ID", "printer variant: 0 standard, any other value the other variant", 0,
             std::numeric_limits<std::int32_t>::max(), "");
    d.listed("PaperKindMode_4c", "paper type with the high-speed ink set",
             d.media_types(Ink_Set::high_speed));
    d.listed("PaperKindMode_7c", "paper type with the photo ink set",
             d.media_types(Ink_Set::photo));
    d.listed("ColorCorrectMode", "colour correction", d.positions(Named_List::color_correction));
    d.ink_sets = {d.control_text(rsrc_id::custom::high_speed_ink_set),
                  d.control_text(rsrc_id::custom::photo_ink_set)};
    d.listed("CartrigeOpt", "ink set", {{0, d.ink_sets[0]}, {1, d.ink_sets[1]}});
    for (int place = 0; place < raster_paper_fields; ++place)
        for (const auto& setting : raster_media::paper_settings)
            if (setting.listed == place) {
                add_paper_key(d, setting, 360);
                add_paper_key(d, setting, 720);
            }
    for (std::size_t i = 0; i < raster_media::paper_settings.size(); ++i)
        d.fields[i] = d.text(raster_media::paper_settings[i].tag);
    for (int group = 0; group < 2; ++group)
        for (int i = 0; i < raster_ui::group_size[group]; ++i)
            d.papers[static_cast<std::size_t>(raster_ui::paper_number(group, i) - 1)] =
                d.text(raster_media::media_type_name(
                    group == 0 ? Ink_Set::high_speed : Ink_Set::photo, i));
    return d;
}

std::string definitions_path(const std::string& driver_path) {
    raster_ui::AdvancedDefinitions store;
    store.set_driver_path(driver_path);
    return store.file_path();
}

Raster_Read read_definitions(const std::string& path, std::string& text) {
    switch (raster_ui::read_definitions_file(path, text)) {
    case raster_ui::Read_Result::ok:
        return Raster_Read::ok;
    case raster_ui::Read_Result::too_large:
        return Raster_Read::too_large;
    case raster_ui::Read_Result::unreadable:
        break;
    }
    return Raster_Read::unreadable;
}

std::string definitions_fault(const std::string& text) {
    return raster_ui::definitions_fault(text);
}

constexpr double slot_dpi[2] = {360.0, 720.0};

Raster_Paper_Records records_of(const std::string& text) {
    raster_ui::AdvancedDefinitions store;
    store.splitIntoSlots(text);
    Raster_Paper_Records r{};
    for (int res = 0; res < 2; ++res)
        for (int group = 0; group < 2; ++group)
            for (int i = 0; i < raster_ui::group_size[group]; ++i) {
                Paper_Settings s;
                store.loadPaper(slot_dpi[res], group, i, s);
                auto& row = r.value[res][raster_ui::paper_number(group, i) - 1];
                for (std::size_t f = 0; f < raster_media::paper_settings.size(); ++f)
                    row[f] = s.*raster_media::paper_settings[f].member;
            }
    return r;
}

std::string compose(const Raster_Paper_Records& r) {
    raster_ui::AdvancedDefinitions store;
    for (int res = 0; res < 2; ++res)
        for (int group = 0; group < 2; ++group)
            for (int i = 0; i < raster_ui::group_size[group]; ++i) {
                Paper_Settings s;
                const auto& row = r.value[res][raster_ui::paper_number(group, i) - 1];
                for (std::size_t f = 0; f < raster_media::paper_settings.size(); ++f)
                    s.*raster_media::paper_settings[f].member = row[f];
                store.storePaper(slot_dpi[res], group, i, s);
            }
    return store.composeDefinitions();
}

std::string default_text() {
    return raster_ui::default_definitions_text();
}

bool write_definitions(const std::string& path, const std::string& text) {
    return raster_ui::writeDefinitionsFile(path, text);
}

} // namespace

extern "C" RASTER_EXPORT const Raster_Tools* raster_tools() {
    static const Tool_Data data = build();
    static const Raster_Tools tools = {
        1,
        data.keys.data(),
        data.keys.size(),
        data.fields.data(),
        data.papers.data(),
        data.ink_sets.data(),
        raster_ui::definitions_file_name,
        definitions_path,
        read_definitions,
        definitions_fault,
        records_of,
        compose,
        default_text,
        write_definitions,
    };
    return &tools;
}

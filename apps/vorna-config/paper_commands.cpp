// `paper ...`: the per-paper definitions file from the command line, through
// the driver's own reader, check and writer, with the dialogs' rules.
#include "config_commands.h"

#include "driver_session.h"
#include "settings_check.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

namespace {
namespace fs = std::filesystem;
using json = nlohmann::json;

struct Paper_Context {
    Driver_Session session;
    const Raster_Tools& tools;
    std::string own_file; // the file the driver's dialogs read and write

    explicit Paper_Context(const Config_Options& opts)
        : session(opts.driver), tools(driver_tools(session)),
          own_file(tools.definitions_path(fs::absolute(session.path()).string())) {}
};

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Reads and checks a file as the dialogs do; App_Error (status 1) otherwise.
std::string read_valid(const Raster_Tools& tools, const std::string& path) {
    std::string text;
    switch (tools.read_definitions(path, text)) {
    case Raster_Read::unreadable:
        throw App_Error(path + ": cannot be read", 1);
    case Raster_Read::too_large:
        throw App_Error(path + ": too large for a definitions file", 1);
    case Raster_Read::ok:
        break;
    }
    const std::string fault = tools.definitions_fault(text);
    if (!fault.empty())
        throw App_Error(path + ": incorrect: " + fault, 1);
    return text;
}

// The records the dialogs would start from: the file's, or the defaults when
// there is no file yet.
std::string current_text(const Raster_Tools& tools, const std::string& path) {
    std::error_code ec;
    if (!fs::exists(path, ec))
        return tools.default_text();
    return read_valid(tools, path);
}

void write_or_fail(const Raster_Tools& tools, const std::string& path, const std::string& text) {
    if (path == "-") {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return;
    }
    if (!tools.write_definitions(path, text))
        throw App_Error(path + ": cannot write: " + std::strerror(errno), 1);
}

int resolution_index(const std::string& text) {
    if (text == "360")
        return 0;
    if (text == "720")
        return 1;
    throw App_Error("resolution \"" + text + "\": the definitions hold 360 and 720", 2);
}

int paper_of(const Raster_Tools& tools, const std::string& text) {
    int n = 0;
    if (!text.empty() && text.size() <= 2 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        n = std::stoi(text);
    if (n >= 1 && n <= raster_papers)
        return n;
    std::string list;
    for (int p = 1; p <= raster_papers; ++p)
        list += "\n  " + std::to_string(p) + "  " + tools.ink_sets[p <= 7 ? 0 : 1] + ", " +
                tools.paper_names[p - 1];
    throw App_Error("paper \"" + text + "\": give a paper number from 1 to 18:" + list, 2);
}

// The key that carries a record element, for its range and value words.
const Raster_Key* key_of_field(const Raster_Tools& tools, const std::string& field) {
    for (std::size_t i = 0; i < tools.key_count; ++i)
        if (field == tools.keys[i].paper_field)
            return &tools.keys[i];
    return nullptr;
}

void show(const Paper_Context& c, const Config_Options& opts) {
    // A file named must be there; the driver's own may not be yet.
    const bool named = opts.args.size() > 1;
    const std::string path = named ? opts.args[1] : c.own_file;
    std::error_code ec;
    const bool fresh = !named && !fs::exists(path, ec);
    const Raster_Paper_Records r =
        c.tools.records_of(named ? read_valid(c.tools, path) : current_text(c.tools, path));
    if (opts.json) {
        json out = json::array();
        for (int res = 0; res < 2; ++res)
            for (int p = 0; p < raster_papers; ++p) {
                json values = json::object();
                for (int f = 0; f < raster_paper_fields; ++f)
                    values[c.tools.paper_fields[f]] = r.value[res][p][f];
                out.push_back({{"resolution", res == 0 ? 360 : 720},
                               {"paper", p + 1},
                               {"ink_set", c.tools.ink_sets[p < 7 ? 0 : 1]},
                               {"name", c.tools.paper_names[p]},
                               {"settings", values}});
            }
        std::printf("%s\n", out.dump(2).c_str());
        return;
    }
    std::printf("# %s%s\n%-4s %-2s %-22s %-28s", path.c_str(),
                fresh ? " (not written yet: the defaults)" : "", "dpi", "#", "ink set", "paper");
    for (int f = 0; f < raster_paper_fields; ++f)
        std::printf(" %s", c.tools.paper_fields[f]);
    std::printf("\n");
    for (int res = 0; res < 2; ++res)
        for (int p = 0; p < raster_papers; ++p) {
            std::printf("%-4d %-2d %-22s %-28s", res == 0 ? 360 : 720, p + 1,
                        c.tools.ink_sets[p < 7 ? 0 : 1], c.tools.paper_names[p]);
            for (int f = 0; f < raster_paper_fields; ++f)
                std::printf(" %*d", static_cast<int>(std::strlen(c.tools.paper_fields[f])),
                            r.value[res][p][f]);
            std::printf("\n");
        }
}

void set(const Paper_Context& c, const Config_Options& opts) {
    if (opts.args.size() < 4)
        throw App_Error("paper set needs RESOLUTION PAPER NAME=VALUE...", 2);
    const std::string path = opts.file.empty() ? c.own_file : opts.file;
    const int res = resolution_index(opts.args[1]);
    const int paper = paper_of(c.tools, opts.args[2]);
    Raster_Paper_Records r = c.tools.records_of(current_text(c.tools, path));
    std::vector<std::string> fields;
    for (int f = 0; f < raster_paper_fields; ++f)
        fields.emplace_back(c.tools.paper_fields[f]);
    // Every change is checked before the file is touched: all or nothing.
    for (std::size_t i = 3; i < opts.args.size(); ++i) {
        const std::string& a = opts.args[i];
        const auto eq = a.find('=');
        if (eq == std::string::npos || eq == 0)
            throw App_Error("\"" + a + "\" is not NAME=VALUE; nothing was changed", 2);
        const std::string name = a.substr(0, eq);
        const std::string value = a.substr(eq + 1);
        const auto at = std::find(fields.begin(), fields.end(), name);
        const Raster_Key* key = at == fields.end() ? nullptr : key_of_field(c.tools, name);
        if (!key) {
            std::string all;
            for (const auto& f : fields)
                all += (all.empty() ? "" : ", ") + f;
            throw App_Error(name + ": not a paper setting" + did_you_mean(name, fields) +
                                " (the settings are " + all + "); nothing was changed",
                            2);
        }
        std::int32_t v = 0;
        bool found = false;
        for (std::size_t k = 0; key->choices && k < key->choice_count && !found; ++k)
            if (lower(value) == lower(key->choices[k].meaning)) {
                v = key->choices[k].value;
                found = true;
            }
        if (!found) {
            char* end = nullptr;
            errno = 0;
            const long n = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != 0 || errno != 0 || n < INT32_MIN || n > INT32_MAX ||
                !value_allowed(*key, static_cast<std::int32_t>(n)))
                throw App_Error(name + ": \"" + value + "\" is not one the printer takes: " +
                                    allowed_values(*key) + "; nothing was changed",
                                2);
            v = static_cast<std::int32_t>(n);
        }
        r.value[res][paper - 1][at - fields.begin()] = v;
    }
    write_or_fail(c.tools, path, c.tools.compose(r));
}

int check(const Paper_Context& c, const Config_Options& opts) {
    if (opts.args.size() != 2)
        throw App_Error("paper check needs one FILE", 2);
    try {
        read_valid(c.tools, opts.args[1]);
    } catch (const App_Error& e) {
        std::fprintf(stderr, "vorna-config: %s\n", e.what());
        return 1;
    }
    std::printf("%s: correct\n", opts.args[1].c_str());
    return 0;
}

bool same_file(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) || lower(fs::absolute(a).lexically_normal().string()) ==
                                           lower(fs::absolute(b).lexically_normal().string());
}

void import(const Paper_Context& c, const Config_Options& opts) {
    if (opts.args.size() != 2)
        throw App_Error("paper import needs one FILE", 2);
    const std::string& from = opts.args[1];
    if (same_file(from, c.own_file))
        throw App_Error(from + ": is the driver's own definitions file; nothing to import", 2);
    if (lower(fs::path(from).filename().string()) != lower(c.tools.file_name))
        throw App_Error(from + ": only a file named " + c.tools.file_name + " can be imported", 2);
    const std::string text = read_valid(c.tools, from);
    write_or_fail(c.tools, c.own_file, text);
}

void export_to(const Paper_Context& c, const Config_Options& opts) {
    if (opts.args.size() != 2)
        throw App_Error("paper export needs a FOLDER (or a file in it)", 2);
    // As in the dialog, only the folder counts; the file is always named the same.
    const fs::path given = opts.args[1];
    std::error_code ec;
    const fs::path folder = fs::is_directory(given, ec) ? given
                            : given.has_parent_path()   ? given.parent_path()
                                                        : fs::path(".");
    if (!fs::is_directory(folder, ec))
        throw App_Error(folder.string() + ": there is no such folder", 2);
    const fs::path own_folder = fs::path(c.own_file).parent_path();
    if (fs::equivalent(folder, own_folder, ec) ||
        lower(fs::absolute(folder).lexically_normal().string() + "/") ==
            lower(fs::absolute(own_folder).lexically_normal().string() + "/"))
        throw App_Error(folder.string() + ": is the driver's own folder; choose another", 2);
    // Only settings the dialog has confirmed are exported.
    if (!fs::exists(c.own_file, ec))
        throw App_Error("the driver has no definitions file yet (" + c.own_file +
                            "); set one up with paper set, paper import or the dialog",
                        1);
    const std::string text = read_valid(c.tools, c.own_file);
    write_or_fail(c.tools, (folder / c.tools.file_name).string(), text);
}
} // namespace

int command_paper(const Config_Options& opts) {
    const std::string sub = opts.args.empty() ? "" : opts.args[0];
    if (sub != "show" && sub != "set" && sub != "check" && sub != "defaults" && sub != "import" &&
        sub != "export")
        throw App_Error(
            "paper needs show, set, check, defaults, import or export" +
                did_you_mean(sub, {"show", "set", "check", "defaults", "import", "export"}),
            2);
    if (sub == "show" && opts.args.size() > 2)
        throw App_Error("paper show takes at most one FILE", 2);
    Paper_Context c(opts);
    if (sub == "show")
        show(c, opts);
    else if (sub == "set")
        set(c, opts);
    else if (sub == "check")
        return check(c, opts);
    else if (sub == "defaults") {
        if (opts.output.empty() || opts.args.size() != 1)
            throw App_Error("paper defaults needs -o FILE and nothing else", 2);
        write_or_fail(c.tools, opts.output, c.tools.default_text());
    } else if (sub == "import")
        import(c, opts);
    else
        export_to(c, opts);
    return 0;
}

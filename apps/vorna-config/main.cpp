// vorna-config: describe the printer through its driver, and write, read and
// change plot configurations and the per-paper definitions file.
#include "config_commands.h"
#include "driver_session.h"
#include "settings_check.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <map>

namespace {

const char* const overview =
    "usage: vorna-config COMMAND [--driver PATH] ...\n"
    "\n"
    "  info [--json]                     what the driver offers: sources, sizes, modes\n"
    "  options [--json] [FILE]           every setting, its values, default and current value\n"
    "  init -o FILE                      a configuration of the driver's defaults\n"
    "  get FILE [NAME...]                a configuration, or some of its settings\n"
    "  set FILE NAME=VALUE...            change settings, each checked first\n"
    "  edit FILE                         the Custom Properties dialog (needs a display)\n"
    "  paper show|set|check|defaults|import|export ...\n"
    "                                    the per-paper definitions file\n"
    "\n"
    "  --driver PATH   the driver library (default: the English driver beside this program)\n"
    "  -h, --help      this text; COMMAND --help for a command's own\n"
    "  --version       the program's version\n"
    "\n"
    "FILE \"-\" is standard input (get, set, options) or standard output (init -o -).\n"
    "Exit status: 0 done; 1 the driver or a file failed; 2 a bad command line, value or\n"
    "configuration (nothing was changed).\n";

const std::map<std::string, const char*> command_help = {
    {"info", "usage: vorna-config info [--driver PATH] [--json]\n"
             "The driver's description: media sources and their sizes, media types and\n"
             "the resolution-colour-memory entries.\n"},
    {"options", "usage: vorna-config options [--driver PATH] [--json] [FILE]\n"
                "Every setting: its meaning, its allowed values or range, its default and its\n"
                "current value in FILE (the defaults without FILE); the current choice is\n"
                "marked with *. The media sizes are those of the current media source.\n"},
    {"init", "usage: vorna-config init [--driver PATH] -o FILE\n"
             "Writes a configuration holding the driver's defaults (\"-\": standard output).\n"},
    {"get", "usage: vorna-config get [--driver PATH] FILE [NAME...]\n"
            "Prints the configuration (the driver's defaults with FILE's keys over them),\n"
            "or NAME=VALUE for each NAME given.\n"},
    {"set", "usage: vorna-config set [--driver PATH] FILE NAME=VALUE...\n"
            "Changes settings of FILE. Every value is checked against what the printer\n"
            "takes (see vorna-config options) before the file is written: all or nothing.\n"
            "A listed value may be given by number or by its words, for example\n"
            "CutAdjustMode_360=\"Thin Paper\".\n"},
    {"edit", "usage: vorna-config edit [--driver PATH] FILE\n"
             "Shows the Custom Properties dialog on FILE; OK saves, Cancel leaves it.\n"
             "Needs a display; without one use set, options and paper.\n"},
    {"paper", "usage: vorna-config paper show [--json] [FILE]\n"
              "       vorna-config paper set [--file FILE] RESOLUTION PAPER NAME=VALUE...\n"
              "       vorna-config paper check FILE\n"
              "       vorna-config paper defaults -o FILE\n"
              "       vorna-config paper import FILE\n"
              "       vorna-config paper export FOLDER\n"
              "The ten print settings of each of the 18 papers at 360 and 720 dpi, as the\n"
              "Custom Properties and Paper Config dialogs keep them beside the driver.\n"
              "  show      the 36 records of FILE (default: the driver's own file)\n"
              "  set       changes settings of one paper (1 to 18) at 360 or 720 dpi, each\n"
              "            checked against the bounds of Paper Config (see paper show for names)\n"
              "  check     exit 0 when the dialogs accept FILE, else 1 and the first fault\n"
              "  defaults  the file a fresh installation gets\n"
              "  import    replaces the driver's file with FILE (named vornatv.px_, accepted\n"
              "            by check)\n"
              "  export    copies the driver's file into FOLDER as vornatv.px_\n"},
};

int print_help(const std::string& command) {
    auto it = command_help.find(command);
    std::fputs(it == command_help.end() ? overview : it->second, stdout);
    return 0;
}

int usage_error(const std::string& problem) {
    std::fprintf(stderr, "vorna-config: %s\n%s", problem.c_str(), overview);
    return 2;
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage_error("no command");
    // Options may come before or after the command.
    std::string command;
    Config_Options opts;
    bool help = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--driver" || a == "-o" || a == "--output" || a == "--file") {
            if (i + 1 >= argc)
                return usage_error(a + " needs a value");
            (a == "--driver" ? opts.driver : a == "--file" ? opts.file : opts.output) = argv[++i];
        } else if (a == "--json") {
            opts.json = true;
        } else if (a == "-h" || a == "--help") {
            help = true;
        } else if (a == "--version") {
            std::printf("vorna-config %s\n", VORNA_VERSION);
            return 0;
        } else if (a.size() > 1 && a[0] == '-') {
            return usage_error("unknown option " + a);
        } else if (command.empty()) {
            command = a;
        } else {
            opts.args.push_back(a);
        }
    }
    if (help || command == "help")
        return print_help(command == "help" && !opts.args.empty() ? opts.args[0] : command);
    try {
        if (command == "info")
            return command_info(opts);
        if (command == "options")
            return command_options(opts);
        if (command == "init")
            return command_init(opts);
        if (command == "get")
            return command_get(opts);
        if (command == "set")
            return command_set(opts);
        if (command == "edit")
            return command_edit(opts);
        if (command == "paper")
            return command_paper(opts);
        std::vector<std::string> names;
        for (const auto& [name, text] : command_help)
            names.push_back(name);
        return usage_error("unknown command " + command + did_you_mean(command, names));
    } catch (const App_Error& e) {
        std::fprintf(stderr, "vorna-config: %s\n", e.what());
        return e.status();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vorna-config: %s\n", e.what());
        return 1;
    }
}

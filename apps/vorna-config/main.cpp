// vorna-config: describe the printer through its driver, and write, read and
// change plot configurations.
#include "config_commands.h"
#include "driver_session.h"

#include <cstdio>
#include <cstring>
#include <exception>

namespace {
void usage(std::FILE* out) {
    std::fputs("usage: vorna-config info [--driver PATH] [--json]\n"
               "       vorna-config init [--driver PATH] -o FILE\n"
               "       vorna-config get [--driver PATH] FILE [NAME...]\n"
               "       vorna-config set [--driver PATH] FILE NAME=VALUE...\n"
               "       vorna-config edit [--driver PATH] FILE\n",
               out);
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        usage(stderr);
        return 2;
    }
    // Options may come before or after the command.
    std::string command;
    Config_Options opts;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--driver" || a == "-o" || a == "--output") && i + 1 < argc) {
            (a == "--driver" ? opts.driver : opts.output) = argv[++i];
        } else if (a == "--json") {
            opts.json = true;
        } else if (a == "-h" || a == "--help") {
            usage(stdout);
            return 0;
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "vorna-config: unknown option %s\n", a.c_str());
            usage(stderr);
            return 2;
        } else if (command.empty()) {
            command = a;
        } else {
            opts.args.push_back(a);
        }
    }
    if (command == "help") {
        usage(stdout);
        return 0;
    }
    try {
        if (command == "info")
            return command_info(opts);
        if (command == "init")
            return command_init(opts);
        if (command == "get")
            return command_get(opts);
        if (command == "set")
            return command_set(opts);
        if (command == "edit")
            return command_edit(opts);
        std::fprintf(stderr, "vorna-config: unknown command %s\n", command.c_str());
        usage(stderr);
        return 2;
    } catch (const App_Error& e) {
        std::fprintf(stderr, "vorna-config: %s\n", e.what());
        return e.status();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vorna-config: %s\n", e.what());
        return 1;
    }
}

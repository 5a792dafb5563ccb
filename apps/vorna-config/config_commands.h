// The commands of vorna-config; each returns the exit status.
#pragma once

#include <string>
#include <vector>

struct Config_Options {
    std::string driver;
    std::string output;
    std::string file; // paper set: the definitions file (default: the driver's own)
    bool json = false;
    std::vector<std::string> args;
};

int command_info(const Config_Options& opts);
int command_init(const Config_Options& opts);
int command_get(const Config_Options& opts);
int command_set(const Config_Options& opts);
int command_edit(const Config_Options& opts);
int command_options(const Config_Options& opts);
// paper show|set|check|defaults|import|export
int command_paper(const Config_Options& opts);

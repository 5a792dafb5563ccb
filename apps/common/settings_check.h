// Every setting by name, checked against what the driver says it takes:
// one place that `set`, `options`, `--option` and `paper set` all use.
#pragma once

#include "driver_session.h"
#include "raster_tools.h"

#include <string>
#include <string_view>
#include <vector>

// The driver's table of its settings and its definitions file.
const Raster_Tools& driver_tools(const Driver_Session& session);

// The key of that name, or null.
const Raster_Key* find_key(const Raster_Tools& tools, std::string_view name);

// What a key takes, for a person: "-50 to 50 %" or "0 \"1.5\", 1 \"1.8\"...".
std::string allowed_values(const Raster_Key& key);

// Whether a value is one the key takes.
bool value_allowed(const Raster_Key& key, std::int32_t value);

// Up to three names close to `name` (spelling mistakes, letter case).
std::vector<std::string> close_names(const std::string& name,
                                     const std::vector<std::string>& candidates);
// " (did you mean A or B?)" or "".
std::string did_you_mean(const std::string& name, const std::vector<std::string>& candidates);

// Every setting name: the host's, then the driver's custom keys.
std::vector<std::string> setting_names(const Raster_Tools& tools);

// Applies NAME=VALUE to the session's configuration as `set` does. A listed
// key also takes the words of its value ("Thin Paper"). Throws App_Error
// (status 2) naming the setting and what it takes; nothing changes then.
void apply_setting(const Driver_Session& session, const std::string& assignment);

// Refuses (App_Error, status 2) the first custom value of the configuration
// that the driver does not take; `where` names the file.
void check_custom_values(const Driver_Session& session, const std::string& where);

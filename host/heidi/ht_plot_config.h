// The host's plot configuration on disk (JSON), and its settings by name.
#pragma once

#include "ht_definition.h"

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

// A configuration that cannot be taken; the message names the file and the key.
class HT_EXPORT HT_Config_Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    ~HT_Config_Error() override;
};

// Names of the host settings that can be read and set besides the custom keys.
HT_EXPORT const std::vector<std::string>& ht_host_setting_names();

// Fills the definition's configuration from its loaded capabilities: the first
// media source and its first size, the first resolution-colour-memory entry,
// one copy, and every offered custom key as an item with its default.
HT_EXPORT void ht_default_configuration(HT_Plotter_Definition& definition);

HT_EXPORT nlohmann::json ht_configuration_to_json(const HT_Plotter_Definition& definition);

// Checks the whole document against the definition's capabilities first and
// applies it only when all of it is sound: a refused document changes nothing.
HT_EXPORT void ht_configuration_from_json(HT_Plotter_Definition& definition,
                                          const nlohmann::json& document, const std::string& file);

// Replaces the file whole or not at all, keeping its mode and writing through a
// link (see plat::File_Replacement). `lock_held`: the caller holds the file's
// plat::File_Lock from reading it.
HT_EXPORT void ht_save_configuration(const HT_Plotter_Definition& definition,
                                     const std::string& path, bool lock_held = false,
                                     const nlohmann::json& kept = nlohmann::json());
// The members of a configuration file that belong to other programs (the plot
// program's "plot" object), to be written back by ht_save_configuration.
HT_EXPORT nlohmann::json ht_kept_members(const std::string& path);
// Loads a file ("-": standard input): the driver's defaults with the file's
// keys laid over them.
HT_EXPORT void ht_load_configuration(HT_Plotter_Definition& definition, const std::string& path);

// One setting by name: a custom key, or a host setting (media-source,
// media-size, media-bounds, res-color-mem, copies, plot-to-file, finishing).
HT_EXPORT std::string ht_get_setting(const HT_Plotter_Definition& definition,
                                     const std::string& name);
HT_EXPORT void ht_set_setting(HT_Plotter_Definition& definition, const std::string& name,
                              const std::string& value);

// A JSON parse error as one line for a person: where it is, and no bytes
// that are not text.
HT_EXPORT std::string ht_json_error_text(const std::exception& error);

// A whole text file ("-": standard input) of at most max_bytes; refuses a
// folder, names the system's reason when it cannot be read. `kind` completes
// "is a folder, not ..." and "too large for ...".
HT_EXPORT std::string ht_read_text_file(const std::string& path, std::size_t max_bytes,
                                        const char* kind);

// What the driver tells the command-line tools beyond the host's calls: the
// values each of its custom keys takes, and its advanced-definitions file
// through the same reader, check and writer the dialogs use. The tools load
// the driver at run time and find this through raster_tools().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// One named value of a setting.
struct Raster_Choice {
    std::int32_t value;
    const char* meaning;
};

// One custom key: its range, or its list of named values.
struct Raster_Key {
    const char* name;
    const char* meaning;
    bool is_boolean;
    std::int32_t minimum;
    std::int32_t maximum;
    const char* unit;             // of a number; "" for none
    const Raster_Choice* choices; // named values, or null for a plain number
    std::size_t choice_count;     //
    const char* paper_field;      // the per-paper record's element it feeds, or ""
};

inline constexpr int raster_paper_fields = 10;
inline constexpr int raster_papers = 18;
// [0: 360 dpi, 1: 720 dpi][paper - 1][field, in file order]
struct Raster_Paper_Records {
    std::int32_t value[2][raster_papers][raster_paper_fields];
};

enum class Raster_Read { ok, unreadable, too_large };

struct Raster_Tools {
    int version; // 1
    const Raster_Key* keys;
    std::size_t key_count;
    const char* const* paper_fields; // the ten element names, in file order
    const char* const* paper_names;  // papers 1 to 18
    const char* const* ink_sets;     // ink-set groups 0 and 1
    const char* file_name;           // of the definitions file

    // Where the dialogs of the driver at `driver_path` keep their file.
    std::string (*definitions_path)(const std::string& driver_path);
    // Reads a file as the dialogs do (bounded in size).
    Raster_Read (*read_definitions)(const std::string& path, std::string& text);
    // Why the dialogs would refuse a text; empty when they accept it.
    std::string (*definitions_fault)(const std::string& text);
    // The 36 records of an accepted text.
    Raster_Paper_Records (*records_of)(const std::string& text);
    // The canonical file text of 36 records.
    std::string (*compose)(const Raster_Paper_Records& records);
    // The file a fresh installation writes.
    std::string (*default_text)();
    // Writes a whole file as the dialogs do; false when it cannot.
    bool (*write_definitions)(const std::string& path, const std::string& text);
};

extern "C" {
using Raster_Tools_Entry = const Raster_Tools* (*)();
}
inline constexpr char raster_tools_entry_name[] = "raster_tools";

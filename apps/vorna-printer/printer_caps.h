// What one installed driver build offers, read once through the driver as the
// host loads it, and translated into the names IPP clients use.
#pragma once

#include <string>
#include <vector>

namespace printer {

// One media size the driver offers in a source, with its standard name.
struct Media_Size {
    std::string pwg;    // "iso_a4_210x297mm", ...
    std::string driver; // the driver's canonical name, "A4_Roll_Paper_Portrait"
    int width = 0;      // paper in hundredths of a millimetre
    int length = 0;
};

// One media source: its IPP keyword and the driver's own name and sizes.
struct Media_Source {
    std::string keyword; // "main-roll", "alternate-roll", "manual", "tray-1"
    std::string driver;  // "P0" ... "P3"
    std::string description;
    std::vector<Media_Size> sizes;
    bool borderless = false;
};

// A resolution-colour-memory entry of the driver.
struct Color_Entry {
    int index = 0;
    int dpi = 0;
    int color_system = 0; // HT_Color_System
    int color_count = 0;  // negative: grey
};

// A vendor setting: the IPP attribute, the driver's key(s) and its values.
struct Vendor_Setting {
    std::string attribute; // "tarv-ink-density"
    std::string key;       // "InkDensity" (per resolution) or "CartrigeOpt"
    bool per_resolution = false;
    // Either a range of integers, or keywords whose position is the value.
    int min = 0, max = 0;
    std::vector<std::string> keywords;
    bool boolean = false;
    int default_value = 0;
};

struct Driver_Caps {
    std::string name; // "vorna_tarv_en_7"
    std::string path; // the .hdi
    std::string description;
    std::string make_and_model;
    std::vector<Media_Source> sources;
    std::vector<std::string> media_types;      // IPP keywords, by paper index
    std::vector<std::string> media_type_names; // the driver's names
    std::vector<Color_Entry> color_entries;
    std::vector<int> resolutions; // ascending
    std::vector<Vendor_Setting> vendor;
    // Largest page the image engine and renderer take, in hundredths of a mm.
    int custom_min_width = 0, custom_min_length = 0;
    int custom_max_width = 0, custom_max_length = 0;
    int paper_kind_default = 0; // media type index of the default configuration
    int ink_set_default = 1;    // CartrigeOpt of the default configuration
};

// Reads the driver's capabilities and its default configuration. Throws
// App_Error when the driver cannot be loaded.
Driver_Caps read_driver_caps(const std::string& path);

// Every driver build (*.hdi) in `folder`, by name.
std::vector<std::string> find_driver_builds(const std::string& folder);

// The media types' IPP keywords, by the driver's paper index.
const std::vector<std::string>& media_type_keywords();

// The largest dimension in dots a page may have (the renderer's window).
constexpr int max_page_dots = 0x7FFF;

} // namespace printer

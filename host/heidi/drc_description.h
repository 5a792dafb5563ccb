// The printer description held in a DRC file, as plain data: media sources and
// sizes, media types, resolution-colour-memory entries and custom capabilities.
// The host's standard loader turns it into capability objects. The layout of
// the branches is described in docs/drc-format.md.
#pragma once

#include "ht_color_system.h"
#include "pm_object.h"

#include <string>
#include <vector>

// Unit kind of a media size whose lengths are millimetres.
constexpr int DRC_UNITS_MM = 1;

struct Drc_Media_Size {
    std::string name;
    double width_mm = 0, height_mm = 0; // paper
    // Printable area in paper coordinates (millimetres from the paper's top
    // left corner); it may reach beyond the paper for borderless printing.
    double printable_left = 0, printable_top = 0, printable_right = 0, printable_bottom = 0;
    int units = DRC_UNITS_MM;
};

struct Drc_Media_Source {
    std::string name;
    std::string description;
    std::vector<Drc_Media_Size> sizes; // in file order
};

struct Drc_Res_Color_Mem {
    int x_dpi = 0, y_dpi = 0;
    int color_system = HT_Color_System_Indexed;
    int color_depth = 0;  // bits per pixel
    long color_count = 0; // negative for grey or monochrome output
    std::string description;
};

struct Drc_Custom_Capability {
    std::string key;
    enum Kind { Long, Boolean, Double, String } kind = Long;
    std::string text; // String
    long long_value = 0;
    bool bool_value = false;
    double double_value = 0;
};

struct Drc_Printer_Description {
    std::string printer; // first node under \DPIA_directory
    std::vector<Drc_Media_Source> sources;
    std::vector<std::string> media_types;
    std::vector<Drc_Res_Color_Mem> res_color_mem;
    std::vector<Drc_Custom_Capability> custom;
};

// Reads the description from a loaded tree. Throws HT_Error (module "pm7",
// code PM_ERR_SCHEMA, operation "read_printer_description") whose detail names
// the node that is missing or wrong and why.
HT_EXPORT Drc_Printer_Description read_printer_description(const PM_Object& tree);

// What a file-type writer module and the image engine share. A module is a
// shared object (for instance "iebmpwr.dll") exporting the C function named
// by ie_writer_module::entry_name; the engine calls it once after each load
// with its services, and the module registers its file types through them.
// The module does not link against the engine: everything it needs is here.
#pragma once

#include "ie_colorspace.h"

#include <cstdint>

// An image as a writer sees it: size, pixel type (ie_pixel::*), palette of an
// indexed image, and rows in the engine's read-back format.
struct Ie_File_Source {
    int width;
    int height;
    int pixel_type;
    const Ie_Rgba* palette; // indexed images: palette_count entries; else null
    int palette_count;
    void* context;
    // Reads `width` pixels of row `row` (0 at the top) into `out`; returns
    // the number of pixels read.
    long (*read_row)(void* context, int row, void* out);
};

// Writes the image to a file at `path`; true on success.
using Ie_File_Writer = bool (*)(const Ie_File_Source& source, const char* path);

struct Ie_Module_Services {
    int version; // ie_writer_module::services_version
    // Registers (or replaces the writer of) a file type by exact name.
    bool (*register_file_type)(const char* name, Ie_File_Writer writer);
};

namespace ie_writer_module {
inline constexpr int services_version = 1;
inline constexpr char entry_name[] = "ieModuleRegister";
} // namespace ie_writer_module

// The module's entry: returns non-zero when it registered what it offers.
using Ie_Module_Entry = int (*)(const Ie_Module_Services* services);

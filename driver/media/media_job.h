// The device's media readers and the builders of the records that start a
// spool job. They are plain functions over plain inputs: the device gathers
// what the host delivers and its own settings, and keeps the results in a
// Media_State between the picture start and the job start.
//
// Every fill clears its record before writing, so fields the spool module
// gives no meaning to, and fields left unwritten (sizes of a printer variant
// other than 0, an unknown resolution), are zero whatever the caller's storage
// held.
//
// Indexes that only a damaged or hand-edited configuration can hold are kept
// inside the tables as media_tables.h describes (media type: Plain Paper;
// cut method, platen gap, eject roller, colour correction: first entry; gamma:
// 1.8; media size: the source's "UserDefined" row; media source: roll paper);
// a suction index outside 0 to 4 sends the suction of the default step 0.
#pragma once

#include "media_tables.h"
#include "paper_settings.h"
#include "spool_records.h"

#include <cstdint>
#include <string_view>

namespace raster_media {

// The device's settings that the media catalogue reads.
struct Media_Device_Settings {
    std::int32_t resolution = 360;                      // 360 or 720 dpi
    std::int32_t cartrige_opt = 0;                      // `CartrigeOpt`
    std::int32_t paper_kind_4c = 0;                     // `PaperKindMode_4c`
    std::int32_t paper_kind_7c = 0;                     // `PaperKindMode_7c`
    std::int32_t device_id = 0;                         // `Device_ID`
    std::int32_t color_correct_mode = 0;                // `ColorCorrectMode`
    Paper_Settings paper{0, 1, 0, 0, 0, 0, 0, 0, 0, 0}; // of the resolution in use
    std::string_view module_directory;                  // driver folder, ending in a separator
    Media_Language language = Media_Language::english;
    // The page the device prints: dots per row and rows (0: no page yet).
    // A user-defined size announces exactly this page, so that no band is
    // wider or longer than the job said; without a page its size comes from
    // the host's bounds.
    std::int32_t page_width = 0;
    std::int32_t page_rows = 0;
};

// The selected media's bounds as the host gives them, in millimetres.
struct Media_Bounds {
    float x_min;
    float x_max;
    float y_min;
    float y_max;
};

// What the readers find at the picture start and the job start keeps.
struct Media_State {
    std::int32_t media_source = media_source_roll; // 0 roll ... 3 paper tray
    std::int32_t media_size = 0;                   // row of the source's size table
    std::int32_t color_output = 0;                 // 1 for colour output
    std::int32_t copy_count = 1;
    std::int32_t print_mode_row = 0; // row index within a print mode block
};

// ---------------------------------------------------------------------------
// Media readers, called at the picture start.

// Colour output is on for the colour values 4 and 256; the grey and
// monochrome values (-256, -4, -2) and anything else turn it off.
void read_color_output_flag(Media_State& state, std::int32_t color_value);

// "P0" to "P3" select media source 0 to 3; any other name roll paper.
void read_media_source(Media_State& state, std::string_view source_name);

// Finds the row whose canonical name (in the settings' language) begins the
// host's size name; the last such row wins, and without a match the row stays
// as it was. Only printer variant 0 has these tables.
void read_media_size(Media_State& state, const Media_Device_Settings& settings,
                     std::string_view size_name);

void read_copy_count(Media_State& state, std::int32_t copies);

// ---------------------------------------------------------------------------
// Record builders, called at the job start in this order.

// Also stores the print mode row index in `state`, which the media and page
// records use. `finishing_option` is the host's roll finishing option
// (non-zero: set). The addresses of the margin-free, print mode and media
// records are the job start's to put in.
void fill_job_params(Media_State& state, const Media_Device_Settings& settings,
                     const Media_Bounds& bounds, std::int32_t finishing_option,
                     Spool_Job_Params& params);

void fill_print_mode(const Media_Device_Settings& settings, Spool_Print_Mode& mode);

// Points at columns 1 to 17 of the colour block's row, whatever the colour
// output: the module wants the colour mode here even for grey output.
void fill_media(const Media_State& state, const Media_Device_Settings& settings,
                Spool_Media& media);

// The three module paths live in process-wide buffers that stay valid until
// the next call: one job at a time per process.
void fill_modules(const Media_Device_Settings& settings, Spool_Output_Fn output,
                  Spool_Modules& modules);

void fill_page_params(const Media_State& state, const Media_Device_Settings& settings,
                      Spool_Page_Params& page);

// The record linked from the job parameters for roll paper without margins.
void fill_margin_free(Spool_Margin_Free& record);

// ---------------------------------------------------------------------------
// Pieces of the records, for the dialogs and for checks.

// (density × 0.01 + 1.0) × 1024.0, truncated toward zero.
std::int32_t ink_density_factor(std::int32_t density);

// Suction strength sent for a suction step.
std::int32_t suction_value(std::int32_t suction_index);

} // namespace raster_media

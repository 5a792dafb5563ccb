// The device's settings as the configuration's custom keys give them.
#pragma once

#include "driver_folder.h"
#include "media_job.h"

#include <cstdint>
#include <string>

class HT_Custom_Capabilities;
class HT_Custom_Configurations;

namespace raster_device {

// The printer's own settings; a key that is absent leaves its value as it was.
struct Printer_Settings {
    std::int32_t device_id = 0;          // `Device_ID`
    std::int32_t paper_kind_4c = 0;      // `PaperKindMode_4c`
    std::int32_t paper_kind_7c = 0;      // `PaperKindMode_7c`
    std::int32_t color_correct_mode = 0; // `ColorCorrectMode`
    std::int32_t cartrige_opt = 0;       // `CartrigeOpt`
    // The ten paper settings of each resolution, and those in use.
    raster_media::Paper_Settings paper_360{};
    raster_media::Paper_Settings paper_720{};
    raster_media::Paper_Settings active{};
};

void read_printer_settings(const HT_Custom_Configurations* items, Printer_Settings& settings);

// `RASTER_RGB_Back_Color` (0 when absent) with its top byte set.
std::uint32_t read_background(const HT_Custom_Configurations* items);

// The image engine's file type, compression and file-writer module names,
// each defaulted when the capability is absent or holds no text.
struct Ie_Names {
    std::string file_type;
    std::string compression;
    std::string module_name;
};
Ie_Names read_ie_names(const HT_Custom_Capabilities* caps);

using raster_media::driver_folder_of;

} // namespace raster_device

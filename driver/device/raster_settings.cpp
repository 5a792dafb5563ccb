#include "raster_settings.h"

#include "ht_custom.h"

namespace raster_device {
namespace {

void read_long(const HT_Custom_Configurations* items, const char* key, std::int32_t& value) {
    auto item = items ? items->find(key) : nullptr;
    std::int32_t v = 0;
    if (item && item->get_long(v))
        value = v;
}

// The ten settings of a resolution, in the order the device keeps them.
struct Paper_Key {
    const char* name;
    std::int32_t raster_media::Active_Paper_Settings::*field;
};
constexpr Paper_Key paper_keys[] = {
    {"GammaMode", &raster_media::Active_Paper_Settings::gamma},
    {"BothSideProcess", &raster_media::Active_Paper_Settings::two_way},
    {"CutAdjustMode", &raster_media::Active_Paper_Settings::cutting},
    {"FeedOffset", &raster_media::Active_Paper_Settings::feed_offset},
    {"InkDensity", &raster_media::Active_Paper_Settings::density},
    {"PathDelayTime", &raster_media::Active_Paper_Settings::drying_time},
    {"PaperThick", &raster_media::Active_Paper_Settings::thickness},
    {"VacuumIndex", &raster_media::Active_Paper_Settings::suction},
    {"PlatenGapMode", &raster_media::Active_Paper_Settings::platen_gap},
    {"EjectRollerMode", &raster_media::Active_Paper_Settings::eject_roller},
};

std::string read_text(const HT_Custom_Capabilities* caps, const char* key, const char* fallback) {
    auto cap = caps ? caps->find(key) : nullptr;
    std::string text;
    if (cap && cap->get_text(text))
        return text;
    return fallback;
}

} // namespace

void read_printer_settings(const HT_Custom_Configurations* items, Printer_Settings& s) {
    read_long(items, "Device_ID", s.device_id);
    read_long(items, "PaperKindMode_4c", s.paper_kind_4c);
    read_long(items, "PaperKindMode_7c", s.paper_kind_7c);
    read_long(items, "ColorCorrectMode", s.color_correct_mode);
    read_long(items, "CartrigeOpt", s.cartrige_opt);
    for (const Paper_Key& key : paper_keys) {
        const std::string name = key.name;
        read_long(items, (name + "_360").c_str(), s.paper_360.*key.field);
        read_long(items, (name + "_720").c_str(), s.paper_720.*key.field);
    }
}

std::uint32_t read_background(const HT_Custom_Configurations* items) {
    std::int32_t value = 0;
    read_long(items, "RASTER_RGB_Back_Color", value);
    return static_cast<std::uint32_t>(value) | 0xFF000000u;
}

Ie_Names read_ie_names(const HT_Custom_Capabilities* caps) {
    return {read_text(caps, "RASTER_IE_File_Type", "BMP"),
            read_text(caps, "RASTER_IE_Compression_Type", "UNCOMPRESSED"),
            read_text(caps, "RASTER_IE_Module_Name", "iebmpwr.dll")};
}

std::string driver_folder_of(const std::string& executable_path) {
    // Everything up to the last separator is the folder; a bare name lies in
    // the current folder.
    const auto slash = executable_path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : executable_path.substr(0, slash + 1);
    return folder + "drv/";
}

} // namespace raster_device

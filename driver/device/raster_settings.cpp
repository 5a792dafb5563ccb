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
    for (const auto& setting : raster_media::paper_settings) {
        const std::string key(setting.key);
        read_long(items, (key + "_360").c_str(), s.paper_360.*setting.member);
        read_long(items, (key + "_720").c_str(), s.paper_720.*setting.member);
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

} // namespace raster_device

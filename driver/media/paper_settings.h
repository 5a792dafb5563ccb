// The ten settings every paper keeps at each resolution: one record, and one
// table that names each setting wherever it appears (the configuration's
// keys, the definitions file's elements, the tools' descriptions). Adding a
// setting is a member and a row.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace raster_media {

// Members in the order of the definitions file's elements, so that its
// tables of defaults read like the file.
struct Paper_Settings {
    std::int32_t gamma = 0;        // position in the gamma list ("1.5", "1.8", "2.2")
    std::int32_t two_way = 0;      // bidirectional printing, 1 on
    std::int32_t density = 0;      // ink density in %
    std::int32_t drying_time = 0;  // 0.1 s per head pass
    std::int32_t feed_offset = 0;  // 0.01 %
    std::int32_t suction = 0;      // suction step 0 to 4, 0 standard
    std::int32_t cutting = 0;      // position in the cut method list
    std::int32_t thickness = 0;    // 0.1 mm
    std::int32_t platen_gap = 0;   // position in the platen gap list
    std::int32_t eject_roller = 0; // position in the eject roller list
    bool operator==(const Paper_Settings&) const = default;
};
static_assert(sizeof(Paper_Settings) == 40);

struct Paper_Setting {
    std::string_view key;     // configuration key, followed by "_360" or "_720"
    std::string_view tag;     // element of the definitions file
    std::string_view meaning; // for people, followed by the resolution
    std::string_view unit;    // of a plain number; "" for a position or a step
    int listed;               // place among the keys as the printer's description lists them
    std::int32_t Paper_Settings::*member;
};

// In file order.
inline constexpr std::array<Paper_Setting, 10> paper_settings = {{
    {"GammaMode", "gamma", "gamma", "", 0, &Paper_Settings::gamma},
    {"BothSideProcess", "bothway", "bidirectional printing", "", 1, &Paper_Settings::two_way},
    {"InkDensity", "inkdensity", "colour density", "%", 7, &Paper_Settings::density},
    {"PathDelayTime", "delaytime", "drying time per head pass", "0.1 s", 4,
     &Paper_Settings::drying_time},
    {"FeedOffset", "feedoffset", "paper feed adjustment", "0.01 %", 3,
     &Paper_Settings::feed_offset},
    {"VacuumIndex", "vacuum", "paper suction step", "", 2, &Paper_Settings::suction},
    {"CutAdjustMode", "adjustmode", "cut method", "", 6, &Paper_Settings::cutting},
    {"PaperThick", "paperthick", "paper thickness", "0.1 mm", 5, &Paper_Settings::thickness},
    {"PlatenGapMode", "gap", "platen gap", "", 8, &Paper_Settings::platen_gap},
    {"EjectRollerMode", "roller", "eject roller", "", 9, &Paper_Settings::eject_roller},
}};

// Gamma and two-way printing are set in Custom Properties itself; Paper
// Config edits the others, the paper's mechanical settings.
inline constexpr std::span<const Paper_Setting> mechanical_paper_settings{
    paper_settings.begin() + 2, paper_settings.end()};

// The configuration key of a member's setting.
constexpr std::string_view paper_key(std::int32_t Paper_Settings::*member) {
    for (const Paper_Setting& setting : paper_settings)
        if (setting.member == member)
            return setting.key;
    return {};
}

// Every place in the listing taken once.
constexpr bool listed_once() {
    for (std::size_t place = 0; place < paper_settings.size(); ++place) {
        int count = 0;
        for (const Paper_Setting& setting : paper_settings)
            count += setting.listed == static_cast<int>(place) ? 1 : 0;
        if (count != 1)
            return false;
    }
    return true;
}
static_assert(listed_once());

} // namespace raster_media

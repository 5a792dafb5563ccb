// The resolution-colour-memory entries of the printer's descriptions, in
// their order: at each resolution indexed colour, indexed grey, true colour
// and monochrome.
#pragma once

namespace raster_media {

enum Rcm_Entry : int {
    rcm_360_indexed = 0,
    rcm_360_grey = 1,
    rcm_360_true_color = 2,
    rcm_360_mono = 3,
    rcm_720_indexed = 4,
    rcm_720_grey = 5,
    rcm_720_true_color = 6,
    rcm_720_mono = 7,
};
// Each resolution has the same four, in the same order.
inline constexpr int rcm_entries_per_resolution = 4;

} // namespace raster_media

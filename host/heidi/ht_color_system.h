// The colour systems of the host's renderer, as the printer descriptions, the
// plot configuration and the drivers number them.
#pragma once

#include <cstdint>

enum HT_Color_System : std::int32_t {
    HT_Color_System_Indexed = 0,    // 8-bit palette indices
    HT_Color_System_True_Color = 1, // 32-bit colours
    HT_Color_System_Bitonal = 2,    // 1 bit per pixel
};

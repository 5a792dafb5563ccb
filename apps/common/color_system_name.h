// How the programs name a resolution-colour-memory entry's colour system.
#pragma once

#include "ht_color_system.h"

#include <cstdint>

// `count` is the entry's colour count, negative for grey output.
inline const char* color_system_name(int system, std::int32_t count) {
    switch (system) {
    case HT_Color_System_Indexed:
        return count < 0 ? "indexed grey" : "indexed colour";
    case HT_Color_System_True_Color:
        return count < 0 ? "true colour (grey)" : "true colour";
    case HT_Color_System_Bitonal:
        return "monochrome bitonal";
    default:
        return "unknown";
    }
}

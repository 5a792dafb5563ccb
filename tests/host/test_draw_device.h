// A device for the drawing tests: its dot action records every dot it is
// given, with the value that would be written.
#pragma once

#include "ht_draw.h"

#include <cstdint>
#include <map>
#include <utility>

class Grid_Device : public HT_Plotter_Device_Data {
public:
    using Key = std::pair<std::int32_t, std::int32_t>; // x, y

    explicit Grid_Device(int color_system = HT_Color_System_True_Color) {
        renderer_options().set_color_system(color_system);
        set_standard_actions(false);
        set_draw_dci_dot_action(this, &Grid_Device::dot, 0, 1);
    }

    // Times each dot was written, and the last value written there.
    std::map<Key, int> hits;
    std::map<Key, std::uint32_t> values;
    int calls = 0;

    bool has(std::int32_t x, std::int32_t y) const { return hits.count({x, y}) != 0; }
    int max_hits() const {
        int m = 0;
        for (const auto& [k, n] : hits)
            m = n > m ? n : m;
        return m;
    }
    void reset() {
        hits.clear();
        values.clear();
        calls = 0;
    }

private:
    static void dot(HT_Renderer_Data* device, const HT_Rendition* rendition,
                    const HT_DCI_Point* point, const std::uint32_t* color) {
        auto* self = static_cast<Grid_Device*>(device);
        ++self->calls;
        const Key k{point->x, point->y};
        ++self->hits[k];
        const bool indexed = self->renderer_options().color_system() == HT_Color_System_Indexed;
        self->values[k] = color ? *color
                                : (indexed ? static_cast<std::uint32_t>(rendition->color_index)
                                           : rendition->color);
    }
};

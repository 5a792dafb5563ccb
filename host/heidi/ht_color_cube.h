// A colour cube: evenly spaced levels of red, green and blue that a palette
// can hold from a first index on.
#pragma once

#include "ht_object.h"

#include <cstdint>

struct HT_Int_RGB {
    int red = 0, green = 0, blue = 0;
    bool operator==(const HT_Int_RGB&) const = default;
};

class HT_EXPORT HT_Color_Cube {
public:
    static constexpr int max_levels = 256;

    // levels: per primary; gamma: 1.0 for linear steps; first_index: palette
    // index of the cube's first colour.
    HT_Color_Cube(HT_Int_RGB levels, float gamma, int first_index);

    void set_red_levels(int n);
    void set_green_levels(int n);
    void set_blue_levels(int n);
    void set_first_index(int index);
    HT_Int_RGB levels() const { return m_levels; }
    int first_index() const { return m_first; }
    float gamma() const { return m_gamma; }

    // Checks the cube: every primary has 2 to 256 levels, the gamma is
    // positive and the whole cube fits into a palette of 256 entries from the
    // first index on. Any change invalidates it until validated again.
    bool validate();
    bool valid() const { return m_valid; }
    int entry_count() const { return m_levels.red * m_levels.green * m_levels.blue; }

    // The 8-bit value of level `i` of a primary with `n` levels.
    std::uint8_t level_value(int i, int n) const;
    // The cube's colour at `offset` from the first index (alpha 255). Blue
    // varies fastest, red slowest.
    std::uint32_t color_at(int offset) const;
    // The palette index of the cube colour nearest to a host colour, or -1
    // when the cube is not valid.
    int index_of(std::uint32_t color) const;

private:
    HT_Int_RGB m_levels;
    float m_gamma;
    int m_first;
    bool m_valid = false;
};

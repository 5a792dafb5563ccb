// The host's palette: 256 colours, blue in bits 0-7, green 8-15, red 16-23,
// alpha 24-31. Copies share one representation, counted under the host's
// global critical section and copied before the first change.
#pragma once

#include "ht_object.h"

#include <array>
#include <cstddef>
#include <cstdint>

class HT_Color_Cube;

class HT_EXPORT HT_Palette : public HT_Object {
public:
    static constexpr std::size_t size = 256;

    HT_Palette();
    HT_Palette(const HT_Palette& o);
    HT_Palette& operator=(const HT_Palette& o);
    ~HT_Palette() override;
    HT_Palette* clone() const { return new HT_Palette(*this); }

    std::uint32_t get_entry(std::size_t i) const { return i < size ? m_rep->entries[i] : 0; }
    void set_entry(std::size_t i, std::uint32_t color);
    const std::array<std::uint32_t, size>& entries() const { return m_rep->entries; }

    // Writes a validated cube into its entries; false (and nothing written)
    // when the cube is not valid or does not fit.
    bool install(const HT_Color_Cube& cube);
    // The index whose red, green and blue are nearest to `color` (alpha is
    // ignored); the lowest index wins a tie, so an exact match is always found.
    std::size_t nearest_index(std::uint32_t color) const;

    // Number of palettes sharing this one's representation.
    long share_count() const;

private:
    struct Rep {
        long refs;
        std::array<std::uint32_t, size> entries;
    };
    static Rep* acquire(Rep* rep);
    static void release(Rep* rep);
    void detach();

    Rep* m_rep;
};

// The host's palette: 256 colours, blue in bits 0-7, green 8-15, red 16-23,
// alpha 24-31.
#pragma once

#include "ht_object.h"

#include <array>
#include <cstddef>
#include <cstdint>

class HT_EXPORT HT_Palette : public HT_Object {
public:
    static constexpr std::size_t size = 256;
    HT_Palette* clone() const { return new HT_Palette(*this); }

    std::uint32_t get_entry(std::size_t i) const { return i < size ? m_entries[i] : 0; }
    void set_entry(std::size_t i, std::uint32_t color) {
        if (i < size)
            m_entries[i] = color;
    }
    const std::array<std::uint32_t, size>& entries() const { return m_entries; }

private:
    std::array<std::uint32_t, size> m_entries{};
};

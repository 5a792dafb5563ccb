#include "ht_palette.h"

#include "ht_color_cube.h"

#include <algorithm>
#include <cmath>
#include <limits>

// ---- palette -------------------------------------------------------------------

HT_Palette::Rep* HT_Palette::acquire(Rep* rep) {
    std::lock_guard lock(HEIDI.critical_section());
    ++rep->refs;
    return rep;
}

void HT_Palette::release(Rep* rep) {
    bool last;
    {
        std::lock_guard lock(HEIDI.critical_section());
        last = --rep->refs == 0;
    }
    if (last)
        delete rep;
}

HT_Palette::HT_Palette() : m_rep(new Rep{1, {}}) {}

HT_Palette::HT_Palette(const HT_Palette& o) : HT_Object(o), m_rep(acquire(o.m_rep)) {}

HT_Palette& HT_Palette::operator=(const HT_Palette& o) {
    if (m_rep != o.m_rep) {
        Rep* old = m_rep;
        m_rep = acquire(o.m_rep);
        release(old);
    }
    return *this;
}

HT_Palette::~HT_Palette() {
    release(m_rep);
}

long HT_Palette::share_count() const {
    std::lock_guard lock(HEIDI.critical_section());
    return m_rep->refs;
}

// Gives this palette a representation of its own before it changes.
void HT_Palette::detach() {
    {
        std::lock_guard lock(HEIDI.critical_section());
        if (m_rep->refs == 1)
            return;
    }
    Rep* own = new Rep{1, m_rep->entries};
    release(m_rep);
    m_rep = own;
}

void HT_Palette::set_entry(std::size_t i, std::uint32_t color) {
    if (i >= size)
        return;
    detach();
    m_rep->entries[i] = color;
}

bool HT_Palette::install(const HT_Color_Cube& cube) {
    if (!cube.valid())
        return false;
    const int first = cube.first_index();
    const int count = cube.entry_count();
    if (first < 0 || count <= 0 || static_cast<std::size_t>(first) + count > size)
        return false;
    detach();
    for (int k = 0; k < count; ++k)
        m_rep->entries[static_cast<std::size_t>(first + k)] = cube.color_at(k);
    return true;
}

std::size_t HT_Palette::nearest_index(std::uint32_t color) const {
    const int r = (color >> 16) & 0xFF, g = (color >> 8) & 0xFF, b = color & 0xFF;
    std::size_t best = 0;
    long best_distance = std::numeric_limits<long>::max();
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint32_t e = m_rep->entries[i];
        const long dr = static_cast<long>((e >> 16) & 0xFF) - r;
        const long dg = static_cast<long>((e >> 8) & 0xFF) - g;
        const long db = static_cast<long>(e & 0xFF) - b;
        const long d = dr * dr + dg * dg + db * db;
        if (d < best_distance) {
            best_distance = d;
            best = i;
            if (d == 0)
                break;
        }
    }
    return best;
}

// ---- colour cube -------------------------------------------------------------

HT_Color_Cube::HT_Color_Cube(HT_Int_RGB levels, float gamma, int first_index)
    : m_levels(levels), m_gamma(gamma), m_first(first_index) {}

void HT_Color_Cube::set_red_levels(int n) {
    m_levels.red = n;
    m_valid = false;
}

void HT_Color_Cube::set_green_levels(int n) {
    m_levels.green = n;
    m_valid = false;
}

void HT_Color_Cube::set_blue_levels(int n) {
    m_levels.blue = n;
    m_valid = false;
}

void HT_Color_Cube::set_first_index(int index) {
    m_first = index;
    m_valid = false;
}

bool HT_Color_Cube::validate() {
    auto levels_ok = [](int n) { return n >= 2 && n <= max_levels; };
    m_valid = levels_ok(m_levels.red) && levels_ok(m_levels.green) && levels_ok(m_levels.blue) &&
              m_gamma > 0 && std::isfinite(m_gamma) && m_first >= 0 &&
              static_cast<long>(m_first) +
                      static_cast<long>(m_levels.red) * m_levels.green * m_levels.blue <=
                  static_cast<long>(HT_Palette::size);
    return m_valid;
}

std::uint8_t HT_Color_Cube::level_value(int i, int n) const {
    if (n < 2 || i <= 0)
        return 0;
    if (i >= n - 1)
        return 255;
    double t = static_cast<double>(i) / (n - 1);
    if (m_gamma != 1.0f)
        t = std::pow(t, 1.0 / m_gamma);
    return static_cast<std::uint8_t>(std::lround(t * 255.0));
}

std::uint32_t HT_Color_Cube::color_at(int offset) const {
    const int nb = std::max(m_levels.blue, 1), ng = std::max(m_levels.green, 1);
    const int b = offset % nb;
    const int g = (offset / nb) % ng;
    const int r = offset / (nb * ng);
    return 0xFF000000u | static_cast<std::uint32_t>(level_value(r, m_levels.red)) << 16 |
           static_cast<std::uint32_t>(level_value(g, m_levels.green)) << 8 |
           level_value(b, m_levels.blue);
}

int HT_Color_Cube::index_of(std::uint32_t color) const {
    if (!m_valid)
        return -1;
    // Nearest level per primary: the levels are monotonic, so the search per
    // primary is independent of the others.
    auto nearest = [this](int v, int n) {
        int best = 0, best_d = 256;
        for (int i = 0; i < n; ++i) {
            const int d = std::abs(level_value(i, n) - v);
            if (d < best_d) {
                best_d = d;
                best = i;
            }
        }
        return best;
    };
    const int r = nearest((color >> 16) & 0xFF, m_levels.red);
    const int g = nearest((color >> 8) & 0xFF, m_levels.green);
    const int b = nearest(color & 0xFF, m_levels.blue);
    return m_first + (r * m_levels.green + g) * m_levels.blue + b;
}

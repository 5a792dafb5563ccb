// Drawing attributes the renderer hands to every drawing action: the colour,
// the clip region, the line weight factor and the fill attributes.
#pragma once

#include "ht_object.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// A point in device coordinates, in dots; y grows upwards.
struct HT_DCI_Point {
    std::int32_t x = 0, y = 0, z = 0;
    bool operator==(const HT_DCI_Point&) const = default;
};

// A point with real coordinates.
struct HT_Point {
    float x = 0, y = 0, z = 0;
    bool operator==(const HT_Point&) const = default;
};

// A clip region: one or more closed contours. The inside follows the even-odd
// rule, so a contour inside another cuts a hole; points on an edge are inside,
// so that a region drawn along its own outline keeps its border.
class HT_EXPORT HT_Contour_Set_Data : public HT_Object {
public:
    using Contour = std::vector<HT_Point>;

    HT_Contour_Set_Data() = default;
    explicit HT_Contour_Set_Data(std::vector<Contour> contours);
    // Copies take the contours; the span cache is rebuilt on first use.
    HT_Contour_Set_Data(const HT_Contour_Set_Data& o);
    HT_Contour_Set_Data& operator=(const HT_Contour_Set_Data& o);
    ~HT_Contour_Set_Data() override;
    HT_Contour_Set_Data* clone() const { return new HT_Contour_Set_Data(*this); }

    // Adds a contour; fewer than three points enclose nothing and are ignored.
    void add_contour(Contour contour);
    const std::vector<Contour>& contours() const { return m_contours; }
    std::size_t contour_count() const { return m_contours.size(); }
    std::size_t point_count() const;

    // True when `point` (x and y; z is ignored) lies inside the region.
    bool point_inside(const HT_Point& point) const;

    // The same answer as point_inside for the whole-dot point (x, y), from
    // spans of inside dots per row, computed once per block of rows on first
    // use: dot actions ask for every dot they write. Not for concurrent use
    // (one picture is drawn on one thread).
    bool dot_inside(std::int64_t x, std::int64_t y) const {
        // The row asked last, inline: dots come row by row.
        if (y != m_row_y || x < -dot_limit || x > dot_limit)
            return dot_inside_slow(x, y);
        // A row cut into many spans (a clip of many contours) is searched,
        // not walked: a walk per dot made such a page take minutes.
        if (m_row_end - m_row_begin > 2 * few_spans)
            return inside_spans(m_row_begin, m_row_end, x);
        for (const std::int32_t* s = m_row_begin; s != m_row_end; s += 2) {
            if (x < s[0])
                return false;
            if (x <= s[1])
                return true;
        }
        return false;
    }

    // Bounding box of the contours; false when there are none.
    bool bounds(double& x0, double& y0, double& x1, double& y1) const;

private:
    // Whole numbers up to this size are exact in a float.
    static constexpr std::int64_t dot_limit = std::int64_t{1} << 24;
    // Spans of a row that are walked rather than searched.
    static constexpr std::ptrdiff_t few_spans = 8;
    // Whether x lies in one of the sorted, disjoint spans [begin, end).
    static bool inside_spans(const std::int32_t* begin, const std::int32_t* end, std::int64_t x);
    struct Span_Cache;
    bool dot_inside_slow(std::int64_t x, std::int64_t y) const;
    void forget_spans();
    const Span_Cache& cache() const;
    const std::int32_t* row_spans(std::int64_t y, const std::int32_t*& end) const;

    std::vector<Contour> m_contours;
    // Shared pointer: its deleter is fine with the type unknown here.
    mutable std::shared_ptr<Span_Cache> m_cache;
    // The spans of row m_row_y, inside the cache.
    mutable std::int64_t m_row_y = INT64_MIN;
    mutable const std::int32_t* m_row_begin = nullptr;
    mutable const std::int32_t* m_row_end = nullptr;
};

// Fill styles of the attribute record.
enum HT_Fill_Style : std::int32_t {
    HT_Fill_Solid = 0,
    // Filled with the attribute record's 8 × 8 pattern, scaled by the renderer
    // options' pattern scale; devices leave it to the host's standard drawing.
    HT_Fill_Pattern = 64,
};

struct HT_Fill_Attributes {
    std::int32_t style = HT_Fill_Solid;
    // Row j of the pattern, bit 7 the leftmost cell; a set bit is drawn.
    std::uint8_t pattern[8] = {0x88, 0x44, 0x22, 0x11, 0x88, 0x44, 0x22, 0x11};
};

class HT_EXPORT HT_Rendition {
public:
    // The host's 32-bit colour: blue bits 0-7, green 8-15, red 16-23, alpha 24-31.
    std::uint32_t color = 0xFF000000u;
    // Palette index of the colour in the indexed colour system; -1 lets the
    // renderer find it from `color` through the device's palette.
    std::int32_t color_index = -1;
    // Empty when nothing is clipped.
    HT_Smart_Pointer<HT_Contour_Set_Data> clip_region;
    // Scales the host's line weights; 0 or less means "not set".
    float weight_factor = 1.0f;
    HT_Fill_Attributes fill;
};

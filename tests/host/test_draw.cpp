#include "test_draw_device.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <vector>

namespace {

HT_Rendition solid(std::uint32_t color = 0xFF112233u) {
    HT_Rendition r;
    r.color = color;
    return r;
}

void fill(Grid_Device& d, std::vector<HT_DCI_Point> pts, int rule = HT_Fill_Even_Odd, int thin = -1,
          bool x_major = false, bool outline = false, const HT_Rendition& r = solid()) {
    HD_Fill_2DI_Polygon(&d, &r, static_cast<int>(pts.size()), pts.data(), rule, thin, x_major,
                        outline);
}

} // namespace

// ---- coverage of single shapes ---------------------------------------------------

TEST(ScanConversion, AxisAlignedShapesCoverExactlyTheirArea) {
    Grid_Device d;
    fill(d, {{0, 0, 0}, {10, 0, 0}, {10, 5, 0}, {0, 5, 0}});
    EXPECT_EQ(d.hits.size(), 50u);
    EXPECT_EQ(d.max_hits(), 1);
    EXPECT_TRUE(d.has(0, 0));
    EXPECT_TRUE(d.has(9, 4));
    EXPECT_FALSE(d.has(10, 4));
    EXPECT_FALSE(d.has(9, 5));

    // The same rectangle given clockwise, and moved to negative coordinates
    // inside a window that reaches there.
    d.reset();
    d.renderer_options().set_window(-100, -100, 200, 200);
    fill(d, {{-3, -2, 0}, {-3, 3, 0}, {4, 3, 0}, {4, -2, 0}});
    EXPECT_EQ(d.hits.size(), 35u);
    EXPECT_TRUE(d.has(-3, -2));
    EXPECT_TRUE(d.has(3, 2));
    EXPECT_FALSE(d.has(4, 2));
}

TEST(ScanConversion, RightTriangleTakesTheDotsWhoseCentresLieInside) {
    // Centre (c + 0.5, r + 0.5) is inside x + y < 8 when c + r < 7: 7 + 6 + ... + 1.
    Grid_Device d;
    fill(d, {{0, 0, 0}, {8, 0, 0}, {0, 8, 0}});
    EXPECT_EQ(d.hits.size(), 28u);
    for (const auto& [k, n] : d.hits)
        EXPECT_LT(k.first + k.second, 7);
}

TEST(ScanConversion, SharedEdgesNeitherGapNorOverlap) {
    // A square cut along both diagonals into four triangles.
    Grid_Device d;
    const HT_DCI_Point c{8, 8, 0}, a{0, 0, 0}, b{16, 0, 0}, e{16, 16, 0}, f{0, 16, 0};
    fill(d, {a, b, c});
    fill(d, {b, e, c});
    fill(d, {e, f, c});
    fill(d, {f, a, c});
    EXPECT_EQ(d.hits.size(), 256u);
    EXPECT_EQ(d.max_hits(), 1);
}

TEST(ScanConversion, FanOfTrianglesEqualsTheWholePolygon) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        // A convex polygon: points on a circle, rounded to whole dots.
        std::uniform_real_distribution<double> radius(5, 60), phase(0, 6.28);
        const double r = radius(rng), p0 = phase(rng);
        const int n = 3 + round % 9;
        std::vector<HT_DCI_Point> poly;
        for (int i = 0; i < n; ++i) {
            const double t = p0 + 6.2831853 * i / n;
            poly.push_back({static_cast<int>(std::lround(100 + r * std::cos(t))),
                            static_cast<int>(std::lround(100 + r * std::sin(t))), 0});
        }
        Grid_Device whole, fan;
        fill(whole, poly);
        for (int i = 1; i + 1 < n; ++i)
            fill(fan, {poly[0], poly[i], poly[i + 1]});
        EXPECT_EQ(fan.max_hits() <= 1, true) << "round " << round;
        EXPECT_EQ(fan.hits, whole.hits) << "round " << round;
    }
}

TEST(ScanConversion, FillRulesDifferOnlyWhereTheOutlineWindsTwice) {
    // A pentagram: its centre is wound twice.
    std::vector<HT_DCI_Point> star;
    for (int i = 0; i < 5; ++i) {
        const double t = 1.5708 + 2 * 6.2831853 * i / 5;
        star.push_back({static_cast<int>(std::lround(50 + 40 * std::cos(t))),
                        static_cast<int>(std::lround(50 + 40 * std::sin(t))), 0});
    }
    Grid_Device even_odd, non_zero;
    fill(even_odd, star, HT_Fill_Even_Odd);
    fill(non_zero, star, HT_Fill_Non_Zero);
    EXPECT_FALSE(even_odd.has(50, 50));
    EXPECT_TRUE(non_zero.has(50, 50));
    for (const auto& [k, n] : even_odd.hits)
        EXPECT_TRUE(non_zero.has(k.first, k.second));
    EXPECT_GT(non_zero.hits.size(), even_odd.hits.size());
}

TEST(ScanConversion, NothingIsDrawnOutsideTheWindow) {
    Grid_Device d;
    d.renderer_options().set_window(0, 0, 100, 50);
    // Far beyond the window on every side: only the window's dots, and quickly.
    fill(d, {{-2000000000, -2000000000, 0},
             {2000000000, -2000000000, 0},
             {2000000000, 2000000000, 0},
             {-2000000000, 2000000000, 0}});
    EXPECT_EQ(d.hits.size(), 5000u);
    EXPECT_TRUE(d.has(0, 0));
    EXPECT_TRUE(d.has(99, 49));

    d.reset();
    HT_Rendition r = solid();
    const HT_DCI_Point line[2] = {{-1000000000, 10, 0}, {1000000000, 10, 0}};
    HD_Fill_2DI_Polygon(&d, &r, 2, line, HT_Fill_Even_Odd, -1, true, true);
    EXPECT_EQ(d.hits.size(), 100u);
}

TEST(ScanConversion, ThinFeaturesKeepOneDotPerScanLine) {
    // A sliver 41 dots long and never more than a dot thick.
    const std::vector<HT_DCI_Point> sliver{{0, 0, 0}, {40, 10, 0}, {41, 10, 0}};
    auto columns = [](const Grid_Device& d) {
        std::set<int> cs;
        for (const auto& [k, n] : d.hits)
            cs.insert(k.first);
        return cs;
    };
    Grid_Device plain, kept;
    fill(plain, sliver, HT_Fill_Even_Odd, -1, true);
    fill(kept, sliver, HT_Fill_Even_Odd, 10, true);
    EXPECT_LT(columns(plain).size(), 41u);
    EXPECT_EQ(columns(kept).size(), 41u);
    for (const auto& [k, n] : plain.hits)
        EXPECT_TRUE(kept.has(k.first, k.second));
    // The kept dots stay on the sliver: row about x / 4.
    for (const auto& [k, n] : kept.hits)
        EXPECT_LE(std::abs(k.second - k.first / 4), 1) << k.first;

    // Scanned along rows, the same rule keeps one dot in every row.
    Grid_Device tall;
    fill(tall, {{0, 0, 0}, {10, 40, 0}, {10, 41, 0}}, HT_Fill_Even_Odd, 10, false);
    std::set<int> rows;
    for (const auto& [k, n] : tall.hits)
        rows.insert(k.second);
    EXPECT_EQ(rows.size(), 41u);

    // A polygon of zero area is not a feature at all.
    Grid_Device flat;
    fill(flat, {{0, 0, 0}, {10, 10, 0}, {20, 20, 0}}, HT_Fill_Even_Odd, 50, true);
    EXPECT_TRUE(flat.hits.empty());
}

TEST(ScanConversion, OutlinesAreConnectedOneDotLines) {
    Grid_Device d;
    fill(d, {{0, 0, 0}, {5, 3, 0}}, HT_Fill_Even_Odd, -1, true, true);
    EXPECT_EQ(d.hits.size(), 6u);
    EXPECT_EQ(d.max_hits(), 1);
    EXPECT_TRUE(d.has(0, 0));
    EXPECT_TRUE(d.has(5, 3));
    for (const auto& [k, n] : d.hits) {
        if (k.first == 0)
            continue;
        const bool neighbour = d.has(k.first - 1, k.second) || d.has(k.first - 1, k.second - 1);
        EXPECT_TRUE(neighbour) << k.first << "," << k.second;
    }
    // A closed outline of a square: its 4 × 4 border dots.
    d.reset();
    fill(d, {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}}, HT_Fill_Even_Odd, -1, false, true);
    EXPECT_EQ(d.hits.size(), 16u);
    EXPECT_FALSE(d.has(2, 2));
}

TEST(ScanConversion, PatternFillsScaleWithThePatternScale) {
    Grid_Device d;
    HT_Rendition r = solid();
    r.fill.style = HT_Fill_Pattern;
    // Vertical stripes: cells 0, 2, 4, 6 of every row.
    for (auto& row : r.fill.pattern)
        row = 0xAA;
    const std::vector<HT_DCI_Point> square{{0, 0, 0}, {64, 0, 0}, {64, 64, 0}, {0, 64, 0}};

    d.renderer_options().set_pattern_scale(180); // 4 dots per cell
    fill(d, square, HT_Fill_Even_Odd, -1, false, false, r);
    EXPECT_EQ(d.hits.size(), 64u * 32u);
    EXPECT_TRUE(d.has(3, 0));
    EXPECT_FALSE(d.has(4, 0));
    EXPECT_TRUE(d.has(8, 63));

    d.reset();
    d.renderer_options().set_pattern_scale(360); // 8 dots per cell
    fill(d, square, HT_Fill_Even_Odd, -1, false, false, r);
    EXPECT_TRUE(d.has(7, 0));
    EXPECT_FALSE(d.has(8, 0));

    d.reset();
    for (auto& row : r.fill.pattern)
        row = 0;
    fill(d, square, HT_Fill_Even_Odd, -1, false, false, r);
    EXPECT_TRUE(d.hits.empty());
}

TEST(StandardPolytriangle, StripTilesABandWithoutGapsOrDegenerateLines) {
    Grid_Device d;
    // A band 40 × 6 as two strips zig-zagging between its long edges, joined
    // by repeated points into one, as a tessellator joins strips.
    std::vector<HT_DCI_Point> strip;
    for (int x = 0; x <= 40; x += 8) {
        strip.push_back({x, 0, 0});
        strip.push_back({x, 6, 0});
        if (x == 16) {
            strip.push_back({16, 6, 0});
            strip.push_back({16, 0, 0});
            strip.push_back({16, 0, 0});
            strip.push_back({16, 6, 0});
        }
    }
    HT_Rendition r = solid();
    HD_Standard_Draw_DCI_Polytriangle(&d, &r, static_cast<int>(strip.size()), strip.data());
    EXPECT_EQ(d.hits.size(), 240u);
    EXPECT_EQ(d.max_hits(), 1);

    d.reset();
    HD_Standard_Draw_DCI_Polytriangle(&d, &r, 2, strip.data());
    EXPECT_EQ(d.calls, 0);
}

TEST(StandardPolytriangle, DeviceWithoutDotActionIsLeftAlone) {
    Grid_Device d;
    d.set_draw_dci_dot_action(&d, nullptr, 0, 1);
    HT_Rendition r = solid();
    const HT_DCI_Point t[3] = {{0, 0, 0}, {9, 0, 0}, {0, 9, 0}};
    HD_Standard_Draw_DCI_Polytriangle(&d, &r, 3, t);
    EXPECT_EQ(d.calls, 0);
}

// ---- cancelling ------------------------------------------------------------------

namespace {
// Says cancelled once the device has taken this many dots, as when the user
// presses Ctrl-C in the middle of a fill.
class Cancel_At : public HT_Progress {
public:
    Cancel_At(const Grid_Device& d, int dots) : m_device(d), m_dots(dots) {}
    int cancel_query() const override { return m_device.calls >= m_dots ? 1 : 0; }

private:
    const Grid_Device& m_device;
    int m_dots;
};
} // namespace

TEST(Cancelling, LargeFillsStopWithinARowOfTheCancel) {
    Grid_Device d;
    d.renderer_options().set_window(0, 0, 1000, 1000);
    d.set_progress(HT_Smart_Pointer<HT_Progress>(new Cancel_At(d, 5000)));
    // 1000 x 1000 dots; the cancel comes five rows in.
    fill(d, {{0, 0, 0}, {1000, 0, 0}, {1000, 1000, 0}, {0, 1000, 0}});
    EXPECT_GE(d.calls, 5000);
    EXPECT_LE(d.calls, 6000);

    // A strip of triangles stops as well, between triangles or within one.
    d.reset();
    const HT_DCI_Point strip[6] = {{0, 0, 0},     {0, 999, 0}, {500, 0, 0},
                                   {500, 999, 0}, {999, 0, 0}, {999, 999, 0}};
    HT_Rendition r = solid();
    HD_Standard_Draw_DCI_Polytriangle(&d, &r, 6, strip);
    EXPECT_GE(d.calls, 5000);
    EXPECT_LE(d.calls, 6000);

    // Without a cancel the whole square is drawn.
    d.reset();
    d.set_progress(HT_Smart_Pointer<HT_Progress>(new HT_Progress));
    fill(d, {{0, 0, 0}, {1000, 0, 0}, {1000, 1000, 0}, {0, 1000, 0}});
    EXPECT_EQ(d.calls, 1000 * 1000);
}

// ---- clip regions ----------------------------------------------------------------

TEST(ClipRegion, EvenOddInsideWithEdgesCounted) {
    HT_Contour_Set_Data region({
        {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}}, // outer square
        {{3, 3, 0}, {7, 3, 0}, {7, 7, 0}, {3, 7, 0}},     // hole
        {{1, 1, 0}, {2, 2, 0}},                           // too few points: ignored
    });
    EXPECT_EQ(region.contour_count(), 2u);
    EXPECT_EQ(region.point_count(), 8u);
    EXPECT_TRUE(region.point_inside({1.5f, 1.5f, 0}));
    EXPECT_FALSE(region.point_inside({5, 5, 0}));
    EXPECT_FALSE(region.point_inside({11, 5, 0}));
    EXPECT_FALSE(region.point_inside({-0.01f, 5, 0}));
    EXPECT_TRUE(region.point_inside({0, 5, 0}));   // outer edge
    EXPECT_TRUE(region.point_inside({10, 10, 0})); // corner
    EXPECT_TRUE(region.point_inside({5, 3, 0}));   // the hole's edge
    // A ray through a vertex counts once.
    HT_Contour_Set_Data diamond({{{5, 0, 0}, {10, 5, 0}, {5, 10, 0}, {0, 5, 0}}});
    EXPECT_TRUE(diamond.point_inside({2, 5, 0}));
    EXPECT_FALSE(diamond.point_inside({-2, 5, 0}));
    EXPECT_FALSE(diamond.point_inside({9, 9, 0}));
    EXPECT_FALSE(HT_Contour_Set_Data().point_inside({0, 0, 0}));
}

// Dot actions answer the clip test from spans per row: every whole dot must
// get the answer of the exact test, or clipped prints would change.
TEST(ClipRegion, SpansAnswerLikeTheExactTestForEveryDot) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-40, 240);
    std::uniform_int_distribution<int> frac(0, 3);
    auto point = [&] {
        // Whole, half and odd fractions: vertices and edges on dot centres too.
        const float f[] = {0.0f, 0.5f, 0.25f, 0.3f};
        return HT_Point{coord(rng) + f[frac(rng)], coord(rng) + f[frac(rng)], 0};
    };
    std::vector<HT_Contour_Set_Data> regions;
    regions.emplace_back(std::vector<HT_Contour_Set_Data::Contour>{
        {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}},
        {{30, 30, 0}, {70, 30, 0}, {70, 70, 0}, {30, 70, 0}}});
    regions.emplace_back(std::vector<HT_Contour_Set_Data::Contour>{
        {{50, 0, 0}, {100, 50, 0}, {50, 100, 0}, {0, 50, 0}}});
    // Many small contours: rows cut into many spans are searched, not walked.
    std::vector<HT_Contour_Set_Data::Contour> many;
    for (int k = 0; k < 400; ++k) {
        const float x = static_cast<float>(k % 40) * 5.25f, y = static_cast<float>(k / 40) * 20.5f;
        many.push_back({{x, y, 0}, {x + 3.5f, y, 0}, {x + 1.5f, y + 18, 0}});
    }
    regions.emplace_back(std::move(many));
    for (int n = 0; n < 40; ++n) {
        std::vector<HT_Contour_Set_Data::Contour> contours(1 + n % 3);
        for (auto& c : contours)
            for (int k = 0; k < 3 + n % 6; ++k)
                c.push_back(point());
        regions.emplace_back(std::move(contours));
    }
    for (const HT_Contour_Set_Data& region : regions) {
        int mismatches = 0;
        // Rows in a scattered order, as primitives revisit them.
        for (int i = 0; i < 300; ++i) {
            const int y = (i * 97) % 300 - 50;
            for (int x = -50; x < 250; ++x)
                if (region.dot_inside(x, y) !=
                    region.point_inside({static_cast<float>(x), static_cast<float>(y), 0}))
                    ++mismatches;
        }
        EXPECT_EQ(mismatches, 0);
    }
    // A copy answers alike; a contour added later counts.
    HT_Contour_Set_Data copy = regions[0];
    EXPECT_FALSE(copy.dot_inside(50, 50));
    copy.add_contour({{40, 40, 0}, {60, 40, 0}, {60, 60, 0}, {40, 60, 0}});
    EXPECT_TRUE(copy.dot_inside(50, 50));
    EXPECT_FALSE(regions[0].dot_inside(50, 50));
}

#include "ht_rendition.h"

#include <algorithm>
#include <utility>

HT_Contour_Set_Data::HT_Contour_Set_Data(std::vector<Contour> contours) {
    for (auto& c : contours)
        add_contour(std::move(c));
}

HT_Contour_Set_Data::~HT_Contour_Set_Data() = default;

void HT_Contour_Set_Data::add_contour(Contour contour) {
    if (contour.size() >= 3)
        m_contours.push_back(std::move(contour));
}

std::size_t HT_Contour_Set_Data::point_count() const {
    std::size_t n = 0;
    for (const auto& c : m_contours)
        n += c.size();
    return n;
}

bool HT_Contour_Set_Data::point_inside(const HT_Point& point) const {
    // Worked in double precision: ample for the host's float coordinates.
    const double px = point.x, py = point.y;
    bool inside = false;
    for (const auto& contour : m_contours) {
        const std::size_t n = contour.size();
        for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
            const double xi = contour[i].x, yi = contour[i].y;
            const double xj = contour[j].x, yj = contour[j].y;
            // On the edge: collinear and within its box.
            const double cross = (xj - xi) * (py - yi) - (yj - yi) * (px - xi);
            if (cross == 0 && px >= std::min(xi, xj) && px <= std::max(xi, xj) &&
                py >= std::min(yi, yj) && py <= std::max(yi, yj))
                return true;
            // Even-odd crossing of a ray towards +x; half-open in y so a vertex
            // on the ray counts once.
            if ((yi > py) != (yj > py)) {
                const double x_at = xi + (py - yi) * (xj - xi) / (yj - yi);
                if (px < x_at)
                    inside = !inside;
            }
        }
    }
    return inside;
}

#include "ie_image.h"

#include "ie_rep.h"
#include "ie_store.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

static_assert(std::endian::native == std::endian::little,
              "row words and true-colour pixel values assume a little-endian machine");

namespace {

using Store = ieImgRep::Store;

bool rgb(int type) {
    return type == ie_pixel::rgb24 || type == ie_pixel::rgb32;
}

// Pixel of a contiguous row in the row format.
Ie_Pixel get_pixel(int type, const std::uint8_t* row, long c) {
    switch (type) {
    case ie_pixel::bitonal:
        return ie_get_bit(row, static_cast<std::size_t>(c));
    case ie_pixel::index8:
        return row[c];
    default: {
        Ie_Pixel v;
        std::memcpy(&v, row + c * 4, 4);
        return v;
    }
    }
}

void put_pixel(int type, std::uint8_t* row, long c, Ie_Pixel v) {
    switch (type) {
    case ie_pixel::bitonal:
        ie_put_bit(row, static_cast<std::size_t>(c), v & 1);
        break;
    case ie_pixel::index8:
        row[c] = static_cast<std::uint8_t>(v);
        break;
    default:
        std::memcpy(row + c * 4, &v, 4);
        break;
    }
}

// A span of one-byte or four-byte pixels pasted into a row of the same type:
// every pixel but the transparent one, in a loop the compiler can widen.
template <class Pixel>
void paste_span(std::uint8_t* to, const std::uint8_t* from, long count, Ie_Pixel_Opt transparent) {
    if (!transparent.set) {
        std::memcpy(to, from, static_cast<std::size_t>(count) * sizeof(Pixel));
        return;
    }
    const auto key = static_cast<Pixel>(transparent.value);
    for (long c = 0; c < count; ++c) {
        Pixel v, old;
        std::memcpy(&v, from + c * static_cast<long>(sizeof(Pixel)), sizeof v);
        std::memcpy(&old, to + c * static_cast<long>(sizeof(Pixel)), sizeof old);
        v = v == key ? old : v;
        std::memcpy(to + c * static_cast<long>(sizeof(Pixel)), &v, sizeof v);
    }
}

bool same_pixel(int type, Ie_Pixel a, Ie_Pixel b) {
    switch (type) {
    case ie_pixel::bitonal:
        return (a & 1) == (b & 1);
    case ie_pixel::index8:
        return (a & 0xFF) == (b & 0xFF);
    case ie_pixel::rgb24:
        return ((a ^ b) & 0xFFFFFF) == 0;
    default:
        return a == b;
    }
}

// Edges of a clip outline, and the spans of pixel centres inside it per row.
class Clip_Spans {
public:
    // False for an outline whose counts do not add up.
    bool set(const Ie_Clip& clip) {
        if (clip.point_count < 0 || (clip.point_count > 0 && !clip.points))
            return false;
        std::vector<int> sizes;
        if (clip.contour_sizes) {
            if (clip.contour_count < 0)
                return false;
            long total = 0;
            for (int k = 0; k < clip.contour_count; ++k) {
                if (clip.contour_sizes[k] < 0)
                    return false;
                total += clip.contour_sizes[k];
                sizes.push_back(clip.contour_sizes[k]);
            }
            if (total != clip.point_count)
                return false;
        } else {
            sizes.push_back(clip.point_count);
        }
        long first = 0;
        for (int size : sizes) {
            for (int k = 0; k < size; ++k) {
                const long a = first + k;
                const long b = first + (k + 1) % size;
                m_edges.push_back({static_cast<double>(clip.points[2 * a]),
                                   static_cast<double>(clip.points[2 * a + 1]),
                                   static_cast<double>(clip.points[2 * b]),
                                   static_cast<double>(clip.points[2 * b + 1])});
            }
            first += size;
        }
        m_edges_inside = clip.edges_inside;
        return true;
    }

    // Spans [from, to) of columns of row `row` inside the outline, within [lo, hi).
    const std::vector<std::pair<long, long>>& row(long row, long lo, long hi) {
        m_spans.clear();
        m_crossings.clear();
        if (m_edges_inside)
            return row_with_edges(row, lo, hi);
        const double y = static_cast<double>(row) + 0.5;
        for (const Edge& e : m_edges)
            if ((e.y1 > y) != (e.y2 > y))
                m_crossings.push_back(e.x1 + (y - e.y1) * (e.x2 - e.x1) / (e.y2 - e.y1));
        std::sort(m_crossings.begin(), m_crossings.end());
        for (std::size_t k = 0; k + 1 < m_crossings.size(); k += 2) {
            // Columns whose centre c + 0.5 lies in [xa, xb).
            const long a = column_at(m_crossings[k], lo, hi);
            const long b = column_at(m_crossings[k + 1], lo, hi);
            if (a < b)
                m_spans.push_back({a, b});
        }
        return m_spans;
    }

private:
    struct Edge {
        double x1, y1, x2, y2;
    };

    static double crossing(const Edge& e, double y) {
        return e.x1 + (y - e.y1) * (e.x2 - e.x1) / (e.y2 - e.y1);
    }
    static bool on_edge(const Edge& e, double x, double y) {
        const double cross = (e.x2 - e.x1) * (y - e.y1) - (e.y2 - e.y1) * (x - e.x1);
        return cross == 0 && x >= std::min(e.x1, e.x2) && x <= std::max(e.x1, e.x2) &&
               y >= std::min(e.y1, e.y2) && y <= std::max(e.y1, e.y2);
    }
    void add_span(double a, double z, long lo, long hi) {
        // Closed [a, z] to half-open, cut to [lo, hi).
        const double from = std::max(a, static_cast<double>(lo));
        const double to = std::min(z + 1, static_cast<double>(hi));
        if (from < to)
            m_pairs.push_back({static_cast<long>(from), static_cast<long>(to)});
    }

    // Pixels (c, row) inside the outline or on one of its edges.
    const std::vector<std::pair<long, long>>& row_with_edges(long row, long lo, long hi) {
        m_pairs.clear();
        const double y = static_cast<double>(row);
        for (const Edge& e : m_edges) {
            if ((e.y1 > y) != (e.y2 > y))
                m_crossings.push_back(crossing(e, y));
            if (y < std::min(e.y1, e.y2) || y > std::max(e.y1, e.y2))
                continue;
            const double a = std::ceil(std::min(e.x1, e.x2));
            const double z = std::floor(std::max(e.x1, e.x2));
            if (e.y1 == e.y2) {
                add_span(a, z, lo, hi);
                continue;
            }
            const double at = crossing(e, y);
            for (double x = std::max(a, std::floor(at) - 1); x <= std::min(z, std::ceil(at) + 1);
                 ++x)
                if (on_edge(e, x, y))
                    add_span(x, x, lo, hi);
        }
        // Between crossings: pixel x is inside when an odd number of crossings
        // lie beyond it.
        std::sort(m_crossings.begin(), m_crossings.end());
        const std::size_t m = m_crossings.size();
        for (std::size_t k = 0; k < m; ++k)
            if (((m - k) & 1) == 1 && k > 0)
                add_span(std::ceil(m_crossings[k - 1]), std::ceil(m_crossings[k]) - 1, lo, hi);
        std::sort(m_pairs.begin(), m_pairs.end());
        for (const auto& span : m_pairs) {
            if (!m_spans.empty() && span.first <= m_spans.back().second)
                m_spans.back().second = std::max(m_spans.back().second, span.second);
            else
                m_spans.push_back(span);
        }
        return m_spans;
    }
    static long column_at(double x, long lo, long hi) {
        const double c = std::ceil(x - 0.5);
        return static_cast<long>(std::clamp(c, static_cast<double>(lo), static_cast<double>(hi)));
    }

    std::vector<Edge> m_edges;
    std::vector<double> m_crossings;
    std::vector<std::pair<long, long>> m_spans;
    std::vector<std::pair<long, long>> m_pairs;
    bool m_edges_inside = false;
};

constexpr std::array<std::uint32_t, 32> make_set_masks() {
    std::array<std::uint32_t, 32> masks{};
    for (int k = 0; k < 32; ++k)
        masks[static_cast<std::size_t>(k)] = 1u << ((k / 8) * 8 + 7 - k % 8);
    return masks;
}
constexpr std::array<std::uint32_t, 32> k_set_masks = make_set_masks();
constexpr std::array<std::uint32_t, 32> make_clear_masks() {
    std::array<std::uint32_t, 32> masks{};
    for (std::size_t k = 0; k < 32; ++k)
        masks[k] = ~k_set_masks[k];
    return masks;
}
constexpr std::array<std::uint32_t, 32> k_clear_masks = make_clear_masks();

} // namespace

// --- ieImgRep ---------------------------------------------------------------

ieImgRep::ieImgRep(std::shared_ptr<Store> store, bool valid)
    : m_store(std::move(store)), m_valid(valid) {
    ++m_store->holders;
    ++ie_counters.live_images;
}

ieImgRep::~ieImgRep() {
    --m_store->holders;
    --ie_counters.live_images;
}

int ieImgRep::width() const {
    return m_store->width;
}
int ieImgRep::height() const {
    return m_store->height;
}
int ieImgRep::pixel_type() const {
    return m_store->type;
}
const Ie_Space_Ref& ieImgRep::color_space() const {
    return m_store->space;
}
bool ieImgRep::valid() const {
    return m_valid;
}
int ieImgRep::words_per_row() const {
    return m_store->words_per_row;
}
bool ieImgRep::paged() const {
    return m_store->paged;
}
Ie_Size ieImgRep::tile() const {
    return {m_store->tile_words, m_store->tile_rows};
}
bool ieImgRep::file_backed() const {
    return m_store->file_backed;
}
const std::string& ieImgRep::checkpoint_path() const {
    return m_store->path;
}
bool ieImgRep::shared() const {
    return m_store->holders > 1;
}

std::unique_ptr<ieImgRep> ieImgRep::share() const {
    std::shared_ptr<Store> store = m_store;
    // A live write context needs its pixels to itself: the newcomer gets a copy.
    if (m_store->writers > 0) {
        store = Store::copy(*m_store, ie_backing_for(m_store->bytes));
        if (!store)
            return nullptr;
    }
    return std::unique_ptr<ieImgRep>(new ieImgRep(std::move(store), m_valid));
}

bool ieImgRep::make_exclusive() {
    if (!m_valid) {
        ie_fail("invalid image");
        return false;
    }
    if (m_store->holders <= 1)
        return true;
    std::shared_ptr<Store> copy = Store::copy(*m_store, ie_backing_for(m_store->bytes));
    if (!copy)
        return false;
    --m_store->holders;
    m_store = std::move(copy);
    ++m_store->holders;
    return true;
}

bool ieImgRep::clear(Ie_Offset at, Ie_Size size, Ie_Pixel value) {
    if (!m_valid) {
        ie_fail("clear: invalid image");
        return false;
    }
    long w = size.width;
    long h = size.height;
    if (size == ieSizeFull) {
        w = static_cast<long>(width()) - at.x;
        h = static_cast<long>(height()) - at.y;
    } else if (w < 0 || h < 0) {
        ie_fail("clear: negative size");
        return false;
    }
    const long x0 = std::max<long>(at.x, 0);
    const long y0 = std::max<long>(at.y, 0);
    const long x1 = std::min<long>(static_cast<long>(at.x) + w, width());
    const long y1 = std::min<long>(static_cast<long>(at.y) + h, height());
    if (x0 >= x1 || y0 >= y1)
        return true;
    if (!make_exclusive())
        return false;
    m_store->fill_rect(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
                       static_cast<int>(y1 - y0), value);
    return true;
}

bool ieImgRep::fill(Ie_Pixel value) {
    return clear(ieOffsetOrigin, ieSizeFull, value);
}

long ieImgRep::store_row_segment(int column, int row, int count, const void* pixels) {
    if (!m_valid) {
        ie_fail("store row segment: invalid image");
        return 0;
    }
    if (!pixels || count <= 0 || row < 0 || row >= height())
        return 0;
    if (!make_exclusive())
        return 0;
    return m_store->store_row(column, row, count, pixels);
}

bool ieImgRep::paste(const ieImgRep& source, Ie_Offset at, Ie_Size size, Ie_Pixel_Opt transparent,
                     const Ie_Clip* clip) {
    if (!m_valid || !source.m_valid) {
        ie_fail("paste: invalid image");
        return false;
    }
    const int type = pixel_type();
    const int source_type = source.pixel_type();
    if (type != source_type && !(rgb(type) && rgb(source_type))) {
        ie_fail("paste: pixel types do not match");
        return false;
    }
    long w = size.width;
    long h = size.height;
    if (size == ieSizeFull) {
        w = source.width();
        h = source.height();
    } else if (w < 0 || h < 0) {
        ie_fail("paste: negative size");
        return false;
    }
    w = std::min<long>(w, source.width());
    h = std::min<long>(h, source.height());
    Clip_Spans spans;
    if (clip && !spans.set(*clip)) {
        ie_fail("paste: clip outline counts do not add up");
        return false;
    }
    if (!make_exclusive())
        return false;

    // The part of each source row that lands inside this image.
    const long j0 = std::max<long>(0, -static_cast<long>(at.x));
    const long j1 = std::min<long>(w, static_cast<long>(width()) - at.x);
    if (j0 >= j1 || h <= 0)
        return true;
    const long n = j1 - j0;
    const long dx0 = at.x + j0;

    // Pasting into itself: read from the pixels as they were.
    std::shared_ptr<Store> from = source.m_store;
    if (from == m_store) {
        from = Store::copy(*m_store, Store::Backing{});
        if (!from)
            return false;
    }

    std::vector<std::uint8_t> row(ie_row_stride(source_type, static_cast<int>(n)) + 4);
    const std::vector<std::pair<long, long>> whole{{dx0, dx0 + n}};
    for (long i = 0; i < h; ++i) {
        const long dy = at.y + i;
        if (dy < 0 || dy >= height())
            continue;
        from->read_row(static_cast<int>(i), static_cast<int>(j0), static_cast<int>(n), row.data());
        if (!transparent.set && !clip) {
            m_store->store_row(static_cast<int>(dx0), static_cast<int>(dy), static_cast<int>(n),
                               row.data());
            continue;
        }
        const auto& inside = clip ? spans.row(dy, dx0, dx0 + n) : whole;
        if (inside.empty())
            continue;
        m_store->with_row(static_cast<int>(dy), true, [&](std::uint8_t* p) {
            if (type == source_type && (type == ie_pixel::index8 || type == ie_pixel::rgb32)) {
                const long size = type == ie_pixel::index8 ? 1 : 4;
                for (const auto& [from_c, to_c] : inside) {
                    std::uint8_t* to = p + from_c * size;
                    const std::uint8_t* from = row.data() + (from_c - dx0) * size;
                    if (size == 1)
                        paste_span<std::uint8_t>(to, from, to_c - from_c, transparent);
                    else
                        paste_span<std::uint32_t>(to, from, to_c - from_c, transparent);
                }
                return;
            }
            for (const auto& [from_c, to_c] : inside) {
                for (long c = from_c; c < to_c; ++c) {
                    const Ie_Pixel v = get_pixel(source_type, row.data(), c - dx0);
                    if (transparent.set && same_pixel(source_type, v, transparent.value))
                        continue;
                    put_pixel(type, p, c, v);
                }
            }
        });
    }
    return true;
}

Ie_Pixel ieImgRep::pixel(int column, int row) const {
    return m_store->pixel(column, row);
}

std::unique_ptr<Ie_Write_Context> ieImgRep::write_context() {
    if (!m_valid) {
        ie_fail("write context: invalid image");
        return nullptr;
    }
    if (ie_refuse_context(Ie_Context_Kind::write)) {
        ie_fail("write context refused");
        return nullptr;
    }
    if (!make_exclusive())
        return nullptr;
    return std::unique_ptr<Ie_Write_Context>(new Ie_Write_Context(m_store));
}

std::unique_ptr<Ie_Read_Context> ieImgRep::read_context() const {
    if (!m_valid) {
        ie_fail("read context: invalid image");
        return nullptr;
    }
    if (ie_refuse_context(Ie_Context_Kind::read)) {
        ie_fail("read context refused");
        return nullptr;
    }
    return std::unique_ptr<Ie_Read_Context>(new Ie_Read_Context(m_store));
}

std::unique_ptr<ieImgRep> ieImgRepConstructor2(Ie_Size size, const Ie_Space_Ref& space) {
    int type = 0;
    switch (space.id()) {
    case ie_space::rgb:
        type = ie_pixel::rgb32;
        break;
    case ie_space::indexed:
        type = ie_pixel::index8;
        break;
    case ie_space::bitonal:
        type = ie_pixel::bitonal;
        break;
    default:
        ie_fail("strip image: colour space has no pixel type");
        return nullptr;
    }
    return ieRep.create_image(size.width, size.height, type, space, ieSizeFull);
}

// --- Ie_Write_Context ---------------------------------------------------------

Ie_Write_Context::Ie_Write_Context(std::shared_ptr<Store> store)
    : m_store(std::move(store)),
      m_rows(new std::uint8_t*[static_cast<std::size_t>(m_store->height)]()) {
    ++m_store->writers;
    if (!m_store->paged) {
        for (int r = 0; r < m_store->height; ++r)
            m_rows[static_cast<std::size_t>(r)] =
                m_store->base + static_cast<std::size_t>(r) * m_store->stride();
        m_window_first = 0;
        m_window_last = m_store->words_per_row - 1;
    }
}

Ie_Write_Context::~Ie_Write_Context() {
    --m_store->writers;
}

int Ie_Write_Context::width() const {
    return m_store->width;
}
int Ie_Write_Context::height() const {
    return m_store->height;
}
int Ie_Write_Context::pixel_type() const {
    return m_store->type;
}
int Ie_Write_Context::words_per_row() const {
    return m_store->words_per_row;
}
std::uint8_t* const* Ie_Write_Context::rows() const {
    return m_rows.get();
}
bool Ie_Write_Context::windowed() const {
    return m_store->paged;
}
int Ie_Write_Context::window_first() const {
    return m_window_first;
}
int Ie_Write_Context::window_last() const {
    return m_window_last;
}

std::uint8_t* Ie_Write_Context::fetch(int word, int row) {
    const Store& s = *m_store;
    if (word < 0 || word >= s.words_per_row || row < 0 || row >= s.height)
        return nullptr;
    if (!s.paged)
        return m_rows[static_cast<std::size_t>(row)];
    const int tx = word / s.tile_words;
    const int ty = row / s.tile_rows;
    if (tx != m_tile_x || ty != m_tile_y) {
        // Only the rows of the resident tile have pointers, so a stale one
        // cannot be used by mistake.
        if (m_tile_y >= 0) {
            const int end = std::min(s.height, (m_tile_y + 1) * s.tile_rows);
            for (int r = m_tile_y * s.tile_rows; r < end; ++r)
                m_rows[static_cast<std::size_t>(r)] = nullptr;
        }
        // Each pointer is placed so that word w of the window is at pointer +
        // 4 * w; it stays inside the pixel block because every earlier tile
        // is at least one row high.
        const int first = tx * s.tile_words;
        const int end = std::min(s.height, (ty + 1) * s.tile_rows);
        for (int r = ty * s.tile_rows; r < end; ++r)
            m_rows[static_cast<std::size_t>(r)] =
                s.word_address(r, first) - static_cast<std::size_t>(first) * 4;
        m_tile_x = tx;
        m_tile_y = ty;
        m_window_first = first;
        m_window_last = std::min(s.words_per_row, first + s.tile_words) - 1;
    }
    return m_rows[static_cast<std::size_t>(row)];
}

const std::uint32_t* Ie_Write_Context::set_masks() {
    return k_set_masks.data();
}
const std::uint32_t* Ie_Write_Context::clear_masks() {
    return k_clear_masks.data();
}

long Ie_Write_Context::store_row_segment(int column, int row, int count, const void* pixels) {
    return m_store->store_row(column, row, count, pixels);
}

bool Ie_Write_Context::fill(Ie_Pixel value) {
    m_store->fill_rect(0, 0, m_store->width, m_store->height, value);
    return true;
}

// --- Ie_Read_Context ----------------------------------------------------------

Ie_Read_Context::Ie_Read_Context(std::shared_ptr<Store> store) : m_store(std::move(store)) {}
Ie_Read_Context::~Ie_Read_Context() = default;

int Ie_Read_Context::width() const {
    return m_store->width;
}
int Ie_Read_Context::height() const {
    return m_store->height;
}
int Ie_Read_Context::pixel_type() const {
    return m_store->type;
}

std::size_t Ie_Read_Context::row_bytes(int count) const {
    if (count <= 0)
        return 0;
    const std::size_t n = static_cast<std::size_t>(count);
    switch (m_store->type) {
    case ie_pixel::bitonal:
        return (n + 7) / 8;
    case ie_pixel::index8:
        return n;
    default:
        return n * 4;
    }
}

long Ie_Read_Context::read_row(int row, int first, int count, void* out) const {
    return m_store->read_row(row, first, count, out);
}

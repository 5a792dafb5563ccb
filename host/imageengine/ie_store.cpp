#include "ie_store.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

Ie_Store_Counters ie_counters;

namespace {

// Shapes of the live stores. Never freed: stores released during exit still
// find it.
struct Live_Shapes {
    std::mutex mutex;
    std::vector<std::array<int, 3>> shapes; // type, width, height
};
Live_Shapes& live_shapes() {
    static auto* shapes = new Live_Shapes;
    return *shapes;
}

void add_shape(int type, int width, int height) {
    Live_Shapes& l = live_shapes();
    std::lock_guard lock(l.mutex);
    l.shapes.push_back({type, width, height});
}

void remove_shape(int type, int width, int height) {
    Live_Shapes& l = live_shapes();
    std::lock_guard lock(l.mutex);
    const std::array<int, 3> shape{type, width, height};
    auto it = std::find(l.shapes.begin(), l.shapes.end(), shape);
    if (it != l.shapes.end())
        l.shapes.erase(it);
}

int pixels_per_word(int type) {
    switch (type) {
    case ie_pixel::bitonal:
        return 32;
    case ie_pixel::index8:
        return 4;
    default:
        return 1;
    }
}

// Anonymous pages cost nothing until touched, so even a large image in
// memory only takes what is drawn.
std::uint8_t* map_memory(std::size_t bytes) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(p);
}

// A file of its own in the folder. Its blocks are reserved up front: a sparse
// file on a full disk would only fail when a page is first written, and a
// mapped write that cannot be stored kills the process.
std::uint8_t* map_file(const std::string& folder, std::size_t bytes, std::string& path) {
    std::string name = folder;
    if (name.empty() || name.back() != '/')
        name += '/';
    name += "ie-ckp-XXXXXX";
    std::vector<char> templ(name.begin(), name.end());
    templ.push_back('\0');
    int fd = mkstemp(templ.data());
    if (fd < 0) {
        ie_fail("cannot create a checkpoint file in " + folder + ": " + std::strerror(errno));
        return nullptr;
    }
    path = templ.data();
    int err = posix_fallocate(fd, 0, static_cast<off_t>(bytes));
    void* p = MAP_FAILED;
    if (err == 0)
        p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    else
        errno = err;
    int saved = errno;
    // The name is not needed once mapped; unlinking now means nothing is left
    // behind even if the process dies.
    unlink(path.c_str());
    close(fd);
    if (p == MAP_FAILED) {
        ie_fail("cannot reserve " + std::to_string(bytes) + " bytes for " + path + ": " +
                std::strerror(saved));
        return nullptr;
    }
    return static_cast<std::uint8_t*>(p);
}

} // namespace

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

bool ie_holds_image(int type, int width, int height) {
    Live_Shapes& l = live_shapes();
    std::lock_guard lock(l.mutex);
    return std::any_of(l.shapes.begin(), l.shapes.end(), [&](const std::array<int, 3>& s) {
        return s[0] == type && s[1] == width && s[2] == height;
    });
}

std::size_t ie_row_stride(int type, int count) {
    const std::size_t ppw = static_cast<std::size_t>(pixels_per_word(type));
    return (static_cast<std::size_t>(count) + ppw - 1) / ppw * 4;
}

std::shared_ptr<ieImgRep::Store> ieImgRep::Store::create(int width, int height, int type,
                                                         Ie_Space_Ref space, int tile_words,
                                                         int tile_rows, const Backing& backing) {
    auto store = std::make_shared<Store>();
    store->width = width;
    store->height = height;
    store->type = type;
    store->space = std::move(space);
    store->words_per_row = static_cast<int>(ie_row_stride(type, width) / 4);
    store->paged = tile_words > 0 && tile_rows > 0;
    if (store->paged) {
        store->tile_words = std::min(tile_words, store->words_per_row);
        store->tile_rows = std::min(tile_rows, height);
    } else {
        store->tile_words = store->words_per_row;
        store->tile_rows = height;
    }
    store->tiles_x = (store->words_per_row + store->tile_words - 1) / store->tile_words;
    const std::size_t tiles_y =
        static_cast<std::size_t>((height + store->tile_rows - 1) / store->tile_rows);

    // Whole tiles; refuse sizes whose byte count would not fit.
    std::size_t bytes = 0;
    if (__builtin_mul_overflow(static_cast<std::size_t>(store->tiles_x), tiles_y, &bytes) ||
        __builtin_mul_overflow(bytes, static_cast<std::size_t>(store->tile_rows), &bytes) ||
        __builtin_mul_overflow(bytes, static_cast<std::size_t>(store->tile_words) * 4, &bytes) ||
        bytes > (std::size_t{1} << 46)) {
        ie_fail("image of " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels is too large");
        return nullptr;
    }
    store->bytes = bytes;

    if (backing.file) {
        store->base = map_file(backing.folder, bytes, store->path);
        if (!store->base)
            return nullptr;
        store->file_backed = true;
        ie_counters.file_bytes += static_cast<long long>(bytes);
    } else {
        store->base = map_memory(bytes);
        if (!store->base) {
            ie_fail("cannot allocate " + std::to_string(bytes) + " bytes of image memory");
            return nullptr;
        }
        ie_counters.memory_bytes += static_cast<long long>(bytes);
    }
    ++ie_counters.live_stores;
    add_shape(type, width, height);
    return store;
}

std::shared_ptr<ieImgRep::Store> ieImgRep::Store::copy(const Store& from, const Backing& backing) {
    auto store = create(from.width, from.height, from.type, from.space,
                        from.paged ? from.tile_words : 0, from.paged ? from.tile_rows : 0, backing);
    if (store)
        std::memcpy(store->base, from.base, from.bytes);
    return store;
}

ieImgRep::Store::~Store() {
    if (!base)
        return;
    munmap(base, bytes);
    if (file_backed)
        ie_counters.file_bytes -= static_cast<long long>(bytes);
    else
        ie_counters.memory_bytes -= static_cast<long long>(bytes);
    --ie_counters.live_stores;
    remove_shape(type, width, height);
}

std::uint8_t* ieImgRep::Store::word_address(int row, int word) const {
    const std::size_t tx = static_cast<std::size_t>(word / tile_words);
    const std::size_t ty = static_cast<std::size_t>(row / tile_rows);
    const std::size_t tile = ty * static_cast<std::size_t>(tiles_x) + tx;
    const std::size_t in_row = static_cast<std::size_t>(row) - ty * tile_rows;
    const std::size_t in_word = static_cast<std::size_t>(word) - tx * tile_words;
    return base + ((tile * tile_rows + in_row) * tile_words + in_word) * 4;
}

void ieImgRep::Store::gather(int row, std::uint8_t* out) const {
    for (int w = 0; w < words_per_row; w += tile_words) {
        const int run = std::min(tile_words, words_per_row - w);
        std::memcpy(out + static_cast<std::size_t>(w) * 4, word_address(row, w),
                    static_cast<std::size_t>(run) * 4);
    }
}

void ieImgRep::Store::scatter(int row, const std::uint8_t* in) const {
    for (int w = 0; w < words_per_row; w += tile_words) {
        const int run = std::min(tile_words, words_per_row - w);
        std::memcpy(word_address(row, w), in + static_cast<std::size_t>(w) * 4,
                    static_cast<std::size_t>(run) * 4);
    }
}

namespace {

// Faults in the pages of [from, from + bytes) for writing in one call. Taking
// them one by one while clearing a large image costs several times the
// writing itself, most of all for a checkpoint file. Older kernels refuse the
// request; the writes then fault the pages in as usual.
void populate(std::uint8_t* from, std::size_t bytes) {
    static const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(from) & ~(page - 1);
    const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(from) + bytes;
    madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
}

} // namespace

void ieImgRep::Store::fill_rect(int x0, int y0, int w, int h, Ie_Pixel value) {
    // Rows are touched whole or nearly; make their pages present at once.
    if (static_cast<std::size_t>(h) * stride() >= (std::size_t{1} << 20) && 2L * w >= width) {
        if (paged)
            populate(base, bytes);
        else
            populate(base + static_cast<std::size_t>(y0) * stride(),
                     static_cast<std::size_t>(h) * stride());
    }
    const bool whole = !paged && x0 == 0 && y0 == 0 && w == width && h == height;
    if (whole && type != ie_pixel::rgb24 && type != ie_pixel::rgb32) {
        const int byte = type == ie_pixel::bitonal ? ((value & 1) ? 0xFF : 0) : (value & 0xFF);
        std::memset(base, byte, bytes);
        return;
    }

    // One row of the value, copied into each row of the rectangle.
    std::vector<std::uint8_t> pattern;
    if (type == ie_pixel::rgb24 || type == ie_pixel::rgb32) {
        pattern.resize(static_cast<std::size_t>(w) * 4);
        for (int j = 0; j < w; ++j)
            std::memcpy(pattern.data() + static_cast<std::size_t>(j) * 4, &value, 4);
    }
    for (int r = y0; r < y0 + h; ++r) {
        with_row(r, true, [&](std::uint8_t* p) {
            switch (type) {
            case ie_pixel::bitonal:
                ie_set_bits(p, static_cast<std::size_t>(x0), static_cast<std::size_t>(w),
                            value & 1);
                break;
            case ie_pixel::index8:
                std::memset(p + x0, static_cast<int>(value & 0xFF), static_cast<std::size_t>(w));
                break;
            default:
                std::memcpy(p + static_cast<std::size_t>(x0) * 4, pattern.data(), pattern.size());
                break;
            }
        });
    }
}

long ieImgRep::Store::store_row(int column, int row, int count, const void* pixels) {
    if (!pixels || count <= 0 || row < 0 || row >= height)
        return 0;
    // Drop what lies left of column 0 or right of the last column.
    const long skip = column < 0 ? -static_cast<long>(column) : 0;
    const long first = column + skip;
    const long n = std::min<long>(count - skip, width - first);
    if (n <= 0)
        return 0;
    const auto* src = static_cast<const std::uint8_t*>(pixels);
    with_row(row, true, [&](std::uint8_t* p) {
        switch (type) {
        case ie_pixel::bitonal:
            ie_copy_bits(p, static_cast<std::size_t>(first), src, static_cast<std::size_t>(skip),
                         static_cast<std::size_t>(n));
            break;
        case ie_pixel::index8:
            std::memcpy(p + first, src + skip, static_cast<std::size_t>(n));
            break;
        default:
            std::memcpy(p + first * 4, src + skip * 4, static_cast<std::size_t>(n) * 4);
            break;
        }
    });
    return n;
}

long ieImgRep::Store::read_row(int row, int first, int count, void* out) const {
    if (!out || row < 0 || row >= height || first < 0 || count < 0 || first >= width)
        return 0;
    const long n = std::min<long>(count, width - first);
    if (n <= 0)
        return 0;
    auto* dst = static_cast<std::uint8_t*>(out);
    with_row(row, false, [&](std::uint8_t* p) {
        switch (type) {
        case ie_pixel::bitonal:
            std::memset(dst, 0, static_cast<std::size_t>(n + 7) / 8);
            ie_copy_bits(dst, 0, p, static_cast<std::size_t>(first), static_cast<std::size_t>(n));
            break;
        case ie_pixel::index8:
            std::memcpy(dst, p + first, static_cast<std::size_t>(n));
            break;
        default:
            std::memcpy(dst, p + static_cast<std::size_t>(first) * 4,
                        static_cast<std::size_t>(n) * 4);
            break;
        }
    });
    return n;
}

Ie_Pixel ieImgRep::Store::pixel(int column, int row) const {
    if (column < 0 || column >= width || row < 0 || row >= height)
        return 0;
    const int ppw = pixels_per_word(type);
    const std::uint8_t* word = word_address(row, column / ppw);
    const int in_word = column % ppw;
    switch (type) {
    case ie_pixel::bitonal:
        return ie_get_bit(word, static_cast<std::size_t>(in_word));
    case ie_pixel::index8:
        return word[in_word];
    default: {
        Ie_Pixel v;
        std::memcpy(&v, word, 4);
        return v;
    }
    }
}

void ie_copy_bits(std::uint8_t* dst, std::size_t db, const std::uint8_t* src, std::size_t sb,
                  std::size_t n) {
    // Bit by bit up to a destination byte boundary.
    while (n > 0 && (db & 7) != 0) {
        ie_put_bit(dst, db++, ie_get_bit(src, sb++));
        --n;
    }
    if ((sb & 7) == 0) {
        std::memcpy(dst + db / 8, src + sb / 8, n / 8);
        db += n / 8 * 8;
        sb += n / 8 * 8;
        n &= 7;
    } else {
        // Each destination byte from two neighbouring source bytes; both hold
        // bits that are copied, so neither read runs past the source.
        const unsigned shift = static_cast<unsigned>(sb & 7);
        for (; n >= 8; n -= 8, db += 8, sb += 8) {
            const std::uint8_t* s = src + sb / 8;
            dst[db / 8] = static_cast<std::uint8_t>((s[0] << shift) | (s[1] >> (8 - shift)));
        }
    }
    while (n > 0) {
        ie_put_bit(dst, db++, ie_get_bit(src, sb++));
        --n;
    }
}

void ie_set_bits(std::uint8_t* dst, std::size_t db, std::size_t n, bool v) {
    while (n > 0 && (db & 7) != 0) {
        ie_put_bit(dst, db++, v);
        --n;
    }
    std::memset(dst + db / 8, v ? 0xFF : 0, n / 8);
    db += n / 8 * 8;
    n &= 7;
    while (n > 0) {
        ie_put_bit(dst, db++, v);
        --n;
    }
}

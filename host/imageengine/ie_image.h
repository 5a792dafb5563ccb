// Images of the image engine: page images and strip images, their write
// (pixel-access) and read contexts, store row segment, fill and paste.
//
// Pixel types and the bytes of one row, as held and as read back:
//   ie_pixel::bitonal (1)  1 bit per pixel, 32 pixels per 32-bit word; pixel c
//                          is in byte c / 8 at bit 7 - c % 8 (first pixel in
//                          the highest bit of the first byte); 1 = black (ink)
//   ie_pixel::index8 (2)   1 byte per pixel, the palette index; four pixels
//                          per word, first pixel in bits 0 to 7
//   ie_pixel::rgb24 (3)    4 bytes per pixel: red, green, blue, and one byte
//                          that is kept as written but is not part of the
//                          colour (compared as 24 bits)
//   ie_pixel::rgb32 (4)    4 bytes per pixel: red, green, blue, alpha
// As a 32-bit little-endian word a true-colour pixel is 0xAABBGGRR.
//
// Rows are 4-byte aligned and a whole number of words long. An unpaged image
// holds its rows one after the other, so reading a row back is one copy. A
// paged image (tiling chosen at creation, or by ieRep.set_paging for
// ieSizeAny) holds tiles of a number of words by a number of rows; its write
// context then works in windowed mode (see Ie_Write_Context).
//
// Ownership: images and contexts are owned by the caller (std::unique_ptr).
// A context keeps the pixels it works on alive, so it stays usable even if
// its image is released first; release the context first all the same.
#pragma once

#include "ie_colorspace.h"
#include "ie_export.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace ie_pixel {
inline constexpr int bitonal = 1;
inline constexpr int index8 = 2;
inline constexpr int rgb24 = 3;
inline constexpr int rgb32 = 4;
} // namespace ie_pixel

struct Ie_Size {
    int width;
    int height;
    bool operator==(const Ie_Size&) const = default;
};

struct Ie_Offset {
    int x;
    int y;
    bool operator==(const Ie_Offset&) const = default;
};

// "The whole image" (from the offset to the right and lower edges).
inline constexpr Ie_Size ieSizeFull{-1, -1};
// Tiling left to the engine (see Ie_Rep::set_paging).
inline constexpr Ie_Size ieSizeAny{0, 0};
inline constexpr Ie_Offset ieOffsetOrigin{0, 0};

// A pixel value: bitonal 0 or 1, index8 the index in the low byte, true
// colour 0xAABBGGRR.
using Ie_Pixel = std::uint32_t;

// A pixel value or none, for paste's transparent value.
struct Ie_Pixel_Opt {
    constexpr Ie_Pixel_Opt() = default;
    constexpr Ie_Pixel_Opt(Ie_Pixel v) : set(true), value(v) {}
    bool set = false;
    Ie_Pixel value = 0;
};
// No transparent value: every pixel is pasted.
inline constexpr Ie_Pixel_Opt iePixelNull{};

// Clip outline for paste: one or more closed polygons in the destination
// image's pixel coordinates (x = column, y = row, row 0 at the top). A
// destination pixel (c, r) is inside when its centre (c + 0.5, r + 0.5) is
// inside by the even-odd rule. The last point of a contour joins its first.
// With `edges_inside`, points name pixels rather than the corners between
// them: pixel (c, r) is inside when the point (c, r) lies inside or on an
// edge, as a plotter's dots are clipped.
struct Ie_Clip {
    const std::int32_t* points = nullptr; // x0, y0, x1, y1, ...
    int point_count = 0;                  // points of all contours together
    const int* contour_sizes = nullptr;   // points per contour; null: one contour
    int contour_count = 0;                // entries of contour_sizes
    bool edges_inside = false;
};

class Ie_Write_Context;
class Ie_Read_Context;

class IE_EXPORT ieImgRep {
public:
    ~ieImgRep();
    ieImgRep(const ieImgRep&) = delete;
    ieImgRep& operator=(const ieImgRep&) = delete;

    int width() const;
    int height() const;
    int pixel_type() const; // ie_pixel::*
    const Ie_Space_Ref& color_space() const;

    // False for an image the engine could not set up properly; such an image
    // must be released without use (its operations fail).
    bool valid() const;

    // Words (32-bit) per row.
    int words_per_row() const;
    bool paged() const;
    // Tile size of a paged image in words and rows; the whole row and all rows otherwise.
    Ie_Size tile() const;

    // True when the pixels live in a checkpoint file (see
    // Ie_Rep::enable_checkpointing); checkpoint_path() is then the file's
    // name, which is unlinked as soon as it is mapped: it is visible only in
    // the process's own mappings, and its space returns when the image goes.
    bool file_backed() const;
    const std::string& checkpoint_path() const;

    // A second holder of the same pixels (copy-on-write: whichever holder
    // writes first gets its own copy). When the pixels have a live write
    // context the new holder gets a copy at once, so the context's row
    // pointers stay valid. Null when the copy cannot be made.
    std::unique_ptr<ieImgRep> share() const;
    // True while another holder shares these pixels.
    bool shared() const;
    // The exclusive (copy-on-write) step: when shared, copies the pixels for
    // this holder alone. Every writing operation below does it first. False
    // when the copy cannot be made (the image stays shared and unchanged).
    bool make_exclusive();

    // Sets the pixels of the rectangle at `at` of `size` (ieSizeFull: to the
    // right and lower edges) to `value`; the rectangle is clipped to the
    // image. False for an invalid image, a negative size other than
    // ieSizeFull, or a failed exclusive step.
    bool clear(Ie_Offset at, Ie_Size size, Ie_Pixel value);
    // The whole image: clear(ieOffsetOrigin, ieSizeFull, value).
    bool fill(Ie_Pixel value);

    // Copies `count` pixels in this image's row format (bytes, 4-byte pixels
    // or packed bits with the first pixel in the highest bit of the first
    // byte) into row `row` from column `column`. Pixels left of column 0 or
    // right of the last column are dropped, as is a row outside the image.
    // Returns the number of pixels stored (0 for a null `pixels`).
    long store_row_segment(int column, int row, int count, const void* pixels);

    // Pastes the rectangle of `source` from its origin of `size`
    // (ieSizeFull: all of it) with its top-left pixel at `at` in this image.
    // Source pixels equal to `transparent` are not pasted; with a clip only
    // destination pixels inside it are written. Parts outside this image are
    // dropped. The pixel types must match (rgb24 and rgb32 mix). False for
    // an invalid image, mismatched types, a bad clip or a failed exclusive
    // step. Pasting an image into itself reads the source as it was before.
    bool paste(const ieImgRep& source, Ie_Offset at, Ie_Size size,
               Ie_Pixel_Opt transparent = iePixelNull, const Ie_Clip* clip = nullptr);

    // One pixel's value; 0 outside the image.
    Ie_Pixel pixel(int column, int row) const;

    // Pixel access for writing over the full image (after the exclusive
    // step). Null for an invalid image or when the exclusive step fails.
    std::unique_ptr<Ie_Write_Context> write_context();
    // Row read-back over the full image. Null for an invalid image.
    std::unique_ptr<Ie_Read_Context> read_context() const;

    struct Store;

private:
    friend class Ie_Rep;
    friend IE_EXPORT std::unique_ptr<ieImgRep> ieImgRepConstructor2(Ie_Size, const Ie_Space_Ref&);
    ieImgRep(std::shared_ptr<Store> store, bool valid);

    std::shared_ptr<Store> m_store;
    bool m_valid;
};

// Strip image: an unpaged image of `size` whose pixel type follows the
// colour space: csRgb rgb32, an indexed space index8, csBitonal bitonal. It
// goes to a checkpoint file under the same rule as any other image. Null for
// a bad size or space, or when the pixels cannot be allocated.
IE_EXPORT std::unique_ptr<ieImgRep> ieImgRepConstructor2(Ie_Size size, const Ie_Space_Ref& space);

// Write context (the pixel-access object).
//
// rows()[r] points at row r's bytes. Word w of the row (4 bytes) is at
// rows()[r] + 4 * w; the word of column c is c / 4 (index8), c (true colour)
// and c / 32 (bitonal). In windowed mode (a paged image) only one tile is
// resident: the pointers of the rows outside it are null, and a non-null
// pointer is valid only for words in [window_first(), window_last()]. Before
// writing word w of row r, a caller that finds the pointer null or w outside
// the window calls fetch(w, r) and uses the pointer it returns; fetch
// updates the table. Outside windowed mode every pointer is valid for the
// whole row for the life of the context.
class IE_EXPORT Ie_Write_Context {
public:
    ~Ie_Write_Context();
    Ie_Write_Context(const Ie_Write_Context&) = delete;
    Ie_Write_Context& operator=(const Ie_Write_Context&) = delete;

    int width() const;
    int height() const;
    int pixel_type() const;
    int words_per_row() const;

    std::uint8_t* const* rows() const;
    bool windowed() const;
    // Resident window in word indices; empty (first > last) before the first
    // fetch in windowed mode.
    int window_first() const;
    int window_last() const;
    // Makes word `word` of row `row` resident and returns the row pointer to
    // use for it; null for a word or row outside the image.
    std::uint8_t* fetch(int word, int row);

    // Bitonal masks, indexed by column % 32, for the row's 32-bit words read
    // as native (little-endian) integers: set_masks()[k] has exactly the bit
    // of pixel k; clear_masks()[k] is its complement.
    static const std::uint32_t* set_masks();
    static const std::uint32_t* clear_masks();

    // As ieImgRep::store_row_segment and ieImgRep::fill on the same pixels.
    long store_row_segment(int column, int row, int count, const void* pixels);
    bool fill(Ie_Pixel value);

private:
    friend class ieImgRep;
    explicit Ie_Write_Context(std::shared_ptr<ieImgRep::Store> store);

    std::shared_ptr<ieImgRep::Store> m_store;
    std::unique_ptr<std::uint8_t*[]> m_rows;
    int m_window_first = 0;
    int m_window_last = -1;
    int m_tile_x = -1;
    int m_tile_y = -1;
};

// Read context: rows back in the row format above.
class IE_EXPORT Ie_Read_Context {
public:
    ~Ie_Read_Context();
    Ie_Read_Context(const Ie_Read_Context&) = delete;
    Ie_Read_Context& operator=(const Ie_Read_Context&) = delete;

    int width() const;
    int height() const;
    int pixel_type() const;

    // Bytes that read_row writes for `count` pixels: count (index8),
    // 4 * count (true colour), (count + 7) / 8 (bitonal).
    std::size_t row_bytes(int count) const;
    // Copies pixels [first, first + count) of row `row` to `out`, which must
    // hold row_bytes(count). Pixels past the right edge are not read (and
    // not written); for bitonal the bits after the last pixel read in its
    // byte are 0. Returns the number of pixels read: 0 for a row outside the
    // image, a negative first or count, or a null `out`.
    long read_row(int row, int first, int count, void* out) const;

private:
    friend class ieImgRep;
    explicit Ie_Read_Context(std::shared_ptr<ieImgRep::Store> store);

    std::shared_ptr<ieImgRep::Store> m_store;
};

// The pixels behind images and contexts: geometry, tile layout, backing
// (anonymous memory or a mapped checkpoint file) and the row operations.
// Internal to the engine.
#pragma once

#include "ie_image.h"
#include "ie_rep.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Reports a failure through ieRep (last error, and the callback while
// reporting is on).
void ie_fail(const std::string& text);

struct Ie_Store_Counters {
    std::atomic<long> live_images{0};
    std::atomic<long> live_stores{0};
    std::atomic<long long> memory_bytes{0};
    std::atomic<long long> file_bytes{0};
};
// Constant-initialised, so images released during exit can still count down.
extern Ie_Store_Counters ie_counters;

// Whether a live image of this pixel type and size is held: its room is taken
// already, so asking for it again needs none.
bool ie_holds_image(int type, int width, int height);

// Bytes of row storage for `count` pixels of `type`, whole words.
std::size_t ie_row_stride(int type, int count);

struct ieImgRep::Store {
    // Where the pixels go.
    struct Backing {
        bool file = false;
        std::string folder; // when file
    };

    // Allocates pixels (all 0). `tile_words`/`tile_rows` of 0: unpaged.
    // Null (with the reason reported) on failure.
    static std::shared_ptr<Store> create(int width, int height, int type, Ie_Space_Ref space,
                                         int tile_words, int tile_rows, const Backing& backing);
    // A copy of `from` with the same geometry, in `backing`.
    static std::shared_ptr<Store> copy(const Store& from, const Backing& backing);

    Store() = default;
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    int width = 0;
    int height = 0;
    int type = 0;
    Ie_Space_Ref space;
    int words_per_row = 0;
    bool paged = false;
    int tile_words = 0; // words per tile row (words_per_row when unpaged)
    int tile_rows = 0;  // rows per tile (height when unpaged)
    int tiles_x = 1;
    std::size_t bytes = 0;
    std::uint8_t* base = nullptr;
    bool file_backed = false;
    std::string path;

    std::atomic<int> holders{0}; // images holding these pixels
    std::atomic<int> writers{0}; // live write contexts

    std::size_t stride() const { return static_cast<std::size_t>(words_per_row) * 4; }
    // Address of word `word` of row `row`, both in range.
    std::uint8_t* word_address(int row, int word) const;

    // Row operations; arguments already checked by the callers where noted.
    void fill_rect(int x0, int y0, int w, int h, Ie_Pixel value);
    long store_row(int column, int row, int count, const void* pixels);
    long read_row(int row, int first, int count, void* out) const;
    Ie_Pixel pixel(int column, int row) const;

    // Runs f(row bytes) on a contiguous copy of the row (paged) or the row
    // itself (unpaged); a paged row is written back when `write` is set.
    template <class F> void with_row(int row, bool write, F&& f) const;

private:
    void gather(int row, std::uint8_t* out) const;
    void scatter(int row, const std::uint8_t* in) const;
};

template <class F> void ieImgRep::Store::with_row(int row, bool write, F&& f) const {
    if (!paged) {
        f(base + static_cast<std::size_t>(row) * stride());
        return;
    }
    // Paged images are the slow path; a private row keeps nested calls apart.
    std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[stride()]);
    gather(row, buffer.get());
    f(buffer.get());
    if (write)
        scatter(row, buffer.get());
}

// Bit helpers for bitonal rows: pixel c at byte c / 8, bit 7 - c % 8.
inline bool ie_get_bit(const std::uint8_t* row, std::size_t c) {
    return (row[c >> 3] >> (7 - (c & 7))) & 1;
}
inline void ie_put_bit(std::uint8_t* row, std::size_t c, bool v) {
    const std::uint8_t mask = static_cast<std::uint8_t>(0x80u >> (c & 7));
    if (v)
        row[c >> 3] |= mask;
    else
        row[c >> 3] &= static_cast<std::uint8_t>(~mask);
}
// Copies n bits from src at bit sb to dst at bit db.
void ie_copy_bits(std::uint8_t* dst, std::size_t db, const std::uint8_t* src, std::size_t sb,
                  std::size_t n);
// Sets n bits of dst from bit db to v.
void ie_set_bits(std::uint8_t* dst, std::size_t db, std::size_t n, bool v);

// Settings of ieRep that image code needs, read under its lock.
// Where an image of `bytes` bytes goes now.
ieImgRep::Store::Backing ie_backing_for(std::size_t bytes);
// Test hooks: true when the next context of that kind is to be refused (and
// counts the refusal down).
enum class Ie_Context_Kind { write, read };
bool ie_refuse_context(Ie_Context_Kind kind);

// ieRep's state.
Ie_Rep::State& ie_rep_state();

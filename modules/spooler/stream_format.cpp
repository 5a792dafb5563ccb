// PackBits and the planar row coding of the printer stream.
#include "stream_format.h"

#include <algorithm>
#include <cstring>

namespace spool_stream {

namespace {

// Eight bytes at once, in whatever order memory holds them.
inline std::uint64_t load8(const uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Encodes `in` into `o`, which has room for packbits_bound(n) bytes; returns
// the end of the output.
uint8_t* packbits_into(const uint8_t* in, std::size_t n, uint8_t* o) {
    // A repeat starts wherever three equal bytes do.
    auto triple_at = [&](std::size_t i) {
        return i + 2 < n && in[i] == in[i + 1] && in[i] == in[i + 2];
    };
    std::size_t i = 0;
    while (i < n) {
        // Three or more equal bytes become a repeat of at most 128; shorter
        // runs stay in the literal, which keeps the output within
        // packbits_bound().
        if (triple_at(i)) {
            const uint8_t v = in[i];
            const std::size_t limit = std::min<std::size_t>(n - i, 128);
            std::size_t run = 3;
            // Paper is mostly one colour: compare eight bytes a step.
            const std::uint64_t word = 0x0101010101010101ull * v;
            while (run + 8 <= limit && load8(in + i + run) == word)
                run += 8;
            while (run < limit && in[i + run] == v)
                ++run;
            *o++ = static_cast<uint8_t>(257 - run);
            *o++ = v;
            i += run;
            continue;
        }
        const std::size_t limit = std::min<std::size_t>(n, i + 128);
        std::size_t end = i + 1;
        while (end < limit && !triple_at(end))
            ++end;
        *o++ = static_cast<uint8_t>(end - i - 1);
        std::memcpy(o, in + i, end - i);
        o += end - i;
        i = end;
    }
    return o;
}

} // namespace

void packbits_encode(std::span<const uint8_t> in, std::vector<uint8_t>& out) {
    const std::size_t at = out.size();
    out.resize(at + packbits_bound(in.size()));
    uint8_t* end = packbits_into(in.data(), in.size(), out.data() + at);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

bool packbits_decode(std::span<const uint8_t> in, std::size_t& pos, std::span<uint8_t> out) {
    std::size_t filled = 0;
    while (filled < out.size()) {
        if (pos >= in.size())
            return false;
        const auto n = static_cast<int8_t>(in[pos++]);
        if (n >= 0) {
            // Literal: n + 1 bytes follow.
            const std::size_t count = static_cast<std::size_t>(n) + 1;
            if (count > in.size() - pos || count > out.size() - filled)
                return false;
            std::copy_n(in.begin() + static_cast<std::ptrdiff_t>(pos), count,
                        out.begin() + static_cast<std::ptrdiff_t>(filled));
            pos += count;
            filled += count;
        } else if (n != -128) {
            // Repeat: the next byte 1 - n times. -128 is a no-op.
            const std::size_t count = static_cast<std::size_t>(1 - n);
            if (pos >= in.size() || count > out.size() - filled)
                return false;
            std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(filled), count, in[pos++]);
            filled += count;
        }
    }
    return true;
}

void encode_row(const uint8_t* dots, uint32_t width, std::vector<uint8_t>& out,
                std::vector<uint8_t>& plane) {
    // The four planes split in one pass over the dots, then each encoded
    // into the scratch space behind them: only the encoded bytes are
    // appended, as most rows shrink to little.
    const std::size_t n = width;
    const std::size_t bound = row_bound(width);
    if (plane.size() < 4 * n + bound)
        plane.resize(4 * n + bound);
    uint8_t* p0 = plane.data();
    uint8_t* p1 = p0 + n;
    uint8_t* p2 = p1 + n;
    uint8_t* p3 = p2 + n;
    for (std::size_t x = 0; x < n; ++x) {
        const uint8_t* d = dots + 4 * x;
        p0[x] = d[0];
        p1[x] = d[1];
        p2[x] = d[2];
        p3[x] = d[3];
    }
    uint8_t* const encoded = p0 + 4 * n;
    uint8_t* o = encoded;
    for (int c = 0; c < 4; ++c)
        o = packbits_into(p0 + static_cast<std::size_t>(c) * n, n, o);
    out.insert(out.end(), encoded, o);
}

bool decode_row(std::span<const uint8_t> in, uint32_t width, uint8_t* dots,
                std::vector<uint8_t>& plane) {
    plane.resize(width);
    std::size_t pos = 0;
    for (int c = 0; c < 4; ++c) {
        if (!packbits_decode(in, pos, plane))
            return false;
        for (uint32_t x = 0; x < width; ++x)
            dots[4 * static_cast<std::size_t>(x) + static_cast<std::size_t>(c)] = plane[x];
    }
    // The row must use its bytes exactly: anything left over is corruption.
    return pos == in.size();
}

bool check_row(std::span<const uint8_t> in, uint32_t width) {
    std::size_t pos = 0;
    for (int c = 0; c < 4; ++c)
        if (!packbits_walk(
                in, pos, width, [](std::size_t, std::size_t, uint8_t) {},
                [](std::size_t, const uint8_t*, std::size_t) {}))
            return false;
    return pos == in.size();
}

} // namespace spool_stream

// PackBits and the planar row coding of the printer stream.
#include "stream_format.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace spool_stream {

namespace {

// The first position in [from, limit) whose byte is not `v`, or `limit`.
inline std::size_t run_end(const uint8_t* in, std::size_t from, std::size_t limit, uint8_t v) {
    std::size_t k = from;
#ifdef __SSE2__
    // Paper is mostly one colour: sixteen bytes a step.
    const __m128i want = _mm_set1_epi8(static_cast<char>(v));
    for (; k + 16 <= limit; k += 16) {
        const __m128i got = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k));
        const unsigned same = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(got, want)));
        if (same != 0xFFFFu)
            return k + static_cast<std::size_t>(__builtin_ctz(~same));
    }
#endif
    while (k < limit && in[k] == v)
        ++k;
    return k;
}

// The first position in [from, limit) where three equal bytes start within
// the n bytes of `in`, or `limit`.
inline std::size_t triple_start(const uint8_t* in, std::size_t n, std::size_t from,
                                std::size_t limit) {
    std::size_t k = from;
#ifdef __SSE2__
    // Sixteen candidate positions a step while all three loads lie inside.
    for (; k + 16 <= limit && k + 18 <= n; k += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k + 1));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k + 2));
        const unsigned hits = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, b), _mm_cmpeq_epi8(b, c))));
        if (hits != 0)
            return k + static_cast<std::size_t>(__builtin_ctz(hits));
    }
#endif
    for (; k < limit; ++k)
        if (k + 2 < n && in[k] == in[k + 1] && in[k] == in[k + 2])
            return k;
    return limit;
}

// Encodes `in` into `o`, which has room for packbits_bound(n) bytes; returns
// the end of the output.
uint8_t* packbits_into(const uint8_t* in, std::size_t n, uint8_t* o) {
    std::size_t i = 0;
    while (i < n) {
        // Three or more equal bytes become a repeat of at most 128; shorter
        // runs stay in the literal, which keeps the output within
        // packbits_bound().
        if (i + 2 < n && in[i] == in[i + 1] && in[i] == in[i + 2]) {
            const uint8_t v = in[i];
            const std::size_t run =
                run_end(in, i + 3, i + std::min<std::size_t>(n - i, 128), v) - i;
            *o++ = static_cast<uint8_t>(257 - run);
            *o++ = v;
            i += run;
            continue;
        }
        const std::size_t end = triple_start(in, n, i + 1, std::min<std::size_t>(n, i + 128));
        *o++ = static_cast<uint8_t>(end - i - 1);
        std::memcpy(o, in + i, end - i);
        o += end - i;
        i = end;
    }
    return o;
}

// Splits n dots of 4 bytes into their four planes of n bytes each.
void split_planes(const uint8_t* dots, std::size_t n, uint8_t* p0, uint8_t* p1, uint8_t* p2,
                  uint8_t* p3) {
    std::size_t x = 0;
#ifdef __SSE2__
    // Sixteen dots a step, by three rounds of byte interleaving.
    for (; x + 16 <= n; x += 16) {
        const auto* d = reinterpret_cast<const __m128i*>(dots + 4 * x);
        const __m128i a = _mm_loadu_si128(d), b = _mm_loadu_si128(d + 1);
        const __m128i c = _mm_loadu_si128(d + 2), e = _mm_loadu_si128(d + 3);
        const __m128i t0 = _mm_unpacklo_epi8(a, b), t1 = _mm_unpackhi_epi8(a, b);
        const __m128i t2 = _mm_unpacklo_epi8(c, e), t3 = _mm_unpackhi_epi8(c, e);
        const __m128i u0 = _mm_unpacklo_epi8(t0, t1), u1 = _mm_unpackhi_epi8(t0, t1);
        const __m128i u2 = _mm_unpacklo_epi8(t2, t3), u3 = _mm_unpackhi_epi8(t2, t3);
        const __m128i v0 = _mm_unpacklo_epi8(u0, u1), v1 = _mm_unpackhi_epi8(u0, u1);
        const __m128i v2 = _mm_unpacklo_epi8(u2, u3), v3 = _mm_unpackhi_epi8(u2, u3);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p0 + x), _mm_unpacklo_epi64(v0, v2));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p1 + x), _mm_unpackhi_epi64(v0, v2));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p2 + x), _mm_unpacklo_epi64(v1, v3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p3 + x), _mm_unpackhi_epi64(v1, v3));
    }
#endif
    for (; x < n; ++x) {
        const uint8_t* d = dots + 4 * x;
        p0[x] = d[0];
        p1[x] = d[1];
        p2[x] = d[2];
        p3[x] = d[3];
    }
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
    split_planes(dots, n, p0, p1, p2, p3);
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

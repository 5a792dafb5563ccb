// PackBits and the planar row coding of the printer stream.
#include "stream_format.h"

#include <algorithm>

namespace spool_stream {

void packbits_encode(std::span<const uint8_t> in, std::vector<uint8_t>& out) {
    const std::size_t n = in.size();
    // Length of the run of equal bytes starting at i, at most 128.
    auto run_at = [&](std::size_t i) {
        std::size_t run = 1;
        while (i + run < n && run < 128 && in[i + run] == in[i])
            ++run;
        return run;
    };
    std::size_t i = 0;
    while (i < n) {
        // Three or more equal bytes become a repeat; shorter runs stay in the
        // literal, which keeps the output within packbits_bound().
        const std::size_t run = run_at(i);
        if (run >= 3) {
            out.push_back(static_cast<uint8_t>(257 - run));
            out.push_back(in[i]);
            i += run;
            continue;
        }
        std::size_t end = i + 1;
        while (end < n && end - i < 128 && run_at(end) < 3)
            ++end;
        out.push_back(static_cast<uint8_t>(end - i - 1));
        out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(i),
                   in.begin() + static_cast<std::ptrdiff_t>(end));
        i = end;
    }
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
    plane.resize(width);
    for (int c = 0; c < 4; ++c) {
        for (uint32_t x = 0; x < width; ++x)
            plane[x] = dots[4 * static_cast<std::size_t>(x) + static_cast<std::size_t>(c)];
        packbits_encode(plane, out);
    }
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

} // namespace spool_stream

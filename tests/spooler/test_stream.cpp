// The printer stream: PackBits, and the decoder's checks on damaged streams.
// Valid streams come from the spool module itself.
#include "spool_test_support.h"

#include <random>

using namespace spool_test;
using namespace spool_stream;

namespace {

// ---------------------------------------------------------------------------
// PackBits

std::vector<uint8_t> pack(const std::vector<uint8_t>& in) {
    std::vector<uint8_t> out;
    packbits_encode(in, out);
    return out;
}

TEST(PackBits, RoundTripsWithinItsBound) {
    std::mt19937 rng(7);
    std::vector<std::vector<uint8_t>> inputs;
    for (std::size_t n : {0, 1, 2, 3, 127, 128, 129, 130, 255, 256, 257, 1000}) {
        std::vector<uint8_t> random(n), flat(n, 0xAB), pairs(n), steps(n);
        for (std::size_t i = 0; i < n; ++i) {
            random[i] = static_cast<uint8_t>(rng());
            pairs[i] = static_cast<uint8_t>(i / 2);      // runs of two: the costly case
            steps[i] = static_cast<uint8_t>(i % 4 == 0); // a single byte between runs of three
        }
        inputs.insert(inputs.end(), {random, flat, pairs, steps});
    }
    for (const auto& in : inputs) {
        const std::vector<uint8_t> packed = pack(in);
        EXPECT_LE(packed.size(), packbits_bound(in.size())) << "input of " << in.size();
        std::vector<uint8_t> back(in.size());
        std::size_t pos = 0;
        ASSERT_TRUE(packbits_decode(packed, pos, back));
        EXPECT_EQ(pos, packed.size());
        EXPECT_EQ(back, in);
    }
    EXPECT_EQ(pack(std::vector<uint8_t>(1000, 0)).size(), 16u); // 8 runs of 128 or less
}

// The row coding printers already decode, byte by byte: three equal bytes
// start a repeat of at most 128, anything else a literal of at most 128.
std::vector<uint8_t> plain_row_coding(const std::vector<uint8_t>& dots) {
    const std::size_t n = dots.size() / 4;
    std::vector<uint8_t> out;
    for (std::size_t c = 0; c < 4; ++c) {
        std::vector<uint8_t> in(n);
        for (std::size_t x = 0; x < n; ++x)
            in[x] = dots[4 * x + c];
        auto triple = [&](std::size_t i) {
            return i + 2 < n && in[i] == in[i + 1] && in[i] == in[i + 2];
        };
        for (std::size_t i = 0; i < n;) {
            std::size_t end = i + 1;
            if (triple(i)) {
                while (end < n && end - i < 128 && in[end] == in[i])
                    ++end;
                out.push_back(static_cast<uint8_t>(257 - (end - i)));
                out.push_back(in[i]);
            } else {
                while (end < n && end - i < 128 && !triple(end))
                    ++end;
                out.push_back(static_cast<uint8_t>(end - i - 1));
                out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(i),
                           in.begin() + static_cast<std::ptrdiff_t>(end));
            }
            i = end;
        }
    }
    return out;
}

// The fast row coding must write the very bytes the plain one does, for
// rows of every width and of runs ending anywhere: a printer must receive the
// same data as before.
TEST(PackBits, RowsAreCodedExactlyAsByteByByte) {
    std::mt19937 rng(11);
    std::vector<uint8_t> plane;
    for (int trial = 0; trial < 3000; ++trial) {
        const uint32_t width = trial < 300 ? static_cast<uint32_t>(trial + 1) : rng() % 3000 + 1;
        std::vector<uint8_t> dots(4 * static_cast<std::size_t>(width));
        // Runs of random length, drawn from few values so that triples and
        // near-triples fall at every offset.
        const unsigned values = 1 + rng() % 4, longest = 1 + rng() % 300;
        for (std::size_t i = 0; i < dots.size();) {
            const std::size_t run = std::min<std::size_t>(1 + rng() % longest, dots.size() - i);
            const auto v = static_cast<uint8_t>(rng() % values);
            const bool whole_dots = rng() % 2 == 0;
            for (std::size_t k = 0; k < run; ++k)
                dots[i + k] = whole_dots ? v : static_cast<uint8_t>(rng() % values);
            i += run;
        }
        std::vector<uint8_t> fast;
        encode_row(dots.data(), width, fast, plane);
        ASSERT_EQ(fast, plain_row_coding(dots)) << "row of " << width << " dots, trial " << trial;
        std::vector<uint8_t> back(dots.size());
        ASSERT_TRUE(decode_row(fast, width, back.data(), plane));
        ASSERT_EQ(back, dots);
    }
}

TEST(PackBits, DamagedInputIsRefused) {
    std::vector<uint8_t> out(4);
    auto fails = [&](std::vector<uint8_t> in) {
        std::size_t pos = 0;
        return !packbits_decode(in, pos, out);
    };
    EXPECT_TRUE(fails({}));                 // nothing at all
    EXPECT_TRUE(fails({3, 1, 2}));          // literal cut short
    EXPECT_TRUE(fails({4, 1, 2, 3, 4, 5})); // literal longer than the output
    EXPECT_TRUE(fails({0xFC}));             // run without its byte
    EXPECT_TRUE(fails({0xFB, 9}));          // run of 6 into 4 bytes
    EXPECT_FALSE(fails({0x80, 0xFD, 9}));   // -128 is skipped
    EXPECT_EQ(out, std::vector<uint8_t>(4, 9));

    // A row must use up exactly its bytes.
    std::vector<uint8_t> plane, dots(8);
    std::vector<uint8_t> row = {0xFF, 1, 0xFF, 2, 0xFF, 3, 0xFF, 0};
    EXPECT_TRUE(decode_row(row, 2, dots.data(), plane));
    EXPECT_EQ(dots, (std::vector<uint8_t>{1, 2, 3, 0, 1, 2, 3, 0}));
    row.push_back(0);
    EXPECT_FALSE(decode_row(row, 2, dots.data(), plane));
}

// ---------------------------------------------------------------------------
// The decoder on damaged streams

struct Record_Place {
    std::size_t offset;
    std::string tag;
};

// Where each record of a (valid) stream starts.
std::vector<Record_Place> records_of(const std::vector<uint8_t>& s) {
    std::vector<Record_Place> places;
    for (std::size_t at = 0; at + 8 <= s.size(); at += 8 + get_u32(&s[at + 4]))
        places.push_back({at, std::string(s.begin() + static_cast<std::ptrdiff_t>(at),
                                          s.begin() + static_cast<std::ptrdiff_t>(at) + 4)});
    return places;
}

std::size_t find_record(const std::vector<uint8_t>& s, const std::string& tag, int nth = 0) {
    for (const auto& r : records_of(s))
        if (r.tag == tag && nth-- == 0)
            return r.offset;
    throw std::runtime_error("no record " + tag);
}

// The offset of the error decoding `s` reports; -1 when it decodes.
int64_t error_offset(const std::vector<uint8_t>& s, std::string* message = nullptr) {
    try {
        decode(s);
        return -1;
    } catch (const Stream_Error& e) {
        if (message != nullptr)
            *message = e.what();
        return static_cast<int64_t>(e.offset());
    }
}

class Stream_Test : public ::testing::Test {
protected:
    void SetUp() override {
        const Test_Page a(40, 5), b(40, 4);
        stream = print_job(module, records, {&a, &b});
    }
    Spool_Module module;
    Job_Records records;
    std::vector<uint8_t> stream;
};

TEST_F(Stream_Test, EveryTruncationIsReportedWithinTheStream) {
    for (std::size_t n = 0; n < stream.size(); ++n) {
        const std::vector<uint8_t> cut(stream.begin(),
                                       stream.begin() + static_cast<std::ptrdiff_t>(n));
        std::string message;
        const int64_t at = error_offset(cut, &message);
        ASSERT_GE(at, 0) << "a stream cut to " << n << " bytes decoded";
        EXPECT_LE(static_cast<std::size_t>(at), n) << message;
    }
    EXPECT_EQ(error_offset(stream), -1);
}

TEST_F(Stream_Test, DamageIsReportedWhereItIs) {
    std::string message;
    {
        auto s = stream;
        s[0] = 'X';
        EXPECT_EQ(error_offset(s, &message), 0);
        EXPECT_NE(message.find("not a printer stream"), std::string::npos) << message;
    }
    {
        auto s = stream;
        put_u16(&s[8], 2); // major version
        EXPECT_EQ(error_offset(s, &message), 8);
        EXPECT_NE(message.find("version 2.0"), std::string::npos) << message;
    }
    {
        const std::size_t band = find_record(stream, "BAND", 1);
        auto s = stream;
        put_u32(&s[band + 4], 0x7FFFFFF0); // band longer than the stream
        EXPECT_EQ(error_offset(s, &message), static_cast<int64_t>(band));
        EXPECT_NE(message.find("truncated 'BAND'"), std::string::npos) << message;
    }
    {
        const std::size_t band = find_record(stream, "BAND", 0);
        auto s = stream;
        const std::size_t row0 = band + 8 + band_head_size;
        put_u32(&s[row0], get_u32(&s[row0]) + 1); // row claims one byte more
        EXPECT_EQ(error_offset(s), static_cast<int64_t>(row0 + 4))
            << "decoding runs into the next row";
    }
    {
        const std::size_t band = find_record(stream, "BAND", 2);
        auto s = stream;
        put_u32(&s[band + 8 + 28], 99); // rect top
        EXPECT_EQ(error_offset(s, &message), static_cast<int64_t>(band + 8 + 24)) << message;
    }
    {
        // A wide band in a short record is refused before its dots are allocated.
        const std::size_t band = find_record(stream, "BAND", 0);
        auto s = stream;
        put_u32(&s[band + 8 + 8], 60000);  // bandSize.width
        put_u32(&s[band + 8 + 32], 60000); // bandRect.right
        EXPECT_EQ(error_offset(s, &message), static_cast<int64_t>(band + 8 + 12)) << message;
        EXPECT_NE(message.find("cannot fit"), std::string::npos) << message;
    }
    {
        const std::size_t end = find_record(stream, "PEND");
        auto s = stream;
        put_u32(&s[end + 8 + 12], 4); // rows of the page end
        EXPECT_EQ(error_offset(s), static_cast<int64_t>(end + 8 + 8));
    }
    {
        const std::size_t end = find_record(stream, "JEND");
        auto s = stream;
        put_u64(&s[end + 8 + 8], 12); // bytes of the job
        EXPECT_EQ(error_offset(s), static_cast<int64_t>(end + 8 + 8));
    }
    {
        const std::size_t params = find_record(stream, "JOBP");
        auto s = stream;
        put_u32(&s[params + 8 + 116], 7); // an address field that is neither 0 nor 1
        EXPECT_EQ(error_offset(s), static_cast<int64_t>(params + 8 + 116));
    }
    {
        auto s = stream;
        s.push_back(0); // trailing garbage
        EXPECT_EQ(error_offset(s), static_cast<int64_t>(stream.size()));
    }
}

TEST_F(Stream_Test, UnknownRecordsAreSkippedAndNewerMinorVersionsRead) {
    // A record this reader does not know, between the job records.
    const std::size_t media = find_record(stream, "MEDI");
    auto s = stream;
    const std::vector<uint8_t> extra = {'X', 'T', 'R', 'A', 3, 0, 0, 0, 1, 2, 3};
    s.insert(s.begin() + static_cast<std::ptrdiff_t>(media), extra.begin(), extra.end());
    // The job end counts the job's bytes, which now include the extra record.
    const std::size_t end = find_record(s, "JEND");
    put_u64(&s[end + 16], get_u64(&s[end + 16]) + extra.size());
    struct Counting : Collected {
        int unknown = 0;
        void unknown_record(uint64_t, const Tag&, uint32_t) override { ++unknown; }
    } c;
    Memory_Source source(s);
    decode_stream(source, c);
    EXPECT_EQ(c.unknown, 1);
    EXPECT_EQ(c.page_dots.size(), 2u);

    // Version 1.1 may append to fixed records; 1.0 may not.
    auto longer = stream;
    const std::size_t params = find_record(longer, "JOBP");
    put_u32(&longer[params + 4], 136);
    longer.insert(longer.begin() + static_cast<std::ptrdiff_t>(params + 8 + 132), 4, 0);
    const std::size_t jend = find_record(longer, "JEND");
    put_u64(&longer[jend + 16], get_u64(&longer[jend + 16]) + 4);
    EXPECT_EQ(error_offset(longer), static_cast<int64_t>(params));
    put_u16(&longer[10], 1);
    EXPECT_EQ(error_offset(longer), -1);
}

TEST_F(Stream_Test, CopiesAndACancelledCopyTailAreRead) {
    auto s = stream;
    s.insert(s.end(), stream.begin(), stream.end()); // a second copy
    const std::size_t last_end = find_record(stream, "PEND", 1);
    s.insert(s.end(), stream.begin() + static_cast<std::ptrdiff_t>(last_end), stream.end());
    const Collected c = decode(s);
    EXPECT_EQ(c.jobs.size(), 2u);
    EXPECT_EQ(c.jobs[1].index, 1u);
    EXPECT_EQ(c.jobs[1].offset, stream.size());
    EXPECT_EQ(c.page_dots.size(), 4u);
    EXPECT_EQ(c.page_dots[3], c.page_dots[1]);
    EXPECT_EQ(c.cancelled, 1);

    // A page end alone is no cancelled copy.
    auto bad = stream;
    bad.insert(bad.end(), stream.begin() + static_cast<std::ptrdiff_t>(last_end),
               stream.begin() + static_cast<std::ptrdiff_t>(find_record(stream, "JEND")));
    EXPECT_EQ(error_offset(bad), static_cast<int64_t>(bad.size()));
}

TEST_F(Stream_Test, RandomDamageNeverGoesUnnoticedOrCrashes) {
    std::mt19937 rng(11);
    int decoded = 0;
    for (int i = 0; i < 3000; ++i) {
        auto s = stream;
        const int flips = 1 + static_cast<int>(rng() % 4);
        for (int f = 0; f < flips; ++f)
            s[rng() % s.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
        try {
            decode(s);
            ++decoded; // flips inside dots or unchecked fields are fine
        } catch (const Stream_Error& e) {
            EXPECT_LE(e.offset(), s.size());
        }
    }
    EXPECT_LT(decoded, 3000);
}

TEST(Stream_File, FileSourceReadsLikeMemory) {
    Spool_Module module;
    Job_Records records;
    const Test_Page page(300, 9);
    const std::vector<uint8_t> bytes = print_job(module, records, {&page});
    const std::string path = ::testing::TempDir() + "stream_file_test.prn";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    File_Source source(path);
    Collected c;
    decode_stream(source, c);
    EXPECT_EQ(c.page_dots.at(0), page.dots);
    std::remove(path.c_str());

    EXPECT_THROW(File_Source{"/nonexistent/stream.prn"}, std::runtime_error);
    EXPECT_THROW(File_Source{::testing::TempDir()}, std::runtime_error); // a folder
}

} // namespace

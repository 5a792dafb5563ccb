// The printer stream reader on arbitrary bytes: it must either read them or
// throw Stream_Error, and never read outside what it was given.
#include "stream_decoder.h"

#include <cstddef>
#include <cstdint>

namespace {

// Touches everything the reader hands out, so a bad span shows up.
struct Reader : spool_stream::Stream_Visitor {
    uint64_t sum = 0;
    void job_begin(const spool_stream::Job_Info& job) override {
        for (const auto& p : job.paths)
            sum += p.path.size();
        sum += job.job_params.bytes.size() + job.mode_columns.bytes.size();
    }
    void band(const spool_stream::Band_Info& band, std::span<const uint8_t> dots) override {
        if (dots.size() != std::size_t{band.width} * 4 * band.rows)
            __builtin_trap();
        for (uint8_t d : dots)
            sum += d;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    spool_stream::Memory_Source source({data, size});
    Reader reader;
    try {
        spool_stream::decode_stream(source, reader);
    } catch (const spool_stream::Stream_Error&) {
    }
    return 0;
}

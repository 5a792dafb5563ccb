// vorna-prn: reads the printer stream of the spool module and shows it as
// records (info), as a picture (png) or as PWG Raster for CUPS (pwg).
#pragma once

#include "plat_file.h"
#include "stream_decoder.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace prn {

// Writing the result failed (the input was fine): exit status 1.
class Output_Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The input is fine as a stream but cannot give what was asked: exit status 2.
class Input_Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Info_Options {
    bool json = false;
    bool bands = false; // every band's blocks, not only the summary
};

// Prints every record field by name and offset, and per page a band summary.
void print_info(spool_stream::Byte_Source& source, std::ostream& out, const Info_Options& options);

// One printed page of the stream, as found by a first walk.
struct Page_Summary {
    unsigned job = 0;
    unsigned page = 0; // within the job
    uint32_t width = 0;
    uint32_t rows = 0;
    uint32_t x_dpi = 0;
    uint32_t y_dpi = 0;
};
std::vector<Page_Summary> scan_pages(spool_stream::Byte_Source& source);

// The resolution a job announces, or 360 when its fields hold no sensible one.
uint32_t job_resolution(const spool_stream::Job_Info& job, bool vertical);

// Draws page `number` (from 1, counted over the whole stream) as an 8-bit RGB
// PNG picture.
// dpi: the picture's resolution, each pixel the mean of the dots it covers;
// 0 keeps every dot.
void write_png(spool_stream::Byte_Source& source, unsigned number, const std::string& path,
               int dpi);

// Writes every page with rows (copies included) as PWG Raster, sRGB 8-bit.
// Returns the number of pages written.
unsigned write_pwg(spool_stream::Byte_Source& source, const std::string& path);

// Output goes to a new file beside `path` that replaces it only when complete
// (keeping its mode, through a link), so a failed run leaves no half-written
// file and an earlier one whole.
class Output_File {
public:
    explicit Output_File(const std::string& path);
    ~Output_File();
    Output_File(const Output_File&) = delete;
    Output_File& operator=(const Output_File&) = delete;
    std::FILE* get() const { return m_file; }
    void commit();
    // Where the stream's bytes go; false (the reason kept) on failure.
    bool write(const char* data, std::size_t size);

private:
    std::string m_path;
    std::unique_ptr<plat::File_Replacement> m_out;
    std::string m_error;
    std::FILE* m_file = nullptr;
};

} // namespace prn

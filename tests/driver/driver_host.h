// A headless host for the device tests: the printer definition loaded from
// the driver's description file with its default configuration, a job's
// temporary folder and progress, and a device driven in the host's order.
// Pages are small "UserDefined" sheets so that whole pages spool quickly.
#pragma once

#include "raster_driver.h"
#include "rcm_entries.h"
#include "stream_decoder.h"

#include "ht_error.h"
#include "plat_module.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

using raster_media::Rcm_Entry;
using enum raster_media::Rcm_Entry;

// Progress whose cancel answer a test decides, query by query.
class Test_Progress : public HT_Progress {
public:
    int query_and_count() override {
        ++queries;
        return cancel_when && cancel_when(queries) ? 1 : 0;
    }
    int queries = 0;
    std::function<bool(int)> cancel_when;
};

// One band as the printer stream recorded it.
struct Printed_Band {
    std::uint32_t top = 0;
    std::uint32_t rows = 0;
    std::uint32_t width = 0;
    std::vector<std::uint8_t> dots; // rows × width × 4
};

// What a printer stream holds, job by job.
struct Printed_Stream {
    int jobs = 0;
    int pages = 0;
    int page_ends = 0;
    int job_ends = 0;
    int cancelled_copies = 0;
    std::vector<spool_stream::Job_Info> job_infos;
    std::vector<spool_stream::Page_Info> page_infos;
    std::vector<Printed_Band> bands; // of every job

    // Red, green, blue of a dot of the first job's page.
    std::uint32_t rgb(int column, int row) const;
};

Printed_Stream decode(const std::vector<std::uint8_t>& bytes);

class Driver_Host : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Host settings and custom keys by name, as the plot configuration names them.
    void set(const std::string& name, const std::string& value);
    // A "UserDefined" roll-paper page of the selected entry's resolution,
    // `width` × `height` printed dots.
    void small_page(int width, int height);

    // Creates the device (if needed) and runs the host's steps up to the
    // picture start. The output goes to `output_path()`.
    RASTER_Driver& device();
    void configure();
    void establish();
    void begin();
    void end();
    // All steps: a page drawn by `draw` (which may draw nothing).
    void print(const std::function<void(RASTER_Driver&)>& draw);

    std::vector<std::uint8_t> output() const;
    const fs::path& output_path() const { return m_output; }
    const fs::path& temp_dir() const { return m_temp; }
    HT_Plotter_Definition& definition() { return *m_definition; }

    // Drawing through the registered actions.
    void dot(int x, int y, std::uint32_t color);
    void index_dot(int x, int y, int index);

    // What a step threw, severity included.
    struct Caught {
        int code_ = 0;
        bool severe_ = false;
        std::string operation_, detail_, unit_;
        int code() const { return code_; }
        bool severe() const { return severe_; }
        const std::string& operation() const { return operation_; }
        const std::string& detail() const { return detail_; }
        const std::string& unit() const { return unit_; }
    };
    Caught error_of(const std::function<void()>& step);

    HT_Smart_Pointer<HT_Plotter_Definition> m_definition;
    HT_Smart_Pointer<HT_Std_Error_Handler> m_handler;
    HT_Smart_Pointer<Test_Progress> m_progress;
    HT_Plotter_Device_Data* m_device = nullptr;
    fs::path m_temp;
    fs::path m_output;

private:
    plat::Module m_module = nullptr;
    long m_live = 0;
};

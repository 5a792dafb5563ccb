// What the spool module tests and the vorna-prn tests share: the module loaded
// with dlopen as the driver loads it, a set of valid job records, and an output
// callback that collects the printer data.
#pragma once

#include "spool_records.h"
#include "stream_decoder.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace spool_test {

// V_MOD0.DLL of this build, its entry points looked up by name.
class Spool_Module {
public:
    Spool_Module() {
        m_handle = dlopen(VORNA_SPOOL_MODULE, RTLD_NOW | RTLD_LOCAL);
        if (m_handle == nullptr)
            throw std::runtime_error(std::string("cannot load the spool module: ") + dlerror());
        init_job = entry<Spool_Init_Job_Fn>(spool_init_job_name);
        init_page = entry<Spool_Init_Page_Fn>(spool_init_page_name);
        band_out = entry<Spool_Band_Out_Fn>(spool_band_out_name);
        terminate_page = entry<Spool_Terminate_Page_Fn>(spool_terminate_page_name);
        destroy_job = entry<Spool_Destroy_Job_Fn>(spool_destroy_job_name);
        reset_job = entry<Spool_Reset_Job_Fn>(spool_reset_job_name);
        terminate_page_ex = entry<Spool_Terminate_Page_Ex_Fn>(spool_terminate_page_ex_name);
    }
    ~Spool_Module() {
        if (m_handle != nullptr)
            dlclose(m_handle);
    }
    Spool_Module(const Spool_Module&) = delete;
    Spool_Module& operator=(const Spool_Module&) = delete;

    Spool_Init_Job_Fn init_job = nullptr;
    Spool_Init_Page_Fn init_page = nullptr;
    Spool_Band_Out_Fn band_out = nullptr;
    Spool_Terminate_Page_Fn terminate_page = nullptr;
    Spool_Destroy_Job_Fn destroy_job = nullptr;
    Spool_Reset_Job_Fn reset_job = nullptr;
    Spool_Terminate_Page_Ex_Fn terminate_page_ex = nullptr;

private:
    template <class F> F entry(const char* name) {
        void* p = dlsym(m_handle, name);
        if (p == nullptr)
            throw std::runtime_error(std::string("missing entry point ") + name);
        return reinterpret_cast<F>(p);
    }
    void* m_handle = nullptr;
};

// A job's records as a driver fills them for A4 roll paper at 720 dpi, with
// real module paths and a callback that appends to `output`. The modules
// record comes first, so the callback finds this object from its context.
struct Job_Records {
    Spool_Modules modules{};
    Spool_Job_Params params{};
    Spool_Print_Mode print_mode{};
    Spool_Media media{};
    Spool_Margin_Free margin_free{};
    Spool_Page_Params page{};
    std::array<int32_t, 18> mode_row{};
    std::string mod4, mod3, mod_list_entry;
    std::array<const char*, 2> module_list{};
    std::vector<uint8_t> output;
    int callback_calls = 0;
    int32_t callback_result = spool_output_ok;

    Job_Records() {
        const std::string dir = VORNA_SPOOL_MODULE_DIR;
        mod4 = dir + "/V_MOD4.DLL";
        mod3 = dir + "/V_MOD3.DLL";
        mod_list_entry = dir + "/V_MOD1.DLL";
        module_list = {mod_list_entry.c_str(), nullptr};
        modules.path_mod4 = mod4.c_str();
        modules.path_mod3 = mod3.c_str();
        modules.module_list = module_list.data();
        modules.fixed_12 = 1;
        modules.output = &Job_Records::collect;

        mode_row = {1, 11, 7, 1, 1, 720, 720, 720, 720, 1, 2, 2, 1024, 1, 100, 0, 0, 0};
        media.record_kind = 1;
        media.mode_columns = &mode_row[1];
        media.fixed_8 = 1;

        print_mode.record_kind = 2;
        print_mode.print_mode_id = 959;
        print_mode.ink_density_factor = 1013;
        print_mode.feed_offset = 0xFFF6; // -10 in the low 16 bits
        print_mode.drying_time = 3;
        print_mode.paper_thickness = 2;
        print_mode.suction = 50;
        print_mode.cut_method = 2;
        print_mode.platen_gap = 3;
        print_mode.eject_roller = 1;

        params.record_kind = 6;
        params.mode_column_2 = 7;
        params.mode_column_3 = 1;
        params.mode_column_5 = 720;
        params.mode_column_6 = 720;
        params.mode_column_7 = 720;
        params.mode_column_8 = 720;
        params.paper_width = 5952;
        params.paper_height = 8418;
        params.printable_width = 5784;
        params.printable_height = 8250;
        params.printable_width_2 = 5784;
        params.printable_height_2 = 8250;
        params.sheet_margin = 84;
        params.media_code = 1;
        params.mode_column_10 = 2;
        params.fixed_68 = 1;
        params.pass_mode = 5;
        params.media_handling = 0x80000020u;
        params.source_code = 530;
        params.size_code = 9;
        params.fixed_92 = 0xFFFF;
        params.color_mode = 1;
        params.print_mode = &print_mode;
        params.media = &media;

        margin_free = {1, 2, 0, 0};

        page.record_kind = 1;
        page.color_mode = 2;
        page.fixed_12 = 1;
        page.gamma = 180;
    }
    Job_Records(const Job_Records&) = delete;
    Job_Records& operator=(const Job_Records&) = delete;

    static int32_t collect(void* context, const uint8_t* data, uint32_t count) {
        auto* self = static_cast<Job_Records*>(context);
        self->callback_calls += 1;
        if (self->callback_result == spool_output_ok)
            self->output.insert(self->output.end(), data, data + count);
        return self->callback_result;
    }
};

// A page of 4-byte dots with a recognisable picture: every dot differs from
// its neighbours in a way that depends on x and y, with flat areas between.
struct Test_Page {
    uint32_t width = 0;
    uint32_t rows = 0;
    std::vector<uint8_t> dots;

    Test_Page(uint32_t w, uint32_t h) : width(w), rows(h), dots(std::size_t{w} * h * 4) {
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                uint8_t* d = &dots[(std::size_t{y} * w + x) * 4];
                const bool flat = (x / 16 + y / 8) % 3 == 0;
                d[0] = flat ? 255 : static_cast<uint8_t>(x * 7 + y);
                d[1] = flat ? 255 : static_cast<uint8_t>(y * 13);
                d[2] = flat ? 255 : static_cast<uint8_t>(x ^ y);
                d[3] = 0;
            }
    }
    const uint8_t* row(uint32_t y) const { return &dots[std::size_t{y} * width * 4]; }
};

// Sends a page as the driver does: bands of two rows, the last one of one row
// when the page has an odd number of rows. Returns the first non-zero result.
inline int32_t send_page(const Spool_Module& module, Spool_Job job, const Test_Page& page) {
    for (uint32_t top = 0; top < page.rows; top += 2) {
        const uint32_t rows = page.rows - top >= 2 ? 2 : 1;
        const Spool_Band_Size size{0, 0, page.width, rows};
        const Spool_Band_Data data{page.width * 4, page.row(top)};
        const Spool_Band_Rect rect{0, top, page.width, top + rows};
        const Spool_Band_Reserved reserved{};
        if (const int32_t r = module.band_out(job, &size, &data, nullptr, &rect, &reserved))
            return r;
    }
    return spool_ok;
}

// A whole job of one or more pages; returns the printer data.
inline std::vector<uint8_t> print_job(const Spool_Module& module, Job_Records& records,
                                      const std::vector<const Test_Page*>& pages) {
    Spool_Job job = nullptr;
    EXPECT_EQ(module.init_job(&job, &records.params, &records.modules), spool_ok);
    for (const Test_Page* page : pages) {
        EXPECT_EQ(module.init_page(job, &records.page), spool_ok);
        EXPECT_EQ(send_page(module, job, *page), spool_ok);
        EXPECT_EQ(module.terminate_page(job), spool_ok);
    }
    EXPECT_EQ(module.destroy_job(job), spool_ok);
    return records.output;
}

// Everything a stream holds, kept: the pixels of each page row after row.
struct Collected : spool_stream::Stream_Visitor {
    std::vector<spool_stream::Job_Info> jobs;
    std::vector<spool_stream::Page_Info> pages;
    std::vector<spool_stream::Band_Info> bands;
    std::vector<std::vector<uint8_t>> page_dots;
    std::vector<spool_stream::Page_End> page_ends;
    std::vector<spool_stream::Job_End> job_ends;
    int cancelled = 0;

    void job_begin(const spool_stream::Job_Info& j) override { jobs.push_back(j); }
    void page_begin(const spool_stream::Page_Info& p) override {
        pages.push_back(p);
        page_dots.emplace_back();
    }
    void band(const spool_stream::Band_Info& b, std::span<const uint8_t> dots) override {
        bands.push_back(b);
        page_dots.back().insert(page_dots.back().end(), dots.begin(), dots.end());
    }
    void page_end(const spool_stream::Page_End& e) override { page_ends.push_back(e); }
    void job_end(const spool_stream::Job_End& e) override { job_ends.push_back(e); }
    void cancelled_copy(uint64_t) override { ++cancelled; }
};

inline Collected decode(const std::vector<uint8_t>& bytes) {
    spool_stream::Memory_Source source(bytes);
    Collected collected;
    spool_stream::decode_stream(source, collected);
    return collected;
}

// The stream value of a named field of a received record.
inline uint32_t field(const spool_stream::Record_Bytes& rec,
                      const spool_stream::Record_Layout& layout, const char* name) {
    const spool_stream::Field* f = spool_stream::find_field(layout, name);
    if (f == nullptr)
        throw std::runtime_error(std::string("no field ") + name);
    return rec.value(*f);
}

} // namespace spool_test

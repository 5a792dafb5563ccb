// The spool module's contract, through dlopen as the driver uses it: a normal
// job decodes back to the records and dots it was given, and every misuse is
// answered with its result code and leaves no output behind.
#include "spool_test_support.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>

using namespace spool_test;
using spool_stream::job_params_layout;
using spool_stream::media_layout;
using spool_stream::modules_layout;
using spool_stream::page_params_layout;
using spool_stream::print_mode_layout;

namespace {

class Spool_Module_Test : public ::testing::Test {
protected:
    void TearDown() override { unsetenv("VORNA_SPOOL_FAIL"); }

    Spool_Job start(Job_Records& r) {
        Spool_Job job = nullptr;
        EXPECT_EQ(module.init_job(&job, &r.params, &r.modules), spool_ok);
        EXPECT_NE(job, nullptr);
        return job;
    }
    Spool_Job start_page(Job_Records& r) {
        Spool_Job job = start(r);
        EXPECT_EQ(module.init_page(job, &r.page), spool_ok);
        return job;
    }
    int32_t band(Spool_Job job, uint32_t width, uint32_t top, uint32_t rows,
                 const uint8_t* dots = nullptr, uint32_t stride = 0) {
        m_band.assign(std::size_t{width} * 4 * rows + 64, 0x7F);
        const Spool_Band_Size size{0, 0, width, rows};
        const Spool_Band_Data data{stride != 0 ? stride : width * 4,
                                   dots != nullptr ? dots : m_band.data()};
        const Spool_Band_Rect rect{0, top, width, top + rows};
        const Spool_Band_Reserved reserved{};
        return module.band_out(job, &size, &data, nullptr, &rect, &reserved);
    }

    Spool_Module module;

private:
    std::vector<uint8_t> m_band;
};

// ---------------------------------------------------------------------------
// A normal job

TEST_F(Spool_Module_Test, JobDecodesToTheRecordsAndDotsItWasGiven) {
    Job_Records r;
    const Test_Page page(37, 7); // odd rows: the last band has one row
    const Collected c = decode(print_job(module, r, {&page}));

    ASSERT_EQ(c.jobs.size(), 1u);
    const auto& job = c.jobs[0];
    EXPECT_EQ(job.address_size, sizeof(void*));
    EXPECT_EQ(field(job.job_params, job_params_layout, "record_kind"), 6u);
    EXPECT_EQ(field(job.job_params, job_params_layout, "paper_width"), 5952u);
    EXPECT_EQ(field(job.job_params, job_params_layout, "printable_height_2"), 8250u);
    EXPECT_EQ(field(job.job_params, job_params_layout, "media_handling"), 0x80000020u);
    EXPECT_EQ(field(job.job_params, job_params_layout, "fixed_92"), 0xFFFFu);
    EXPECT_EQ(field(job.job_params, job_params_layout, "print_mode"), 1u);
    EXPECT_EQ(field(job.job_params, job_params_layout, "margin_free"), 0u);
    EXPECT_FALSE(job.margin_free.has_value());
    EXPECT_EQ(field(job.print_mode, print_mode_layout, "ink_density_factor"), 1013u);
    EXPECT_EQ(field(job.print_mode, print_mode_layout, "feed_offset"), 0xFFF6u);
    EXPECT_EQ(field(job.print_mode, print_mode_layout, "eject_roller"), 1u);
    EXPECT_EQ(field(job.media, media_layout, "mode_columns"), 1u);
    EXPECT_EQ(field(job.modules, modules_layout, "fixed_12"), 1u);
    EXPECT_EQ(field(job.modules, modules_layout, "output"), 1u);
    for (int col = 1; col <= 17; ++col)
        EXPECT_EQ(
            static_cast<int32_t>(spool_stream::get_u32(&job.mode_columns.bytes[4 * (col - 1)])),
            r.mode_row[col])
            << "column " << col;
    ASSERT_EQ(job.paths.size(), 3u);
    EXPECT_EQ(job.paths[0].path, r.mod4);
    EXPECT_EQ(job.paths[1].path, r.mod3);
    EXPECT_EQ(job.paths[2].path, r.mod_list_entry);

    ASSERT_EQ(c.pages.size(), 1u);
    EXPECT_EQ(field(c.pages[0].page_params, page_params_layout, "gamma"), 180u);
    EXPECT_EQ(field(c.pages[0].page_params, page_params_layout, "color_mode"), 2u);
    ASSERT_EQ(c.bands.size(), 4u);
    EXPECT_EQ(c.bands[3].rows, 1u);
    EXPECT_EQ(c.bands[3].top, 6u);
    EXPECT_EQ(c.page_dots[0], page.dots);
    ASSERT_EQ(c.page_ends.size(), 1u);
    EXPECT_EQ(c.page_ends[0].how, spool_stream::page_end_terminate);
    EXPECT_EQ(c.page_ends[0].rows, 7u);
    ASSERT_EQ(c.job_ends.size(), 1u);
    EXPECT_EQ(c.job_ends[0].pages, 1u);
}

// Drawings repeat rows, within a band and across bands, and the driver
// refills one band buffer: every row must still decode to its own dots,
// also where it differs from the row above in its last byte only, and on a
// next page of another width.
TEST_F(Spool_Module_Test, RepeatedRowsDecodeToTheirOwnDots) {
    Job_Records r;
    Spool_Job job = nullptr;
    ASSERT_EQ(module.init_job(&job, &r.params, &r.modules), spool_ok);
    std::vector<std::vector<uint8_t>> sent_pages;
    for (const uint32_t width : {40u, 24u}) {
        const uint32_t rows = 11;
        std::vector<uint8_t> page(std::size_t{width} * 4 * rows);
        for (uint32_t y = 0; y < rows; ++y)
            for (uint32_t b = 0; b < width * 4; ++b) {
                // Rows in threes; every fourth row's last byte is changed.
                uint8_t v = static_cast<uint8_t>((y / 3) * 50 + (b / 4 % 5 == 0 ? b : 0));
                if (y % 4 == 3 && b == width * 4 - 1)
                    v ^= 1;
                page[std::size_t{y} * width * 4 + b] = v;
            }
        ASSERT_EQ(module.init_page(job, &r.page), spool_ok);
        std::vector<uint8_t> buffer(std::size_t{width} * 4 * 2);
        for (uint32_t top = 0; top < rows; top += 2) {
            const uint32_t n = std::min(2u, rows - top);
            std::fill(buffer.begin(), buffer.end(), uint8_t{0xEE}); // the driver's next rows
            std::copy_n(page.begin() + std::ptrdiff_t{top} * width * 4, n * width * 4,
                        buffer.begin());
            const Spool_Band_Size size{0, 0, width, n};
            const Spool_Band_Data data{width * 4, buffer.data()};
            const Spool_Band_Rect rect{0, top, width, top + n};
            const Spool_Band_Reserved reserved{};
            ASSERT_EQ(module.band_out(job, &size, &data, nullptr, &rect, &reserved), spool_ok);
        }
        ASSERT_EQ(module.terminate_page(job), spool_ok);
        sent_pages.push_back(page);
    }
    ASSERT_EQ(module.destroy_job(job), spool_ok);
    const Collected c = decode(r.output);
    ASSERT_EQ(c.page_dots.size(), 2u);
    EXPECT_EQ(c.page_dots[0], sent_pages[0]);
    EXPECT_EQ(c.page_dots[1], sent_pages[1]);
}

TEST_F(Spool_Module_Test, BorderlessJobCarriesTheMarginFreeRecord) {
    Job_Records r;
    r.params.margin_free = &r.margin_free;
    const Test_Page page(4, 2);
    const Collected c = decode(print_job(module, r, {&page}));
    ASSERT_TRUE(c.jobs[0].margin_free.has_value());
    EXPECT_EQ(field(*c.jobs[0].margin_free, spool_stream::margin_free_layout, "fixed_2"), 2u);
}

TEST_F(Spool_Module_Test, SeveralPagesAndSimultaneousJobsStayApart) {
    Job_Records a, b;
    const Test_Page p1(16, 4), p2(16, 3), p3(9, 5);
    Spool_Job ja = start(a);
    Spool_Job jb = start(b);
    EXPECT_NE(ja, jb);
    for (const Test_Page* p : {&p1, &p2}) {
        ASSERT_EQ(module.init_page(ja, &a.page), spool_ok);
        ASSERT_EQ(module.init_page(jb, &b.page), spool_ok);
        ASSERT_EQ(send_page(module, ja, *p), spool_ok);
        ASSERT_EQ(send_page(module, jb, p3), spool_ok);
        ASSERT_EQ(module.terminate_page(ja), spool_ok);
        ASSERT_EQ(module.terminate_page(jb), spool_ok);
    }
    ASSERT_EQ(module.destroy_job(ja), spool_ok);
    ASSERT_EQ(module.destroy_job(jb), spool_ok);

    const Collected ca = decode(a.output);
    ASSERT_EQ(ca.page_dots.size(), 2u);
    EXPECT_EQ(ca.page_dots[0], p1.dots);
    EXPECT_EQ(ca.page_dots[1], p2.dots);
    EXPECT_EQ(ca.job_ends[0].pages, 2u);
    const Collected cb = decode(b.output);
    ASSERT_EQ(cb.page_dots.size(), 2u);
    EXPECT_EQ(cb.page_dots[1], p3.dots);
}

TEST_F(Spool_Module_Test, StrideLargerThanTheRowIsHonoured) {
    Job_Records r;
    const Test_Page wide(20, 2); // read 12 dots of each 20-dot row
    Spool_Job job = start_page(r);
    ASSERT_EQ(band(job, 12, 0, 2, wide.dots.data(), 20 * 4), spool_ok);
    ASSERT_EQ(module.terminate_page(job), spool_ok);
    ASSERT_EQ(module.destroy_job(job), spool_ok);
    const Collected c = decode(r.output);
    ASSERT_EQ(c.page_dots[0].size(), 12u * 4 * 2);
    EXPECT_EQ(std::memcmp(c.page_dots[0].data(), wide.row(0), 48), 0);
    EXPECT_EQ(std::memcmp(c.page_dots[0].data() + 48, wide.row(1), 48), 0);
}

TEST_F(Spool_Module_Test, PageEndsOtherThanTerminatePageAreRecorded) {
    Job_Records r;
    Spool_Job job = start_page(r);
    ASSERT_EQ(band(job, 8, 0, 2), spool_ok);
    ASSERT_EQ(module.reset_job(job), spool_ok); // abandons the page
    EXPECT_EQ(band(job, 8, 2, 2), spool_error_call_order);
    ASSERT_EQ(module.init_page(job, &r.page), spool_ok);
    ASSERT_EQ(module.terminate_page_ex(job, 0x21), spool_ok);
    ASSERT_EQ(module.init_page(job, &r.page), spool_ok);
    ASSERT_EQ(band(job, 8, 0, 1), spool_ok);
    ASSERT_EQ(module.destroy_job(job), spool_ok); // page still open

    const Collected c = decode(r.output);
    ASSERT_EQ(c.page_ends.size(), 3u);
    EXPECT_EQ(c.page_ends[0].how, spool_stream::page_end_reset);
    EXPECT_EQ(c.page_ends[0].rows, 2u);
    EXPECT_EQ(c.page_ends[1].how, spool_stream::page_end_terminate_ex);
    EXPECT_EQ(c.page_ends[1].options, 0x21u);
    EXPECT_EQ(c.page_ends[2].how, spool_stream::page_end_destroyed);
    EXPECT_EQ(c.job_ends[0].pages, 3u);
}

// ---------------------------------------------------------------------------
// -2: calls out of order, null records

TEST_F(Spool_Module_Test, CallsOutOfOrderAreRefused) {
    Job_Records r;
    EXPECT_EQ(module.init_page(nullptr, &r.page), spool_error_call_order); // no job yet
    EXPECT_EQ(band(nullptr, 8, 0, 2), spool_error_call_order);

    Spool_Job job = start(r);
    EXPECT_EQ(band(job, 8, 0, 2), spool_error_call_order); // band before the page
    EXPECT_EQ(module.terminate_page(job), spool_error_call_order);
    ASSERT_EQ(module.init_page(job, &r.page), spool_ok);
    EXPECT_EQ(module.init_page(job, &r.page), spool_error_call_order); // second page start
    ASSERT_EQ(band(job, 8, 0, 2), spool_ok);
    EXPECT_EQ(band(job, 8, 0, 2), spool_error_call_order); // overlaps
    EXPECT_EQ(band(job, 8, 1, 2), spool_error_call_order); // overlaps
    EXPECT_EQ(band(job, 8, 4, 2), spool_error_call_order); // leaves a gap
    ASSERT_EQ(band(job, 8, 2, 2), spool_ok);
    ASSERT_EQ(module.terminate_page(job), spool_ok);
    EXPECT_EQ(band(job, 8, 4, 2), spool_error_call_order); // band after the page
    ASSERT_EQ(module.destroy_job(job), spool_ok);

    // The refused calls left nothing in the stream.
    const Collected c = decode(r.output);
    EXPECT_EQ(c.bands.size(), 2u);
    EXPECT_EQ(c.page_dots[0].size(), 8u * 4 * 4);
}

TEST_F(Spool_Module_Test, NullRecordsAreRefused) {
    Job_Records r;
    Spool_Job job = reinterpret_cast<Spool_Job>(uintptr_t{42});
    EXPECT_EQ(module.init_job(nullptr, &r.params, &r.modules), spool_error_call_order);
    EXPECT_EQ(module.init_job(&job, nullptr, &r.modules), spool_error_call_order);
    EXPECT_EQ(job, nullptr); // a failed start hands out no handle
    EXPECT_EQ(module.init_job(&job, &r.params, nullptr), spool_error_call_order);

    job = start_page(r);
    const Spool_Band_Size size{0, 0, 8, 2};
    const Spool_Band_Data no_rows{32, nullptr};
    const Spool_Band_Rect rect{0, 0, 8, 2};
    const Spool_Band_Reserved reserved{};
    EXPECT_EQ(module.init_page(job, nullptr), spool_error_call_order);
    EXPECT_EQ(module.band_out(job, nullptr, &no_rows, nullptr, &rect, &reserved),
              spool_error_call_order);
    EXPECT_EQ(module.band_out(job, &size, &no_rows, nullptr, &rect, &reserved),
              spool_error_call_order);
    uint8_t dots[64] = {};
    const Spool_Band_Data data{32, dots};
    EXPECT_EQ(module.band_out(job, &size, &data, dots, &rect, &reserved), spool_error_call_order);
    EXPECT_EQ(module.band_out(job, &size, &data, nullptr, nullptr, &reserved),
              spool_error_call_order);
    EXPECT_EQ(module.band_out(job, &size, &data, nullptr, &rect, nullptr), spool_error_call_order);
    EXPECT_EQ(module.band_out(job, &size, &data, nullptr, &rect, &reserved), spool_ok);
    EXPECT_EQ(module.destroy_job(job), spool_ok);
}

TEST_F(Spool_Module_Test, CallFromInsideTheCallbackIsRefused) {
    struct Reentrant : Job_Records {
        Spool_Module* module = nullptr;
        Spool_Job job = nullptr;
        int32_t inner = 0;
    } r;
    r.module = &module;
    r.modules.output = [](void* context, const uint8_t*, uint32_t) -> int32_t {
        auto* self = static_cast<Reentrant*>(context);
        if (self->job != nullptr)
            self->inner = self->module->terminate_page(self->job);
        return spool_output_ok;
    };
    r.job = start(r);
    ASSERT_EQ(module.init_page(r.job, &r.page), spool_ok);
    EXPECT_EQ(r.inner, spool_error_call_order);
    EXPECT_EQ(module.destroy_job(r.job), spool_ok);
}

// ---------------------------------------------------------------------------
// -5: unknown or destroyed handles

TEST_F(Spool_Module_Test, UnknownAndDestroyedHandlesAreRefused) {
    Job_Records r;
    const auto stranger = reinterpret_cast<Spool_Job>(uintptr_t{0xDEAD0});
    EXPECT_EQ(module.init_page(stranger, &r.page), spool_error_handle);
    EXPECT_EQ(band(stranger, 8, 0, 2), spool_error_handle);
    EXPECT_EQ(module.terminate_page(stranger), spool_error_handle);
    EXPECT_EQ(module.destroy_job(stranger), spool_error_handle);
    EXPECT_EQ(module.reset_job(stranger), spool_error_handle);

    Spool_Job job = start_page(r);
    ASSERT_EQ(module.destroy_job(job), spool_ok);
    EXPECT_EQ(module.init_page(job, &r.page), spool_error_handle);
    EXPECT_EQ(band(job, 8, 0, 2), spool_error_handle);
    EXPECT_EQ(module.terminate_page_ex(job, 0), spool_error_handle);
    EXPECT_EQ(module.destroy_job(job), spool_error_handle);

    // A new job never gets the handle of a destroyed one.
    Job_Records r2;
    Spool_Job next = start(r2);
    EXPECT_NE(next, job);
    EXPECT_EQ(module.destroy_job(next), spool_ok);
}

// ---------------------------------------------------------------------------
// Job records InitJob refuses: -2 for missing records, -10 for records it
// cannot accept, -15 for module paths that name no module. A refused start
// hands out no handle and writes nothing.

TEST_F(Spool_Module_Test, JobStartsWithBadRecordsAreRefused) {
    const std::string missing = std::string(VORNA_SPOOL_MODULE_DIR) + "/V_MOD9.DLL";
    const std::string overlong(spool_stream::max_path + 10, 'a');
    std::vector<const char*> many(spool_stream::max_module_list + 2, missing.c_str());
    many.back() = nullptr;
    struct Case {
        const char* what;
        std::function<void(Job_Records&)> change;
        int32_t code;
    };
    const int32_t order = spool_error_call_order, bad = spool_error_unidentified,
                  absent = spool_error_spooler;
    const Case cases[] = {
        {"no printMode", [](Job_Records& r) { r.params.print_mode = nullptr; }, order},
        {"no mode columns", [](Job_Records& r) { r.media.mode_columns = nullptr; }, order},
        {"no callback", [](Job_Records& r) { r.modules.output = nullptr; }, order},
        {"no module list", [](Job_Records& r) { r.modules.module_list = nullptr; }, order},
        {"jobParams kind", [](Job_Records& r) { r.params.record_kind = 5; }, bad},
        {"printMode kind", [](Job_Records& r) { r.print_mode.record_kind = 0; }, bad},
        {"media kind", [](Job_Records& r) { r.media.record_kind = 2; }, bad},
        {"margin-free kind",
         [](Job_Records& r) {
             r.margin_free.record_kind = 9;
             r.params.margin_free = &r.margin_free;
         },
         bad},
        {"overlong path", [&](Job_Records& r) { r.modules.path_mod3 = overlong.c_str(); }, bad},
        {"list too long", [&](Job_Records& r) { r.modules.module_list = many.data(); }, bad},
        {"missing V_MOD4", [&](Job_Records& r) { r.modules.path_mod4 = missing.c_str(); }, absent},
        {"missing entry", [&](Job_Records& r) { r.module_list[0] = missing.c_str(); }, absent},
        {"folder", [](Job_Records& r) { r.modules.path_mod3 = VORNA_SPOOL_MODULE_DIR; }, absent},
        {"empty path", [](Job_Records& r) { r.modules.path_mod3 = ""; }, absent},
    };
    for (const Case& c : cases) {
        Job_Records r;
        c.change(r);
        Spool_Job job = reinterpret_cast<Spool_Job>(uintptr_t{42});
        EXPECT_EQ(module.init_job(&job, &r.params, &r.modules), c.code) << c.what;
        EXPECT_EQ(job, nullptr) << c.what;
        EXPECT_TRUE(r.output.empty()) << c.what;
    }

    Job_Records r;
    Spool_Job job = start(r);
    r.page.record_kind = 3;
    EXPECT_EQ(module.init_page(job, &r.page), spool_error_unidentified);
    EXPECT_EQ(module.destroy_job(job), spool_ok);
}

// ---------------------------------------------------------------------------
// -10: records it cannot accept

TEST_F(Spool_Module_Test, BandsOutsideWhatTheRecordsAllowAreRefused) {
    Job_Records r;
    r.params.paper_width = 100;
    r.params.printable_width = 90;
    r.params.printable_width_2 = 90;
    r.params.paper_height = 6;
    r.params.printable_height = r.params.printable_height_2 = 4;
    Spool_Job job = start_page(r);

    EXPECT_EQ(band(job, 0, 0, 2), spool_error_unidentified);   // no width
    EXPECT_EQ(band(job, 101, 0, 2), spool_error_unidentified); // wider than the job
    EXPECT_EQ(band(job, 8, 0, 0), spool_error_unidentified);   // no rows
    EXPECT_EQ(band(job, 8, 0, spool_stream::max_band_rows + 1), spool_error_unidentified);
    std::vector<uint8_t> dots(800);
    EXPECT_EQ(band(job, 8, 0, 2, dots.data(), 31), spool_error_unidentified); // stride < 8 × 4
    {
        const Spool_Band_Size size{0, 0, 8, 2};
        const Spool_Band_Data data{32, dots.data()};
        const Spool_Band_Reserved reserved{};
        const Spool_Band_Rect wrong_right{0, 0, 9, 2};
        const Spool_Band_Rect wrong_rows{0, 0, 8, 3};
        const Spool_Band_Rect upside_down{0, 2, 8, 0};
        const Spool_Band_Rect shifted{1, 0, 9, 2};
        for (const auto* rect : {&wrong_right, &wrong_rows, &upside_down, &shifted})
            EXPECT_EQ(module.band_out(job, &size, &data, nullptr, rect, &reserved),
                      spool_error_unidentified);
        const Spool_Band_Size offset{3, 0, 8, 2};
        EXPECT_EQ(module.band_out(job, &offset, &data, nullptr, &wrong_right, &reserved),
                  spool_error_unidentified);
    }
    ASSERT_EQ(band(job, 100, 0, 2), spool_ok);                // as wide as the paper
    EXPECT_EQ(band(job, 99, 2, 2), spool_error_unidentified); // width changes within the page
    ASSERT_EQ(band(job, 100, 2, 2), spool_ok);
    ASSERT_EQ(band(job, 100, 4, 2), spool_ok);
    EXPECT_EQ(band(job, 100, 6, 1), spool_error_unidentified); // longer than the paper
    ASSERT_EQ(module.terminate_page(job), spool_ok);
    ASSERT_EQ(module.destroy_job(job), spool_ok);
    const Collected c = decode(r.output);
    EXPECT_EQ(c.page_ends[0].rows, 6u);
}

TEST_F(Spool_Module_Test, JobWithoutSizesIsBoundedByTheStreamLimits) {
    Job_Records r;
    r.params.paper_width = r.params.printable_width = r.params.printable_width_2 = 0;
    Spool_Job job = start_page(r);
    EXPECT_EQ(band(job, spool_stream::max_width + 1, 0, 1), spool_error_unidentified);
    EXPECT_EQ(band(job, 7000, 0, 1), spool_ok);
    EXPECT_EQ(module.destroy_job(job), spool_ok);
}

TEST_F(Spool_Module_Test, RefusedOutputFailsTheCall) {
    Job_Records r;
    r.callback_result = 0;
    Spool_Job job = nullptr;
    EXPECT_EQ(module.init_job(&job, &r.params, &r.modules), spool_error_unidentified);
    EXPECT_EQ(job, nullptr);

    r.callback_result = spool_output_ok;
    job = start_page(r);
    r.callback_result = 0;
    EXPECT_EQ(band(job, 8, 0, 2), spool_error_unidentified);
    r.callback_result = spool_output_ok;
    EXPECT_EQ(band(job, 8, 0, 2), spool_ok); // the refused band did not count
    r.callback_result = 0;
    EXPECT_EQ(module.terminate_page(job), spool_error_unidentified);
    r.callback_result = spool_output_ok;
    EXPECT_EQ(module.terminate_page(job), spool_ok); // the page was still open
    EXPECT_EQ(module.destroy_job(job), spool_ok);
    const Collected c = decode(r.output);
    EXPECT_EQ(c.page_ends.size(), 1u);
    EXPECT_EQ(c.page_ends[0].rows, 2u);

    // The job goes even when its end is refused.
    Job_Records other;
    job = start(other);
    other.callback_result = 0;
    EXPECT_EQ(module.destroy_job(job), spool_error_unidentified);
    EXPECT_EQ(module.destroy_job(job), spool_error_handle);
}

// ---------------------------------------------------------------------------
// Forced failures

TEST_F(Spool_Module_Test, ForcedFailuresReturnTheirCode) {
    Job_Records r;
    Spool_Job job = nullptr;
    setenv("VORNA_SPOOL_FAIL", "InitJob:-4", 1);
    EXPECT_EQ(module.init_job(&job, &r.params, &r.modules), spool_error_memory);
    EXPECT_EQ(job, nullptr);
    EXPECT_TRUE(r.output.empty());

    setenv("VORNA_SPOOL_FAIL", "InitPage:-15", 1);
    job = start(r);
    EXPECT_EQ(module.init_page(job, &r.page), spool_error_spooler);
    setenv("VORNA_SPOOL_FAIL", "BandOut:-10:3", 1); // only the third band
    EXPECT_EQ(module.init_page(job, &r.page), spool_ok);
    EXPECT_EQ(band(job, 8, 0, 2), spool_ok);
    EXPECT_EQ(band(job, 8, 2, 2), spool_ok);
    EXPECT_EQ(band(job, 8, 4, 2), spool_error_unidentified);
    EXPECT_EQ(band(job, 8, 4, 2), spool_ok);
    EXPECT_EQ(module.terminate_page(job), spool_ok);
    EXPECT_EQ(module.destroy_job(job), spool_ok);
    EXPECT_EQ(decode(r.output).page_ends[0].rows, 6u);
}

TEST_F(Spool_Module_Test, MalformedForcedFailureIsIgnored) {
    for (const char* value : {"BandOut", "BandOut:", "BandOut:x", "BandOut:-2:", "BandOut:-2:y",
                              "BandOut:-2x", "bandout:-2", "InitPage:-2"}) {
        setenv("VORNA_SPOOL_FAIL", value, 1);
        Job_Records r;
        Spool_Job job = nullptr;
        ASSERT_EQ(module.init_job(&job, &r.params, &r.modules), spool_ok) << value;
        EXPECT_EQ(module.destroy_job(job), spool_ok);
    }
}

// ---------------------------------------------------------------------------

TEST(Spool_Module_Unload, JobsLeftOpenAreFreedWithTheModule) {
    // The driver stops calling after a failed band; the module must not keep
    // the job's memory once it is unloaded (the leak checker watches this).
    Job_Records r;
    {
        Spool_Module module;
        Spool_Job job = nullptr;
        ASSERT_EQ(module.init_job(&job, &r.params, &r.modules), spool_ok);
        ASSERT_EQ(module.init_page(job, &r.page), spool_ok);
    }
    Spool_Module again;
    Spool_Job job = nullptr;
    ASSERT_EQ(again.init_job(&job, &r.params, &r.modules), spool_ok);
    EXPECT_EQ(again.destroy_job(job), spool_ok);
}

} // namespace

// V_MOD0.DLL: the reference spool module. It checks every call and record it
// receives and turns the job into the printer stream (stream_format.h), which
// it hands out only through the output callback of the modules record.
//
// It cannot know how large the caller's buffers really are, so it trusts only
// what the records say and bounds all of it: widths, rows and strides by the
// stream's limits, band widths and page rows by the sizes in jobParams, path
// lengths by max_path. Result codes:
//   -2  calls out of order (a page call with no job handle at all, a band
//       outside a page, a second page start, a band out of order or
//       overlapping), null records, a call from inside the output callback
//   -4  memory could not be allocated
//   -5  an unknown or destroyed job handle
//   -10 a record it cannot accept (wrong record kind, zero or too large width
//       or rows, stride below width × 4, a band wider or longer than the job),
//       or the output callback refused the data
//   -15 a module path of the modules record that is not an existing file
//
// For tests, VORNA_SPOOL_FAIL=<call>:<code>[:<n>] makes InitJob, InitPage or
// BandOut return <code> without doing anything: every call, or only the n-th
// (counted per job for InitPage and BandOut, since loading for InitJob).
#include "spool_records.h"
#include "stream_format.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <vector>

#define SPOOL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using namespace spool_stream;

struct Job {
    uintptr_t id = 0;
    Spool_Output_Fn output = nullptr;
    void* context = nullptr;
    uint32_t width_limit = max_width;   // widest band the job accepts
    uint32_t row_limit = max_page_rows; // longest page the job accepts
    bool in_page = false;
    uint32_t page_width = 0; // width of the page's first band
    uint32_t next_row = 0;   // where the next band must start
    uint32_t bands = 0;
    uint32_t pages = 0;
    uint64_t bytes = 0; // taken by the callback since the header
    unsigned init_page_calls = 0;
    unsigned band_out_calls = 0;
    std::vector<uint8_t> record; // the record being built
    std::vector<uint8_t> plane;
    // The page's last row sent and its coding: a drawing's rows mostly repeat
    // the row above, whose coding is then copied instead of made again.
    std::vector<uint8_t> last_row;
    std::vector<uint8_t> last_coding;
};

struct Module_State {
    std::mutex lock;
    // Jobs the driver never destroyed are freed when the module is unloaded.
    std::vector<std::unique_ptr<Job>> jobs;
    uintptr_t last_id = 0;
    unsigned init_job_calls = 0;
};

Module_State& module_state() {
    static Module_State state;
    return state;
}

// Set while an entry point runs on this thread: an output callback that calls
// back into the module gets -2 instead of a deadlock.
// Kept as the running thread's id rather than in thread-local storage: the
// module is unloaded after every page, and storage of an unloaded module
// outlives it in the threads that used it.
std::atomic<std::thread::id> g_in_call{};

// Runs an entry point under the module's lock; no exception leaves the module.
template <class F> int32_t guarded(F&& body) noexcept {
    if (g_in_call.load() == std::this_thread::get_id())
        return spool_error_call_order;
    int32_t result;
    try {
        std::lock_guard<std::mutex> hold(module_state().lock);
        g_in_call.store(std::this_thread::get_id());
        try {
            result = body(module_state());
        } catch (...) {
            g_in_call.store(std::thread::id{});
            throw;
        }
        g_in_call.store(std::thread::id{});
    } catch (const std::bad_alloc&) {
        result = spool_error_memory;
    } catch (...) {
        result = spool_error_unidentified;
    }
    return result;
}

// A job call with no handle at all comes before any job: -2. A handle the
// module never gave out, or one already destroyed: -5.
int32_t lookup(Module_State& state, Spool_Job handle, Job*& job) {
    job = nullptr;
    if (handle == nullptr)
        return spool_error_call_order;
    const auto id = reinterpret_cast<uintptr_t>(handle);
    for (auto& j : state.jobs)
        if (j->id == id)
            job = j.get();
    return job != nullptr ? spool_ok : spool_error_handle;
}

// ---------------------------------------------------------------------------
// Forced failures for tests

// The code VORNA_SPOOL_FAIL asks `call` to return at its `count`-th call, or
// 0. A malformed value forces nothing.
int32_t forced_failure(std::string_view call, unsigned count) {
    const char* value = std::getenv("VORNA_SPOOL_FAIL");
    if (value == nullptr)
        return 0;
    const std::string_view text(value);
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || text.substr(0, colon) != call)
        return 0;
    const std::string rest(text.substr(colon + 1));
    char* end = nullptr;
    errno = 0;
    const long code = std::strtol(rest.c_str(), &end, 10);
    if (end == rest.c_str() || errno != 0 || code < INT32_MIN || code > INT32_MAX)
        return 0;
    if (*end == '\0')
        return static_cast<int32_t>(code);
    if (*end != ':')
        return 0;
    const char* nth_text = end + 1;
    const unsigned long nth = std::strtoul(nth_text, &end, 10);
    if (end == nth_text || *end != '\0' || errno != 0)
        return 0;
    return nth == count ? static_cast<int32_t>(code) : 0;
}

// ---------------------------------------------------------------------------
// Output

void begin_record(Job& job, const Tag& tag, std::size_t payload_hint = 0) {
    job.record.clear();
    job.record.reserve(record_head_size + payload_hint);
    job.record.resize(record_head_size);
    std::memcpy(job.record.data(), tag.data(), tag.size());
}

// Appends n zero bytes to the record and returns where they start.
uint8_t* grow(Job& job, std::size_t n) {
    const std::size_t at = job.record.size();
    job.record.resize(at + n);
    return job.record.data() + at;
}

// Closes the record and hands it to the callback. False when it was refused.
bool send_record(Job& job) {
    const std::size_t payload = job.record.size() - record_head_size;
    if (payload > UINT32_MAX - record_head_size)
        return false;
    put_u32(job.record.data() + 4, static_cast<uint32_t>(payload));
    const auto count = static_cast<uint32_t>(job.record.size());
    if (job.output(job.context, job.record.data(), count) != spool_output_ok)
        return false;
    job.bytes += count;
    return true;
}

template <class T> bool send_fixed(Job& job, const Record_Layout& layout, const T& record) {
    begin_record(job, layout.tag, layout.size);
    encode_record(layout, record, grow(job, layout.size));
    return send_record(job);
}

bool send_path(Job& job, uint32_t slot, const char* path) {
    const std::size_t length = std::strlen(path); // bounded when it was checked
    begin_record(job, tag_path, 4 + length);
    uint8_t* out = grow(job, 4 + length);
    put_u32(out, slot);
    std::memcpy(out + 4, path, length);
    return send_record(job);
}

bool send_page_end(Job& job, uint32_t how, uint32_t options) {
    begin_record(job, tag_page_end, page_end_size);
    uint8_t* out = grow(job, page_end_size);
    put_u32(out, how);
    put_u32(out + 4, options);
    put_u32(out + 8, job.bands);
    put_u32(out + 12, job.next_row);
    // The page is over only once its end is in the output, so that the job
    // end counts what the output holds.
    if (!send_record(job))
        return false;
    job.in_page = false;
    job.pages += 1;
    return true;
}

// ---------------------------------------------------------------------------
// Checks

// The module list has at most max_module_list entries before its null, every
// path at most max_path bytes (-10), and every path names a file (-15).
int32_t check_modules(const Spool_Modules& modules, std::size_t& list_length) {
    if (modules.path_mod4 == nullptr || modules.path_mod3 == nullptr ||
        modules.module_list == nullptr || modules.output == nullptr)
        return spool_error_call_order;
    list_length = 0;
    while (modules.module_list[list_length] != nullptr) {
        if (++list_length > max_module_list)
            return spool_error_unidentified;
    }
    std::vector<const char*> paths{modules.path_mod4, modules.path_mod3};
    paths.insert(paths.end(), modules.module_list, modules.module_list + list_length);
    for (const char* path : paths)
        if (strnlen(path, max_path + 1) > max_path)
            return spool_error_unidentified;
    for (const char* path : paths) {
        struct stat st {};
        if (path[0] == '\0' || ::stat(path, &st) != 0 || !S_ISREG(st.st_mode))
            return spool_error_spooler;
    }
    return spool_ok;
}

// The largest positive value of the given sizes, within the limit; the limit
// when none is set (the driver leaves them 0 when it has no size).
uint32_t size_bound(std::initializer_list<int32_t> sizes, uint32_t limit) {
    const int32_t largest = std::max(sizes);
    if (largest <= 0)
        return limit;
    return std::min(static_cast<uint32_t>(largest), limit);
}

// ---------------------------------------------------------------------------
// Calls

int32_t init_job(Module_State& state, Spool_Job* handle, const Spool_Job_Params* params,
                 const Spool_Modules* modules) {
    // Arguments and the records they lead to.
    if (handle == nullptr)
        return spool_error_call_order;
    *handle = nullptr;
    if (const int32_t forced = forced_failure("InitJob", ++state.init_job_calls))
        return forced;
    if (params == nullptr || modules == nullptr || params->print_mode == nullptr ||
        params->media == nullptr || params->media->mode_columns == nullptr)
        return spool_error_call_order;
    if (params->record_kind != 6 || params->print_mode->record_kind != 2 ||
        params->media->record_kind != 1 ||
        (params->margin_free != nullptr && params->margin_free->record_kind != 1))
        return spool_error_unidentified;
    std::size_t list_length = 0;
    if (const int32_t r = check_modules(*modules, list_length); r != spool_ok)
        return r;

    // The job, bounded by the sizes it announces.
    auto job = std::make_unique<Job>();
    job->id = ++state.last_id;
    job->output = modules->output;
    job->context = const_cast<Spool_Modules*>(modules);
    job->width_limit = size_bound(
        {params->paper_width, params->printable_width, params->printable_width_2}, max_width);
    job->row_limit =
        size_bound({params->paper_height, params->printable_height, params->printable_height_2},
                   max_page_rows);

    // Header and job records, as received.
    begin_record(*job, tag_header, header_size);
    uint8_t* head = grow(*job, header_size);
    put_u16(head, version_major);
    put_u16(head + 2, version_minor);
    put_u32(head + 4, sizeof(void*));
    bool sent = send_record(*job) && send_fixed(*job, job_params_layout, *params);
    if (sent && params->margin_free != nullptr)
        sent = send_fixed(*job, margin_free_layout, *params->margin_free);
    sent = sent && send_fixed(*job, print_mode_layout, *params->print_mode) &&
           send_fixed(*job, media_layout, *params->media);
    if (sent) {
        begin_record(*job, tag_mode_columns, mode_columns_size);
        uint8_t* out = grow(*job, mode_columns_size);
        for (int c = 0; c < spool_mode_column_count; ++c)
            put_u32(out + 4 * c, static_cast<uint32_t>(params->media->mode_columns[c]));
        sent = send_record(*job) && send_fixed(*job, modules_layout, *modules) &&
               send_path(*job, path_slot_mod4, modules->path_mod4) &&
               send_path(*job, path_slot_mod3, modules->path_mod3);
    }
    for (std::size_t i = 0; sent && i < list_length; ++i)
        sent = send_path(*job, static_cast<uint32_t>(path_slot_list + i), modules->module_list[i]);
    if (!sent)
        return spool_error_unidentified;

    *handle = reinterpret_cast<Spool_Job>(job->id);
    state.jobs.push_back(std::move(job));
    return spool_ok;
}

int32_t init_page(Module_State& state, Spool_Job handle, const Spool_Page_Params* params) {
    Job* job = nullptr;
    if (const int32_t r = lookup(state, handle, job); r != spool_ok)
        return r;
    if (const int32_t forced = forced_failure("InitPage", ++job->init_page_calls))
        return forced;
    if (job->in_page || params == nullptr)
        return spool_error_call_order;
    if (params->record_kind != 1)
        return spool_error_unidentified;

    if (!send_fixed(*job, page_params_layout, *params))
        return spool_error_unidentified;
    job->in_page = true;
    job->last_row.clear();
    job->page_width = 0;
    job->next_row = 0;
    job->bands = 0;
    return spool_ok;
}

int32_t band_out(Module_State& state, Spool_Job handle, const Spool_Band_Size* size,
                 const Spool_Band_Data* data, const void* unused, const Spool_Band_Rect* rect,
                 const Spool_Band_Reserved* reserved) {
    Job* job = nullptr;
    if (const int32_t r = lookup(state, handle, job); r != spool_ok)
        return r;
    if (const int32_t forced = forced_failure("BandOut", ++job->band_out_calls))
        return forced;
    if (!job->in_page || size == nullptr || data == nullptr || rect == nullptr ||
        reserved == nullptr || unused != nullptr || data->rows == nullptr)
        return spool_error_call_order;

    // The band must lie where the records say, inside the job, right below
    // the previous band.
    const uint32_t width = size->width;
    const uint32_t rows = size->rows;
    if (size->x != 0 || size->y != 0 || width == 0 || width > job->width_limit || rows == 0 ||
        rows > max_band_rows || rect->left != 0 || rect->right != width ||
        rect->bottom < rect->top || rect->bottom - rect->top != rows ||
        (job->page_width != 0 && width != job->page_width))
        return spool_error_unidentified;
    if (data->stride < static_cast<uint64_t>(width) * 4 || data->stride > max_stride)
        return spool_error_unidentified;
    if (rect->top != job->next_row)
        return spool_error_call_order;
    if (static_cast<uint64_t>(rect->top) + rows > job->row_limit)
        return spool_error_unidentified;

    // The blocks as received, then each row encoded.
    begin_record(*job, tag_band, band_head_size + rows * (4 + row_bound(width) / 4));
    uint8_t* head = grow(*job, band_head_size);
    encode_record(band_size_layout, *size, head + band_size_at);
    encode_record(band_data_layout, *data, head + band_data_at);
    encode_record(band_rect_layout, *rect, head + band_rect_at);
    encode_record(band_reserved_layout, *reserved, head + band_reserved_at);
    put_u32(head + band_encoding_at, encoding_planar_packbits);
    const std::size_t row_bytes = static_cast<std::size_t>(width) * 4;
    // Held aside while the rows are coded, so that a failure midway leaves
    // no row whose coding is not the one kept.
    std::vector<uint8_t> last_row = std::move(job->last_row);
    job->last_row.clear();
    const uint8_t* above = last_row.size() == row_bytes ? last_row.data() : nullptr;
    for (uint32_t r = 0; r < rows; ++r) {
        const uint8_t* row = data->rows + static_cast<std::size_t>(r) * data->stride;
        uint8_t* length = grow(*job, 4);
        if (above == nullptr || std::memcmp(row, above, row_bytes) != 0) {
            job->last_coding.clear();
            encode_row(row, width, job->last_coding, job->plane);
        }
        put_u32(length, static_cast<uint32_t>(job->last_coding.size()));
        job->record.insert(job->record.end(), job->last_coding.begin(), job->last_coding.end());
        above = row;
    }
    if (above != last_row.data())
        last_row.assign(above, above + row_bytes);
    job->last_row = std::move(last_row);
    if (!send_record(*job))
        return spool_error_unidentified;
    job->page_width = width;
    job->next_row += rows;
    job->bands += 1;
    return spool_ok;
}

int32_t terminate_page(Module_State& state, Spool_Job handle, uint32_t how, uint32_t options) {
    Job* job = nullptr;
    if (const int32_t r = lookup(state, handle, job); r != spool_ok)
        return r;
    if (!job->in_page)
        return spool_error_call_order;
    return send_page_end(*job, how, options) ? spool_ok : spool_error_unidentified;
}

int32_t reset_job(Module_State& state, Spool_Job handle) {
    Job* job = nullptr;
    if (const int32_t r = lookup(state, handle, job); r != spool_ok)
        return r;
    if (!job->in_page)
        return spool_ok;
    return send_page_end(*job, page_end_reset, 0) ? spool_ok : spool_error_unidentified;
}

int32_t destroy_job(Module_State& state, Spool_Job handle) {
    Job* job = nullptr;
    if (const int32_t r = lookup(state, handle, job); r != spool_ok)
        return r;

    // Close an open page and the job; the job goes whatever the callback says.
    bool sent = !job->in_page || send_page_end(*job, page_end_destroyed, 0);
    begin_record(*job, tag_job_end, job_end_size);
    uint8_t* out = grow(*job, job_end_size);
    put_u32(out, job->pages);
    put_u64(out + 8, job->bytes);
    sent = send_record(*job) && sent;
    std::erase_if(state.jobs, [job](const auto& j) { return j.get() == job; });
    return sent ? spool_ok : spool_error_unidentified;
}

} // namespace

SPOOL_EXPORT int32_t InitJob(Spool_Job* job, const Spool_Job_Params* params,
                             const Spool_Modules* modules) {
    return guarded([&](Module_State& s) { return init_job(s, job, params, modules); });
}

SPOOL_EXPORT int32_t InitPage(Spool_Job job, const Spool_Page_Params* params) {
    return guarded([&](Module_State& s) { return init_page(s, job, params); });
}

SPOOL_EXPORT int32_t BandOut(Spool_Job job, const Spool_Band_Size* size,
                             const Spool_Band_Data* data, const void* unused,
                             const Spool_Band_Rect* rect, const Spool_Band_Reserved* reserved) {
    return guarded(
        [&](Module_State& s) { return band_out(s, job, size, data, unused, rect, reserved); });
}

SPOOL_EXPORT int32_t TerminatePage(Spool_Job job) {
    return guarded([&](Module_State& s) { return terminate_page(s, job, page_end_terminate, 0); });
}

SPOOL_EXPORT int32_t TerminatePageEx(Spool_Job job, uint32_t options) {
    return guarded(
        [&](Module_State& s) { return terminate_page(s, job, page_end_terminate_ex, options); });
}

SPOOL_EXPORT int32_t ResetJob(Spool_Job job) {
    return guarded([&](Module_State& s) { return reset_job(s, job); });
}

SPOOL_EXPORT int32_t DestroyJob(Spool_Job job) {
    return guarded([&](Module_State& s) { return destroy_job(s, job); });
}

// Compile-time check that the exports have the types the driver looks up.
static_assert(std::is_same_v<decltype(&InitJob), Spool_Init_Job_Fn>);
static_assert(std::is_same_v<decltype(&InitPage), Spool_Init_Page_Fn>);
static_assert(std::is_same_v<decltype(&BandOut), Spool_Band_Out_Fn>);
static_assert(std::is_same_v<decltype(&TerminatePage), Spool_Terminate_Page_Fn>);
static_assert(std::is_same_v<decltype(&DestroyJob), Spool_Destroy_Job_Fn>);
static_assert(std::is_same_v<decltype(&ResetJob), Spool_Reset_Job_Fn>);
static_assert(std::is_same_v<decltype(&TerminatePageEx), Spool_Terminate_Page_Ex_Fn>);

// A spool module that accepts every call and produces nothing: with it beside
// a benchmark, band output measures the driver's own share (reading the page
// image back, converting rows into bands of dots, handing them over), not the
// printer maker's encoding.
#include "spool_records.h"

#define NULL_SPOOL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
// Any non-null handle will do; the driver never looks inside.
int job_token;
const Spool_Job the_job = reinterpret_cast<Spool_Job>(&job_token);
} // namespace

NULL_SPOOL_EXPORT int32_t InitJob(Spool_Job* job, const Spool_Job_Params*, const Spool_Modules*) {
    if (job == nullptr)
        return spool_error_call_order;
    *job = the_job;
    return spool_ok;
}

NULL_SPOOL_EXPORT int32_t InitPage(Spool_Job job, const Spool_Page_Params*) {
    return job == the_job ? spool_ok : spool_error_handle;
}

NULL_SPOOL_EXPORT int32_t BandOut(Spool_Job job, const Spool_Band_Size*,
                                  const Spool_Band_Data* data, const void*, const Spool_Band_Rect*,
                                  const Spool_Band_Reserved*) {
    if (job != the_job)
        return spool_error_handle;
    return data != nullptr ? spool_ok : spool_error_call_order;
}

NULL_SPOOL_EXPORT int32_t TerminatePage(Spool_Job job) {
    return job == the_job ? spool_ok : spool_error_handle;
}

NULL_SPOOL_EXPORT int32_t DestroyJob(Spool_Job job) {
    return job == the_job ? spool_ok : spool_error_handle;
}

NULL_SPOOL_EXPORT int32_t ResetJob(Spool_Job job) {
    return job == the_job ? spool_ok : spool_error_handle;
}

NULL_SPOOL_EXPORT int32_t TerminatePageEx(Spool_Job job, uint32_t) {
    return job == the_job ? spool_ok : spool_error_handle;
}

// The order in which a printer's jobs print, and one job at a time.
//
// PAPPL 1.3 starts the next job from every thread that calls its job check
// (each client whose document has arrived, each job that ends). The check
// looks at the printer's current job before it takes the printer's lock, and
// the job it starts sets itself current only once its thread runs: clients
// submitting at the same moment start several jobs at once, which then share
// one device that the first to end closes under the others. It also starts
// the newest pending job, so that a queue prints backwards.
//
// This program's own definition of the check takes PAPPL's place (the
// library calls it through its symbol table): under one lock it starts the
// oldest pending job of an idle printer, and the printer stays busy until
// that job's thread has ended.
#include <pappl/pappl.h>

#include <climits>
#include <dlfcn.h>
#include <mutex>
#include <pthread.h>
#include <set>

extern "C" {
// PAPPL's own job thread and job check.
void* _papplJobProcess(pappl_job_t* job);
void _papplPrinterCheckJobs(pappl_printer_t* printer);
}

namespace {

std::mutex g_queue_mutex;
// Printers with a job thread started here that has not ended yet.
std::set<pappl_printer_t*> g_busy;

struct Queue_Scan {
    pappl_job_t* oldest_pending = nullptr;
    int oldest_id = INT_MAX;
    bool processing = false;
};

void scan_job(pappl_job_t* job, void* data) {
    auto* scan = static_cast<Queue_Scan*>(data);
    const ipp_jstate_t state = papplJobGetState(job);
    if (state == IPP_JSTATE_PROCESSING || state == IPP_JSTATE_STOPPED) {
        scan->processing = true;
    } else if (state == IPP_JSTATE_PENDING && papplJobGetID(job) < scan->oldest_id) {
        scan->oldest_id = papplJobGetID(job);
        scan->oldest_pending = job;
    }
}

using Check_Jobs = void (*)(pappl_printer_t*);

Check_Jobs library_check() {
    static const auto check =
        reinterpret_cast<Check_Jobs>(dlsym(RTLD_NEXT, "_papplPrinterCheckJobs"));
    return check;
}

void* run_job(void* data) {
    auto* job = static_cast<pappl_job_t*>(data);
    pappl_printer_t* printer = papplJobGetPrinter(job);
    _papplJobProcess(job);
    {
        std::lock_guard<std::mutex> lock(g_queue_mutex);
        g_busy.erase(printer);
    }
    _papplPrinterCheckJobs(printer);
    return nullptr;
}

} // namespace

extern "C" void _papplPrinterCheckJobs(pappl_printer_t* printer) {
    std::lock_guard<std::mutex> lock(g_queue_mutex);
    if (g_busy.count(printer) || papplPrinterGetState(printer) == IPP_PSTATE_STOPPED)
        return;
    Queue_Scan scan;
    papplPrinterIterateActiveJobs(printer, scan_job, &scan, 1, 0);
    if (scan.processing)
        return; // a raster stream the client sends is printing
    if (!scan.oldest_pending) {
        // Nothing waits; PAPPL's check still releases jobs whose hold time
        // has passed.
        if (Check_Jobs check = library_check())
            check(printer);
        return;
    }
    pthread_t thread;
    if (pthread_create(&thread, nullptr, run_job, scan.oldest_pending) == 0) {
        g_busy.insert(printer);
        pthread_detach(thread);
    } else {
        papplLogPrinter(printer, PAPPL_LOGLEVEL_ERROR, "Cannot start a thread for job %d.",
                        scan.oldest_id);
    }
}

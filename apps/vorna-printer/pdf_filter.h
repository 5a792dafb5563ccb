// PDF documents: each page rendered at the job's resolution and sent down
// the same raster path as PAPPL's own formats.
#pragma once

#include <pappl/pappl.h>

namespace printer {

// PAPPL MIME filter for "application/pdf".
bool print_pdf(pappl_job_t* job, pappl_device_t* device, void* data);

} // namespace printer

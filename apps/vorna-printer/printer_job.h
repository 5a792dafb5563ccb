// The raster job path: PAPPL's start job / start page / write line / end
// page / end job callbacks, feeding the driver's page as row images and
// sending the spool module's printer data to the PAPPL device.
#pragma once

#include "printer_caps.h"

#include <pappl/pappl.h>
#include <string>
#include <utility>
#include <vector>

namespace printer {

// The capabilities of every driver build the application offers; filled
// once at start-up, read by every job.
const std::vector<Driver_Caps>& installed_drivers();
void set_installed_drivers(std::vector<Driver_Caps> drivers);
const Driver_Caps* find_driver(const std::string& name);

// What a page of a job asks of the driver: settings by name, applied over
// the driver's default configuration.
using Settings = std::vector<std::pair<std::string, std::string>>;

struct Page_Request {
    int dpi = 0;
    unsigned width = 0, height = 0;      // raster pixels
    int page_width = 0, page_length = 0; // paper in hundredths of a millimetre
    unsigned bits_per_pixel = 0;
    cups_cspace_t color_space = CUPS_CSPACE_SRGB;
    pappl_color_mode_t color_mode = PAPPL_COLOR_MODE_COLOR;
    std::string source;     // IPP keyword, may be empty
    std::string media_type; // IPP keyword, may be empty
    // Vendor values by attribute name (the job's, else the printer's defaults).
    std::vector<std::pair<std::string, std::string>> vendor;
};

// Works out the driver settings of a page; throws std::runtime_error with a
// message for a person when the driver cannot print it.
Settings page_settings(const Driver_Caps& caps, const Page_Request& request);

// The raster callbacks, for pappl_pr_driver_data_t.
bool job_start(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);
bool job_start_page(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                    unsigned page);
bool job_write_line(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                    unsigned y, const unsigned char* line);
bool job_end_page(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                  unsigned page);
bool job_end(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);
// Printer data sent as it is (the driver's own format).
bool job_print_raw(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);

// Marks the job as failed with a reason a person can read.
void abort_job(pappl_job_t* job, pappl_jreason_t reason, const std::string& message);

} // namespace printer

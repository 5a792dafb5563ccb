// The host's plot sequence, run on a drawing: create the driver's device, hand
// it the error handler and the configuration, establish the page, and draw
// every page between begin_picture and end_picture.
#pragma once

#include "drawing.h"
#include "page_frame.h"
#include "page_picture.h"

#include <cstdio>
#include <string>
#include <vector>

class HT_Progress;

namespace plot {

// Exit statuses of vorna-plot.
enum Exit_Status : int {
    exit_ok = 0,
    exit_failed = 1,      // the driver or the output failed
    exit_usage = 2,       // bad command line, drawing or configuration
    exit_cancelled = 130, // interrupted (Ctrl-C)
};

struct Plot_Options {
    std::string driver;  // empty: the English driver beside the program
    std::string config;  // empty: the driver's default configuration
    std::string output;  // empty: the configuration's plot-to-file name
    std::string preview; // empty: no preview
    // Resolution of the preview; 0: the page's own.
    int preview_dpi = picture::default_dpi;
    std::string drawing;
    int copies = 0; // 0: as configured
    // NAME=VALUE settings laid over the configuration, in order (--option).
    std::vector<std::string> settings;
    bool quiet = false;
    bool status_window = false; // the status window in a real window, when one can be shown
    // Plot settings of a CAD drawing by name, after the configuration's.
    std::vector<std::pair<std::string, std::string>> plot_settings;
};

struct Plot_Report {
    int status = exit_ok;
    int pages = 0;      // pages sent to the printer
    std::string output; // where the printer data went ("-": standard output)
    std::vector<std::string> previews;
    Page_Geometry geometry;
};

// Runs the whole job. Messages for a person go to `messages` (one line each);
// nothing is thrown. On failure or cancel an earlier output file is left as
// it was.
Plot_Report run_plot(const Plot_Options& options, std::FILE* messages);

// Ctrl-C asks the running plot to cancel through its progress object; a
// second Ctrl-C ends the program at once.
void install_interrupt_handler();
// The progress object that Ctrl-C cancels (null: none). A Ctrl-C that came
// while there was none cancels the next one given.
void set_cancel_target(HT_Progress* progress);

// Where the preview of page `page` (from 1) of `pages` goes: the name itself
// for a single page, else the name with "-<page>" before its extension.
std::string preview_name(const std::string& name, int page, int pages);

} // namespace plot

// CAD drawings (DXF) in vorna-plot: the plot settings that lay them out on
// the paper, and their entities as the primitives the plot job draws.
#pragma once

#include "cad_plot.h"
#include "drawing.h"
#include "page_frame.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace plot {

using Setting_List = std::vector<std::pair<std::string, std::string>>;

// Whether the file is a DXF drawing (by its name, else by its first line).
bool is_cad_drawing(const std::string& path);

// Plot settings by name (fit, scale=1:N, units=mm, centre=yes|no, rotate=0|90,
// window=x0,y0,x1,y1, layout=NAME, lineweight-scale=F): first the "plot"
// object of the configuration file, then the command line. Throws
// drawing::Drawing_Error naming the setting.
cad::Plot_Settings plot_settings(const std::string& config_file, const Setting_List& given);

// Reads a DXF drawing and lays it out on the page: one page of primitives in
// millimetres on the paper, its window as the page's clip. Warnings go to
// `messages`. Throws drawing::Drawing_Error.
drawing::Drawing cad_drawing(const std::string& path, const cad::Plot_Settings& settings,
                             const Page_Geometry& geometry, std::FILE* messages);

// A warning when a drawing in millimetres reaches beyond the printable
// area, saying by how much; empty when it fits.
std::string overflow_warning(const drawing::Drawing& d, const Page_Geometry& geometry);

} // namespace plot

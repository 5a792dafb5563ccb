// The driver folder, where the spool modules, color.dll and the help pages
// live: the folder of the host program followed by "drv/".
#pragma once

#include <string>

namespace raster_media {

// Everything up to the last separator is the program's folder; a bare name
// lies in the current folder.
inline std::string driver_folder_of(const std::string& executable_path) {
    const auto slash = executable_path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : executable_path.substr(0, slash + 1);
    return folder + "drv/";
}

} // namespace raster_media

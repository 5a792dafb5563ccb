// Whether two names are one file: by device and inode once links are
// resolved, so that "./a", "a" and a link to it are all the same file.
#pragma once

#include <string>
#include <vector>

namespace plot {

struct Named_File {
    std::string role; // "the drawing", "the preview", ...
    std::string path;
};

// A message naming the first output that is the same file as an input or as
// another output; empty when all are distinct. "-" (standard input or output)
// and empty names are never files.
std::string file_clash(const std::vector<Named_File>& inputs,
                       const std::vector<Named_File>& outputs);

} // namespace plot

// Reads an ASCII DXF drawing into a cad::Document. The file is checked line
// by line first, so that a bad file is refused with the line at fault.
#pragma once

#include "cad_document.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace cad {

// A file larger than this is refused before it is read.
inline constexpr std::uintmax_t max_dxf_bytes = 512u << 20;

// Whether a file's first bytes look like a DXF drawing (rather than JSON).
bool looks_like_dxf(std::string_view head);

// Reads a DXF drawing; `file` names it in messages. Throws Read_Error.
Document read_dxf(std::string_view text, const std::string& file);
Document read_dxf_file(const std::string& path);

} // namespace cad

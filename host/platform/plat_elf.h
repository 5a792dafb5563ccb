// Reads one named section out of an ELF file without loading it. The file is
// untrusted: every offset and size is checked against the file before use.
#pragma once

#include "plat_export.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

enum class Elf_Status {
    ok,
    cannot_open, // missing or unreadable file
    not_elf,     // no ELF signature
    unsupported, // another byte order or class, or a section too large to take
    corrupt,     // headers or tables that point outside the file or make no sense
    no_section,  // a sound file without the section
};

PLAT_EXPORT const char* elf_status_text(Elf_Status status);

struct Elf_Section {
    Elf_Status status = Elf_Status::cannot_open;
    std::vector<unsigned char> data; // the section's bytes when status is ok
};

// Sections larger than this are refused; resources are far smaller.
inline constexpr std::uint64_t elf_section_limit = 64u << 20;

PLAT_EXPORT Elf_Section read_elf_section(const std::string& path, std::string_view name);
// The same over an image of a file already in memory.
PLAT_EXPORT Elf_Section read_elf_section(std::span<const unsigned char> image,
                                         std::string_view name);

} // namespace plat

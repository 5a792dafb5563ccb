// Version information of a library file, read back through its path, in the
// shape the driver knows: ask for the size, read the block, query values.
#pragma once

#include "plat_export.h"
#include "plat_resource.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace plat {

// Size of the version block of the library at `path`; 0 when the file has no
// sound version block (or is no library at all).
PLAT_EXPORT std::uint32_t get_file_version_info_size(const char* path);

// Copies the version block into `data`. False when there is none, or when
// `size` is smaller than the block: a cut block would make later queries read
// past the buffer.
PLAT_EXPORT bool get_file_version_info(const char* path, std::uint32_t size, void* data);

// Finds `sub_block` ("\", "\VarFileInfo\Translation" or
// "\StringFileInfo\040904B0\FileDescription"; letters in any case) in a block
// returned by get_file_version_info or build_version_block. `value` points
// into the block (strings are terminated) and `length` is its size in bytes
// without the terminator. False when absent.
PLAT_EXPORT bool ver_query_value(const void* block, const char* sub_block, const void** value,
                                 std::uint32_t* length);

// The same over a block of known size, checking it whole first.
PLAT_EXPORT std::optional<std::span<const unsigned char>>
query_version_value(std::span<const unsigned char> block, std::string_view sub_block);

// Whether `block` is a well-formed version block that fits in it.
PLAT_EXPORT bool version_block_valid(std::span<const unsigned char> block);

// A version block's contents, for building one at run time (tests, tools).
struct Version_Info {
    struct String_Table {
        rsrc::Translation translation;
        std::vector<std::pair<std::string, std::string>> strings;
    };
    std::array<std::uint16_t, 4> file_version{};
    std::array<std::uint16_t, 4> product_version{};
    std::vector<rsrc::Translation> translations;
    std::vector<String_Table> string_tables;
};

PLAT_EXPORT std::vector<unsigned char> build_version_block(const Version_Info& info);

} // namespace plat

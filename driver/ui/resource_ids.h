// Numbers of the driver's string resources. Messages 100 to 117 double as the
// error codes the driver's errors carry.
#pragma once

#include <cstdint>

namespace rsrc_id {

inline constexpr std::uint32_t description_by = 2; // " - by %s", filled with the maker's name

inline constexpr std::uint32_t err_memory_allocation = 100;
inline constexpr std::uint32_t err_null_pointer = 101;
inline constexpr std::uint32_t err_device_init = 102;
inline constexpr std::uint32_t err_driver_init = 103;
inline constexpr std::uint32_t err_ie_file_writer = 104;
inline constexpr std::uint32_t err_ie_checkpointing = 105;
inline constexpr std::uint32_t err_ie_memory = 106;
inline constexpr std::uint32_t err_ie_image_create = 107;
inline constexpr std::uint32_t err_ie_image_invalid = 108;
inline constexpr std::uint32_t err_ie_write_context = 109;
inline constexpr std::uint32_t err_ie_store_file = 110;
inline constexpr std::uint32_t err_ie_not_compatible = 111;
inline constexpr std::uint32_t err_ie_compression = 112;
inline constexpr std::uint32_t err_output_stream = 113;
inline constexpr std::uint32_t err_temporary_file = 114;
inline constexpr std::uint32_t err_palette_install = 115;
inline constexpr std::uint32_t err_color_system = 116;
inline constexpr std::uint32_t err_virtual_memory = 117;

inline constexpr std::uint32_t first_error = err_memory_allocation;
inline constexpr std::uint32_t last_error = err_virtual_memory;

} // namespace rsrc_id

// Refers to the resource object so that linking the resource library pulls it
// in even without --whole-archive. Returns the number of string resources.
int driver_resources_anchor();

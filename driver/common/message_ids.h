// Numbers of the driver's string messages. Messages 100 to 117 double as the
// error codes the driver's errors carry. The dialogs' own numbers (templates
// and controls) live with the dialogs.
#pragma once

#include <cstdint>

namespace rsrc_id {

inline constexpr std::uint32_t description_by = 2; // " - by %s", filled with the maker's name

// Names of the colour lists' entries, in list order; each build shows its own.
inline constexpr std::uint32_t color_white = 3;
inline constexpr std::uint32_t color_red = 4;
inline constexpr std::uint32_t color_yellow = 5;
inline constexpr std::uint32_t color_green = 6;
inline constexpr std::uint32_t color_cyan = 7;
inline constexpr std::uint32_t color_blue = 8;
inline constexpr std::uint32_t color_magenta = 9;
inline constexpr std::uint32_t color_black = 10;
inline constexpr std::uint32_t color_other = 11;

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

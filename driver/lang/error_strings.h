// Messages 100 to 117: the texts of the error codes the driver's errors carry.
// They stay English in every build, so a report reads the same everywhere.
#pragma once

#include "plat_resource.h"
#include "resource_ids.h"

namespace raster_lang {

inline constexpr plat::rsrc::String_Def error_strings[] = {
    {rsrc_id::err_memory_allocation, "INTERNAL ERROR - Memory allocation"},
    {rsrc_id::err_null_pointer, "INTERNAL ERROR - Unexpected NULL pointer"},
    {rsrc_id::err_device_init, "INTERNAL ERROR - Device initialization failure"},
    {rsrc_id::err_driver_init, "INTERNAL ERROR - Driver initialization failure"},
    {rsrc_id::err_ie_file_writer, "Image Engine File Writer DLL load failure"},
    {rsrc_id::err_ie_checkpointing, "Failure enabling Image Engine checkpointing"},
    {rsrc_id::err_ie_memory, "Image Engine memory available failure"},
    {rsrc_id::err_ie_image_create, "Image Engine main image creation failure"},
    {rsrc_id::err_ie_image_invalid, "Image Engine: Image is invalid"},
    {rsrc_id::err_ie_write_context, "Image Engine make write context failure"},
    {rsrc_id::err_ie_store_file, "Image Engine store file failure"},
    {rsrc_id::err_ie_not_compatible, "Image Engine image not compatible"},
    {rsrc_id::err_ie_compression, "Failure setting Image Engine compression"},
    {rsrc_id::err_output_stream, "Error opening output stream."},
    {rsrc_id::err_temporary_file, "Failure opening temporary file"},
    {rsrc_id::err_palette_install, "Heidi palette install failure"},
    {rsrc_id::err_color_system, "Invalid color system or palette depth"},
    {rsrc_id::err_virtual_memory, "Virtual Memry Low - Free Space on System Drive"},
};

} // namespace raster_lang

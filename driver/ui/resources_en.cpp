// Resources of the English build: version information and the string table.
#include "plat_resource.h"
#include "resource_ids.h"

#include <iterator>

namespace {

using plat::rsrc::String_Def;
using plat::rsrc::String_File_Info;
using plat::rsrc::Translation;
using plat::rsrc::Version_Def;
using plat::rsrc::Version_String;

// US English, Unicode.
constexpr Translation k_translations[] = {{0x0409, 0x04B0}};

constexpr Version_String k_version_strings[] = {
    {"FileDescription", "Heidi Raster Printer Driver"},
    {"FileVersion", "1.00"},
    {"OriginalFilename", "vorna_tarv_en_7.hdi"},
    {"ProductName", "Heidi"},
    {"ProductVersion", "1.00"},
    {"ModulePlatform", "1"},
    {"ModuleType", "00000001"},
};

constexpr String_File_Info k_string_file_info[] = {{k_translations[0], k_version_strings}};

constexpr Version_Def k_version{{1, 0, 0, 0}, {1, 0, 0, 0}, k_translations, k_string_file_info};

constexpr String_Def k_strings[] = {
    {rsrc_id::description_by, " - by %s"},
    {rsrc_id::color_white, "White"},
    {rsrc_id::color_red, "Red"},
    {rsrc_id::color_yellow, "Yellow"},
    {rsrc_id::color_green, "Green"},
    {rsrc_id::color_cyan, "Cyan"},
    {rsrc_id::color_blue, "Blue"},
    {rsrc_id::color_magenta, "Magenta"},
    {rsrc_id::color_black, "Black"},
    {rsrc_id::color_other, "Other Colors"},
    // Error messages stay English in every language build.
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

PLAT_RESOURCE constexpr auto k_version_record = plat::rsrc::version_record<k_version>();
PLAT_RESOURCE constexpr auto k_string_record = plat::rsrc::string_table_record<k_strings>();

} // namespace

// Any call of this pulls the whole object, records included, into a link.
int driver_resources_anchor() {
    return static_cast<int>(std::size(k_strings));
}

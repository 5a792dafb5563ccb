// What makes one deliverable out of the shared driver code: its version
// information, its string table and its language. Compiled once per
// deliverable; the build names the deliverable, its language and its version.
#include "error_strings.h"
#include "language.h"
#include "plat_resource.h"
#include "resource_ids.h"

#include VORNA_LANGUAGE_HEADER

#include <algorithm>
#include <array>
#include <iterator>

namespace {

using plat::rsrc::String_Def;
using plat::rsrc::String_File_Info;
using plat::rsrc::Translation;
using plat::rsrc::Version_Def;
using plat::rsrc::Version_String;

constexpr Translation k_translations[] = {{VORNA_LANGUAGE_ID, VORNA_CODE_PAGE}};

constexpr Version_String k_version_strings[] = {
    {"FileDescription", "Heidi Raster Printer Driver"},
    {"FileVersion", VORNA_VERSION_TEXT},
    {"OriginalFilename", VORNA_DELIVERABLE ".hdi"},
    {"ProductName", "Heidi"},
    {"ProductVersion", VORNA_VERSION_TEXT},
    {"ModulePlatform", "1"},
    {"ModuleType", "00000001"},
};

constexpr String_File_Info k_string_file_info[] = {{k_translations[0], k_version_strings}};

// The first part of the file version is the host generation the library is
// built for; the programs read it before they load a driver.
constexpr Version_Def k_version{
    {VORNA_VERSION}, {VORNA_VERSION}, k_translations, k_string_file_info};

template <const auto& A, const auto& B> consteval auto joined() {
    std::array<String_Def, std::size(A) + std::size(B)> out{};
    std::copy(std::begin(A), std::end(A), out.begin());
    std::copy(std::begin(B), std::end(B), out.begin() + std::size(A));
    return out;
}

constexpr auto k_strings = joined<raster_lang::VORNA_STRINGS, raster_lang::error_strings>();

PLAT_RESOURCE constexpr auto k_version_record = plat::rsrc::version_record<k_version>();
PLAT_RESOURCE constexpr auto k_string_record = plat::rsrc::string_table_record<k_strings>();

constexpr raster_lang::Build k_build{VORNA_DELIVERABLE, VORNA_DELIVERABLE ".hdi",
                                     &raster_lang::VORNA_LANGUAGE};

// The library speaks its own language from the moment it is loaded.
[[gnu::used]] const bool g_installed = (raster_lang::install(k_build), true);

} // namespace

// Any call of this pulls the whole object, records included, into a link.
int driver_resources_anchor() {
    return static_cast<int>(std::size(k_strings)) + (g_installed ? 0 : 1);
}

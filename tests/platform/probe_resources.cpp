// Resources chosen by the tests: two translations and text that is not ASCII.
#include "plat_resource.h"

namespace {

using namespace plat::rsrc;

constexpr Translation k_translations[] = {{0x0409, 0x04B0}, {0x0407, 0x04E4}};
constexpr Version_String k_english[] = {{"FileDescription", "Probe"}, {"ProductName", "Probe"}};
constexpr Version_String k_german[] = {{"FileDescription", "Sonde für Tests"}};
constexpr String_File_Info k_tables[] = {{k_translations[0], k_english},
                                         {k_translations[1], k_german}};
constexpr Version_Def k_version{{2, 5, 0, 7}, {2, 5, 0, 0}, k_translations, k_tables};

constexpr String_Def k_strings[] = {{7, "Größe"}, {8, ""}, {65535, "last"}};
constexpr String_Def k_more_strings[] = {{9, "from a second table"}};

PLAT_RESOURCE constexpr auto k_version_record = version_record<k_version>();
PLAT_RESOURCE constexpr auto k_string_record = string_table_record<k_strings>();
PLAT_RESOURCE constexpr auto k_more_record = string_table_record<k_more_strings>();

} // namespace

// English string resources. The English build shows the program's own texts,
// so it needs no table of texts.
#pragma once

#include "plat_resource.h"
#include "resource_ids.h"

namespace raster_lang {

inline constexpr plat::rsrc::String_Def strings_en[] = {
    {rsrc_id::description_by, " - by %s"}, {rsrc_id::color_white, "White"},
    {rsrc_id::color_red, "Red"},           {rsrc_id::color_yellow, "Yellow"},
    {rsrc_id::color_green, "Green"},       {rsrc_id::color_cyan, "Cyan"},
    {rsrc_id::color_blue, "Blue"},         {rsrc_id::color_magenta, "Magenta"},
    {rsrc_id::color_black, "Black"},       {rsrc_id::color_other, "Other Colors"},
};

} // namespace raster_lang

// Help pages. A help file name ("drv_vorna_tarv_sp.HLP") names an HTML page
// of the same base name in the program's help folder; the page holds one
// section per dialog:
//   <section id="paper-config" data-topic="Paper Config"> ... </section>
// A topic request opens the section whose data-topic is the topic; any other
// request, or an unknown topic, opens the first section.
#pragma once

#include "plat_dialog.h"
#include "plat_export.h"

#include <optional>
#include <string>
#include <vector>

namespace plat {

struct Help_Page {
    std::string path;    // the HTML file
    std::string section; // id of the section shown
    std::string title;   // its first heading
    std::string html;    // the section's HTML
    std::string text;    // the section as plain text, for a terminal
};

// Folders searched for help pages: the driver folder's "help" beside the
// program ("drv/help/"), then "help/" beside the program.
PLAT_EXPORT std::vector<std::string> help_folders();

// The page for a request; nothing when there is no such page or it has no
// section.
PLAT_EXPORT std::optional<Help_Page> find_help_page(const Help_Request& request,
                                                    const std::vector<std::string>& folders);
PLAT_EXPORT std::optional<Help_Page> find_help_page(const Help_Request& request);

} // namespace plat

// The dialogs' resources: the two templates and the texts the handlers show.
// The English ones are the source; each build shows them in its language,
// with the geometry of the English template.
#pragma once

#include "plat_dialog.h"

#include <string_view>

namespace raster_ui {

// Custom Properties (template 101) and Paper Config (template 133).
const plat::Dialog_Template& custom_properties_template();
const plat::Dialog_Template& paper_config_template();

struct Ui_Texts {
    // Message boxes of the dialogs, all under one caption.
    std::string_view error_caption;
    std::string_view definitions_incorrect;
    std::string_view export_not_allowed;
    std::string_view export_folder_refused;
    std::string_view import_own_file;
    std::string_view import_wrong_name;
    std::string_view import_unreadable;
    std::string_view import_incorrect;

    // Label 1031 of Custom Properties, by resolution.
    std::string_view quality_fast;
    std::string_view quality_high;

    // File dialogs of import and export.
    std::string_view import_title;
    std::string_view export_title;
    std::string_view definitions_filter;

    // Help topic of the Help button.
    std::string_view help_topic;
};

const Ui_Texts& ui_texts();

const plat::Dialog_Template& english_custom_properties_template();
const plat::Dialog_Template& english_paper_config_template();
const Ui_Texts& english_ui_texts();

} // namespace raster_ui

// The dialogs in the build's language: copies of the English templates and
// texts with every text translated. A copy is made once per language and kept,
// since an open dialog refers to its template.
#include "dialog_resources.h"
#include "language.h"

#include <vector>

namespace raster_ui {
namespace {

struct Translated_Template {
    const raster_lang::Language* language = nullptr;
    std::vector<plat::Dialog_Control> controls;
    plat::Dialog_Template dialog{};
};

const plat::Dialog_Template& translated(const plat::Dialog_Template& english,
                                        Translated_Template& t) {
    if (t.language != &raster_lang::current()) {
        t.language = &raster_lang::current();
        t.controls.assign(english.controls.begin(), english.controls.end());
        for (auto& control : t.controls)
            control.text = raster_lang::tr(control.text);
        t.dialog = english;
        t.dialog.caption = raster_lang::tr(english.caption);
        t.dialog.controls = t.controls;
    }
    return t.dialog;
}

} // namespace

const plat::Dialog_Template& custom_properties_template() {
    static Translated_Template t;
    return translated(english_custom_properties_template(), t);
}

const plat::Dialog_Template& paper_config_template() {
    static Translated_Template t;
    return translated(english_paper_config_template(), t);
}

const Ui_Texts& ui_texts() {
    static const raster_lang::Language* language = nullptr;
    static Ui_Texts texts;
    if (language != &raster_lang::current()) {
        language = &raster_lang::current();
        const Ui_Texts& en = english_ui_texts();
        texts = en;
        for (std::string_view Ui_Texts::*field :
             {&Ui_Texts::error_caption, &Ui_Texts::definitions_incorrect,
              &Ui_Texts::export_not_allowed, &Ui_Texts::export_folder_refused,
              &Ui_Texts::import_own_file, &Ui_Texts::import_wrong_name,
              &Ui_Texts::import_unreadable, &Ui_Texts::import_incorrect, &Ui_Texts::quality_fast,
              &Ui_Texts::quality_high, &Ui_Texts::import_title, &Ui_Texts::export_title,
              &Ui_Texts::definitions_filter, &Ui_Texts::help_topic})
            texts.*field = raster_lang::tr(en.*field);
    }
    return texts;
}

} // namespace raster_ui

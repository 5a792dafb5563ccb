// Every build speaks one language throughout: each text a person can see has
// a translation in every language, translations keep their placeholders, and
// the dialogs and status window of a build show its own texts.
#include "dialog_resources.h"
#include "lang_en.h"
#include "lang_ge.h"
#include "lang_it.h"
#include "lang_ko.h"
#include "lang_sp.h"
#include "language.h"
#include "media_tables.h"
#include "plat_help.h"
#include "raster_errors.h"
#include "raster_status.h"
#include "resource_ids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

using raster_lang::Language;

const Language* const translated_languages[] = {&raster_lang::spanish, &raster_lang::german,
                                                &raster_lang::korean, &raster_lang::italian};

// Texts without a letter ("->", "-50", "(%)") read the same in every language.
bool needs_translation(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

// Every English text the program shows, from where the program keeps it.
std::set<std::string> english_texts() {
    raster_lang::install({"vorna_tarv_en_7", "vorna_tarv_en_7.hdi", &raster_lang::english});
    std::set<std::string> texts;
    auto add = [&](std::string_view t) {
        if (needs_translation(t))
            texts.emplace(t);
    };
    for (const plat::Dialog_Template* d : {&raster_ui::english_custom_properties_template(),
                                           &raster_ui::english_paper_config_template()}) {
        add(d->caption);
        for (const auto& c : d->controls)
            add(c.text);
    }
    const raster_ui::Ui_Texts& ui = raster_ui::english_ui_texts();
    for (std::string_view t :
         {ui.error_caption, ui.definitions_incorrect, ui.export_not_allowed,
          ui.export_folder_refused, ui.import_own_file, ui.import_wrong_name, ui.import_unreadable,
          ui.import_incorrect, ui.quality_fast, ui.quality_high, ui.import_title, ui.export_title,
          ui.definitions_filter, ui.help_topic})
        add(t);
    using raster_media::Ink_Set;
    for (int i = 0; i < raster_media::media_type_count(Ink_Set::photo); ++i)
        add(raster_media::media_type_name(Ink_Set::photo, i));
    using raster_media::Named_List;
    for (Named_List l : {Named_List::gamma, Named_List::color_correction, Named_List::cut_method,
                         Named_List::platen_gap, Named_List::eject_roller})
        for (int i = 0; i < raster_media::named_list_count(l); ++i)
            add(raster_media::named_entry(l, i).name);
    for (int id : {raster_device::status_template_blank, raster_device::status_template_file,
                   raster_device::status_template_device}) {
        const plat::Status_Template& t = raster_device::english_status_template(id);
        add(t.title);
        for (const auto& l : t.labels)
            add(l.text);
    }
    for (int code = -16; code <= 0; ++code)
        add(raster_device::spool_result_message(code));
    // Texts the program builds or shows in a message box.
    for (const char* t : {"Print Spool Status (%d Copies)", "V_MOD0.DLL has not been installed.",
                          "Serious AutoCAD error"})
        add(t);
    return texts;
}

// The printf conversions of a text, in order.
std::string conversions(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '%')
            out += text[++i];
    return out;
}

TEST(Languages, EveryShownTextIsTranslatedInEveryLanguage) {
    const std::set<std::string> english = english_texts();
    ASSERT_GT(english.size(), 70u);
    for (const Language* lang : translated_languages) {
        for (const std::string& text : english) {
            const raster_lang::Text* t = raster_lang::find(*lang, text);
            ASSERT_NE(t, nullptr) << lang->code << " lacks \"" << text << "\"";
            EXPECT_FALSE(t->text.empty()) << lang->code << ": " << text;
            EXPECT_EQ(conversions(t->text), conversions(text)) << lang->code << ": " << t->text;
        }
        // Nothing stale: every entry still translates a text the program shows.
        for (const raster_lang::Text& t : lang->texts)
            EXPECT_TRUE(english.count(std::string(t.english)))
                << lang->code << " translates \"" << t.english << "\", which nothing shows";
    }
}

TEST(Languages, EveryLanguageHasTheSameStringResources) {
    auto ids = [](const Language& l) {
        std::vector<std::uint32_t> v;
        for (const auto& s : l.strings) {
            v.push_back(s.id);
            EXPECT_FALSE(s.text.empty()) << l.code << " string " << s.id;
            // The error messages are English everywhere; no language carries them.
            EXPECT_TRUE(s.id < rsrc_id::first_error || s.id > rsrc_id::last_error);
        }
        std::sort(v.begin(), v.end());
        return v;
    };
    const auto english = ids(raster_lang::english);
    for (const Language* lang : translated_languages) {
        EXPECT_EQ(ids(*lang), english) << lang->code;
        EXPECT_EQ(conversions(lang->strings[0].text), "s") << lang->code;
        EXPECT_TRUE(lang->help_file.ends_with(".HLP")) << lang->code;
    }
    EXPECT_EQ(raster_lang::spanish.strings[0].text, " - por %s");
    EXPECT_EQ(raster_lang::german.strings[0].text, " - von %s");
    EXPECT_EQ(raster_lang::italian.strings[0].text, " - by %s");
}

TEST(Languages, AnInstalledBuildShowsItsDialogsListsAndStatusWindowInItsLanguage) {
    raster_lang::install({"vorna_tarv_ge2_7", "vorna_tarv_ge2_7.hdi", &raster_lang::german});
    const plat::Dialog_Template& d = raster_ui::custom_properties_template();
    const plat::Dialog_Template& en = raster_ui::english_custom_properties_template();
    ASSERT_EQ(d.controls.size(), en.controls.size());
    EXPECT_EQ(d.caption, "VORNA - Benutzerdefinierte Eigenschaften");
    for (std::size_t i = 0; i < d.controls.size(); ++i) {
        // Same control, same place: only the text is the build's.
        EXPECT_EQ(d.controls[i].id, en.controls[i].id);
        EXPECT_EQ(d.controls[i].x, en.controls[i].x);
        EXPECT_EQ(d.controls[i].cx, en.controls[i].cx);
    }
    EXPECT_EQ(raster_ui::ui_texts().export_title, "Ordner auswählen");
    EXPECT_STREQ(raster_device::spool_result_message(1234), "Sonstiger Fehler");
    EXPECT_EQ(raster_device::status_template(raster_device::status_template_device).title,
              "Druckspooler-Status");
    EXPECT_EQ(raster_lang::current().media_language, raster_media::Media_Language::german);

    raster_lang::install({"vorna_tarv_en_7", "vorna_tarv_en_7.hdi", &raster_lang::english});
    EXPECT_EQ(raster_ui::custom_properties_template().caption, "VORNA Custom Properties");
    EXPECT_EQ(raster_device::status_template(raster_device::status_template_device).title,
              "Print Spool Status");
}

// Width of a text in dialog units at the dialogs' 9-point face, from the
// widths of its kinds of letters; close enough to tell a text that fits from
// one that is cut off.
double text_width(std::string_view text) {
    double w = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0xE0) { // three-byte sequences: Hangul and other wide letters
            w += 7;
            i += 3;
            continue;
        }
        i += c >= 0xC0 ? 2 : 1;
        if (std::string_view("il.,;:'()|! jtfrI-").find(static_cast<char>(c)) !=
            std::string_view::npos)
            w += 2;
        else if ((c >= 'A' && c <= 'Z') || c == 'm' || c == 'w')
            w += 4.5;
        else
            w += 3.5;
    }
    return w;
}

const plat::Dialog_Control& control(const plat::Dialog_Template& d, int id) {
    for (const auto& c : d.controls)
        if (c.id == id)
            return c;
    return d.controls.front();
}

TEST(Languages, NoTextOverflowsItsControl) {
    for (const Language* lang :
         {&raster_lang::english, translated_languages[0], translated_languages[1],
          translated_languages[2], translated_languages[3]}) {
        raster_lang::install({"test", "test.hdi", lang});
        for (const plat::Dialog_Template* d :
             {&raster_ui::custom_properties_template(), &raster_ui::paper_config_template()}) {
            for (const auto& c : d->controls) {
                double room = c.cx;
                switch (c.kind) {
                case plat::Control_Kind::check_box:
                case plat::Control_Kind::radio_button:
                    room -= 12; // the box or circle
                    break;
                case plat::Control_Kind::push_button:
                    room -= 4;
                    break;
                case plat::Control_Kind::group_box:
                    room -= 8;
                    break;
                case plat::Control_Kind::label:
                    break;
                default:
                    continue;
                }
                EXPECT_LE(text_width(c.text), room) << lang->code << ": \"" << c.text << "\"";
            }
        }
        // The lists' entries within their drop-down lists, beside the arrow.
        using raster_media::Ink_Set;
        namespace c = rsrc_id::custom;
        namespace p = rsrc_id::paper;
        const double paper_room =
            control(raster_ui::custom_properties_template(), c::paper_type).cx - 12;
        for (int i = 0; i < raster_media::media_type_count(Ink_Set::photo); ++i) {
            const char* name = raster_lang::tr(raster_media::media_type_name(Ink_Set::photo, i));
            EXPECT_LE(text_width(name), paper_room) << lang->code << ": \"" << name << "\"";
        }
        using raster_media::Named_List;
        const std::pair<Named_List, int> lists[] = {{Named_List::cut_method, p::cut_method},
                                                    {Named_List::platen_gap, p::platen_gap},
                                                    {Named_List::eject_roller, p::eject_roller}};
        for (const auto& [list, id] : lists) {
            const double room = control(raster_ui::paper_config_template(), id).cx - 12;
            for (int i = 0; i < raster_media::named_list_count(list); ++i) {
                const char* name = raster_lang::tr(raster_media::named_entry(list, i).name);
                EXPECT_LE(text_width(name), room) << lang->code << ": \"" << name << "\"";
            }
        }
    }
    raster_lang::install({"vorna_tarv_en_7", "vorna_tarv_en_7.hdi", &raster_lang::english});
}

TEST(Languages, HelpOpensThePageOfEachDialogInTheBuildsLanguage) {
    for (const Language* lang :
         {&raster_lang::english, translated_languages[0], translated_languages[1],
          translated_languages[2], translated_languages[3]}) {
        SCOPED_TRACE(std::string(lang->code));
        raster_lang::install({"test", "test.hdi", lang});
        const std::string file(lang->help_file);
        std::string other_colors;
        for (const auto& str : lang->strings)
            if (str.id == rsrc_id::color_other)
                other_colors = str.text;
        // What each dialog passes as its topic, and the page that must open.
        const std::pair<std::string, const char*> topics[] = {
            {std::string(raster_ui::ui_texts().help_topic), "custom-properties"},
            {std::string(raster_lang::tr("Paper Config")), "paper-config"},
            {other_colors, "color-picker"},
            {std::string(raster_lang::tr("Print Spool Status")), "status-window"},
            {"no such topic", "custom-properties"},
        };
        for (const auto& [topic, section] : topics) {
            const auto page =
                plat::find_help_page({nullptr, file, topic, plat::help_topic}, {VORNA_HELP_DIR});
            ASSERT_TRUE(page) << topic;
            EXPECT_EQ(page->section, section) << topic;
            EXPECT_FALSE(page->title.empty());
        }
        // The page speaks the dialog's words.
        const auto page = plat::find_help_page(
            {nullptr, file, std::string(raster_ui::ui_texts().help_topic), plat::help_topic},
            {VORNA_HELP_DIR});
        ASSERT_TRUE(page);
        EXPECT_EQ(page->title, raster_ui::custom_properties_template().caption);
        for (const char* english : {"Bidirectional Printing", "Gamma", "Paper Type"})
            EXPECT_NE(page->text.find(raster_lang::tr(english)), std::string::npos)
                << english << "\n"
                << page->text;
        // A context request opens the first page.
        const auto context = plat::find_help_page({nullptr, file, "1002", plat::help_context_popup},
                                                  {VORNA_HELP_DIR});
        ASSERT_TRUE(context);
        EXPECT_EQ(context->section, "custom-properties");
    }
    EXPECT_FALSE(plat::find_help_page({nullptr, "drv_unknown.HLP", "x", plat::help_topic},
                                      {VORNA_HELP_DIR}));
    raster_lang::install({"vorna_tarv_en_7", "vorna_tarv_en_7.hdi", &raster_lang::english});
}

} // namespace

// The Custom Properties dialog driven as a person would: what it shows for a
// configuration, what OK writes into the configuration and the definitions
// file, and what Cancel leaves alone.
#include "definitions_file.h"
#include "dialog_resources.h"
#include "resource_ids.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

using namespace raster_ui;
using plat::Dialog_Model;
using ui_test::read_file;
using ui_test::shown_texts;
using ui_test::write_file;

namespace c = rsrc_id::custom;
namespace p = rsrc_id::paper;

namespace {

class CustomProperties : public ui_test::Dialog_Test {
protected:
    void set_bool(const std::string& key, bool value) {
        auto item =
            definition->get_plotter_configuration()->get_custom_configuration()->find(key.c_str());
        ASSERT_TRUE(item) << key;
        item->set_data(new HT_Std_Boolean_Custom_Data(value));
    }
    void remove_capability(const std::string& key) {
        auto caps = definition->get_plotter_capabilities()->get_custom_capabilities();
        auto list = caps->get_capabilities();
        for (std::size_t i = 0; i < list->count(); ++i)
            if (list->at(i)->get_name() == key.c_str()) {
                list->erase(i);
                return;
            }
        FAIL() << key;
    }
};

std::string selected_text(const Dialog_Model& d, int id) {
    return d.combo_text(id, d.combo_selection(id));
}

} // namespace

TEST_F(CustomProperties, ShowsTheConfiguration) {
    // The shipped defaults: photo ink set, Plain Paper, gamma 1.8, two-way on, 360 dpi colour.
    EXPECT_EQ(run([](Dialog_Model& d) {
                  EXPECT_EQ(d.caption(), "VORNA Custom Properties");
                  EXPECT_EQ(d.check(c::photo_ink_set), plat::checked);
                  EXPECT_EQ(d.check(c::high_speed_ink_set), plat::unchecked);
                  EXPECT_EQ(d.combo_count(c::paper_type), 11);
                  EXPECT_EQ(selected_text(d, c::paper_type), "Plain Paper");
                  EXPECT_EQ(d.combo_text(c::paper_type, 10), "Photo Paper Semimatte (250)");
                  EXPECT_EQ(d.combo_count(c::gamma), 3);
                  EXPECT_EQ(selected_text(d, c::gamma), "1.8");
                  EXPECT_EQ(d.check(c::bidirectional), plat::checked);
                  EXPECT_EQ(d.text(c::quality_label), "Quality Selection; Fast");
                  EXPECT_EQ(selected_text(d, c::color_correction), "Photo-realistic");
                  EXPECT_TRUE(d.is_enabled(c::color_correction));
                  // Conversion off: every colour control but the master box is off.
                  EXPECT_EQ(d.check(c::apply_color_conversion), plat::unchecked);
                  EXPECT_FALSE(d.is_enabled(c::convert_to_black));
                  EXPECT_FALSE(d.is_enabled(c::apply1));
                  EXPECT_FALSE(d.is_enabled(c::compare1));
                  EXPECT_EQ(selected_text(d, c::compare1), "Red");
                  EXPECT_EQ(selected_text(d, c::swap1), "Black");
                  d.click(plat::id_cancel);
              }),
              plat::id_cancel);
    // The file was created with the defaults, without a message.
    EXPECT_EQ(read_file(definitions_file()), default_definitions_text());
    EXPECT_TRUE(shown_texts().empty());
}

TEST_F(CustomProperties, OkWritesTheItemsAndTheDefinitionsFile) {
    on_paper_config([](Dialog_Model& d) {
        // Tracing paper's own record: cut as thin paper.
        EXPECT_EQ(selected_text(d, p::cut_method), "Thin Paper");
        EXPECT_EQ(d.text(p::thickness_edit), "1");
        d.type_text(p::density_edit, "25");
        d.pick(p::cut_method, 3);
        d.drag_slider(p::suction_slider, 2);
        d.release_slider(p::suction_slider);
        d.click(plat::id_ok);
    });
    EXPECT_EQ(run([](Dialog_Model& d) {
                  d.click(c::high_speed_ink_set);
                  EXPECT_EQ(d.combo_count(c::paper_type), 7);
                  d.pick(c::paper_type, 2);
                  d.pick(c::gamma, 2);
                  d.click(c::bidirectional);
                  d.click(c::paper_config);
                  d.click(plat::id_ok);
              }),
              plat::id_ok);

    EXPECT_EQ(long_value("CartrigeOpt"), 0);
    EXPECT_EQ(long_value("PaperKindMode_4c"), 2);
    EXPECT_EQ(long_value("PaperKindMode_7c"), 0);
    EXPECT_EQ(long_value("GammaMode_360"), 2);
    EXPECT_EQ(long_value("BothSideProcess_360"), 0);
    EXPECT_EQ(long_value("InkDensity_360"), 25);
    EXPECT_EQ(long_value("CutAdjustMode_360"), 3);
    EXPECT_EQ(long_value("VacuumIndex_360"), 2);
    EXPECT_EQ(long_value("PaperThick_360"), 1);
    // The other resolution takes the paper's stored record: tracing paper's defaults.
    EXPECT_EQ(long_value("GammaMode_720"), 1);
    EXPECT_EQ(long_value("BothSideProcess_720"), 1);
    EXPECT_EQ(long_value("CutAdjustMode_720"), 1);
    EXPECT_EQ(long_value("InkDensity_720"), 0);
    EXPECT_FALSE(bool_value("RASTER_ChangeColor"));

    const Paper_Settings expected{2, 0, 25, 0, 0, 2, 3, 1, 0, 0};
    EXPECT_EQ(stored(360.0, 0, 2), expected);
    EXPECT_EQ(stored(720.0, 0, 2), default_papers_720[2]);
    EXPECT_EQ(stored(360.0, 1, 0), default_papers_360[7]);
    // Written canonically, whatever it was before.
    AdvancedDefinitions store;
    store.splitIntoSlots(read_file(definitions_file()));
    EXPECT_EQ(read_file(definitions_file()), store.composeDefinitions());
}

TEST_F(CustomProperties, CancelWritesNothing) {
    // A file of the person's own, with a paper set differently.
    AdvancedDefinitions mine;
    mine.storePaper(360.0, 1, 3, Paper_Settings{0, 0, 9, 9, 9, 1, 2, 4, 2, 1});
    std::string text = mine.composeDefinitions();
    std::erase(text, ' ');
    write_file(definitions_file(), text);
    const auto before = configuration();

    on_paper_config([](Dialog_Model& d) {
        d.type_text(p::drying_edit, "40");
        d.click(plat::id_ok);
    });
    EXPECT_EQ(run([](Dialog_Model& d) {
                  d.pick(c::paper_type, 3);
                  EXPECT_EQ(selected_text(d, c::gamma), "1.5");
                  d.pick(c::gamma, 2);
                  d.click(c::paper_config);
                  d.click(c::apply_color_conversion);
                  d.click(c::high_speed_ink_set);
                  d.click(plat::id_cancel);
              }),
              plat::id_cancel);
    EXPECT_EQ(configuration(), before);
    EXPECT_EQ(read_file(definitions_file()), text);
}

TEST_F(CustomProperties, SwitchingPapersKeepsEachPapersRecordUntilOk) {
    EXPECT_EQ(run([](Dialog_Model& d) {
                  d.pick(c::paper_type, 1);
                  d.pick(c::gamma, 0);
                  d.click(c::bidirectional); // off
                  d.pick(c::paper_type, 2);
                  EXPECT_EQ(selected_text(d, c::gamma), "1.8");
                  EXPECT_EQ(d.check(c::bidirectional), plat::checked);
                  d.pick(c::gamma, 2);
                  d.pick(c::paper_type, 1);
                  EXPECT_EQ(selected_text(d, c::gamma), "1.5");
                  EXPECT_EQ(d.check(c::bidirectional), plat::unchecked);
                  d.pick(c::paper_type, 2);
                  EXPECT_EQ(selected_text(d, c::gamma), "2.2");
                  d.click(plat::id_cancel);
              }),
              plat::id_cancel);
    // Lost on Cancel: the next opening shows paper 3's defaults again.
    EXPECT_EQ(stored(360.0, 1, 2), default_papers_360[9]);
    EXPECT_EQ(run([](Dialog_Model& d) {
                  d.pick(c::paper_type, 2);
                  EXPECT_EQ(selected_text(d, c::gamma), "1.8");
                  d.pick(c::gamma, 0);
                  // The ink-set switch keeps each set's paper and record.
                  d.click(c::high_speed_ink_set);
                  EXPECT_EQ(selected_text(d, c::paper_type), "Plain Paper");
                  d.click(c::photo_ink_set);
                  EXPECT_EQ(selected_text(d, c::paper_type), "Tracing Paper");
                  EXPECT_EQ(selected_text(d, c::gamma), "1.5");
                  d.click(plat::id_ok);
              }),
              plat::id_ok);
    EXPECT_EQ(stored(360.0, 1, 2).gamma, 0);
    EXPECT_EQ(long_value("PaperKindMode_7c"), 2);
    EXPECT_EQ(long_value("GammaMode_360"), 0);
}

TEST_F(CustomProperties, PickingTheSelectedPaperAgainReloadsItsRecord) {
    EXPECT_EQ(run([](Dialog_Model& d) {
                  const int paper = d.combo_selection(c::paper_type);
                  const std::string gamma = selected_text(d, c::gamma);
                  d.pick(c::gamma, gamma == "2.2" ? 0 : 2);
                  d.pick(c::paper_type, paper);
                  EXPECT_EQ(selected_text(d, c::gamma), gamma);
                  d.click(plat::id_cancel);
              }),
              plat::id_cancel);
}

TEST_F(CustomProperties, SubstitutionRowsInTabOrder) {
    // Labels, the three Apply boxes, the left column, the right column.
    std::vector<int> order;
    for (const auto& control : custom_properties_template().controls)
        for (int id : {c::apply1, c::apply2, c::apply3, c::compare1, c::compare2, c::compare3,
                       c::swap1, c::swap2, c::swap3})
            if (control.id == id)
                order.push_back(id);
    EXPECT_EQ(order, (std::vector<int>{c::apply1, c::apply2, c::apply3, c::compare1, c::compare2,
                                       c::compare3, c::swap1, c::swap2, c::swap3}));
}

TEST_F(CustomProperties, At720TheOtherKeysTakeThe360Record) {
    select_entry(4);
    AdvancedDefinitions mine;
    const Paper_Settings record360{2, 0, -5, 7, 10, 3, 2, 4, 1, 2};
    mine.storePaper(360.0, 1, 0, record360);
    write_file(definitions_file(), mine.composeDefinitions());

    EXPECT_EQ(run([](Dialog_Model& d) {
                  EXPECT_EQ(d.text(c::quality_label), "Quality Selection; High");
                  d.pick(c::gamma, 0);
                  d.click(plat::id_ok);
              }),
              plat::id_ok);
    EXPECT_EQ(long_value("GammaMode_720"), 0);
    EXPECT_EQ(long_value("BothSideProcess_720"), 1);
    EXPECT_EQ(long_value("GammaMode_360"), 2);
    EXPECT_EQ(long_value("BothSideProcess_360"), 0);
    EXPECT_EQ(long_value("InkDensity_360"), -5);
    EXPECT_EQ(long_value("PathDelayTime_360"), 7);
    EXPECT_EQ(long_value("FeedOffset_360"), 10);
    EXPECT_EQ(long_value("VacuumIndex_360"), 3);
    EXPECT_EQ(long_value("CutAdjustMode_360"), 2);
    EXPECT_EQ(long_value("PaperThick_360"), 4);
    EXPECT_EQ(long_value("PlatenGapMode_360"), 1);
    EXPECT_EQ(long_value("EjectRollerMode_360"), 2);
    EXPECT_EQ(stored(720.0, 1, 0).gamma, 0);
}

TEST_F(CustomProperties, ColourControlsFollowTheFlags) {
    set_bool("RASTER_ConvertColor1", true);
    remove_item("RASTER_RGB_Compare2_IndexColor");
    EXPECT_EQ(run([](Dialog_Model& d) {
                  EXPECT_EQ(d.combo_count(c::compare2), 0);
                  d.click(c::apply_color_conversion);
                  EXPECT_EQ(d.check(c::apply_color_conversion), plat::checked);
                  EXPECT_TRUE(d.is_enabled(c::convert_to_black));
                  for (int id : {c::apply1, c::apply2, c::apply3})
                      EXPECT_TRUE(d.is_enabled(id)) << id;
                  EXPECT_EQ(d.check(c::apply1), plat::checked);
                  EXPECT_TRUE(d.is_enabled(c::compare1));
                  EXPECT_TRUE(d.is_enabled(c::swap1));
                  EXPECT_FALSE(d.is_enabled(c::compare2));
                  EXPECT_FALSE(d.is_enabled(c::swap3));

                  d.click(c::apply2);
                  EXPECT_EQ(d.check(c::apply2), plat::checked);
                  EXPECT_TRUE(d.is_enabled(c::compare2)); // empty, but enabled by its row
                  EXPECT_TRUE(d.is_enabled(c::swap2));
                  d.click(c::apply1);
                  EXPECT_FALSE(d.is_enabled(c::compare1));

                  d.click(c::convert_to_black);
                  for (int id : {c::apply1, c::apply2, c::apply3, c::compare2, c::swap2})
                      EXPECT_FALSE(d.is_enabled(id)) << id;
                  d.click(plat::id_ok);
              }),
              plat::id_ok);
    EXPECT_TRUE(bool_value("RASTER_ChangeColor"));
    EXPECT_TRUE(bool_value("RASTER_Draw2Black"));
    EXPECT_FALSE(bool_value("RASTER_ConvertColor1"));
    EXPECT_TRUE(bool_value("RASTER_ConvertColor2"));
    EXPECT_FALSE(has_item("RASTER_RGB_Compare2_IndexColor"));
    EXPECT_EQ(long_value("RASTER_RGB_Compare1_IndexColor"), 0x0000FF);
    EXPECT_EQ(long_value("RASTER_RGB_Swap2_IndexColor"), 0xFFFFFF);
}

TEST_F(CustomProperties, StoredValuesOutsideTheDialogsRanges) {
    // Any non-zero ink-set option is the photo set, written back as 1.
    set_long("CartrigeOpt", 5);
    // Two-way printing 2 leaves the box clear and is written back as read.
    set_long("BothSideProcess_360", 2);
    // A key the printer does not offer reads as 0 whatever its item holds.
    set_long("GammaMode_360", 2);
    remove_capability("GammaMode_360");
    // A paper index from elsewhere: no slot, nothing written outside the store.
    set_long("PaperKindMode_7c", 40);
    EXPECT_EQ(run([](Dialog_Model& d) {
                  EXPECT_EQ(d.check(c::photo_ink_set), plat::checked);
                  EXPECT_EQ(d.check(c::bidirectional), plat::unchecked);
                  EXPECT_EQ(selected_text(d, c::gamma), "1.5");
                  EXPECT_EQ(d.combo_selection(c::paper_type), plat::cb_err);
                  d.click(plat::id_ok);
              }),
              plat::id_ok);
    EXPECT_EQ(long_value("CartrigeOpt"), 1);
    EXPECT_EQ(long_value("BothSideProcess_360"), 2);
    EXPECT_EQ(long_value("GammaMode_360"), 0);
    EXPECT_EQ(long_value("PaperKindMode_7c"), 40);
    EXPECT_EQ(read_file(definitions_file()), default_definitions_text());

    // Once clicked, the box decides.
    set_long("PaperKindMode_7c", 0);
    EXPECT_EQ(run([](Dialog_Model& d) {
                  d.click(c::bidirectional);
                  d.click(plat::id_ok);
              }),
              plat::id_ok);
    EXPECT_EQ(long_value("BothSideProcess_360"), 1);
}

TEST_F(CustomProperties, ColourCorrectionOnlyForColourOutput) {
    select_entry(3); // 360 dpi monochrome
    set_long("ColorCorrectMode", 1);
    EXPECT_EQ(run([](Dialog_Model& d) {
                  EXPECT_EQ(d.combo_count(c::color_correction), 0);
                  EXPECT_FALSE(d.is_enabled(c::color_correction));
                  d.click(plat::id_ok);
              }),
              plat::id_ok);
    EXPECT_EQ(long_value("ColorCorrectMode"), 1);

    select_entry(0);
    EXPECT_EQ(run([](Dialog_Model& d) {
                  EXPECT_EQ(selected_text(d, c::color_correction), "Vivid");
                  d.pick(c::color_correction, 0);
                  d.click(plat::id_ok);
              }),
              plat::id_ok);
    EXPECT_EQ(long_value("ColorCorrectMode"), 0);
}

TEST_F(CustomProperties, InvalidFileAtStartIsReportedOverTheDialog) {
    write_file(definitions_file(), "<vorna></vorna>");
    plat::Window window = nullptr;
    run([&window](Dialog_Model& d) {
        window = d.window();
        d.click(plat::id_cancel);
    });
    const auto messages = plat::headless_ui().messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].owner, window);
    EXPECT_EQ(messages[0].title, "Custom Properties Error");
    EXPECT_EQ(read_file(definitions_file()), default_definitions_text());
}

TEST_F(CustomProperties, Help) {
    plat::Window window = nullptr;
    plat::Window list = nullptr;
    run([&](Dialog_Model& d) {
        window = d.window();
        list = d.control_window(c::paper_type);
        d.set_help_context(c::paper_type, 4242);
        d.click(c::help);
        EXPECT_TRUE(d.ask_help(c::paper_type));
        d.click(plat::id_cancel);
    });
    const auto help = plat::headless_dialogs().help_requests();
    ASSERT_EQ(help.size(), 2u);
    EXPECT_EQ(help[0].window, window);
    EXPECT_EQ(help[0].file, "drv_vorna_tarv_en.HLP");
    EXPECT_EQ(help[0].topic, "Custom Properties setting");
    EXPECT_EQ(help[0].command, plat::help_topic);
    EXPECT_EQ(help[1].window, list);
    EXPECT_EQ(help[1].topic, "4242");
    EXPECT_EQ(help[1].command, plat::help_context_popup);
}

TEST_F(CustomProperties, TemplatesAreWellFormed) {
    EXPECT_EQ(plat::check_template(custom_properties_template()), "");
    EXPECT_EQ(plat::check_template(paper_config_template()), "");
    EXPECT_EQ(custom_properties_template().cx, 323);
    EXPECT_EQ(custom_properties_template().cy, 275);
    EXPECT_EQ(paper_config_template().cx, 219);
    EXPECT_EQ(paper_config_template().cy, 395);
}

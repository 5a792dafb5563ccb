// The Paper Config dialog on its own: input bounded as it is typed, sliders
// and edits following each other, the lists, Reset To Defaults, OK and Cancel.
#include "dialog_resources.h"
#include "paper_config.h"
#include "plat_dialog_headless.h"
#include "resource_ids.h"

#include <gtest/gtest.h>

using namespace raster_ui;
using plat::Dialog_Model;

namespace p = rsrc_id::paper;

namespace {

class PaperConfig : public ::testing::Test {
protected:
    void SetUp() override { plat::headless_dialogs().clear(); }
    void TearDown() override {
        EXPECT_EQ(plat::headless_dialogs().pending_scripts(), 0u);
        plat::headless_dialogs().clear();
    }
    // Runs the dialog over `shared` with `person` acting.
    int run(plat::Dialog_Script person) {
        plat::headless_dialogs().queue_script(rsrc_id::dlg_paper_config, std::move(person));
        Paper_Config_Dialog dialog(shared, default_row);
        return dialog.run(nullptr);
    }

    Paper_Settings shared{2, 0, 10, 20, -30, 1, 2, 5, 3, 1};
    Paper_Settings default_row = default_papers_360[2]; // Tracing Paper
};

} // namespace

TEST_F(PaperConfig, StartsFromTheSharedValues) {
    EXPECT_EQ(run([](Dialog_Model& d) {
                  EXPECT_EQ(d.text(p::density_edit), "10");
                  EXPECT_EQ(d.slider_position(p::density_slider), 10);
                  EXPECT_EQ(d.slider_range(p::feed_slider), std::make_pair(-70, 70));
                  EXPECT_EQ(d.text(p::feed_edit), "-30");
                  EXPECT_EQ(d.slider_position(p::feed_slider), -30);
                  EXPECT_EQ(d.text(p::thickness_edit), "5");
                  EXPECT_EQ(d.slider_position(p::suction_slider), 1);
                  EXPECT_EQ(d.combo_text(p::cut_method, d.combo_selection(p::cut_method)),
                            "Thick Paper, Fast");
                  EXPECT_EQ(d.combo_text(p::platen_gap, d.combo_selection(p::platen_gap)),
                            "Standard");
                  EXPECT_EQ(d.combo_text(p::eject_roller, d.combo_selection(p::eject_roller)),
                            "Starwheel-Sheet");
                  d.click(plat::id_cancel);
              }),
              plat::id_cancel);
}

TEST_F(PaperConfig, StoredValuesOutsideTheRangesShowAndKeepWhatTheControlsShow) {
    shared.density = 99;
    shared.drying_time = 60;
    shared.feed_offset = -80;
    shared.thickness = 0;
    shared.suction = 7;
    EXPECT_EQ(run([](Dialog_Model& d) {
                  EXPECT_EQ(d.text(p::density_edit), "50");
                  EXPECT_EQ(d.slider_position(p::density_slider), 50);
                  EXPECT_EQ(d.text(p::drying_edit), "50");
                  EXPECT_EQ(d.text(p::feed_edit), "-70");
                  EXPECT_EQ(d.slider_position(p::feed_slider), -70);
                  EXPECT_EQ(d.text(p::thickness_edit), "1");
                  EXPECT_EQ(d.slider_position(p::suction_slider), 4);
                  d.click(plat::id_ok);
              }),
              plat::id_ok);
    EXPECT_EQ(shared.density, 50);
    EXPECT_EQ(shared.drying_time, 50);
    EXPECT_EQ(shared.feed_offset, -70);
    EXPECT_EQ(shared.thickness, 1);
    EXPECT_EQ(shared.suction, 4);
}

TEST_F(PaperConfig, SignedEditsAreBoundedAsTyped) {
    EXPECT_EQ(run([](Dialog_Model& d) {
                  // A lone sign waits for digits.
                  d.type_text(p::density_edit, "-");
                  EXPECT_EQ(d.text(p::density_edit), "-");
                  EXPECT_EQ(d.slider_position(p::density_slider), 10);
                  d.type_text(p::density_edit, "-8");
                  EXPECT_EQ(d.text(p::density_edit), "-8");
                  EXPECT_EQ(d.slider_position(p::density_slider), -8);
                  EXPECT_EQ(d.edit_selection(p::density_edit), std::make_pair(2, 2));

                  d.type_text(p::density_edit, "99");
                  EXPECT_EQ(d.text(p::density_edit), "50");
                  EXPECT_EQ(d.slider_position(p::density_slider), 50);
                  d.type_text(p::density_edit, "-99");
                  EXPECT_EQ(d.text(p::density_edit), "-50");
                  EXPECT_EQ(d.slider_position(p::density_slider), -50);

                  d.type_text(p::feed_edit, "12");
                  d.type_text(p::feed_edit, "12x");
                  EXPECT_EQ(d.text(p::feed_edit), "12");
                  EXPECT_EQ(d.slider_position(p::feed_slider), 12);
                  d.type_text(p::feed_edit, "x");
                  EXPECT_EQ(d.text(p::feed_edit), "");
                  EXPECT_EQ(d.slider_position(p::feed_slider), 12);
                  d.type_text(p::feed_edit, "+71");
                  EXPECT_EQ(d.text(p::feed_edit), "70");
                  d.type_text(p::feed_edit, "-1234"); // three characters at most
                  EXPECT_EQ(d.text(p::feed_edit), "-12");
                  d.type_text(p::feed_edit, "-99");
                  EXPECT_EQ(d.text(p::feed_edit), "-70");
                  d.click(plat::id_ok);
              }),
              plat::id_ok);
    EXPECT_EQ(shared.density, -50);
    EXPECT_EQ(shared.feed_offset, -70);
}

TEST_F(PaperConfig, UnsignedEditsAreBoundedAsTyped) {
    EXPECT_EQ(run([](Dialog_Model& d) {
                  d.type_text(p::thickness_edit, "0");
                  EXPECT_EQ(d.text(p::thickness_edit), "1");
                  d.type_text(p::thickness_edit, "17");
                  EXPECT_EQ(d.text(p::thickness_edit), "16");
                  d.type_text(p::thickness_edit, "123");
                  EXPECT_EQ(d.text(p::thickness_edit), "12");
                  d.type_text(p::drying_edit, "-5");
                  EXPECT_EQ(d.text(p::drying_edit), "");
                  // A bad character in one go is cut off, and the value stays.
                  d.type_text(p::drying_edit, "7a");
                  EXPECT_EQ(d.text(p::drying_edit), "7");
                  EXPECT_EQ(d.slider_position(p::drying_slider), 20);
                  d.type_text(p::drying_edit, "7");
                  EXPECT_EQ(d.slider_position(p::drying_slider), 7);
                  d.type_text(p::drying_edit, "99");
                  EXPECT_EQ(d.text(p::drying_edit), "50");
                  EXPECT_EQ(d.slider_position(p::drying_slider), 50);
                  d.click(plat::id_ok);
              }),
              plat::id_ok);
    EXPECT_EQ(shared.thickness, 12);
    EXPECT_EQ(shared.drying_time, 50);
}

TEST_F(PaperConfig, SlidersLeadTheirEdits) {
    EXPECT_EQ(run([](Dialog_Model& d) {
                  // While dragged, the edit follows.
                  d.drag_slider(p::drying_slider, 30);
                  EXPECT_EQ(d.text(p::drying_edit), "30");
                  d.drag_slider(p::drying_slider, 31);
                  d.release_slider(p::drying_slider);
                  EXPECT_EQ(d.text(p::drying_edit), "31");
                  d.key_slider(p::feed_slider, -70);
                  EXPECT_EQ(d.text(p::feed_edit), "-70");
                  // The suction slider has no text to change.
                  const std::string thickness = d.text(p::thickness_edit);
                  d.drag_slider(p::suction_slider, 4);
                  d.release_slider(p::suction_slider);
                  EXPECT_EQ(d.text(p::thickness_edit), thickness);
                  d.pick(p::platen_gap, 4);
                  d.pick(p::eject_roller, 0);
                  d.click(plat::id_ok);
              }),
              plat::id_ok);
    EXPECT_EQ(shared, (Paper_Settings{2, 0, 10, 31, -70, 4, 2, 5, 4, 0}));
}

TEST_F(PaperConfig, ResetToDefaults) {
    const Paper_Settings before = shared;
    EXPECT_EQ(run([](Dialog_Model& d) {
                  d.click(p::reset_to_defaults);
                  EXPECT_EQ(d.combo_text(p::cut_method, d.combo_selection(p::cut_method)),
                            "Thin Paper");
                  EXPECT_EQ(d.text(p::thickness_edit), "1");
                  EXPECT_EQ(d.text(p::density_edit), "0");
                  EXPECT_EQ(d.slider_position(p::feed_slider), 0);
                  EXPECT_EQ(d.slider_position(p::suction_slider), 0);
                  EXPECT_EQ(d.combo_selection(p::platen_gap), 0);
                  d.click(plat::id_cancel);
              }),
              plat::id_cancel);
    EXPECT_EQ(shared, before);

    default_row = default_papers_720[15]; // Photo Paper Glossy (250)
    EXPECT_EQ(run([](Dialog_Model& d) {
                  d.click(p::reset_to_defaults);
                  EXPECT_EQ(d.text(p::thickness_edit), "3");
                  d.click(plat::id_ok);
              }),
              plat::id_ok);
    // Gamma and two-way printing are not this dialog's to reset.
    EXPECT_EQ(shared, (Paper_Settings{2, 0, 0, 0, 0, 0, 0, 3, 0, 0}));
}

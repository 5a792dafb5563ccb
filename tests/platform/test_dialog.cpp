// The dialog framework's model and its headless back end.
#include "plat_dialog.h"
#include "plat_dialog_headless.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using plat::Control_Kind;
using plat::Dialog;
using plat::Dialog_Model;
using plat::Notify;

constexpr int id_apply = 1001;
constexpr int id_black = 1005;
constexpr int id_colors = 1004;
constexpr int id_paper = 1002;
constexpr int id_density = 1036;
constexpr int id_density_slider = 1034;
constexpr int id_photo = 1037;
constexpr int id_speed = 1038;
constexpr int id_draft = 1039;
constexpr int id_help = 1003;
constexpr int id_bar = 1050;
constexpr int id_picture = 1051;
constexpr int id_sorted = 1052;

const plat::Dialog_Control sample_controls[] = {
    {plat::id_static, Control_Kind::group_box, "Print Color Conversion", 4, 4, 150, 60},
    {id_apply, Control_Kind::check_box, "Apply Color Conversion", 10, 14, 100, 10,
     plat::style_auto | plat::style_tab_stop},
    {id_black, Control_Kind::check_box, "Convert all to black", 10, 26, 100, 10,
     plat::style_disabled},
    {id_colors, Control_Kind::combo_box, "", 10, 40, 60, 80,
     plat::style_drop_list | plat::style_owner_draw | plat::style_tab_stop},
    {id_photo, Control_Kind::radio_button, "Photo Quality Ink Set", 160, 14, 100, 10,
     plat::style_auto | plat::style_group},
    {id_speed, Control_Kind::radio_button, "High Speed Ink Set", 160, 26, 100, 10,
     plat::style_auto},
    {id_draft, Control_Kind::radio_button, "Draft", 160, 38, 100, 10,
     plat::style_auto | plat::style_group},
    {id_paper, Control_Kind::combo_box, "", 160, 50, 100, 80, plat::style_drop_list},
    {id_density, Control_Kind::edit, "", 10, 70, 30, 12, plat::style_tab_stop},
    {id_density_slider, Control_Kind::slider, "", 50, 70, 100, 14, plat::style_ticks},
    {id_bar, Control_Kind::progress_bar, "", 10, 90, 100, 8},
    {id_picture, Control_Kind::bitmap, "logo", 120, 90, 20, 20, plat::style_hidden},
    {id_sorted, Control_Kind::combo_box, "", 160, 70, 60, 60, plat::style_sort},
    {id_help, Control_Kind::push_button, "Help", 200, 120, 40, 14},
    {plat::id_ok, Control_Kind::push_button, "OK", 100, 120, 40, 14, plat::style_default},
    {plat::id_cancel, Control_Kind::push_button, "Cancel", 150, 120, 40, 14},
};

const plat::Dialog_Template sample{
    101, "VORNA Custom Properties", "Sans Serif", 9, 323, 275, sample_controls};

const char* name(Notify code) {
    switch (code) {
    case Notify::clicked:
        return "clicked";
    case Notify::double_clicked:
        return "double_clicked";
    case Notify::selection_changed:
        return "selection_changed";
    case Notify::drop_down:
        return "drop_down";
    case Notify::close_up:
        return "close_up";
    case Notify::edit_change:
        return "edit_change";
    case Notify::edit_update:
        return "edit_update";
    case Notify::set_focus:
        return "set_focus";
    case Notify::kill_focus:
        return "kill_focus";
    case Notify::slider_released:
        return "slider_released";
    case Notify::custom_draw:
        return "custom_draw";
    case Notify::key_left:
        return "key_left";
    case Notify::key_right:
        return "key_right";
    case Notify::key_up:
        return "key_up";
    case Notify::key_down:
        return "key_down";
    }
    return "?";
}

// Writes down everything it is told, with the state a handler would read.
struct Logging_Handler : plat::Dialog_Handler {
    void on_init(Dialog& d) override {
        log.push_back("init");
        if (fill) {
            d.combo_add(id_paper, "Plain Paper");
            d.combo_add(id_paper, "Coated Paper");
            d.combo_add(id_paper, "Tracing Paper");
            d.combo_add(id_paper, "Film");
            d.combo_select(id_paper, 0);
        }
    }
    void on_command(Dialog& d, int id, Notify code) override {
        std::string entry = std::to_string(id) + " " + name(code);
        if (d.combo_count(id) >= 0)
            entry += " sel=" + std::to_string(d.combo_selection(id));
        if (id == id_density)
            entry += " text=" + d.text(id);
        if (id == id_density_slider)
            entry += " pos=" + std::to_string(d.slider_position(id));
        log.push_back(entry);
        if (throw_on == id)
            throw std::runtime_error("handler failed");
        if (end_on == id)
            d.end(77);
    }
    void on_owner_draw(Dialog&, const plat::Owner_Draw_Item& item,
                       plat::Draw_Context& dc) override {
        drawn.push_back(item);
        dc.fill_rect(item.rect, static_cast<plat::Color_Ref>(item.item_data));
    }
    bool on_help(Dialog&, const plat::Help_Info& info) override {
        help.push_back(info);
        return true;
    }
    bool on_ok(Dialog&) override {
        log.push_back("ok");
        return allow_ok;
    }
    bool on_cancel(Dialog&) override {
        log.push_back("cancel");
        return allow_cancel;
    }
    void on_timer(Dialog&, int timer) override { log.push_back("timer " + std::to_string(timer)); }
    void on_destroy(Dialog&) override { log.push_back("destroy"); }

    std::vector<std::string> log;
    std::vector<plat::Owner_Draw_Item> drawn;
    std::vector<plat::Help_Info> help;
    bool fill = true;
    bool allow_ok = true;
    bool allow_cancel = true;
    int throw_on = 0;
    int end_on = 0;
};

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override { plat::headless_dialogs().clear(); }
    void TearDown() override { plat::headless_dialogs().clear(); }

    // Runs the sample dialog with `script` as the person.
    int run(Logging_Handler& h, plat::Dialog_Script script) {
        plat::headless_dialogs().queue_script(sample.id, std::move(script));
        return plat::run_dialog(sample, h, nullptr);
    }
};

} // namespace

TEST(DialogTemplate, RefusesTemplatesThatCannotBeShown) {
    EXPECT_EQ(plat::check_template(sample), "");

    const plat::Dialog_Control repeated[] = {
        {7, Control_Kind::label, "a", 0, 0, 10, 10},
        {plat::id_static, Control_Kind::label, "b", 0, 10, 10, 10},
        {plat::id_static, Control_Kind::label, "c", 0, 20, 10, 10},
        {7, Control_Kind::edit, "", 0, 30, 10, 10},
    };
    const plat::Dialog_Control sizeless[] = {{5, Control_Kind::edit, "", 0, 0, 0, 10}};
    const plat::Dialog_Control outside[] = {{5, Control_Kind::edit, "", 100, 0, 10, 10}};
    const plat::Dialog_Control zero_id[] = {{0, Control_Kind::edit, "", 0, 0, 10, 10}};
    const plat::Dialog_Template bad[] = {
        {1, "", "", 8, 100, 100, repeated}, {2, "", "", 8, 100, 100, sizeless},
        {3, "", "", 8, 100, 100, outside},  {4, "", "", 8, 100, 100, zero_id},
        {5, "", "", 8, 0, 100, {}},
    };
    Logging_Handler h;
    for (const auto& t : bad) {
        EXPECT_NE(plat::check_template(t), "") << t.id;
        EXPECT_EQ(plat::run_dialog(t, h, nullptr), -1) << t.id;
        EXPECT_EQ(plat::create_dialog(t, h, nullptr), nullptr) << t.id;
    }
    // Nothing of the handler ran for a dialog that never existed.
    EXPECT_TRUE(h.log.empty());
}

TEST_F(Dialogs, ControlsStartAsTheTemplateSays) {
    Logging_Handler h;
    run(h, [](Dialog_Model& d) {
        EXPECT_EQ(d.caption(), "VORNA Custom Properties");
        EXPECT_EQ(d.text(id_apply), "Apply Color Conversion");
        EXPECT_TRUE(d.is_enabled(id_apply));
        EXPECT_FALSE(d.is_enabled(id_black));
        EXPECT_FALSE(d.is_visible(id_picture));
        EXPECT_EQ(d.check(id_apply), plat::unchecked);
        EXPECT_EQ(d.slider_range(id_density_slider), (std::pair{0, 100}));
        // The first control one can tab to has the focus.
        EXPECT_EQ(d.focus(), id_apply);
        // Labels and group boxes have no id to reach them by.
        EXPECT_FALSE(d.has_control(plat::id_static));
        EXPECT_EQ(d.text(4242), "");
        EXPECT_EQ(d.combo_count(id_apply), plat::cb_err);
    });
    EXPECT_EQ(h.log.front(), "init");
}

TEST_F(Dialogs, ComboBoxesKeepItemsSelectionAndData) {
    Logging_Handler h;
    h.fill = false;
    run(h, [](Dialog_Model& d) {
        EXPECT_EQ(d.combo_add(id_paper, "a"), 0);
        EXPECT_EQ(d.combo_add(id_paper, "b"), 1);
        EXPECT_EQ(d.combo_add(id_paper, "c"), 2);
        EXPECT_EQ(d.combo_select(id_paper, 1), 1);
        EXPECT_EQ(d.text(id_paper), "b");

        // Items inserted or deleted before the selection keep it on its item.
        EXPECT_EQ(d.combo_insert(id_paper, 0, "first"), 0);
        EXPECT_EQ(d.combo_selection(id_paper), 2);
        EXPECT_EQ(d.combo_delete(id_paper, 0), 3);
        EXPECT_EQ(d.combo_selection(id_paper), 1);
        EXPECT_EQ(d.combo_delete(id_paper, 1), 2);
        EXPECT_EQ(d.combo_selection(id_paper), plat::cb_err);
        EXPECT_EQ(d.text(id_paper), "");
        EXPECT_EQ(d.combo_insert(id_paper, 5, "x"), plat::cb_err);
        EXPECT_EQ(d.combo_insert(id_paper, -1, "last"), 2);

        // Out-of-range selection clears it and says so.
        EXPECT_EQ(d.combo_select(id_paper, 0), 0);
        EXPECT_EQ(d.combo_select(id_paper, 3), plat::cb_err);
        EXPECT_EQ(d.combo_selection(id_paper), plat::cb_err);

        // Item data, including values that look like the error answer.
        EXPECT_EQ(d.combo_set_data(id_paper, 2, 0xFFFFFF), 0);
        EXPECT_EQ(d.combo_set_data(id_paper, 3, 1), plat::cb_err);
        EXPECT_EQ(d.combo_data(id_paper, 2), 0xFFFFFF);
        EXPECT_EQ(d.combo_data(id_paper, 0), 0);
        EXPECT_EQ(d.combo_data(id_paper, 9), plat::cb_err);
        EXPECT_EQ(d.combo_text(id_paper, 2), "last");
        EXPECT_EQ(d.combo_text(id_paper, 3), "");

        // A drop list shows only its items: setting its text selects one.
        d.set_text(id_paper, "LAST");
        EXPECT_EQ(d.combo_selection(id_paper), 2);
        d.set_text(id_paper, "nothing like it");
        EXPECT_EQ(d.combo_selection(id_paper), 2);

        d.combo_reset(id_paper);
        EXPECT_EQ(d.combo_count(id_paper), 0);
        EXPECT_EQ(d.combo_selection(id_paper), plat::cb_err);
    });
}

TEST_F(Dialogs, SortedComboBoxesAndFinding) {
    Logging_Handler h;
    run(h, [](Dialog_Model& d) {
        for (const char* s : {"Vivid", "gamma", "Photo-realistic", "Gamma 2", "apple"})
            d.combo_add(id_sorted, s);
        std::vector<std::string> items;
        for (int i = 0; i < d.combo_count(id_sorted); ++i)
            items.push_back(d.combo_text(id_sorted, i));
        EXPECT_EQ(items, (std::vector<std::string>{"apple", "gamma", "Gamma 2", "Photo-realistic",
                                                   "Vivid"}));
        // Prefix search ignores case and wraps round after `start`.
        EXPECT_EQ(d.combo_find(id_sorted, -1, "GAM", false), 1);
        EXPECT_EQ(d.combo_find(id_sorted, 1, "gam", false), 2);
        EXPECT_EQ(d.combo_find(id_sorted, 2, "gam", false), 1);
        EXPECT_EQ(d.combo_find(id_sorted, -1, "gamma 2", true), 2);
        EXPECT_EQ(d.combo_find(id_sorted, -1, "gam", true), plat::cb_err);
        EXPECT_EQ(d.combo_find(id_paper, -1, "Coated", false), 1);
        EXPECT_EQ(d.combo_find(id_apply, -1, "x", false), plat::cb_err);
    });
}

TEST_F(Dialogs, PickingFromAListNotifiesInOrderWithTheSelectionMade) {
    Logging_Handler h;
    run(h, [](Dialog_Model& d) {
        EXPECT_TRUE(d.pick(id_paper, 2));
        // Picking the selected item again from the open list is a choice too;
        // a key on the closed list that does not move it says nothing.
        EXPECT_TRUE(d.pick(id_paper, 2));
        EXPECT_TRUE(d.choose(id_paper, 2));
        EXPECT_FALSE(d.pick(id_paper, 4));
        EXPECT_FALSE(d.close_up(id_paper)); // not open
        EXPECT_FALSE(d.combo_dropped(id_paper));
    });
    EXPECT_EQ(h.log, (std::vector<std::string>{
                         "init",
                         "1002 drop_down sel=0",
                         "1002 selection_changed sel=2",
                         "1002 close_up sel=2",
                         "1002 drop_down sel=2",
                         "1002 selection_changed sel=2",
                         "1002 close_up sel=2",
                         "cancel",
                         "destroy",
                     }));
}

TEST_F(Dialogs, ButtonsAndBoxesActAsClicked) {
    Logging_Handler h;
    run(h, [](Dialog_Model& d) {
        EXPECT_TRUE(d.click(id_apply));
        EXPECT_EQ(d.check(id_apply), plat::checked);
        EXPECT_TRUE(d.click(id_apply));
        EXPECT_EQ(d.check(id_apply), plat::unchecked);

        // Disabled and hidden controls, labels and unknown ids take no clicks.
        EXPECT_FALSE(d.click(id_black));
        EXPECT_FALSE(d.click(id_picture));
        EXPECT_FALSE(d.click(plat::id_static));
        EXPECT_FALSE(d.click(id_density));
        d.enable(id_black, true);
        EXPECT_TRUE(d.click(id_black));
        EXPECT_EQ(d.check(id_black), plat::unchecked); // not an auto box: the owner decides

        // Radio buttons clear the others of their group only.
        EXPECT_TRUE(d.click(id_draft));
        EXPECT_TRUE(d.click(id_speed));
        EXPECT_TRUE(d.click(id_photo));
        EXPECT_EQ(d.check(id_photo), plat::checked);
        EXPECT_EQ(d.check(id_speed), plat::unchecked);
        EXPECT_EQ(d.check(id_draft), plat::checked);
        d.check_radio(id_photo, id_speed, id_speed);
        EXPECT_EQ(d.check(id_photo), plat::unchecked);
        EXPECT_EQ(d.check(id_speed), plat::checked);
        EXPECT_EQ(d.check(id_draft), plat::checked);

        EXPECT_TRUE(d.click(id_help));
        EXPECT_TRUE(d.press_ok());
        EXPECT_FALSE(d.click(id_help)); // the dialog has ended
    });
    EXPECT_EQ(h.log, (std::vector<std::string>{"init", "1001 clicked", "1001 clicked",
                                               "1005 clicked", "1039 clicked", "1038 clicked",
                                               "1037 clicked", "1003 clicked", "ok", "destroy"}));
}

TEST_F(Dialogs, OkAndCancelCloseOnlyWhenTheHandlerAgrees) {
    Logging_Handler h;
    h.allow_ok = false;
    const int result = run(h, [&](Dialog_Model& d) {
        EXPECT_TRUE(d.press_ok());
        EXPECT_FALSE(d.ended());
        h.allow_ok = true;
        d.enable(plat::id_ok, false);
        EXPECT_FALSE(d.press_ok()); // Enter does nothing while OK is disabled
        d.enable(plat::id_ok, true);
        EXPECT_TRUE(d.click(plat::id_ok));
        EXPECT_TRUE(d.ended());
    });
    EXPECT_EQ(result, plat::id_ok);

    // A dialog the script leaves open is cancelled, even if the handler
    // refuses; without a script it is cancelled at once.
    Logging_Handler refuses;
    refuses.allow_cancel = false;
    EXPECT_EQ(run(refuses, [](Dialog_Model& d) { EXPECT_TRUE(d.press_cancel()); }),
              plat::id_cancel);
    EXPECT_EQ(refuses.log, (std::vector<std::string>{"init", "cancel", "cancel", "destroy"}));
    Logging_Handler unscripted;
    EXPECT_EQ(plat::run_dialog(sample, unscripted, nullptr), plat::id_cancel);
    const auto runs = plat::headless_dialogs().runs();
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_TRUE(runs[0].scripted);
    EXPECT_EQ(runs[0].result, plat::id_ok);
    EXPECT_FALSE(runs[2].scripted);
    EXPECT_EQ(runs[2].result, plat::id_cancel);
}

TEST_F(Dialogs, EndingInsideANotificationStopsThePerson) {
    Logging_Handler h;
    h.end_on = id_paper;
    EXPECT_EQ(run(h,
                  [](Dialog_Model& d) {
                      EXPECT_FALSE(d.pick(id_paper, 1)); // ended at the drop-down
                      EXPECT_FALSE(d.press_ok());
                  }),
              77);
    EXPECT_EQ(h.log, (std::vector<std::string>{"init", "1002 drop_down sel=0", "destroy"}));
}

TEST_F(Dialogs, AHandlerFailureEndsTheDialogAndReachesTheCaller) {
    Logging_Handler h;
    h.throw_on = id_apply;
    plat::headless_dialogs().queue_script(sample.id, [](Dialog_Model& d) {
        d.click(id_apply);
        EXPECT_TRUE(d.ended());
        EXPECT_EQ(d.result(), plat::id_cancel);
        EXPECT_FALSE(d.press_ok());
    });
    EXPECT_THROW(plat::run_dialog(sample, h, nullptr), std::runtime_error);
    EXPECT_EQ(h.log.back(), "destroy");
    EXPECT_EQ(plat::headless_dialogs().runs().at(0).result, plat::id_cancel);
}

TEST_F(Dialogs, TypingIsLimitedAndNotifiesBeforeAndAfterShowing) {
    Logging_Handler h;
    run(h, [](Dialog_Model& d) {
        d.set_text_limit(id_density, 3);
        EXPECT_TRUE(d.type_text(id_density, "-"));
        EXPECT_TRUE(d.type_text(id_density, "-8"));
        EXPECT_TRUE(d.type_text(id_density, "-850"));
        EXPECT_EQ(d.text(id_density), "-85");
        EXPECT_EQ(d.edit_selection(id_density), (std::pair{3, 3}));
        // The owner's own changes say nothing.
        d.set_text(id_density, "50");
        d.set_edit_selection(id_density, -1, -1);
        EXPECT_EQ(d.edit_selection(id_density), (std::pair{2, 2}));
        d.set_edit_selection(id_density, 2, 0);
        EXPECT_EQ(d.edit_selection(id_density), (std::pair{0, 2}));
        // A longer text set by the owner stays as it is.
        d.set_text(id_density, "12345");
        EXPECT_EQ(d.text(id_density), "12345");
        EXPECT_FALSE(d.type_text(id_paper, "x")); // a drop list has no edit field
    });
    EXPECT_EQ(h.log,
              (std::vector<std::string>{"init", "1036 edit_update text=-",
                                        "1036 edit_change text=-", "1036 edit_update text=-8",
                                        "1036 edit_change text=-8", "1036 edit_update text=-85",
                                        "1036 edit_change text=-85", "cancel", "destroy"}));
}

TEST_F(Dialogs, NumberEditsTakeDigitsAndLimitsCountCharacters) {
    const plat::Dialog_Control controls[] = {
        {10, Control_Kind::edit, "", 0, 0, 20, 10, plat::style_number},
        {11, Control_Kind::edit, "", 0, 10, 20, 10},
        {12, Control_Kind::edit, "fixed", 0, 20, 20, 10, plat::style_read_only},
    };
    const plat::Dialog_Template t{7, "t", "", 8, 40, 40, controls};
    Logging_Handler h;
    h.fill = false;
    plat::headless_dialogs().queue_script(7, [](Dialog_Model& d) {
        d.set_text_limit(10, 2);
        EXPECT_TRUE(d.type_text(10, "1a7x9"));
        EXPECT_EQ(d.text(10), "17");
        d.set_text_limit(11, 3);
        EXPECT_TRUE(d.type_text(11, "\xC3\xA9t\xC3\xA9s")); // "étés": not cut inside a character
        EXPECT_EQ(d.text(11), "\xC3\xA9t\xC3\xA9");
        EXPECT_EQ(d.edit_selection(11), (std::pair{3, 3}));
        EXPECT_FALSE(d.type_text(12, "x"));
        EXPECT_EQ(d.text(12), "fixed");
    });
    plat::run_dialog(t, h, nullptr);
}

TEST_F(Dialogs, SlidersAndProgressBarsStayInRange) {
    Logging_Handler h;
    run(h, [](Dialog_Model& d) {
        d.slider_set_range(id_density_slider, -50, 50);
        d.slider_set_position(id_density_slider, -80);
        EXPECT_EQ(d.slider_position(id_density_slider), -50);
        EXPECT_TRUE(d.drag_slider(id_density_slider, 10));
        EXPECT_TRUE(d.drag_slider(id_density_slider, 10)); // no move, no redraw
        EXPECT_TRUE(d.drag_slider(id_density_slider, 99));
        EXPECT_TRUE(d.release_slider(id_density_slider));
        EXPECT_TRUE(d.key_slider(id_density_slider, 49));
        d.slider_set_range(id_density_slider, 0, 20);
        EXPECT_EQ(d.slider_position(id_density_slider), 20);

        d.progress_set_range(id_bar, 0, 2000000000);
        d.progress_set_step(id_bar, 1500000000);
        d.progress_step(id_bar);
        d.progress_step(id_bar); // past the end: stays at the end, no overflow
        EXPECT_EQ(d.progress_position(id_bar), 2000000000);
        d.progress_set_position(id_bar, -5);
        EXPECT_EQ(d.progress_position(id_bar), 0);
    });
    EXPECT_EQ(h.log, (std::vector<std::string>{
                         "init", "1034 custom_draw pos=10", "1034 custom_draw pos=50",
                         "1034 slider_released pos=50", "1034 custom_draw pos=49",
                         "1034 slider_released pos=49", "cancel", "destroy"}));
}

TEST_F(Dialogs, OwnerDrawnItemsGetTheirDataTextAndState) {
    Logging_Handler h;
    run(h, [](Dialog_Model& d) {
        d.combo_add(id_colors, "White");
        d.combo_add(id_colors, "Other Colors");
        d.combo_set_data(id_colors, 0, 0x000000);
        d.combo_set_data(id_colors, 1, 0x7F7FFF);
        plat::Recording_Draw_Context dc;
        EXPECT_TRUE(d.paint_item(id_colors, 1, {0, 0, 100, 16}, plat::ods_selected, dc));
        d.enable(id_colors, false);
        EXPECT_TRUE(d.paint_item(id_colors, 0, {0, 16, 100, 32}, 0, dc));
        EXPECT_TRUE(d.paint_item(id_colors, -1, {0, 0, 100, 16}, plat::ods_focus, dc));
        EXPECT_FALSE(d.paint_item(id_colors, 2, {0, 0, 100, 16}, 0, dc));
        EXPECT_FALSE(d.paint_item(id_paper, 0, {0, 0, 100, 16}, 0, dc)); // not owner-drawn
        ASSERT_EQ(dc.ops.size(), 3u);
        EXPECT_EQ(dc.ops[0].kind, plat::Draw_Op::fill);
        EXPECT_EQ(dc.ops[0].color, 0x7F7FFFu);
        EXPECT_EQ(dc.ops[1].rect, (plat::Rect{0, 16, 100, 32}));
    });
    ASSERT_EQ(h.drawn.size(), 3u);
    EXPECT_EQ(h.drawn[0].text, "Other Colors");
    EXPECT_EQ(h.drawn[0].item_data, 0x7F7FFF);
    EXPECT_EQ(h.drawn[0].state, plat::ods_selected);
    EXPECT_EQ(h.drawn[1].text, "White");
    EXPECT_EQ(h.drawn[1].state, plat::ods_disabled);
    EXPECT_EQ(h.drawn[2].item, -1);
    EXPECT_EQ(h.drawn[2].text, "");
}

TEST_F(Dialogs, ChildDialogsRunInsideTheirParentsNotification) {
    struct Parent : Logging_Handler {
        void on_command(Dialog& d, int id, Notify code) override {
            Logging_Handler::on_command(d, id, code);
            if (id == id_help && code == Notify::clicked) {
                Logging_Handler child;
                child_result = plat::run_dialog(sample, child, d.window());
                child_log = child.log;
            }
        }
        int child_result = 0;
        std::vector<std::string> child_log;
    } parent;
    plat::headless_dialogs().queue_script(sample.id, [](Dialog_Model& d) {
        d.click(id_help);
        d.press_ok();
    });
    plat::Window parent_window = nullptr;
    plat::headless_dialogs().queue_script(sample.id, [&](Dialog_Model& d) {
        parent_window = d.parent();
        d.click(id_apply);
        d.press_ok();
    });
    EXPECT_EQ(plat::run_dialog(sample, parent, nullptr), plat::id_ok);
    EXPECT_EQ(parent.child_result, plat::id_ok);
    EXPECT_EQ(parent.child_log,
              (std::vector<std::string>{"init", "1001 clicked", "ok", "destroy"}));
    const auto runs = plat::headless_dialogs().runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].parent, parent_window);
    EXPECT_NE(parent_window, nullptr);
    EXPECT_EQ(plat::headless_dialogs().pending_scripts(), 0u);
}

TEST_F(Dialogs, ScriptsGoToTheirTemplate) {
    const plat::Dialog_Control controls[] = {
        {plat::id_ok, Control_Kind::push_button, "OK", 0, 0, 20, 10}};
    const plat::Dialog_Template other{133, "Paper Config", "", 8, 40, 40, controls};
    plat::headless_dialogs().queue_script(other.id, [](Dialog_Model& d) { d.press_ok(); });
    Logging_Handler h;
    // The sample dialog finds no script of its own and is cancelled; the
    // script for 133 waits for its dialog.
    EXPECT_EQ(plat::run_dialog(sample, h, nullptr), plat::id_cancel);
    EXPECT_EQ(plat::headless_dialogs().pending_scripts(), 1u);
    EXPECT_EQ(plat::run_dialog(other, h, nullptr), plat::id_ok);
}

TEST_F(Dialogs, ModelessDialogsStayUntilDestroyed) {
    Logging_Handler h;
    Dialog* d = plat::create_dialog(sample, h, nullptr);
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->modal());
    auto open = plat::headless_dialogs().open_dialogs();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0], d);
    open[0]->set_timer(5, 100);
    EXPECT_TRUE(open[0]->fire_timer(5));
    EXPECT_FALSE(open[0]->fire_timer(6));
    open[0]->progress_set_position(id_bar, 40);
    EXPECT_EQ(d->progress_position(id_bar), 40);

    // Its windows lead back to it while it lives.
    EXPECT_EQ(plat::find_dialog(d->window()), d);
    EXPECT_EQ(plat::find_dialog(d->control_window(id_paper)), d);
    EXPECT_NE(d->control_window(id_paper), d->control_window(id_apply));
    EXPECT_EQ(d->control_window(plat::id_static), nullptr);
    const plat::Window w = d->window();

    plat::destroy_dialog(d);
    EXPECT_TRUE(plat::headless_dialogs().open_dialogs().empty());
    EXPECT_EQ(plat::find_dialog(w), nullptr);
    EXPECT_EQ(h.log, (std::vector<std::string>{"init", "timer 5", "destroy"}));
    plat::destroy_dialog(d); // a second time: nothing
    EXPECT_EQ(h.log.size(), 3u);
}

TEST_F(Dialogs, ClearingForgetsModelessDialogsWithoutCallingTheirOwners) {
    auto h = std::make_unique<Logging_Handler>();
    ASSERT_NE(plat::create_dialog(sample, *h, nullptr), nullptr);
    h.reset(); // the owner is gone; clearing must not call it
    plat::headless_dialogs().clear();
    EXPECT_TRUE(plat::headless_dialogs().open_dialogs().empty());
}

TEST_F(Dialogs, HelpKeyReachesTheHandlerWithTheControlsContext) {
    Logging_Handler h;
    run(h, [](Dialog_Model& d) {
        d.set_help_context(id_paper, 4711);
        EXPECT_TRUE(d.ask_help(id_paper));
        EXPECT_TRUE(d.ask_help(0));
        EXPECT_FALSE(d.ask_help(9999));
    });
    ASSERT_EQ(h.help.size(), 2u);
    EXPECT_EQ(h.help[0].control_id, id_paper);
    EXPECT_EQ(h.help[0].context_id, 4711);
    EXPECT_NE(h.help[0].window, nullptr);
    EXPECT_EQ(h.help[1].control_id, 0);
}

TEST_F(Dialogs, FileDialogsAnswerWhatWasQueued) {
    plat::File_Dialog_Request save;
    save.save = true;
    save.title = "Select Folder";
    save.initial_name = "vornatv.px_";
    save.default_ext = "px_";
    save.filters = {{"Advanced Definitions (vornatv.px_)", "vornatv.px_"}};
    save.options = plat::ofn_overwrite_prompt | plat::ofn_hide_read_only;

    plat::headless_dialogs().queue_file_answer("/tmp/out/name");
    plat::headless_dialogs().queue_file_answer("/tmp/out/vornatv.px_");
    plat::headless_dialogs().queue_file_answer(std::nullopt);
    EXPECT_EQ(plat::file_dialog(nullptr, save), "/tmp/out/name.px_");
    EXPECT_EQ(plat::file_dialog(nullptr, save), "/tmp/out/vornatv.px_");
    EXPECT_EQ(plat::file_dialog(nullptr, save), std::nullopt);
    EXPECT_EQ(plat::file_dialog(nullptr, save), std::nullopt); // nothing queued: cancelled
    const auto requests = plat::headless_dialogs().file_requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_TRUE(requests[0].save);
    EXPECT_EQ(requests[0].title, "Select Folder");
    EXPECT_EQ(requests[0].filters.at(0).label, "Advanced Definitions (vornatv.px_)");

    EXPECT_EQ(plat::with_default_extension("/a.b/c", "px_"), "/a.b/c.px_");
    EXPECT_EQ(plat::with_default_extension("/a/c.txt", "px_"), "/a/c.txt");
    EXPECT_EQ(plat::with_default_extension("/a/", "px_"), "/a/");
    EXPECT_EQ(plat::with_default_extension("c", ""), "c");
}

TEST_F(Dialogs, HostHelpGoesToTheCurrentBackEnd) {
    auto* w = reinterpret_cast<plat::Window>(0x40);
    EXPECT_EQ(_DoHelp(w, "drv_vorna_tarv_en.HLP", "Custom Properties setting", plat::help_topic),
              1);
    EXPECT_EQ(_DoHelp(w, "drv_vorna_tarv_en.HLP", "4711", plat::help_context_popup), 1);
    EXPECT_EQ(_DoHelp(w, nullptr, "x", 0), 0);
    EXPECT_EQ(_DoHelp(w, "", "x", 0), 0);
    EXPECT_EQ(_DoHelp(w, "f.HLP", nullptr, 0), 1);
    auto shown = plat::headless_dialogs().help_requests();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].window, w);
    EXPECT_EQ(shown[0].file, "drv_vorna_tarv_en.HLP");
    EXPECT_EQ(shown[0].topic, "Custom Properties setting");
    EXPECT_EQ(shown[1].command, plat::help_context_popup);
    EXPECT_EQ(shown[2].topic, "");

    struct No_Help : plat::Ui_Services {
        int message_box(plat::Window, const std::string&, const std::string&, unsigned) override {
            return plat::id_ok;
        }
        bool show_help(const plat::Help_Request&) override { return false; }
    } mine;
    plat::Ui_Services* previous = plat::set_ui_services(&mine);
    EXPECT_EQ(_DoHelp(w, "f.HLP", "t", 0), 0);
    // A back end that shows only message boxes leaves dialogs to the headless one.
    Logging_Handler h;
    EXPECT_EQ(plat::run_dialog(sample, h, nullptr), plat::id_cancel);
    plat::set_ui_services(previous);
    EXPECT_EQ(plat::headless_dialogs().help_requests().size(), 3u);
    EXPECT_EQ(plat::headless_dialogs().runs().size(), 1u);
}

TEST(DialogContexts, CompatibleContextsKnowTheirWindowUntilDeleted) {
    auto* w = reinterpret_cast<plat::Window>(0x80);
    plat::Device_Context dc = plat::create_compatible_context(w);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(plat::context_window(dc), w);
    plat::delete_context(dc);
    EXPECT_EQ(plat::context_window(dc), nullptr);
    plat::delete_context(dc); // twice: nothing
    EXPECT_EQ(plat::system_palette_size(), 0);
}

// The colour lists of the substitution rows: the colour table, what each
// stored value shows, the swatches drawn, and the colour dialog of the
// outside library as the person uses it through "Other Colors".
#include "color_combo.h"
#include "resource_ids.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <set>

using namespace raster_ui;
using plat::Dialog_Model;

namespace c = rsrc_id::custom;

TEST(ColorTable, IndexesAndValues) {
    EXPECT_EQ(std::set<std::uint32_t>(color_table.begin(), color_table.end()).size(), 256u);
    // Basic values by list position, White and Black the other way round.
    EXPECT_EQ(palette_index_of(0x000000), 0);
    EXPECT_EQ(palette_index_of(0xFFFFFF), 7);
    EXPECT_EQ(palette_index_of(0xFF00FF), 6);
    EXPECT_EQ(palette_index_of(0x7F7FFF), 11);
    EXPECT_EQ(palette_index_of(0xDCDCDC), 254);
    EXPECT_EQ(palette_index_of(0x123456), 0);
    EXPECT_EQ(basic_item_of(0xFFFF00), 4);
    EXPECT_FALSE(basic_item_of(0x0101FF));
}

namespace {

class ColorLists : public ui_test::Dialog_Test {
protected:
    void SetUp() override {
        Dialog_Test::SetUp();
        // Row 1 in use, so its lists can be opened.
        for (const char* key : {"RASTER_ChangeColor", "RASTER_ConvertColor1"})
            definition->get_plotter_configuration()
                ->get_custom_configuration()
                ->find(key)
                ->set_data(new HT_Std_Boolean_Custom_Data(true));
    }
    // The swatch colour painted for an entry of a list.
    static plat::Color_Ref swatch(Dialog_Model& d, int id, int item, unsigned state = 0) {
        plat::Recording_Draw_Context dc;
        EXPECT_TRUE(d.paint_item(id, item, plat::Rect{0, 0, 120, 16}, state, dc));
        for (const auto& op : dc.ops)
            if (op.kind == plat::Draw_Op::fill)
                return op.color;
        ADD_FAILURE() << "no swatch";
        return 0xDEADBEEF;
    }
};

std::string selected_text(const Dialog_Model& d, int id) {
    return d.combo_text(id, d.combo_selection(id));
}

} // namespace

TEST_F(ColorLists, StoredValuesShowTheirEntries) {
    set_long("RASTER_RGB_Compare1_IndexColor", 0x000000);
    set_long("RASTER_RGB_Swap1_IndexColor", 0xFFFFFF);
    set_long("RASTER_RGB_Compare2_IndexColor", 0x7F7FFF);
    set_long("RASTER_RGB_Compare3_IndexColor", 0x123456);
    run([](Dialog_Model& d) {
        EXPECT_EQ(d.combo_count(c::compare1), 9);
        EXPECT_EQ(d.combo_text(c::compare1, 8), "Other Colors");
        EXPECT_EQ(selected_text(d, c::compare1), "White");
        EXPECT_EQ(swatch(d, c::compare1, 0), 0xFFFFFFu);
        EXPECT_EQ(selected_text(d, c::swap1), "Black");
        EXPECT_EQ(swatch(d, c::swap1, 7), 0x000000u);
        EXPECT_EQ(swatch(d, c::swap1, 1), 0x0000FFu);
        // In the colour table: "Other Colors" in that colour.
        EXPECT_EQ(selected_text(d, c::compare2), "Other Colors");
        EXPECT_EQ(swatch(d, c::compare2, 8), 0x7F7FFFu);
        // Nowhere: "Other Colors" with a white swatch.
        EXPECT_EQ(selected_text(d, c::compare3), "Other Colors");
        EXPECT_EQ(swatch(d, c::compare3, 8), 0xFFFFFFu);
        d.click(plat::id_cancel);
    });
}

TEST_F(ColorLists, ItemsAreDrawnLikeTheSystemsLists) {
    run([](Dialog_Model& d) {
        plat::Recording_Draw_Context dc;
        ASSERT_TRUE(d.paint_item(c::compare1, 2, plat::Rect{0, 20, 120, 36},
                                 plat::ods_focus | plat::ods_disabled, dc));
        ASSERT_EQ(dc.ops.size(), 4u);
        EXPECT_EQ(dc.ops[0].kind, plat::Draw_Op::text);
        EXPECT_EQ(dc.ops[0].string, "Yellow");
        EXPECT_EQ(dc.ops[0].x, 0 + (16 - 4) + 5);
        EXPECT_EQ(dc.ops[0].color, plat::default_system_color(plat::System_Color::gray_text));
        EXPECT_EQ(dc.ops[0].background,
                  plat::default_system_color(plat::System_Color::button_face));
        EXPECT_EQ(dc.ops[1].kind, plat::Draw_Op::fill);
        EXPECT_EQ(dc.ops[1].rect, (plat::Rect{2, 22, 14, 34}));
        EXPECT_EQ(dc.ops[1].color, 0x00FFFFu);
        EXPECT_EQ(dc.ops[2].kind, plat::Draw_Op::frame);
        EXPECT_EQ(dc.ops[2].color, 0x000000u);
        EXPECT_EQ(dc.ops[3].kind, plat::Draw_Op::focus);
        // An empty box only shows the focus.
        plat::Recording_Draw_Context empty;
        d.paint_item(c::compare2, -1, plat::Rect{0, 0, 120, 16}, plat::ods_focus, empty);
        ASSERT_EQ(empty.ops.size(), 1u);
        EXPECT_EQ(empty.ops[0].kind, plat::Draw_Op::focus);
        d.click(plat::id_cancel);
    });
}

TEST_F(ColorLists, OtherColorsAsksTheColourDialog) {
    set_long("RASTER_RGB_Compare1_IndexColor", 0x7F7FFF);
    set_long("RASTER_RGB_Swap1_IndexColor", 0x123456);
    color.reset(7); // the person picks palette index 7: black, stored as 0
    plat::Window window = nullptr;
    EXPECT_EQ(run([&](Dialog_Model& d) {
                  window = d.window();
                  d.pick(c::compare1, 8);
                  EXPECT_EQ(selected_text(d, c::compare1), "White");
                  EXPECT_EQ(d.combo_data(c::compare1, 8), 0);
                  d.click(plat::id_ok);
              }),
              plat::id_ok);
    EXPECT_EQ(color.init_calls(), 1);
    EXPECT_EQ(color.calls(), 1);
    EXPECT_EQ(color.last_index(), 11); // opened on the stored colour
    EXPECT_EQ(color.last_count(), 256);
    EXPECT_EQ(color.last_window(), window);
    EXPECT_EQ(long_value("RASTER_RGB_Compare1_IndexColor"), 0);
    EXPECT_EQ(long_value("RASTER_RGB_Swap1_IndexColor"), 0x123456);

    // A colour outside the table opens on index 0; a new index takes its colour.
    color.reset(100);
    EXPECT_EQ(run([&](Dialog_Model& d) {
                  d.pick(c::swap1, 8);
                  EXPECT_EQ(selected_text(d, c::swap1), "Other Colors");
                  EXPECT_EQ(swatch(d, c::swap1, 8), color_table[100]);
                  d.click(plat::id_ok);
              }),
              plat::id_ok);
    EXPECT_EQ(color.last_index(), 0);
    EXPECT_EQ(long_value("RASTER_RGB_Swap1_IndexColor"),
              static_cast<std::int32_t>(color_table[100]));
}

TEST_F(ColorLists, NoChoiceKeepsTheValue) {
    set_long("RASTER_RGB_Compare1_IndexColor", 0x0000FF);
    run([&](Dialog_Model& d) {
        // Picking a basic colour makes it the data of "Other Colors" too.
        d.pick(c::compare1, 3);
        EXPECT_EQ(d.combo_data(c::compare1, 8), 0x00FF00);
        EXPECT_EQ(color.calls(), 0);

        // The colour dialog closed without a choice: back on the basic entry.
        color.reset(-1);
        d.pick(c::compare1, 8);
        EXPECT_EQ(color.last_index(), 3);
        EXPECT_EQ(selected_text(d, c::compare1), "Green");
        // Answers that are no palette index change nothing.
        for (int answer : {0, -4, 256, 100000}) {
            color.reset(answer);
            d.pick(c::compare1, 8);
            EXPECT_EQ(selected_text(d, c::compare1), "Green") << answer;
            EXPECT_EQ(d.combo_data(c::compare1, 8), 0x00FF00) << answer;
        }
        d.click(plat::id_ok);
    });
    EXPECT_EQ(long_value("RASTER_RGB_Compare1_IndexColor"), 0x00FF00);
}

TEST_F(ColorLists, WithoutTheColourLibraryOtherColorsKeepsItsValue) {
    environment.color_library = folder.file("color.dll"); // not there
    set_long("RASTER_RGB_Compare1_IndexColor", 0x7F7FFF);
    run([&](Dialog_Model& d) {
        d.pick(c::compare1, 2);
        d.pick(c::compare1, 8);
        EXPECT_EQ(selected_text(d, c::compare1), "Yellow");
        EXPECT_EQ(d.combo_data(c::compare1, 8), 0x00FFFF);
        d.click(plat::id_ok);
    });
    EXPECT_TRUE(ui_test::shown_texts().empty());
    EXPECT_EQ(color.calls(), 0);
    EXPECT_EQ(long_value("RASTER_RGB_Compare1_IndexColor"), 0x00FFFF);
}

// color.dll loaded the way the driver loads it, with a script as the person.
#include "color_dll.h"
#include "plat_dialog.h"
#include "plat_dialog_headless.h"
#include "plat_module.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

class ColorDll : public ::testing::Test {
protected:
    void SetUp() override {
        plat::headless_dialogs().clear();
        std::string exe = plat::main_executable_path();
        const std::string path = exe.substr(0, exe.rfind('/')) + "/drv/" + color_dll_file_name;
        m_library = plat::load_library(path.c_str());
        ASSERT_NE(m_library, nullptr) << path << ": " << plat::library_error();
        m_init =
            reinterpret_cast<Init_Color_Dll>(plat::find_symbol(m_library, init_color_dll_name));
        m_do =
            reinterpret_cast<Do_Color_Dialog>(plat::find_symbol(m_library, do_color_dialog_name));
        ASSERT_NE(m_init, nullptr);
        ASSERT_NE(m_do, nullptr);
        m_init();
    }
    void TearDown() override {
        plat::headless_dialogs().clear();
        if (m_library)
            plat::free_library(m_library);
    }

    // Runs the picker on `current` with `script` as the person.
    int pick(int current, plat::Dialog_Script script, int count = 256,
             plat::Device_Context dc = nullptr) {
        plat::headless_dialogs().queue_script(color_dialog_id, std::move(script));
        return m_do(dc, current, count, 0, 0);
    }

    plat::Library m_library = nullptr;
    Init_Color_Dll m_init = nullptr;
    Do_Color_Dialog m_do = nullptr;
};

} // namespace

TEST(ColorDllPalette, IndicesMeanTheAgreedColours) {
    EXPECT_EQ(std::set<std::uint32_t>(color_dll_palette.begin(), color_dll_palette.end()).size(),
              256u);
    EXPECT_EQ(color_dll_palette[0], 0xFFFFFFu);
    EXPECT_EQ(color_dll_palette[1], 0x0000FFu);
    EXPECT_EQ(color_dll_palette[7], 0x000000u);
    EXPECT_EQ(color_dll_palette[10], 0x0101FFu);
    EXPECT_EQ(color_dll_palette[11], 0x7F7FFFu);
    EXPECT_EQ(color_dll_palette[130], 0xFFFF01u);
    EXPECT_EQ(color_dll_palette[210], 0xFF01FFu);
    EXPECT_EQ(color_dll_palette[250], 0x545454u);
    EXPECT_EQ(color_dll_palette[255], 0xFCFCFCu);
}

TEST_F(ColorDll, OpensOnTheCurrentIndexAndAnswersThePick) {
    const int chosen = pick(11, [](plat::Dialog_Model& d) {
        EXPECT_EQ(d.caption(), "Select Color");
        EXPECT_EQ(d.combo_count(color_id_list), 256);
        EXPECT_EQ(d.combo_selection(color_id_list), 11);
        EXPECT_EQ(d.combo_data(color_id_list, 11), 0x7F7FFF);
        EXPECT_EQ(d.text(color_id_index), "11");
        EXPECT_EQ(d.slider_position(color_id_slider), 11);
        EXPECT_EQ(d.text(color_id_value), "RGB 255, 127, 127");
        EXPECT_TRUE(d.pick(color_id_list, 40));
        EXPECT_EQ(d.text(color_id_index), "40");
        EXPECT_EQ(d.slider_position(color_id_slider), 40);
        ASSERT_NE(d.control(color_id_swatch), nullptr);
        EXPECT_EQ(d.control(color_id_swatch)->image.pixels.at(0), color_dll_palette[40]);
        d.press_ok();
    });
    EXPECT_EQ(chosen, 40);
}

TEST_F(ColorDll, CancelAnswersTheCurrentIndexAsGiven) {
    EXPECT_EQ(pick(11,
                   [](plat::Dialog_Model& d) {
                       d.pick(color_id_list, 3);
                       d.press_cancel();
                   }),
              11);
    // Out of range: the picker opens on 0 and a cancel still answers what came in.
    EXPECT_EQ(pick(-4,
                   [](plat::Dialog_Model& d) {
                       EXPECT_EQ(d.combo_selection(color_id_list), 0);
                       d.press_cancel();
                   }),
              -4);
    EXPECT_EQ(pick(300,
                   [](plat::Dialog_Model& d) {
                       EXPECT_EQ(d.combo_selection(color_id_list), 0);
                       d.press_ok();
                   }),
              0);
    // No script: the dialog is closed at once, as by Escape.
    EXPECT_EQ(m_do(nullptr, 9, 256, 0, 0), 9);
}

TEST_F(ColorDll, TypedAndSlidIndicesAreBoundedToThePalette) {
    EXPECT_EQ(pick(0,
                   [](plat::Dialog_Model& d) {
                       EXPECT_TRUE(d.type_text(color_id_index, "7"));
                       EXPECT_EQ(d.combo_selection(color_id_list), 7);
                       EXPECT_TRUE(d.type_text(color_id_index, "3000")); // limit: "300"
                       EXPECT_EQ(d.text(color_id_index), "255");
                       EXPECT_EQ(d.slider_position(color_id_slider), 255);
                       EXPECT_TRUE(d.type_text(color_id_index, ""));
                       EXPECT_EQ(d.combo_selection(color_id_list), 255);
                       d.press_ok();
                   }),
              255);
    EXPECT_EQ(pick(0,
                   [](plat::Dialog_Model& d) {
                       d.drag_slider(color_id_slider, 100);
                       EXPECT_EQ(d.text(color_id_index), "100");
                       d.release_slider(color_id_slider);
                       EXPECT_EQ(d.combo_selection(color_id_list), 100);
                       d.press_ok();
                   }),
              100);
    // A smaller palette offers only its own indices.
    EXPECT_EQ(pick(
                  3,
                  [](plat::Dialog_Model& d) {
                      EXPECT_EQ(d.combo_count(color_id_list), 16);
                      EXPECT_EQ(d.slider_range(color_id_slider), (std::pair{0, 15}));
                      d.type_text(color_id_index, "99");
                      EXPECT_EQ(d.text(color_id_index), "15");
                      d.press_ok();
                  },
                  16),
              15);
}

TEST_F(ColorDll, TheCallersWindowBecomesTheParent) {
    auto* caller = reinterpret_cast<plat::Window>(0x2000);
    plat::Device_Context dc = plat::create_compatible_context(caller);
    pick(
        1, [](plat::Dialog_Model& d) { d.press_ok(); }, 256, dc);
    plat::delete_context(dc);
    pick(
        1, [](plat::Dialog_Model& d) { d.press_ok(); }, 256, dc); // a stale context: no parent
    const auto runs = plat::headless_dialogs().runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].parent, caller);
    EXPECT_EQ(runs[1].parent, nullptr);
}

TEST_F(ColorDll, ItemsAreDrawnAsSwatchWithText) {
    pick(0, [](plat::Dialog_Model& d) {
        plat::Recording_Draw_Context dc;
        ASSERT_TRUE(d.paint_item(color_id_list, 11, {0, 0, 120, 16}, plat::ods_selected, dc));
        ASSERT_EQ(dc.ops.size(), 3u);
        EXPECT_EQ(dc.ops[0].kind, plat::Draw_Op::text);
        EXPECT_EQ(dc.ops[0].string, "11: #FF7F7F");
        EXPECT_EQ(dc.ops[0].background, plat::default_system_color(plat::System_Color::highlight));
        EXPECT_EQ(dc.ops[1].kind, plat::Draw_Op::fill);
        EXPECT_EQ(dc.ops[1].color, 0x7F7FFFu);
        EXPECT_EQ(dc.ops[1].rect, (plat::Rect{2, 2, 14, 14}));
        EXPECT_EQ(dc.ops[2].kind, plat::Draw_Op::frame);
    });
}

// Import and export of the definitions file through the Custom Properties
// dialog: what is refused with which message, what changes on disk and in the
// dialog, and a round trip between two installations.
#include "definitions_file.h"
#include "resource_ids.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

using namespace raster_ui;
using plat::Dialog_Model;
using ui_test::read_file;
using ui_test::shown_texts;
using ui_test::Temp_Folder;
using ui_test::write_file;

namespace c = rsrc_id::custom;

namespace {

constexpr char incorrect[] = "Contents of the selected file are incorrect.";

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
    return s;
}

class Transfer : public ui_test::Dialog_Test {
protected:
    // Clicks a button with the file dialog answering `answer`.
    static void click_with_answer(Dialog_Model& d, int button, std::optional<std::string> answer) {
        plat::headless_dialogs().queue_file_answer(std::move(answer));
        d.click(button);
    }
    // A confirmed dialog, after which export is allowed.
    void confirm() {
        ASSERT_EQ(run([](Dialog_Model& d) { d.click(plat::id_ok); }), plat::id_ok);
    }
    // A valid file in an unusual layout whose Plain Paper (photo set, 360 dpi)
    // has gamma 2.2, two-way off and thickness 5, and the line-drawing paper
    // after it gamma 1.5.
    static std::string other_file() {
        AdvancedDefinitions store;
        store.storePaper(360.0, 1, 0, Paper_Settings{2, 0, 3, 4, 5, 1, 2, 5, 1, 2});
        store.storePaper(360.0, 1, 1, Paper_Settings{0, 1, 0, 0, 0, 0, 0, 1, 0, 0});
        std::string text = store.composeDefinitions();
        std::erase(text, '\n');
        return "<!-- from another installation -->" + text;
    }

    Temp_Folder elsewhere;
};

} // namespace

TEST_F(Transfer, ExportOnlyAfterAnOkAndWithoutChanges) {
    run([](Dialog_Model& d) {
        d.click(c::export_definitions);
        d.click(plat::id_cancel);
    });
    ASSERT_EQ(shown_texts().size(), 1u);
    EXPECT_EQ(shown_texts()[0],
              "You cannot export until the Custom Properties settings have been set.\n\nPush the "
              "OK button to close Custom Properties,\nthen re-open Custom Properties to export.");
    EXPECT_TRUE(plat::headless_dialogs().file_requests().empty());

    // After OK, a change of gamma in the next dialog forbids it again.
    confirm();
    ui_test::clear_messages();
    run([](Dialog_Model& d) {
        d.pick(c::gamma, 0);
        d.click(c::export_definitions);
        d.click(plat::id_cancel);
    });
    EXPECT_EQ(shown_texts().size(), 1u);
    // An unchanged dialog after OK may export; its Cancel forbids it again.
    confirm();
    ui_test::clear_messages();
    run([](Dialog_Model& d) {
        click_with_answer(d, c::export_definitions, std::nullopt);
        d.click(plat::id_cancel);
    });
    EXPECT_TRUE(shown_texts().empty());
    run([](Dialog_Model& d) {
        d.click(c::export_definitions);
        d.click(plat::id_cancel);
    });
    EXPECT_EQ(shown_texts().size(), 1u);
}

TEST_F(Transfer, ExportCopiesTheFileUnderItsOwnName) {
    confirm();
    const std::string target = elsewhere.path();
    run([&](Dialog_Model& d) {
        click_with_answer(d, c::export_definitions, target + "my settings.txt");
        d.click(plat::id_cancel);
    });
    EXPECT_TRUE(shown_texts().empty());
    EXPECT_EQ(read_file(elsewhere.file("vornatv.px_")), read_file(definitions_file()));
    EXPECT_FALSE(std::filesystem::exists(elsewhere.file("my settings.txt")));

    const auto requests = plat::headless_dialogs().file_requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].save);
    EXPECT_EQ(requests[0].title, "Select Folder");
    EXPECT_EQ(requests[0].initial_name, "vornatv.px_");
    EXPECT_EQ(requests[0].default_ext, "px_");
    ASSERT_EQ(requests[0].filters.size(), 1u);
    EXPECT_EQ(requests[0].filters[0].label, "Advanced Definitions (vornatv.px_)");
    EXPECT_NE(requests[0].options & plat::ofn_overwrite_prompt, 0u);
    EXPECT_NE(requests[0].options & plat::ofn_hide_read_only, 0u);
}

TEST_F(Transfer, ExportIntoTheDriversOwnFolderIsRefused) {
    confirm();
    std::filesystem::create_directory(folder.file("sub"));
    for (const std::string& answer :
         {upper(folder.path()) + "vornatv.px_", folder.path() + "sub/../vornatv.px_"}) {
        ui_test::clear_messages();
        run([&](Dialog_Model& d) {
            click_with_answer(d, c::export_definitions, answer);
            d.click(plat::id_cancel);
        });
        ASSERT_EQ(shown_texts().size(), 1u) << answer;
        EXPECT_EQ(shown_texts()[0], "The selected folder cannot be used for export.");
        confirm();
    }
    EXPECT_EQ(read_file(definitions_file()), default_definitions_text());
}

TEST_F(Transfer, ImportRefusals) {
    // The driver's own file, another name, an unreadable file, an invalid one.
    std::string text = default_definitions_text();
    write_file(elsewhere.file("vornatv.px_"),
               text.replace(text.find("<roller>0</roller>"), 18, ""));
    write_file(elsewhere.file("other.px_"), default_definitions_text());
    std::filesystem::create_directory(elsewhere.file("sub"));
    std::filesystem::create_directory(elsewhere.file("sub/VORNATV.PX_"));
    const std::pair<std::string, std::string> cases[] = {
        {upper(definitions_file()), "You cannot import the selected file."},
        {elsewhere.file("other.px_"), "You cannot import this kind of file."},
        {elsewhere.file("sub/VORNATV.PX_"), "The selected file cannot be read."},
        {elsewhere.file("vornatv.px_"), incorrect},
    };
    AdvancedDefinitions mine;
    mine.storePaper(360.0, 1, 1, Paper_Settings{0, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    write_file(definitions_file(), mine.composeDefinitions());

    for (const auto& [answer, message] : cases) {
        ui_test::clear_messages();
        run([&](Dialog_Model& d) {
            const int gamma = d.combo_selection(c::gamma);
            click_with_answer(d, c::import_definitions, answer);
            // Nothing changed in the dialog either, nor in the store.
            EXPECT_EQ(d.combo_selection(c::gamma), gamma);
            d.pick(c::paper_type, 1);
            EXPECT_EQ(d.combo_selection(c::gamma), 0);
            d.click(plat::id_cancel);
        });
        ASSERT_EQ(shown_texts().size(), 1u) << answer;
        EXPECT_EQ(shown_texts()[0], message);
        EXPECT_EQ(plat::headless_ui().messages()[0].title, "Custom Properties Error");
        EXPECT_EQ(read_file(definitions_file()), mine.composeDefinitions());
    }
    const auto requests = plat::headless_dialogs().file_requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_FALSE(requests[0].save);
    EXPECT_EQ(requests[0].title, "Select Advanced Definitions File to Import");
    EXPECT_EQ(requests[0].initial_name, "*.px_");
    EXPECT_NE(requests[0].options & plat::ofn_file_must_exist, 0u);
}

TEST_F(Transfer, ImportLoadsTheCurrentPaperAndOkWritesItCanonically) {
    const std::string imported = other_file();
    write_file(elsewhere.file("vornatv.px_"), imported);
    EXPECT_EQ(run([&](Dialog_Model& d) {
                  EXPECT_EQ(d.check(c::bidirectional), plat::checked);
                  click_with_answer(d, c::import_definitions, elsewhere.file("vornatv.px_"));
                  EXPECT_EQ(d.combo_selection(c::gamma), 2);
                  EXPECT_EQ(d.check(c::bidirectional), plat::unchecked);
                  // Already on disk, as it was chosen.
                  EXPECT_EQ(read_file(definitions_file()), imported);
                  d.click(plat::id_ok);
              }),
              plat::id_ok);
    EXPECT_TRUE(shown_texts().empty());
    EXPECT_EQ(long_value("GammaMode_360"), 2);
    EXPECT_EQ(long_value("BothSideProcess_360"), 0);
    EXPECT_EQ(long_value("PaperThick_360"), 5);
    EXPECT_EQ(long_value("EjectRollerMode_360"), 2);
    AdvancedDefinitions expected;
    expected.splitIntoSlots(imported);
    EXPECT_EQ(read_file(definitions_file()), expected.composeDefinitions());
}

TEST_F(Transfer, CancelAfterImportKeepsTheImportedFile) {
    const std::string imported = other_file();
    write_file(elsewhere.file("vornatv.px_"), imported);
    const auto before = configuration();
    run([&](Dialog_Model& d) {
        click_with_answer(d, c::import_definitions, elsewhere.file("vornatv.px_"));
        d.click(plat::id_cancel);
    });
    EXPECT_EQ(configuration(), before);
    EXPECT_EQ(read_file(definitions_file()), imported);
    // The next opening reads it: another paper's record comes from it.
    run([](Dialog_Model& d) {
        d.pick(c::paper_type, 1);
        EXPECT_EQ(d.combo_selection(c::gamma), 0);
        d.click(plat::id_cancel);
    });
    EXPECT_TRUE(shown_texts().empty());
}

TEST_F(Transfer, ExportThenImportElsewhereRoundTrips) {
    plat::headless_dialogs().queue_script(rsrc_id::dlg_paper_config, [](Dialog_Model& d) {
        d.type_text(rsrc_id::paper::density_edit, "-17");
        d.click(plat::id_ok);
    });
    run([](Dialog_Model& d) {
        d.pick(c::paper_type, 9);
        d.pick(c::gamma, 0);
        d.click(c::paper_config);
        d.click(plat::id_ok);
    });
    const std::string exported_to = elsewhere.path();
    run([&](Dialog_Model& d) {
        click_with_answer(d, c::export_definitions, exported_to);
        d.click(plat::id_cancel);
    });
    const std::string first_installation = read_file(definitions_file());

    // A second installation of the driver, somewhere else.
    Temp_Folder second;
    environment.driver_path = second.path() + "vorna_tarv_en_7.hdi";
    run([&](Dialog_Model& d) {
        click_with_answer(d, c::import_definitions, elsewhere.file("vornatv.px_"));
        EXPECT_EQ(d.combo_selection(c::gamma), 0); // paper 10 of the photo set, imported
        d.click(plat::id_ok);
    });
    EXPECT_TRUE(shown_texts().empty());
    EXPECT_EQ(read_file(second.file("vornatv.px_")), first_installation);
    EXPECT_EQ(long_value("InkDensity_360"), -17);
}

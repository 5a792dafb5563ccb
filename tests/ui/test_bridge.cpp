// The whole way in, as the host takes it: the built driver library, copied
// into a folder of its own, gives a definition whose CustomConfigure runs the
// dialog, answers true only for OK, and keeps its definitions file beside the
// library.
#include "driver_session.h"
#include "ht_plot_config.h"
#include "resource_ids.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using plat::Dialog_Model;
using ui_test::read_file;
using ui_test::Temp_Folder;

namespace fs = std::filesystem;
namespace c = rsrc_id::custom;

TEST(CustomConfigure, RunsTheDialogOfTheInstalledDriver) {
    ui_test::clear_messages();
    plat::headless_dialogs().clear();
    Temp_Folder folder;
    const fs::path built = VORNA_DRIVER_PATH;
    const std::string driver = folder.file("vorna_tarv_en_7.hdi");
    fs::copy_file(built, driver);
    fs::copy_file(fs::path(built).replace_extension(".DRC"), folder.file("vorna_tarv_en_7.DRC"));

    Driver_Session session(driver);
    ht_default_configuration(session.definition());
    const auto before = ht_configuration_to_json(session.definition());

    // Cancel: false, even after a change, and nothing written.
    plat::headless_dialogs().queue_script(rsrc_id::dlg_custom_properties, [](Dialog_Model& d) {
        EXPECT_EQ(d.combo_text(c::compare1, 0), "White"); // the library's own strings
        d.pick(c::gamma, 2);
        d.click(plat::id_cancel);
    });
    EXPECT_FALSE(session.definition().CustomConfigure(nullptr));
    EXPECT_EQ(ht_configuration_to_json(session.definition()), before);
    EXPECT_TRUE(fs::exists(folder.file("vornatv.px_")));

    // OK: true, with the change in the configuration and the file.
    plat::headless_dialogs().queue_script(rsrc_id::dlg_custom_properties, [](Dialog_Model& d) {
        d.pick(c::gamma, 2);
        d.click(plat::id_ok);
    });
    EXPECT_TRUE(session.definition().CustomConfigure(nullptr));
    EXPECT_EQ(ht_get_setting(session.definition(), "GammaMode_360"), "2");
    EXPECT_NE(read_file(folder.file("vornatv.px_")).find("<gamma>2</gamma>"), std::string::npos);
    // The definition is still the session's, alive and counted as before.
    EXPECT_EQ(SPMP::count(session.definition_ref().get()), 2);

    const auto runs = plat::headless_dialogs().runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].result, plat::id_cancel);
    EXPECT_EQ(runs[1].result, plat::id_ok);
    EXPECT_TRUE(ui_test::shown_texts().empty());
}

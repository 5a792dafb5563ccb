#include "ui_test_support.h"

#include "ht_factory.h"
#include "ht_plot_config.h"
#include "resource_ids.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace ui_test {

Temp_Folder::Temp_Folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vorna-ui-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern;
}

Temp_Folder::~Temp_Folder() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<std::string> shown_texts() {
    std::vector<std::string> texts;
    for (const auto& m : plat::headless_ui().messages())
        texts.push_back(m.text);
    return texts;
}

void clear_messages() {
    plat::headless_ui().set_echo(false);
    plat::headless_ui().clear();
}

// ---------------------------------------------------------------------------

namespace {
template <class F> F symbol(plat::Library library, const char* name) {
    auto* f = reinterpret_cast<F>(plat::find_symbol(library, name));
    if (!f)
        throw std::runtime_error(std::string("the test colour library lacks ") + name);
    return f;
}
} // namespace

Fake_Color::Fake_Color() : library(plat::load_library(FAKE_COLOR_DLL)) {
    if (!library)
        throw std::runtime_error("cannot load " FAKE_COLOR_DLL ": " + plat::library_error());
    reset(-1);
}
Fake_Color::~Fake_Color() {
    plat::free_library(library);
}
void Fake_Color::reset(int answer) {
    symbol<void (*)(int)>(library, "fake_color_reset")(answer);
}
int Fake_Color::calls() const {
    return symbol<int (*)()>(library, "fake_color_calls")();
}
int Fake_Color::init_calls() const {
    return symbol<int (*)()>(library, "fake_color_init_calls")();
}
int Fake_Color::last_index() const {
    return symbol<int (*)()>(library, "fake_color_last_index")();
}
int Fake_Color::last_count() const {
    return symbol<int (*)()>(library, "fake_color_last_count")();
}
plat::Window Fake_Color::last_window() const {
    return symbol<plat::Window (*)()>(library, "fake_color_last_window")();
}

// ---------------------------------------------------------------------------

void Dialog_Test::SetUp() {
    clear_messages();
    plat::headless_dialogs().clear();
    raster_ui::exportAllowed = false;

    HT_Smart_Pointer<HT_Std_Plotter_Class_Factory> cf(new HT_Std_Plotter_Class_Factory);
    definition = HT_Smart_Pointer<HT_Plotter_Definition>(new HT_Std_Plotter_Definition);
    auto* meta = new HT_Meta_Capabilities;
    meta->driver_path = VORNA_DATA_DIR "/vorna_tarv_en_7.hdi";
    definition->set_meta_capabilities(meta);
    auto* caps = new HT_Std_Plotter_Capabilities;
    caps->set_media_capabilities(cf->HD_Create_Media_Capabilities());
    caps->set_res_color_mem_capabilities(cf->HD_Create_ResColorMem_Capabilities());
    caps->set_custom_capabilities(cf->HD_Create_Custom_Capabilities());
    caps->set_io_capabilities(cf->HD_Create_Plotter_IO_Capabilities());
    definition->set_plotter_capabilities(caps);
    PM_DRC_Caps_Loader loader;
    ASSERT_TRUE(loader.Load(definition, HT_Caps_Loader::Load_All));
    ht_default_configuration(*definition);

    // The strings come from the driver resources linked into this program.
    environment.module = plat::module_from_address(reinterpret_cast<const void*>(&clear_messages));
    environment.driver_path = folder.path() + "vorna_tarv_en_7.hdi";
    environment.help_file = "drv_vorna_tarv_en.HLP";
    environment.color_library = FAKE_COLOR_DLL;
}

void Dialog_Test::TearDown() {
    // Every script queued was used: the dialogs the test meant to reach opened.
    EXPECT_EQ(plat::headless_dialogs().pending_scripts(), 0u);
    plat::headless_dialogs().clear();
}

int Dialog_Test::run(plat::Dialog_Script person) {
    if (person)
        plat::headless_dialogs().queue_script(rsrc_id::dlg_custom_properties, std::move(person));
    raster_ui::Custom_Properties_Dialog dialog(*definition, nullptr, environment);
    return dialog.run();
}

void Dialog_Test::on_paper_config(plat::Dialog_Script person) {
    plat::headless_dialogs().queue_script(rsrc_id::dlg_paper_config, std::move(person));
}

void Dialog_Test::select_entry(int index) {
    ht_set_setting(*definition, "res-color-mem", std::to_string(index));
}

std::int32_t Dialog_Test::long_value(const std::string& key) const {
    auto item =
        definition->get_plotter_configuration()->get_custom_configuration()->find(key.c_str());
    std::int32_t value = -12345;
    EXPECT_TRUE(item && item->get_long(value)) << key;
    return value;
}

bool Dialog_Test::bool_value(const std::string& key) const {
    auto item =
        definition->get_plotter_configuration()->get_custom_configuration()->find(key.c_str());
    bool value = false;
    EXPECT_TRUE(item && item->get_bool(value)) << key;
    return value;
}

bool Dialog_Test::has_item(const std::string& key) const {
    return bool(
        definition->get_plotter_configuration()->get_custom_configuration()->find(key.c_str()));
}

void Dialog_Test::set_long(const std::string& key, std::int32_t value) {
    auto item =
        definition->get_plotter_configuration()->get_custom_configuration()->find(key.c_str());
    ASSERT_TRUE(item) << key;
    item->set_data(new HT_Std_Long_Custom_Data(value));
}

void Dialog_Test::remove_item(const std::string& key) {
    definition->get_plotter_configuration()->get_custom_configuration()->remove(key.c_str());
}

nlohmann::json Dialog_Test::configuration() const {
    return ht_configuration_to_json(*definition);
}

raster_ui::Paper_Settings Dialog_Test::stored(double dpi, int group, int index) const {
    raster_ui::AdvancedDefinitions store;
    store.splitIntoSlots(read_file(definitions_file()));
    raster_ui::Paper_Settings s;
    EXPECT_TRUE(store.loadPaper(dpi, group, index, s));
    return s;
}

} // namespace ui_test

// Shared pieces of the user-interface tests: a private folder per test, the
// recorded message boxes, and a printer definition from the shipped printer
// description with the Custom Properties dialog driven as a person would.
#pragma once

#include "custom_properties.h"
#include "ht_definition.h"
#include "plat_dialog.h"
#include "plat_dialog_headless.h"
#include "plat_ui.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace ui_test {

// A fresh folder of its own for every test, removed afterwards; tests run in
// parallel processes.
class Temp_Folder {
public:
    Temp_Folder();
    ~Temp_Folder();
    Temp_Folder(const Temp_Folder&) = delete;
    Temp_Folder& operator=(const Temp_Folder&) = delete;

    // The folder with its trailing separator.
    std::string path() const { return m_path.string() + "/"; }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);

// Texts of the message boxes shown since the last clear, and a fresh start.
std::vector<std::string> shown_texts();
void clear_messages();

// The test colour dialog library and what it was asked.
struct Fake_Color {
    Fake_Color();
    ~Fake_Color();
    void reset(int answer); // -1: answer the index it was opened on
    int calls() const;
    int init_calls() const;
    int last_index() const;
    int last_count() const;
    plat::Window last_window() const;
    plat::Library library;
};

// A definition of the printer with its default configuration, a driver
// "installed" in a private folder, and the dialog run headless.
class Dialog_Test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs Custom Properties; `person` acts on it (nothing: it is cancelled at once).
    int run(plat::Dialog_Script person);
    // The next Paper Config dialog is acted on by `person`.
    void on_paper_config(plat::Dialog_Script person);

    // Selects a resolution-colour-memory entry of the printer description:
    // 0 360 dpi colour, 3 360 dpi monochrome, 4 720 dpi colour.
    void select_entry(int index);

    std::int32_t long_value(const std::string& key) const;
    bool bool_value(const std::string& key) const;
    bool has_item(const std::string& key) const;
    void set_long(const std::string& key, std::int32_t value);
    void remove_item(const std::string& key);
    nlohmann::json configuration() const;

    std::string definitions_file() const { return folder.file("vornatv.px_"); }
    raster_ui::Paper_Settings stored(double dpi, int group, int index) const;

    Temp_Folder folder;
    HT_Smart_Pointer<HT_Plotter_Definition> definition;
    raster_ui::Ui_Environment environment;
    Fake_Color color;
};

} // namespace ui_test

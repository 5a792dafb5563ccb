// Shared pieces of the user-interface tests: a private folder per test and
// the recorded message boxes.
#pragma once

#include "plat_ui.h"

#include <gtest/gtest.h>

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

} // namespace ui_test

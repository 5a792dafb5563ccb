#include "ui_test_support.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace ui_test {

Temp_Folder::Temp_Folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vorna-ui-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern;
}

Temp_Folder::~Temp_Folder() {
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
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

} // namespace ui_test

#include "plugin_fixture.h"

#include <atomic>
#include <fstream>
#include <sstream>
#include <unistd.h>

Temp_Dir::Temp_Dir() {
    static std::atomic<int> serial{0};
    m_path = fs::temp_directory_path() /
             ("vorna-plugin-" + std::to_string(getpid()) + "-" + std::to_string(serial++));
    fs::create_directories(m_path);
}

Temp_Dir::~Temp_Dir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

fs::path copy_driver(const fs::path& dir, const std::string& name, bool with_drc) {
    const fs::path built = VORNA_DRIVER_PATH;
    const fs::path target = dir / (name + ".hdi");
    fs::copy_file(built, target, fs::copy_options::overwrite_existing);
    if (with_drc)
        fs::copy_file(fs::path(built).replace_extension(".DRC"), dir / (name + ".DRC"),
                      fs::copy_options::overwrite_existing);
    return target;
}

std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

// Shared set-up of the plug-in tests: the built driver, copies of it in
// temporary folders, and a loaded driver session.
#pragma once

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

// A temporary folder removed with the object.
class Temp_Dir {
public:
    Temp_Dir();
    ~Temp_Dir();
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

// Copies the built driver (and, when wanted, its DRC) to `dir/name.hdi`.
fs::path copy_driver(const fs::path& dir, const std::string& name, bool with_drc);

std::string read_file(const fs::path& p);
void write_file(const fs::path& p, const std::string& text);

#include "file_identity.h"

#include <filesystem>
#include <sys/stat.h>

namespace plot {
namespace {

struct Identity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::string path; // of a file not yet there: its full name, links resolved
};

Identity identity_of(const std::string& name) {
    Identity id;
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0) {
        id.exists = true;
        id.device = st.st_dev;
        id.inode = st.st_ino;
        return id;
    }
    std::error_code ec;
    const auto full = std::filesystem::weakly_canonical(std::filesystem::absolute(name, ec), ec);
    id.path = ec ? name : full.string();
    return id;
}

bool same(const Identity& a, const Identity& b) {
    if (a.exists != b.exists)
        return false;
    return a.exists ? a.device == b.device && a.inode == b.inode : a.path == b.path;
}

bool is_file_name(const std::string& name) {
    return !name.empty() && name != "-";
}

} // namespace

std::string file_clash(const std::vector<Named_File>& inputs,
                       const std::vector<Named_File>& outputs) {
    std::vector<std::pair<const Named_File*, Identity>> seen;
    for (const auto& in : inputs)
        if (is_file_name(in.path))
            seen.emplace_back(&in, identity_of(in.path));
    for (const auto& out : outputs) {
        if (!is_file_name(out.path))
            continue;
        const Identity id = identity_of(out.path);
        for (const auto& [other, other_id] : seen)
            if (same(id, other_id))
                return out.path + ": " + out.role + " and " + other->role + " (" + other->path +
                       ") are the same file; nothing was written";
        seen.emplace_back(&out, id);
    }
    return {};
}

} // namespace plot

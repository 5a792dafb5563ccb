// Writing files that people keep: a new version replaces the old one whole or
// not at all, keeps its mode, and lands on the target of a symbolic link.
//
// A `File_Replacement` writes into an unnamed (or hidden, uniquely named) file
// in the target's own folder and renames it over the target on `commit`, so a
// reader sees the old file or the whole new one, never a mix, and a failure at
// any point leaves the old file as it was and no temporary file behind. Where
// the folder cannot take a new file but the file itself is writable (a
// system-wide install), the file is written in place: its space is reserved
// first when the size is known, then it is written, cut to length and
// flushed. A device or pipe (/dev/null, a FIFO) is written directly. A file
// that exists but could not be opened for writing is never replaced.
#pragma once

#include "plat_export.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace plat {

// A file that cannot be read or written; the text names the file and gives the
// system's reason.
class PLAT_EXPORT File_Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where writing to `path` lands: the path itself, or the end of its chain of
// symbolic links (relative links taken from the link's folder). A dangling
// link gives the file it names. Throws File_Error on a loop.
PLAT_EXPORT std::string write_target(const std::string& path);

// An advisory lock (flock) on the file at `path`, held while the object
// lives. Writers that take it from reading to replacing never lose each
// other's changes: a lock that ends up on a file that was replaced meanwhile
// is dropped and taken again on the new one. A missing or unreadable file is
// not locked (`held()` is false); reading it will report why.
class PLAT_EXPORT File_Lock {
public:
    explicit File_Lock(const std::string& path);
    ~File_Lock();
    File_Lock(const File_Lock&) = delete;
    File_Lock& operator=(const File_Lock&) = delete;
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

class PLAT_EXPORT File_Replacement {
public:
    struct Options {
        // The caller holds the lock of this file already (from a File_Lock).
        bool lock_held = false;
        // The final size when known: an in-place write reserves it first, so
        // a full disk is found before the old contents are touched.
        std::uint64_t size_hint = 0;
    };

    // Checks that the file can be written and opens where the new version
    // goes. Throws File_Error ("<path>: cannot write: <reason>").
    explicit File_Replacement(const std::string& path);
    File_Replacement(const std::string& path, const Options& options);
    // Without a commit, the new version is dropped and the old file stays.
    ~File_Replacement();
    File_Replacement(const File_Replacement&) = delete;
    File_Replacement& operator=(const File_Replacement&) = delete;

    // Appends bytes; every byte is written or File_Error is thrown.
    void write(const void* data, std::size_t size);
    void write(std::string_view text) { write(text.data(), text.size()); }
    // Reserves room for `size` bytes in all where the file is written in
    // place, so a full disk is found before its old contents are touched.
    void reserve(std::uint64_t size);
    // Appends the whole of another file.
    void copy_from(const std::string& source);
    // Puts the new version in place (flushed to disk first). Throws
    // File_Error; the old file is then still whole, unless it was being
    // written in place.
    void commit();

    // The file that is written (the link target for a link).
    const std::string& target() const { return m_target; }
    bool in_place() const { return m_mode == Mode::in_place; }
    std::uint64_t written() const { return m_written; }

private:
    enum class Mode { replace, in_place, direct };
    [[noreturn]] void fail(const std::string& what, int error) const;
    void discard();

    std::string m_path;   // as the caller named it, for messages
    std::string m_target; // where it lands
    std::string m_folder;
    Mode m_mode = Mode::replace;
    int m_fd = -1;
    bool m_named_temp = false; // a hidden named file instead of an unnamed one
    std::string m_temp_name;
    bool m_keep_owner = false;
    unsigned m_mode_bits = 0;
    unsigned m_uid = 0, m_gid = 0;
    bool m_locked_here = false;
    std::uint64_t m_size_hint = 0;
    std::uint64_t m_written = 0;
    bool m_done = false;
};

// The whole of `contents` as the new version of `path` (see File_Replacement).
PLAT_EXPORT void replace_file(const std::string& path, std::string_view contents,
                              bool lock_held = false);

} // namespace plat

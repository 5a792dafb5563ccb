#include "plat_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace plat {
namespace {

std::string folder_part(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string name_part(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The process's umask, read without changing it (umask() would, for a moment,
// for every thread).
mode_t current_umask() {
    if (std::FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned value = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, f))
            found = std::sscanf(line, "Umask: %o", &value) == 1;
        std::fclose(f);
        if (found)
            return static_cast<mode_t>(value);
    }
    const mode_t m = ::umask(022);
    ::umask(m);
    return m;
}

int lock_exclusive(int fd) {
    int r;
    do
        r = ::flock(fd, LOCK_EX);
    while (r != 0 && errno == EINTR);
    return r;
}

std::string random_suffix() {
    static thread_local std::mt19937_64 gen{std::random_device{}() ^
                                            static_cast<std::uint64_t>(::getpid())};
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string s(8, 'x');
    for (char& c : s)
        c = digits[gen() % (sizeof digits - 1)];
    return s;
}

} // namespace

std::string write_target(const std::string& path) {
    std::string p = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return p;
        std::vector<char> buffer(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(p.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            throw File_Error(path + ": cannot follow the link: " + std::strerror(errno));
        std::string next(buffer.data(), static_cast<std::size_t>(n));
        if (next.empty())
            throw File_Error(path + ": the link is empty");
        p = next[0] == '/' ? next : folder_part(p) + "/" + next;
    }
    throw File_Error(path + ": cannot follow the link: " + std::strerror(ELOOP));
}

File_Lock::File_Lock(const std::string& path) {
    const std::string target = write_target(path);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        // Non-blocking open: a FIFO must not hang here; it is not locked.
        const int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0)
            return;
        struct stat held {};
        if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode) || lock_exclusive(fd) != 0) {
            ::close(fd);
            return;
        }
        // The lock counts only if nobody replaced the file while we waited.
        struct stat now {};
        if (::stat(target.c_str(), &now) == 0 && now.st_dev == held.st_dev &&
            now.st_ino == held.st_ino) {
            m_fd = fd;
            return;
        }
        ::close(fd);
    }
}

File_Lock::~File_Lock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

File_Replacement::File_Replacement(const std::string& path) : File_Replacement(path, Options{}) {}

File_Replacement::File_Replacement(const std::string& path, const Options& options)
    : m_path(path), m_size_hint(options.size_hint) {
    if (path.empty())
        throw File_Error("cannot write a file without a name");
    m_target = write_target(path);
    m_folder = folder_part(m_target);
    const std::string name = name_part(m_target);
    if (name.empty() || name == "." || name == "..")
        fail("", EISDIR);

    // What is there now decides how it is written. Opening it for writing
    // (without truncating) is the test: a file we may not write is never
    // replaced behind its owner's back.
    int existing = -1;
    struct stat st {};
    if (::stat(m_target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            fail("", EISDIR);
        existing = ::open(m_target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (existing < 0)
            fail("", errno);
        if (!S_ISREG(st.st_mode)) {
            // A device or a pipe takes the bytes as they come.
            m_mode = Mode::direct;
            m_fd = existing;
            return;
        }
        m_mode_bits = st.st_mode & 07777;
        m_uid = st.st_uid;
        m_gid = st.st_gid;
        m_keep_owner = true;
    } else if (errno != ENOENT) {
        fail("", errno);
    } else {
        m_mode_bits = 0666 & ~current_umask();
    }

    // An unnamed file in the target's folder: nothing is left behind even if
    // the process is killed. File systems without them get a hidden name.
    m_fd = ::open(m_folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    int error = m_fd < 0 ? errno : 0;
    if (m_fd < 0 && error != EACCES && error != EPERM && error != EROFS && error != ENOENT &&
        error != ENOTDIR) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_temp_name = m_folder + "/." + name + "." + random_suffix();
            m_fd = ::open(m_temp_name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (m_fd >= 0 || errno != EEXIST)
                break;
        }
        error = m_fd < 0 ? errno : 0;
        m_named_temp = m_fd >= 0;
    }
    if (m_fd >= 0) {
        if (existing >= 0)
            ::close(existing);
        return;
    }
    if (existing < 0 || (error != EACCES && error != EPERM)) {
        if (existing >= 0)
            ::close(existing);
        throw File_Error(m_path + ": cannot create in " + m_folder + ": " + std::strerror(error));
    }

    // The folder takes no new file, but the file may be written: in place.
    m_mode = Mode::in_place;
    m_fd = existing;
    if (!options.lock_held) {
        if (lock_exclusive(m_fd) != 0)
            fail("", errno);
        m_locked_here = true;
    }
    reserve(m_size_hint);
}

void File_Replacement::reserve(std::uint64_t size) {
    if (m_mode != Mode::in_place || size == 0 || m_done)
        return;
    const int r = ::posix_fallocate(m_fd, 0, static_cast<off_t>(size));
    if (r != 0 && r != EOPNOTSUPP && r != EINVAL) {
        discard();
        fail("", r);
    }
}

File_Replacement::~File_Replacement() {
    if (!m_done)
        discard();
}

void File_Replacement::discard() {
    m_done = true;
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_named_temp && !m_temp_name.empty())
        ::unlink(m_temp_name.c_str());
}

void File_Replacement::fail(const std::string& what, int error) const {
    std::string text = m_path + ": cannot write" + what + ": " + std::strerror(error);
    if (m_mode == Mode::in_place && m_written > 0)
        text += " (the file was being written in place and is incomplete)";
    throw File_Error(text);
}

void File_Replacement::write(const void* data, std::size_t size) {
    if (m_done || m_fd < 0)
        fail("", EBADF);
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            discard();
            fail("", error);
        }
        p += n;
        size -= static_cast<std::size_t>(n);
        m_written += static_cast<std::uint64_t>(n);
    }
}

void File_Replacement::copy_from(const std::string& source) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        throw File_Error(source + ": cannot read: " + std::strerror(errno));
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(in);
            discard();
            throw File_Error(source + ": cannot read: " + std::strerror(error));
        }
        if (n == 0)
            break;
        try {
            write(buffer.data(), static_cast<std::size_t>(n));
        } catch (...) {
            ::close(in);
            throw;
        }
    }
    ::close(in);
}

void File_Replacement::commit() {
    if (m_done || m_fd < 0)
        fail("", EBADF);
    if (m_mode == Mode::direct) {
        // Devices and pipes may not support flushing; the bytes are written.
        const int r = ::fsync(m_fd);
        const int error = r != 0 ? errno : 0;
        discard();
        if (r != 0 && error != EINVAL && error != EROFS && error != ENOTSUP)
            fail("", error);
        return;
    }
    if (m_mode == Mode::in_place) {
        if (::ftruncate(m_fd, static_cast<off_t>(m_written)) != 0 || ::fsync(m_fd) != 0) {
            const int error = errno;
            discard();
            fail("", error);
        }
        const int r = ::close(m_fd);
        const int error = errno;
        m_fd = -1;
        m_done = true;
        if (r != 0)
            fail("", error);
        return;
    }

    // The old file's mode and, where we may, its owner.
    if (::fchmod(m_fd, m_mode_bits) != 0) {
        const int error = errno;
        discard();
        fail("", error);
    }
    if (m_keep_owner) {
        struct stat mine {};
        if (::fstat(m_fd, &mine) == 0 && (mine.st_uid != m_uid || mine.st_gid != m_gid)) {
            // Only the group may be ours to keep; a mode with set-id bits is
            // restored after, as chown clears them.
            if (::fchown(m_fd, m_uid, m_gid) != 0)
                (void)::fchown(m_fd, mine.st_uid, m_gid);
            (void)::fchmod(m_fd, m_mode_bits);
        }
    }
    if (::fsync(m_fd) != 0) {
        const int error = errno;
        discard();
        fail("", error);
    }
    if (!m_named_temp) {
        // Give the unnamed file a hidden name just long enough to rename it.
        const std::string proc = "/proc/self/fd/" + std::to_string(m_fd);
        int error = 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_temp_name = m_folder + "/." + name_part(m_target) + "." + random_suffix();
            if (::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, m_temp_name.c_str(),
                         AT_SYMLINK_FOLLOW) == 0) {
                error = 0;
                break;
            }
            error = errno;
            if (error != EEXIST)
                break;
        }
        if (error != 0) {
            m_temp_name.clear();
            discard();
            fail("", error);
        }
        m_named_temp = true;
    }
    if (::rename(m_temp_name.c_str(), m_target.c_str()) != 0) {
        const int error = errno;
        discard();
        fail("", error);
    }
    m_named_temp = false;
    const int r = ::close(m_fd);
    const int close_error = errno;
    m_fd = -1;
    m_done = true;
    // The rename itself is on disk only once the folder is flushed.
    const int dir = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    if (r != 0)
        fail("", close_error);
}

void replace_file(const std::string& path, std::string_view contents, bool lock_held) {
    File_Replacement::Options options;
    options.lock_held = lock_held;
    options.size_hint = contents.size();
    File_Replacement out(path, options);
    out.write(contents);
    out.commit();
}

} // namespace plat

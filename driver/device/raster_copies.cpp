#include "raster_copies.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace raster_device {

Copy_Recorder::~Copy_Recorder() {
    close();
}

bool Copy_Recorder::create(const std::string& folder, std::string& error) {
    close();
    m_sizes.assign(1, 0);
    m_offsets.assign(1, 0);
    m_largest = 0;
    m_failed = false;

    // A unique name, opened exclusively and unlinked at once.
    const std::filesystem::path dir =
        folder.empty() ? std::filesystem::temp_directory_path() : std::filesystem::path(folder);
    std::string name = (dir / "vorna.cpy.XXXXXX").string();
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot create a copy file in " + dir.string() + ": " + std::strerror(errno);
        return false;
    }
    ::unlink(name.c_str());
    m_fd = fd;
    return true;
}

void Copy_Recorder::append(const void* data, std::size_t count) {
    if (m_fd < 0 || m_failed || count == 0)
        return;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(m_fd, bytes + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_failed = true;
            return;
        }
        done += static_cast<std::size_t>(n);
    }
    m_sizes.back() += count;
    if (m_sizes.back() > m_largest)
        m_largest = m_sizes.back();
}

void Copy_Recorder::next_block() {
    m_offsets.push_back(m_offsets.back() + m_sizes.back());
    m_sizes.push_back(0);
}

std::uint64_t Copy_Recorder::block_size(std::size_t block) const {
    return block < m_sizes.size() ? m_sizes[block] : 0;
}

bool Copy_Recorder::read_block(std::size_t block, std::vector<std::uint8_t>& out) const {
    if (m_fd < 0 || m_failed || block >= m_sizes.size())
        return false;
    out.resize(m_sizes[block]);
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(m_fd, out.data() + done, out.size() - done,
                                  static_cast<off_t>(m_offsets[block] + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void Copy_Recorder::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace raster_device

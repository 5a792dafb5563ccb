// The copy file: the spool module's printer data of one page, kept block by
// block so that extra copies are sent again without rendering or spooling the
// page a second time.
//
// Where it lives: in the job's temporary folder, as "vorna.cpy" with a unique
// suffix, created exclusively with owner-only permissions and unlinked at
// once, so only the open descriptor reaches it. The plot-to-file folder may be
// the current folder or read-only, and the driver folder is shared by every
// user and read-only in an installation; a fixed name in either would let two
// jobs (or two users) overwrite each other's copies. An unlinked file also
// leaves nothing behind when the job ends or the process dies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace raster_device {

class Copy_Recorder {
public:
    Copy_Recorder() = default;
    ~Copy_Recorder();
    Copy_Recorder(const Copy_Recorder&) = delete;
    Copy_Recorder& operator=(const Copy_Recorder&) = delete;

    // Creates the file in `folder` (empty: the system's temporary folder) and
    // starts block 0. False, with the reason in `error`, when it cannot.
    bool create(const std::string& folder, std::string& error);
    bool is_open() const { return m_fd >= 0; }

    // Appends bytes to the current block. A failed write marks the recorder
    // failed; later appends are ignored, so the copies it holds are never
    // mistaken for whole ones.
    void append(const void* data, std::size_t count);
    // Closes the current block and starts the next, empty one.
    void next_block();

    // Number of the current block, which is the last one once recording ends.
    std::size_t last_block() const { return m_sizes.size() - 1; }
    std::uint64_t block_size(std::size_t block) const;
    std::uint64_t largest_block() const { return m_largest; }
    bool failed() const { return m_failed; }

    // Reads a whole block into `out` (resized to fit). False when the block
    // does not exist or cannot be read back.
    bool read_block(std::size_t block, std::vector<std::uint8_t>& out) const;

    void close();

private:
    int m_fd = -1;
    std::vector<std::uint64_t> m_sizes{0};   // bytes per block
    std::vector<std::uint64_t> m_offsets{0}; // file offset of each block
    std::uint64_t m_largest = 0;
    bool m_failed = false;
};

} // namespace raster_device

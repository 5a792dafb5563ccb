#include "plat_elf.h"

#include <bit>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using plat::Elf_Section;
using plat::Elf_Status;

// Where the bytes come from: a file read piecewise, or an image in memory.
class Byte_Source {
public:
    virtual ~Byte_Source() = default;
    virtual std::uint64_t size() const = 0;
    // Reads exactly `n` bytes at `offset`; false when they are not all there.
    virtual bool read(std::uint64_t offset, void* out, std::size_t n) const = 0;
};

class File_Source : public Byte_Source {
public:
    File_Source(int fd, std::uint64_t size) : m_fd(fd), m_size(size) {}
    std::uint64_t size() const override { return m_size; }
    bool read(std::uint64_t offset, void* out, std::size_t n) const override {
        if (offset > m_size || n > m_size - offset)
            return false;
        auto* dst = static_cast<unsigned char*>(out);
        while (n > 0) {
            ssize_t got = pread(m_fd, dst, n, static_cast<off_t>(offset));
            if (got <= 0)
                return false;
            dst += got;
            offset += static_cast<std::uint64_t>(got);
            n -= static_cast<std::size_t>(got);
        }
        return true;
    }

private:
    int m_fd;
    std::uint64_t m_size;
};

class Memory_Source : public Byte_Source {
public:
    explicit Memory_Source(std::span<const unsigned char> image) : m_image(image) {}
    std::uint64_t size() const override { return m_image.size(); }
    bool read(std::uint64_t offset, void* out, std::size_t n) const override {
        if (offset > m_image.size() || n > m_image.size() - offset)
            return false;
        if (n)
            std::memcpy(out, m_image.data() + offset, n);
        return true;
    }

private:
    std::span<const unsigned char> m_image;
};

// True when [offset, offset + length) lies inside a file of `size` bytes.
bool within(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
    return offset <= size && length <= size - offset;
}

// The fields of a section header that matter here, for either class.
struct Section_Header {
    std::uint32_t name;
    std::uint32_t type;
    std::uint64_t offset;
    std::uint64_t size;
    std::uint32_t link;
};

template <class Ehdr, class Shdr> class Elf_Reader {
public:
    explicit Elf_Reader(const Byte_Source& src) : m_src(src) {}

    Elf_Section find(std::string_view wanted) {
        Ehdr eh{};
        if (!m_src.read(0, &eh, sizeof eh))
            return fail(Elf_Status::corrupt);
        if (eh.e_shoff == 0)
            return fail(Elf_Status::no_section);
        if (eh.e_shentsize < sizeof(Shdr))
            return fail(Elf_Status::corrupt);
        m_shoff = eh.e_shoff;
        m_shentsize = eh.e_shentsize;

        // Section 0 carries the real count and name-table index when they
        // overflow the header's 16-bit fields.
        Section_Header first{};
        if (!header(0, first, 1))
            return fail(Elf_Status::corrupt);
        std::uint64_t count = eh.e_shnum ? eh.e_shnum : first.size;
        std::uint64_t names_index = eh.e_shstrndx == SHN_XINDEX ? first.link : eh.e_shstrndx;
        const std::uint64_t room = (m_src.size() - m_shoff) / m_shentsize;
        if (count == 0 || count > room)
            return fail(Elf_Status::corrupt);
        if (names_index == SHN_UNDEF || names_index >= count)
            return fail(Elf_Status::corrupt);

        // The section-name table.
        Section_Header names_header{};
        if (!header(names_index, names_header, count) || names_header.type == SHT_NOBITS)
            return fail(Elf_Status::corrupt);
        if (!within(names_header.offset, names_header.size, m_src.size()))
            return fail(Elf_Status::corrupt);
        if (names_header.size > elf_name_table_limit)
            return fail(Elf_Status::unsupported);
        std::vector<char> names(static_cast<std::size_t>(names_header.size));
        if (!m_src.read(names_header.offset, names.data(), names.size()))
            return fail(Elf_Status::corrupt);

        for (std::uint64_t i = 1; i < count; ++i) {
            Section_Header sh{};
            if (!header(i, sh, count))
                return fail(Elf_Status::corrupt);
            if (!name_is(names, sh.name, wanted))
                continue;
            if (sh.type == SHT_NOBITS || !within(sh.offset, sh.size, m_src.size()))
                return fail(Elf_Status::corrupt);
            if (sh.size > plat::elf_section_limit)
                return fail(Elf_Status::unsupported);
            Elf_Section out{Elf_Status::ok, std::vector<unsigned char>(sh.size)};
            if (!m_src.read(sh.offset, out.data.data(), out.data.size()))
                return fail(Elf_Status::corrupt);
            return out;
        }
        return fail(Elf_Status::no_section);
    }

private:
    static constexpr std::uint64_t elf_name_table_limit = 16u << 20;

    static Elf_Section fail(Elf_Status status) { return Elf_Section{status, {}}; }

    bool header(std::uint64_t index, Section_Header& out, std::uint64_t count) const {
        if (index >= count)
            return false;
        const std::uint64_t offset = m_shoff + index * m_shentsize;
        if (!within(offset, sizeof(Shdr), m_src.size()))
            return false;
        Shdr sh{};
        if (!m_src.read(offset, &sh, sizeof sh))
            return false;
        out = Section_Header{sh.sh_name, sh.sh_type, sh.sh_offset, sh.sh_size, sh.sh_link};
        return true;
    }

    // Compares a name in the name table without reading past its end.
    static bool name_is(const std::vector<char>& names, std::uint32_t at, std::string_view wanted) {
        if (at >= names.size())
            return false;
        const std::size_t room = names.size() - at;
        if (wanted.size() >= room)
            return false;
        return std::memcmp(names.data() + at, wanted.data(), wanted.size()) == 0 &&
               names[at + wanted.size()] == '\0';
    }

    const Byte_Source& m_src;
    std::uint64_t m_shoff = 0;
    std::uint64_t m_shentsize = 0;
};

Elf_Section read_section(const Byte_Source& src, std::string_view name) {
    unsigned char ident[EI_NIDENT];
    if (!src.read(0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0)
        return Elf_Section{Elf_Status::not_elf, {}};
    // Headers are read as the host lays them out, so only its byte order is taken.
    constexpr unsigned char host_order =
        std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB;
    if (ident[EI_DATA] != host_order || ident[EI_VERSION] != EV_CURRENT)
        return Elf_Section{Elf_Status::unsupported, {}};
    if (ident[EI_CLASS] == ELFCLASS64)
        return Elf_Reader<Elf64_Ehdr, Elf64_Shdr>(src).find(name);
    if (ident[EI_CLASS] == ELFCLASS32)
        return Elf_Reader<Elf32_Ehdr, Elf32_Shdr>(src).find(name);
    return Elf_Section{Elf_Status::unsupported, {}};
}

} // namespace

namespace plat {

const char* elf_status_text(Elf_Status status) {
    switch (status) {
    case Elf_Status::ok:
        return "ok";
    case Elf_Status::cannot_open:
        return "cannot open file";
    case Elf_Status::not_elf:
        return "not an ELF file";
    case Elf_Status::unsupported:
        return "unsupported ELF file";
    case Elf_Status::corrupt:
        return "corrupt ELF file";
    case Elf_Status::no_section:
        return "no resource section";
    }
    return "unknown";
}

Elf_Section read_elf_section(const std::string& path, std::string_view name) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Elf_Section{Elf_Status::cannot_open, {}};
    struct stat st {};
    Elf_Section out;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        out = Elf_Section{Elf_Status::cannot_open, {}};
    else
        out = read_section(File_Source(fd, static_cast<std::uint64_t>(st.st_size)), name);
    close(fd);
    return out;
}

Elf_Section read_elf_section(std::span<const unsigned char> image, std::string_view name) {
    return read_section(Memory_Source(image), name);
}

} // namespace plat

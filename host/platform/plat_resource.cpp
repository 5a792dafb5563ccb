#include "plat_resource.h"

#include "plat_elf.h"
#include "plat_internal.h"

#include <algorithm>
#include <cstring>

namespace plat::rsrc {

namespace {

std::uint32_t read_u32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::size_t align(std::size_t n, std::size_t to) {
    return (n + to - 1) / to * to;
}

} // namespace

std::optional<std::vector<Record>> parse_records(std::span<const unsigned char> section) {
    std::vector<Record> records;
    std::size_t at = 0;
    while (at < section.size()) {
        const std::size_t left = section.size() - at;
        // The linker may pad between the records of different objects with zeros.
        if (left < 4 || read_u32(section.data() + at) == 0) {
            const std::size_t step = std::min<std::size_t>(8, left);
            if (std::any_of(section.begin() + static_cast<std::ptrdiff_t>(at),
                            section.begin() + static_cast<std::ptrdiff_t>(at + step),
                            [](unsigned char b) { return b != 0; }))
                return std::nullopt;
            at += step;
            continue;
        }
        if (left < record_header_size || std::memcmp(section.data() + at, "VRSC", 4) != 0)
            return std::nullopt;
        const std::uint32_t type = read_u32(section.data() + at + 4);
        const std::uint32_t id = read_u32(section.data() + at + 8);
        const std::size_t size = read_u32(section.data() + at + 12);
        if (size > left - record_header_size)
            return std::nullopt;
        records.push_back(Record{type, id, section.subspan(at + record_header_size, size)});
        at += std::min(left, record_header_size + align(size, 8));
    }
    return records;
}

std::optional<std::string_view> find_string(std::span<const unsigned char> table,
                                            std::uint32_t id) {
    std::size_t at = 0;
    while (table.size() - at >= 8) {
        const std::uint32_t entry_id = read_u32(table.data() + at);
        const std::size_t length = read_u32(table.data() + at + 4);
        const std::size_t left = table.size() - at - 8;
        // The text and its terminator must both be inside the table.
        if (length >= left)
            return std::nullopt;
        const auto* text = reinterpret_cast<const char*>(table.data() + at + 8);
        if (entry_id == id)
            return std::string_view(text, length);
        at += std::min(table.size() - at, 8 + align(length + 1, 4));
    }
    return std::nullopt;
}

Resource_File::Resource_File(const std::string& path) {
    Elf_Section section = read_elf_section(path, section_name);
    if (section.status != Elf_Status::ok)
        return;
    m_section = std::move(section.data);
    auto records = parse_records(m_section);
    if (!records)
        return;
    m_records = std::move(*records);
    m_valid = true;
}

std::optional<std::span<const unsigned char>>
Resource_File::find(std::uint32_t type, std::optional<std::uint32_t> id) const {
    for (const Record& r : m_records)
        if (r.type == type && (!id || r.id == *id))
            return r.payload;
    return std::nullopt;
}

std::optional<std::string> Resource_File::string(std::uint32_t id) const {
    for (const Record& r : m_records) {
        if (r.type != string_table)
            continue;
        if (auto text = find_string(r.payload, id))
            return std::string(*text);
    }
    return std::nullopt;
}

} // namespace plat::rsrc

namespace plat {

namespace {

// Strings come from the file actually mapped, whatever name a test gives it.
std::optional<std::string> module_string(Module module, std::uint32_t id) {
    const std::string path = detail::real_module_path(module);
    if (path.empty())
        return std::nullopt;
    return rsrc::Resource_File(path).string(id);
}

} // namespace

std::size_t load_string(Module module, std::uint32_t id, char* buffer, std::size_t size) {
    if (!buffer || size == 0)
        return 0;
    buffer[0] = '\0';
    auto text = module_string(module, id);
    if (!text)
        return 0;
    std::size_t n = std::min(text->size(), size - 1);
    // Back off to the start of a character so the cut text stays valid UTF-8.
    if (n < text->size())
        while (n > 0 && (static_cast<unsigned char>((*text)[n]) & 0xC0) == 0x80)
            --n;
    std::memcpy(buffer, text->data(), n);
    buffer[n] = '\0';
    return n;
}

std::optional<std::string> load_string(Module module, std::uint32_t id) {
    return module_string(module, id);
}

} // namespace plat

#include "plat_version.h"

#include <cstring>

namespace plat {

namespace {

std::uint32_t read_u32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::size_t align4(std::size_t n) {
    return (n + 3) / 4 * 4;
}

bool same_key(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z')
            x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

struct Entry {
    std::string_view key;
    std::span<const unsigned char> value;
};

// Walks the entries of a block, checking each against the block's size.
// Calls `visit` for each until it returns true; returns false when the block
// is malformed.
template <class Visit> bool walk(std::span<const unsigned char> block, Visit visit) {
    if (block.size() < rsrc::version_header_size || std::memcmp(block.data(), "VVER", 4) != 0)
        return false;
    const std::size_t size = read_u32(block.data() + 4);
    const std::uint32_t count = read_u32(block.data() + 8);
    if (size < rsrc::version_header_size || size > block.size())
        return false;
    block = block.first(size);
    std::size_t at = rsrc::version_header_size;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (block.size() - at < 8)
            return false;
        const std::size_t key_length = read_u32(block.data() + at);
        const std::size_t value_length = read_u32(block.data() + at + 4);
        at += 8;
        // Key and its terminator, then the value and its terminator.
        if (key_length >= block.size() - at || block[at + key_length] != 0)
            return false;
        std::string_view key(reinterpret_cast<const char*>(block.data() + at), key_length);
        at = align4(at + key_length + 1);
        if (at > block.size() || value_length >= block.size() - at || block[at + value_length] != 0)
            return false;
        auto value = block.subspan(at, value_length);
        at = align4(at + value_length + 1);
        if (at > block.size())
            return false;
        if (visit(Entry{key, value}))
            return true;
    }
    return true;
}

} // namespace

bool version_block_valid(std::span<const unsigned char> block) {
    return walk(block, [](const Entry&) { return false; });
}

std::optional<std::span<const unsigned char>>
query_version_value(std::span<const unsigned char> block, std::string_view sub_block) {
    if (!version_block_valid(block))
        return std::nullopt;
    std::string wanted = sub_block.empty() || sub_block.front() != '\\'
                             ? "\\" + std::string(sub_block)
                             : std::string(sub_block);
    std::optional<std::span<const unsigned char>> found;
    walk(block, [&](const Entry& e) {
        if (!same_key(e.key, wanted))
            return false;
        found = e.value;
        return true;
    });
    return found;
}

std::uint32_t get_file_version_info_size(const char* path) {
    if (!path)
        return 0;
    rsrc::Resource_File file(path);
    auto block = file.find(rsrc::version);
    if (!block || !version_block_valid(*block))
        return 0;
    return read_u32(block->data() + 4);
}

bool get_file_version_info(const char* path, std::uint32_t size, void* data) {
    if (!path || !data)
        return false;
    rsrc::Resource_File file(path);
    auto block = file.find(rsrc::version);
    if (!block || !version_block_valid(*block))
        return false;
    const std::uint32_t block_size = read_u32(block->data() + 4);
    if (size < block_size)
        return false;
    std::memcpy(data, block->data(), block_size);
    return true;
}

bool ver_query_value(const void* block, const char* sub_block, const void** value,
                     std::uint32_t* length) {
    if (!block || !sub_block || !value)
        return false;
    const auto* bytes = static_cast<const unsigned char*>(block);
    if (std::memcmp(bytes, "VVER", 4) != 0)
        return false;
    // The block carries its size; it came whole from get_file_version_info.
    auto found = query_version_value(std::span(bytes, read_u32(bytes + 4)), sub_block);
    if (!found)
        return false;
    *value = found->data();
    if (length)
        *length = static_cast<std::uint32_t>(found->size());
    return true;
}

std::vector<unsigned char> build_version_block(const Version_Info& info) {
    std::vector<std::vector<rsrc::Version_String>> strings;
    std::vector<rsrc::String_File_Info> tables;
    strings.reserve(info.string_tables.size());
    for (const auto& table : info.string_tables) {
        auto& views = strings.emplace_back();
        for (const auto& [name, value] : table.strings)
            views.push_back(rsrc::Version_String{name, value});
        tables.push_back(rsrc::String_File_Info{table.translation, views});
    }
    const rsrc::Version_Def def{info.file_version, info.product_version, info.translations, tables};
    std::vector<unsigned char> block(rsrc::version_block_size(def));
    rsrc::Byte_Writer writer(block.data());
    rsrc::write_version_block(writer, def);
    return block;
}

} // namespace plat

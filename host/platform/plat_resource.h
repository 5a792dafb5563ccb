// Resources compiled into a library: the version block and string tables a
// module carries as constant data, and the look-ups that read them back.
//
// A library declares each resource as one record placed in the section
// `vorna_rsrc` (see PLAT_RESOURCE). The linker concatenates the records of all
// objects; the platform finds the section again by reading the library's file.
//
// Record: "VRSC", type, id, payload size (32-bit little-endian each), the
// payload, zero padding to a multiple of 8.
// String table payload: entries of id, length, text, NUL, zero padding to 4.
// Version block (the payload of a version record, and what the version
// queries return): "VVER", total size, entry count, 0, then entries of key
// length, value length, key, NUL, padding to 4, value, NUL, padding to 4.
// Keys are the query paths: "\" (fixed version numbers),
// "\VarFileInfo\Translation" (one 32-bit entry per translation, language in
// the low half, code page in the high half) and
// "\StringFileInfo\<language><code page>\<name>" (8 upper-case hex digits).
#pragma once

#include "plat_export.h"
#include "plat_module.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Places a constant resource record where the platform looks for it. `retain`
// keeps it through section garbage collection; a static library holding
// resources must still be linked whole, since nothing refers to them.
#define PLAT_RESOURCE [[gnu::section("vorna_rsrc"), gnu::used, gnu::retain, gnu::aligned(8)]]

namespace plat::rsrc {

inline constexpr char section_name[] = "vorna_rsrc";

enum Type : std::uint32_t {
    string_table = 6,
    version = 16,
};

inline constexpr std::size_t record_header_size = 16;
inline constexpr std::size_t version_header_size = 16;
inline constexpr std::uint32_t fixed_signature = 0xFEEF04BD;

struct Translation {
    std::uint16_t language;
    std::uint16_t code_page;
};

struct Version_String {
    std::string_view name;
    std::string_view value;
};

struct String_File_Info {
    Translation translation;
    std::span<const Version_String> strings;
};

// Version numbers as four parts each: 1.0.0.0 is {1, 0, 0, 0}.
struct Version_Def {
    std::array<std::uint16_t, 4> file_version;
    std::array<std::uint16_t, 4> product_version;
    std::span<const Translation> translations;
    std::span<const String_File_Info> string_tables;
};

struct String_Def {
    std::uint32_t id;
    std::string_view text;
};

// The value of the "\" entry.
struct Fixed_File_Info {
    std::uint32_t signature;
    std::uint32_t file_version_ms;
    std::uint32_t file_version_ls;
    std::uint32_t product_version_ms;
    std::uint32_t product_version_ls;
};

// Writes bytes at compile time or at run time; with no output it only counts.
class Byte_Writer {
public:
    constexpr Byte_Writer() = default;
    constexpr explicit Byte_Writer(unsigned char* out) : m_out(out) {}

    constexpr void byte(unsigned char b) {
        if (m_out)
            m_out[m_pos] = b;
        ++m_pos;
    }
    constexpr void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            byte(static_cast<unsigned char>(v >> (8 * i)));
    }
    constexpr void text(std::string_view s) {
        for (char c : s)
            byte(static_cast<unsigned char>(c));
    }
    constexpr void hex8(std::uint32_t v) {
        constexpr char digits[] = "0123456789ABCDEF";
        for (int shift = 28; shift >= 0; shift -= 4)
            byte(static_cast<unsigned char>(digits[(v >> shift) & 0xF]));
    }
    constexpr void pad(std::size_t alignment) {
        while (m_pos % alignment)
            byte(0);
    }
    // Overwrites a 32-bit value already written at `at`.
    constexpr void patch_u32(std::size_t at, std::uint32_t v) {
        if (m_out)
            for (int i = 0; i < 4; ++i)
                m_out[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
    }
    constexpr std::size_t position() const { return m_pos; }

private:
    unsigned char* m_out = nullptr;
    std::size_t m_pos = 0;
};

constexpr std::uint32_t translation_value(Translation t) {
    return static_cast<std::uint32_t>(t.language) | (static_cast<std::uint32_t>(t.code_page) << 16);
}

constexpr std::uint32_t version_high(const std::array<std::uint16_t, 4>& v) {
    return (static_cast<std::uint32_t>(v[0]) << 16) | v[1];
}
constexpr std::uint32_t version_low(const std::array<std::uint16_t, 4>& v) {
    return (static_cast<std::uint32_t>(v[2]) << 16) | v[3];
}

namespace detail {

// One entry: the key is written in up to three pieces so that string keys
// need no formatting beforehand.
struct Key {
    std::string_view head;
    bool has_translation = false;
    std::uint32_t translation = 0;
    std::string_view tail;
    constexpr std::size_t size() const {
        return head.size() + (has_translation ? 9 : 0) + tail.size();
    }
};

template <class Write_Value>
constexpr void entry(Byte_Writer& w, const Key& key, std::size_t value_size, Write_Value value) {
    w.u32(static_cast<std::uint32_t>(key.size()));
    w.u32(static_cast<std::uint32_t>(value_size));
    w.text(key.head);
    if (key.has_translation) {
        w.hex8(key.translation);
        w.byte('\\');
    }
    w.text(key.tail);
    w.byte(0);
    w.pad(4);
    value(w);
    w.byte(0);
    w.pad(4);
}

} // namespace detail

// Writes a version block; returns its size.
constexpr std::size_t write_version_block(Byte_Writer& w, const Version_Def& def) {
    const std::size_t start = w.position();
    std::uint32_t entries = 0;
    w.text("VVER");
    w.u32(0); // size, patched below
    w.u32(0); // entry count, patched below
    w.u32(0);

    detail::entry(w, {"\\", false, 0, {}}, 20, [&](Byte_Writer& v) {
        v.u32(fixed_signature);
        v.u32(version_high(def.file_version));
        v.u32(version_low(def.file_version));
        v.u32(version_high(def.product_version));
        v.u32(version_low(def.product_version));
    });
    ++entries;
    if (!def.translations.empty()) {
        detail::entry(w, {"\\VarFileInfo\\Translation", false, 0, {}}, 4 * def.translations.size(),
                      [&](Byte_Writer& v) {
                          for (const Translation& t : def.translations)
                              v.u32(translation_value(t));
                      });
        ++entries;
    }
    for (const String_File_Info& table : def.string_tables) {
        for (const Version_String& s : table.strings) {
            // Language first, then code page, as the key is read: 040904B0.
            const std::uint32_t lang_cp =
                (static_cast<std::uint32_t>(table.translation.language) << 16) |
                table.translation.code_page;
            const detail::Key key{"\\StringFileInfo\\", true, lang_cp, s.name};
            detail::entry(w, key, s.value.size(), [&](Byte_Writer& v) { v.text(s.value); });
            ++entries;
        }
    }
    const std::size_t size = w.position() - start;
    w.patch_u32(start + 4, static_cast<std::uint32_t>(size));
    w.patch_u32(start + 8, entries);
    return size;
}

constexpr std::size_t version_block_size(const Version_Def& def) {
    Byte_Writer counter;
    return write_version_block(counter, def);
}

constexpr void write_string_table(Byte_Writer& w, std::span<const String_Def> strings) {
    for (const String_Def& s : strings) {
        w.u32(s.id);
        w.u32(static_cast<std::uint32_t>(s.text.size()));
        w.text(s.text);
        w.byte(0);
        w.pad(4);
    }
}

constexpr std::size_t string_table_size(std::span<const String_Def> strings) {
    Byte_Writer counter;
    write_string_table(counter, strings);
    return counter.position();
}

constexpr std::size_t record_size(std::size_t payload) {
    return record_header_size + (payload + 7) / 8 * 8;
}

template <std::size_t N, class Write_Payload>
constexpr std::array<unsigned char, N> make_record(std::uint32_t type, std::uint32_t id,
                                                   std::size_t payload, Write_Payload write) {
    std::array<unsigned char, N> out{};
    Byte_Writer w(out.data());
    w.text("VRSC");
    w.u32(type);
    w.u32(id);
    w.u32(static_cast<std::uint32_t>(payload));
    write(w);
    w.pad(8);
    return out;
}

// Record of a version block, built at compile time from a constant definition.
template <const Version_Def& Def> consteval auto version_record() {
    constexpr std::size_t payload = version_block_size(Def);
    return make_record<record_size(payload)>(version, 1, payload,
                                             [](Byte_Writer& w) { write_version_block(w, Def); });
}

// Record of a string table, built at compile time from a constant table.
template <const auto& Strings> consteval auto string_table_record() {
    constexpr std::span<const String_Def> table(Strings);
    constexpr std::size_t payload = string_table_size(table);
    return make_record<record_size(payload)>(string_table, 1, payload, [](Byte_Writer& w) {
        write_string_table(w, std::span<const String_Def>(Strings));
    });
}

// One record found in a section.
struct Record {
    std::uint32_t type;
    std::uint32_t id;
    std::span<const unsigned char> payload;
};

// Splits a section into records; nullopt when the section is malformed.
PLAT_EXPORT std::optional<std::vector<Record>>
parse_records(std::span<const unsigned char> section);

// Looks an id up in a string-table payload; nullopt when absent or malformed.
PLAT_EXPORT std::optional<std::string_view> find_string(std::span<const unsigned char> table,
                                                        std::uint32_t id);

// Resources of a library file, read once.
class PLAT_EXPORT Resource_File {
public:
    // Reads the section of the file at `path`; `valid()` says whether it was
    // found and well formed.
    explicit Resource_File(const std::string& path);
    bool valid() const { return m_valid; }
    // First record of this type (and id, when given).
    std::optional<std::span<const unsigned char>> find(std::uint32_t type,
                                                       std::optional<std::uint32_t> id = {}) const;
    std::optional<std::string> string(std::uint32_t id) const;

private:
    std::vector<unsigned char> m_section;
    std::vector<Record> m_records;
    bool m_valid = false;
};

} // namespace plat::rsrc

namespace plat {

// Loads string `id` of `module` into `buffer` of `size` characters, cutting it
// to size - 1 characters (never inside a UTF-8 sequence) and terminating it.
// Returns the number of characters copied; 0 when the string is missing (the
// buffer then holds an empty string).
PLAT_EXPORT std::size_t load_string(Module module, std::uint32_t id, char* buffer,
                                    std::size_t size);
// The whole string, or nullopt when missing.
PLAT_EXPORT std::optional<std::string> load_string(Module module, std::uint32_t id);

} // namespace plat

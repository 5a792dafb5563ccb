// The printer stream written by the reference spool module and read by
// vorna-prn: tags, version, limits, little-endian helpers, PackBits, and the
// field tables that say where each record field lies in the stream (the 32-bit
// layout) and in the native struct. The tables are constant data so that the
// writer, the reader and the layout checks all use the same list.
#pragma once

#include "spool_records.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

namespace spool_stream {

// ---------------------------------------------------------------------------
// Framing: every record is a 4-character tag, a u32 payload length and the
// payload. A job starts with the header record and ends with the job end.

inline constexpr uint16_t version_major = 1;
inline constexpr uint16_t version_minor = 0;
inline constexpr std::size_t record_head_size = 8;

using Tag = std::array<char, 4>;
inline constexpr Tag tag_header{'V', 'P', 'R', 'N'};
inline constexpr Tag tag_job_params{'J', 'O', 'B', 'P'};
inline constexpr Tag tag_margin_free{'M', 'F', 'R', 'E'};
inline constexpr Tag tag_print_mode{'P', 'M', 'O', 'D'};
inline constexpr Tag tag_media{'M', 'E', 'D', 'I'};
inline constexpr Tag tag_mode_columns{'M', 'C', 'O', 'L'};
inline constexpr Tag tag_modules{'M', 'O', 'D', 'S'};
inline constexpr Tag tag_path{'P', 'A', 'T', 'H'};
inline constexpr Tag tag_page{'P', 'A', 'G', 'E'};
inline constexpr Tag tag_band{'B', 'A', 'N', 'D'};
inline constexpr Tag tag_page_end{'P', 'E', 'N', 'D'};
inline constexpr Tag tag_job_end{'J', 'E', 'N', 'D'};

// Fixed payload sizes (version 1.0; a later minor version may append).
inline constexpr uint32_t header_size = 8; // u16 major, u16 minor, u32 address size
inline constexpr uint32_t mode_columns_size = 4 * spool_mode_column_count;
inline constexpr uint32_t band_head_size = 56; // bandSize, bandData, bandRect, reserved,
                                               // u32 row encoding; then the rows
inline constexpr uint32_t page_end_size = 16;  // u32 how, options, bands, rows
inline constexpr uint32_t job_end_size = 16;   // u32 pages, u32 0, u64 job bytes

// How a page ended (first field of the page end record).
inline constexpr uint32_t page_end_terminate = 1;
inline constexpr uint32_t page_end_terminate_ex = 2;
inline constexpr uint32_t page_end_reset = 3;     // abandoned by ResetJob
inline constexpr uint32_t page_end_destroyed = 4; // job destroyed with the page open

// Row encodings of a band.
inline constexpr uint32_t encoding_planar_packbits = 1;

// Path slots of the path record.
inline constexpr uint32_t path_slot_mod4 = 0;
inline constexpr uint32_t path_slot_mod3 = 1;
inline constexpr uint32_t path_slot_list = 2; // list entry i is slot 2 + i

// ---------------------------------------------------------------------------
// Limits shared by writer and reader. Real pages are far inside them (A2 at
// 720 dpi is about 12000 × 17000 dots); they only bound hostile input.

inline constexpr uint32_t max_width = 65536;        // dots per row
inline constexpr uint32_t max_band_rows = 1024;     // rows per band
inline constexpr uint32_t max_page_rows = 1u << 20; // rows per page
inline constexpr uint32_t max_stride = 1u << 24;    // bytes from row to row
inline constexpr std::size_t max_path = 4096;       // bytes of a module path
inline constexpr std::size_t max_module_list = 16;  // entries of the module list

// ---------------------------------------------------------------------------
// Little-endian access.

inline void put_u16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void put_u32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void put_u64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint16_t get_u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t get_u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline uint64_t get_u64(const uint8_t* p) {
    return static_cast<uint64_t>(get_u32(p)) | static_cast<uint64_t>(get_u32(p + 4)) << 32;
}

// ---------------------------------------------------------------------------
// Field tables.

enum class Field_Kind : uint8_t {
    value,   // a number
    address, // an address: the stream holds 1 when one was given, 0 for null
};

struct Field {
    const char* name;
    uint16_t offset; // in the stream (the 32-bit layout)
    uint8_t width;   // 2 or 4 bytes in the stream
    Field_Kind kind;
    bool is_signed;         // how to show the value
    uint16_t native_offset; // in the struct of this build
};

struct Record_Layout {
    const char* name; // the record's name, e.g. "jobParams"
    Tag tag;
    uint32_t size; // bytes in the stream
    std::span<const Field> fields;
};

namespace detail {
template <class M> constexpr uint8_t stream_width() {
    if constexpr (std::is_pointer_v<M>)
        return 4;
    else
        return static_cast<uint8_t>(sizeof(M));
}
template <class M> constexpr Field_Kind kind_of() {
    return std::is_pointer_v<M> ? Field_Kind::address : Field_Kind::value;
}
template <class M> constexpr bool signed_of() {
    if constexpr (std::is_pointer_v<M>)
        return false;
    else
        return std::is_signed_v<M>;
}
} // namespace detail

#define SPOOL_FIELD(T, member, off)                                                                \
    ::spool_stream::Field {                                                                        \
#member, off, ::spool_stream::detail::stream_width < decltype(T::member)>(),               \
            ::spool_stream::detail::kind_of < decltype(T::member)>(),                              \
            ::spool_stream::detail::signed_of < decltype(T::member)>(),                            \
            static_cast < uint16_t>(offsetof(T, member))                                           \
    }

inline constexpr std::array job_params_fields{
    SPOOL_FIELD(Spool_Job_Params, record_kind, 0),
    SPOOL_FIELD(Spool_Job_Params, reserved_2, 2),
    SPOOL_FIELD(Spool_Job_Params, mode_column_2, 4),
    SPOOL_FIELD(Spool_Job_Params, mode_column_3, 8),
    SPOOL_FIELD(Spool_Job_Params, mode_column_5, 12),
    SPOOL_FIELD(Spool_Job_Params, mode_column_6, 16),
    SPOOL_FIELD(Spool_Job_Params, mode_column_7, 20),
    SPOOL_FIELD(Spool_Job_Params, mode_column_8, 24),
    SPOOL_FIELD(Spool_Job_Params, paper_width, 28),
    SPOOL_FIELD(Spool_Job_Params, paper_height, 32),
    SPOOL_FIELD(Spool_Job_Params, printable_width, 36),
    SPOOL_FIELD(Spool_Job_Params, printable_height, 40),
    SPOOL_FIELD(Spool_Job_Params, printable_width_2, 44),
    SPOOL_FIELD(Spool_Job_Params, printable_height_2, 48),
    SPOOL_FIELD(Spool_Job_Params, fixed_52, 52),
    SPOOL_FIELD(Spool_Job_Params, sheet_margin, 56),
    SPOOL_FIELD(Spool_Job_Params, media_code, 60),
    SPOOL_FIELD(Spool_Job_Params, mode_column_10, 64),
    SPOOL_FIELD(Spool_Job_Params, fixed_68, 68),
    SPOOL_FIELD(Spool_Job_Params, pass_mode, 72),
    SPOOL_FIELD(Spool_Job_Params, media_handling, 76),
    SPOOL_FIELD(Spool_Job_Params, fixed_80, 80),
    SPOOL_FIELD(Spool_Job_Params, source_code, 84),
    SPOOL_FIELD(Spool_Job_Params, size_code, 88),
    SPOOL_FIELD(Spool_Job_Params, fixed_92, 92),
    SPOOL_FIELD(Spool_Job_Params, reserved_94, 94),
    SPOOL_FIELD(Spool_Job_Params, fixed_96, 96),
    SPOOL_FIELD(Spool_Job_Params, color_mode, 100),
    SPOOL_FIELD(Spool_Job_Params, margin_free, 104),
    SPOOL_FIELD(Spool_Job_Params, margin_free_margin, 108),
    SPOOL_FIELD(Spool_Job_Params, fixed_112, 112),
    SPOOL_FIELD(Spool_Job_Params, print_mode, 116),
    SPOOL_FIELD(Spool_Job_Params, media, 120),
    SPOOL_FIELD(Spool_Job_Params, fixed_124, 124),
    SPOOL_FIELD(Spool_Job_Params, fixed_128, 128),
};

inline constexpr std::array margin_free_fields{
    SPOOL_FIELD(Spool_Margin_Free, record_kind, 0),
    SPOOL_FIELD(Spool_Margin_Free, fixed_2, 2),
    SPOOL_FIELD(Spool_Margin_Free, fixed_4, 4),
    SPOOL_FIELD(Spool_Margin_Free, fixed_8, 8),
};

inline constexpr std::array print_mode_fields{
    SPOOL_FIELD(Spool_Print_Mode, record_kind, 0),
    SPOOL_FIELD(Spool_Print_Mode, reserved_2, 2),
    SPOOL_FIELD(Spool_Print_Mode, print_mode_id, 4),
    SPOOL_FIELD(Spool_Print_Mode, ink_density_factor, 8),
    SPOOL_FIELD(Spool_Print_Mode, feed_offset, 12),
    SPOOL_FIELD(Spool_Print_Mode, drying_time, 14),
    SPOOL_FIELD(Spool_Print_Mode, paper_thickness, 16),
    SPOOL_FIELD(Spool_Print_Mode, suction, 18),
    SPOOL_FIELD(Spool_Print_Mode, cut_method, 20),
    SPOOL_FIELD(Spool_Print_Mode, reserved_24, 24),
    SPOOL_FIELD(Spool_Print_Mode, platen_gap, 26),
    SPOOL_FIELD(Spool_Print_Mode, eject_roller, 28),
    SPOOL_FIELD(Spool_Print_Mode, fixed_30, 30),
};

inline constexpr std::array media_fields{
    SPOOL_FIELD(Spool_Media, record_kind, 0),  SPOOL_FIELD(Spool_Media, reserved_2, 2),
    SPOOL_FIELD(Spool_Media, mode_columns, 4), SPOOL_FIELD(Spool_Media, fixed_8, 8),
    SPOOL_FIELD(Spool_Media, fixed_12, 12),    SPOOL_FIELD(Spool_Media, fixed_16, 16),
    SPOOL_FIELD(Spool_Media, fixed_20, 20),    SPOOL_FIELD(Spool_Media, fixed_24, 24),
    SPOOL_FIELD(Spool_Media, fixed_28, 28),    SPOOL_FIELD(Spool_Media, fixed_32, 32),
};

inline constexpr std::array modules_fields{
    SPOOL_FIELD(Spool_Modules, path_mod4, 0),   SPOOL_FIELD(Spool_Modules, path_mod3, 4),
    SPOOL_FIELD(Spool_Modules, module_list, 8), SPOOL_FIELD(Spool_Modules, fixed_12, 12),
    SPOOL_FIELD(Spool_Modules, output, 16),     SPOOL_FIELD(Spool_Modules, fixed_20, 20),
};

inline constexpr std::array page_params_fields{
    SPOOL_FIELD(Spool_Page_Params, record_kind, 0),
    SPOOL_FIELD(Spool_Page_Params, reserved_2, 2),
    SPOOL_FIELD(Spool_Page_Params, color_mode, 4),
    SPOOL_FIELD(Spool_Page_Params, reserved_8, 8),
    SPOOL_FIELD(Spool_Page_Params, fixed_12, 12),
    SPOOL_FIELD(Spool_Page_Params, reserved_16, 16),
    SPOOL_FIELD(Spool_Page_Params, reserved_20, 20),
    SPOOL_FIELD(Spool_Page_Params, reserved_24, 24),
    SPOOL_FIELD(Spool_Page_Params, reserved_28, 28),
    SPOOL_FIELD(Spool_Page_Params, reserved_32, 32),
    SPOOL_FIELD(Spool_Page_Params, reserved_36, 36),
    SPOOL_FIELD(Spool_Page_Params, gamma, 40),
    SPOOL_FIELD(Spool_Page_Params, reserved_44, 44),
    SPOOL_FIELD(Spool_Page_Params, reserved_48, 48),
    SPOOL_FIELD(Spool_Page_Params, reserved_52, 52),
};

inline constexpr std::array band_size_fields{
    SPOOL_FIELD(Spool_Band_Size, x, 0),
    SPOOL_FIELD(Spool_Band_Size, y, 4),
    SPOOL_FIELD(Spool_Band_Size, width, 8),
    SPOOL_FIELD(Spool_Band_Size, rows, 12),
};

inline constexpr std::array band_data_fields{
    SPOOL_FIELD(Spool_Band_Data, stride, 0),
    SPOOL_FIELD(Spool_Band_Data, rows, 4),
};

inline constexpr std::array band_rect_fields{
    SPOOL_FIELD(Spool_Band_Rect, left, 0),
    SPOOL_FIELD(Spool_Band_Rect, top, 4),
    SPOOL_FIELD(Spool_Band_Rect, right, 8),
    SPOOL_FIELD(Spool_Band_Rect, bottom, 12),
};

inline constexpr std::array band_reserved_fields{
    SPOOL_FIELD(Spool_Band_Reserved, reserved_0, 0),
    SPOOL_FIELD(Spool_Band_Reserved, reserved_4, 4),
    SPOOL_FIELD(Spool_Band_Reserved, reserved_8, 8),
};

#undef SPOOL_FIELD

inline constexpr Record_Layout job_params_layout{"jobParams", tag_job_params, 132,
                                                 job_params_fields};
inline constexpr Record_Layout margin_free_layout{"margin-free", tag_margin_free, 12,
                                                  margin_free_fields};
inline constexpr Record_Layout print_mode_layout{"printMode", tag_print_mode, 32,
                                                 print_mode_fields};
inline constexpr Record_Layout media_layout{"media", tag_media, 36, media_fields};
inline constexpr Record_Layout modules_layout{"modules", tag_modules, 24, modules_fields};
inline constexpr Record_Layout page_params_layout{"pageParams", tag_page, 56, page_params_fields};
// The band blocks travel inside the band record, one after the other.
inline constexpr Record_Layout band_size_layout{"bandSize", tag_band, 16, band_size_fields};
inline constexpr Record_Layout band_data_layout{"bandData", tag_band, 8, band_data_fields};
inline constexpr Record_Layout band_rect_layout{"bandRect", tag_band, 16, band_rect_fields};
inline constexpr Record_Layout band_reserved_layout{"reserved", tag_band, 12, band_reserved_fields};

// The band record's head: the four blocks one after the other, then the u32
// row encoding; the rows follow the head.
inline constexpr uint32_t band_size_at = 0;
inline constexpr uint32_t band_data_at = band_size_at + band_size_layout.size;
inline constexpr uint32_t band_rect_at = band_data_at + band_data_layout.size;
inline constexpr uint32_t band_reserved_at = band_rect_at + band_rect_layout.size;
inline constexpr uint32_t band_encoding_at = band_reserved_at + band_reserved_layout.size;
static_assert(band_encoding_at + 4 == band_head_size);

// Every byte of a record belongs to exactly one field, in offset order.
constexpr bool covers_record(const Record_Layout& layout) {
    uint32_t next = 0;
    for (const Field& f : layout.fields) {
        if (f.offset != next || (f.width != 2 && f.width != 4))
            return false;
        next += f.width;
    }
    return next == layout.size;
}
static_assert(covers_record(job_params_layout));
static_assert(covers_record(margin_free_layout));
static_assert(covers_record(print_mode_layout));
static_assert(covers_record(media_layout));
static_assert(covers_record(modules_layout));
static_assert(covers_record(page_params_layout));
static_assert(covers_record(band_size_layout));
static_assert(covers_record(band_data_layout));
static_assert(covers_record(band_rect_layout));
static_assert(covers_record(band_reserved_layout));

// The field of a layout with this name (null when there is none).
constexpr const Field* find_field(const Record_Layout& layout, std::string_view name) {
    for (const Field& f : layout.fields)
        if (name == f.name)
            return &f;
    return nullptr;
}

// Where a field of one of the band's blocks lies in the band head, e.g.
// band_head_offset(band_rect_layout, band_rect_at, "top").
consteval uint32_t band_head_offset(const Record_Layout& block, uint32_t block_at,
                                    std::string_view field) {
    for (const Field& f : block.fields)
        if (field == f.name && f.width == 4)
            return block_at + f.offset;
    throw "no such 32-bit field in the band head";
}

// Writes a native record into its stream form (size bytes at `out`).
template <class T> void encode_record(const Record_Layout& layout, const T& record, uint8_t* out) {
    const auto* base = reinterpret_cast<const uint8_t*>(&record);
    for (const Field& f : layout.fields) {
        const uint8_t* src = base + f.native_offset;
        if (f.kind == Field_Kind::address) {
            const void* address;
            std::memcpy(&address, src, sizeof address);
            put_u32(out + f.offset, address != nullptr ? 1 : 0);
        } else if (f.width == 2) {
            uint16_t v;
            std::memcpy(&v, src, 2);
            put_u16(out + f.offset, v);
        } else {
            uint32_t v;
            std::memcpy(&v, src, 4);
            put_u32(out + f.offset, v);
        }
    }
}

// Reads one field of a record's stream form.
inline uint32_t field_value(const Field& f, const uint8_t* record) {
    return f.width == 2 ? get_u16(record + f.offset) : get_u32(record + f.offset);
}

// ---------------------------------------------------------------------------
// PackBits (the TIFF variant) over one plane of a row.

// Largest output for n input bytes.
constexpr std::size_t packbits_bound(std::size_t n) {
    return n + (n + 127) / 128;
}

// Appends the encoding of `in` to `out`.
void packbits_encode(std::span<const uint8_t> in, std::vector<uint8_t>& out);

// Decodes exactly out.size() bytes from `in`, starting at `pos`; advances
// `pos`. Returns false when the input ends early or a run overshoots.
bool packbits_decode(std::span<const uint8_t> in, std::size_t& pos, std::span<uint8_t> out);

// A row of 4-byte dots is stored as four planes (red, green, blue, fourth
// byte), each PackBits-encoded: uniform areas shrink even though neighbouring
// bytes of a dot differ.
inline constexpr std::size_t row_bound(uint32_t width) {
    return 4 * packbits_bound(width);
}
void encode_row(const uint8_t* dots, uint32_t width, std::vector<uint8_t>& out,
                std::vector<uint8_t>& plane);
// Decodes one row (width dots) from exactly `in`; false when it does not fit.
bool decode_row(std::span<const uint8_t> in, uint32_t width, uint8_t* dots,
                std::vector<uint8_t>& plane);

// Walks the codes of one plane from `pos` over exactly `count` bytes without
// writing them out, for readers that need less than every dot: a repeat is
// handed as run(at, n, value), a literal as literal(at, bytes, n). Advances
// `pos`; false as for packbits_decode.
template <class Run, class Literal>
bool packbits_walk(std::span<const uint8_t> in, std::size_t& pos, std::size_t count, Run&& run,
                   Literal&& literal) {
    std::size_t filled = 0;
    while (filled < count) {
        if (pos >= in.size())
            return false;
        const auto n = static_cast<int8_t>(in[pos++]);
        if (n >= 0) {
            const std::size_t k = static_cast<std::size_t>(n) + 1;
            if (k > in.size() - pos || k > count - filled)
                return false;
            literal(filled, in.data() + pos, k);
            pos += k;
            filled += k;
        } else if (n != -128) {
            const std::size_t k = static_cast<std::size_t>(1 - n);
            if (pos >= in.size() || k > count - filled)
                return false;
            run(filled, k, in[pos++]);
            filled += k;
        }
    }
    return true;
}

// Whether exactly `in` decodes to one row of width dots (decode_row's check,
// without the dots).
bool check_row(std::span<const uint8_t> in, uint32_t width);

} // namespace spool_stream

// Reader of the printer stream. Every length and count read from the input is
// checked against what is left and against the format's limits before it is
// used, so arbitrary bytes give a Stream_Error, never a bad read.
#include "stream_decoder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace spool_stream {

// ---------------------------------------------------------------------------
// Sources

void Memory_Source::read_at(uint64_t offset, std::span<uint8_t> out) {
    // The decoder stays inside size(); this guards other callers.
    if (offset > m_bytes.size() || out.size() > m_bytes.size() - offset)
        throw std::out_of_range("read past the end of the stream");
    std::copy_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
}

File_Source::File_Source(const std::string& path) : m_path(path) {
    // Open the file and learn its size; only regular files can be read twice.
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        throw std::runtime_error("cannot open: " + std::string(std::strerror(errno)));
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(m_fd);
        m_fd = -1;
        throw std::runtime_error("not a regular file");
    }
    m_size = static_cast<uint64_t>(st.st_size);
}

File_Source::~File_Source() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void File_Source::read_at(uint64_t offset, std::span<uint8_t> out) {
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n =
            ::pread(m_fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw Stream_Error(offset + done,
                               n == 0 ? std::string("file shrank while being read")
                                      : "read error: " + std::string(std::strerror(errno)));
        done += static_cast<std::size_t>(n);
    }
}

// ---------------------------------------------------------------------------

std::string tag_text(const Tag& tag) {
    std::string text;
    for (char c : tag) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F) {
            text += c;
        } else {
            static const char hex[] = "0123456789ABCDEF";
            text += "\\x";
            text += hex[u >> 4];
            text += hex[u & 15];
        }
    }
    return text;
}

namespace {

std::string num(uint64_t v) {
    return std::to_string(v);
}

struct Head {
    uint64_t offset = 0; // of the tag
    Tag tag{};
    uint32_t length = 0;
    uint64_t payload() const { return offset + record_head_size; }
    uint64_t end() const { return payload() + length; }
};

class Decoder {
public:
    Decoder(Byte_Source& source, Stream_Visitor& visitor) : m_src(source), m_v(visitor) {}

    void run() {
        // A stream is one or more jobs; copies and several pages of a plot
        // follow one another.
        if (m_src.size() == 0)
            throw Stream_Error(0, "empty stream");
        unsigned jobs = 0;
        while (m_pos < m_src.size()) {
            const Head head = next_head();
            if (jobs == 0 && head.tag != tag_header)
                throw Stream_Error(0, "not a printer stream: starts with '" + tag_text(head.tag) +
                                          "' instead of '" + tag_text(tag_header) + "'");
            if (head.tag == tag_header) {
                job(head, jobs++);
            } else if (head.tag == tag_page_end) {
                cancelled_copy(head);
            } else if (is_known(head.tag)) {
                throw Stream_Error(head.offset,
                                   "'" + tag_text(head.tag) + "' record outside a job");
            } else {
                m_v.unknown_record(head.offset, head.tag, head.length);
            }
        }
    }

private:
    Byte_Source& m_src;
    Stream_Visitor& m_v;
    uint64_t m_pos = 0;
    uint16_t m_minor = 0;
    std::vector<uint8_t> m_row;
    std::vector<uint8_t> m_plane;
    std::vector<uint8_t> m_dots;

    static bool is_known(const Tag& t) {
        for (const Tag& k : {tag_header, tag_job_params, tag_margin_free, tag_print_mode, tag_media,
                             tag_mode_columns, tag_modules, tag_path, tag_page, tag_band,
                             tag_page_end, tag_job_end})
            if (t == k)
                return true;
        return false;
    }

    // Reads the head of the record at the current position and moves past
    // the whole record; its payload is known to lie inside the stream.
    Head next_head() {
        const uint64_t left = m_src.size() - m_pos;
        if (left < record_head_size)
            throw Stream_Error(m_pos, "truncated stream: a record head needs " +
                                          num(record_head_size) + " bytes, only " + num(left) +
                                          " left");
        uint8_t raw[record_head_size];
        m_src.read_at(m_pos, raw);
        Head head;
        head.offset = m_pos;
        std::memcpy(head.tag.data(), raw, 4);
        head.length = get_u32(raw + 4);
        if (head.length > left - record_head_size)
            throw Stream_Error(m_pos, "truncated '" + tag_text(head.tag) + "' record: payload of " +
                                          num(head.length) + " bytes, only " +
                                          num(left - record_head_size) + " left");
        m_pos = head.end();
        return head;
    }

    // The next record this version knows; unknown ones are reported and skipped.
    Head next_known(const char* what) {
        for (;;) {
            if (m_pos >= m_src.size())
                throw Stream_Error(m_pos, std::string("truncated stream: ") + what + " missing");
            const Head head = next_head();
            if (is_known(head.tag))
                return head;
            m_v.unknown_record(head.offset, head.tag, head.length);
        }
    }

    Head expect(const Tag& tag, const char* what) {
        const Head head = next_known(what);
        if (head.tag != tag)
            throw Stream_Error(head.offset, std::string("expected ") + what + " ('" +
                                                tag_text(tag) + "'), found '" + tag_text(head.tag) +
                                                "'");
        return head;
    }

    // A record of fixed size: exactly that long in version 1.0; a later minor
    // version may append fields, which are skipped.
    Record_Bytes fixed(const Head& head, uint32_t size, const char* what) {
        if (head.length < size || (m_minor == 0 && head.length != size))
            throw Stream_Error(head.offset, std::string(what) + " record has " + num(head.length) +
                                                " bytes instead of " + num(size));
        Record_Bytes rec;
        rec.offset = head.offset;
        rec.bytes.resize(size);
        m_src.read_at(head.payload(), rec.bytes);
        return rec;
    }

    Record_Bytes fixed(const Head& head, const Record_Layout& layout) {
        Record_Bytes rec = fixed(head, layout.size, layout.name);
        // Address fields only say whether an address was given.
        for (const Field& f : layout.fields)
            if (f.kind == Field_Kind::address && rec.value(f) > 1)
                throw Stream_Error(head.payload() + f.offset,
                                   std::string(layout.name) + "." + f.name + " holds " +
                                       num(rec.value(f)) + ", expected 0 or 1");
        return rec;
    }

    void job(const Head& head, unsigned index) {
        Job_Info job;
        job.offset = head.offset;
        job.index = index;

        // Header: version and the writer's address size.
        if (head.length < header_size)
            throw Stream_Error(head.offset, "header record has " + num(head.length) +
                                                " bytes instead of " + num(header_size));
        uint8_t raw[header_size];
        m_src.read_at(head.payload(), raw);
        job.major = get_u16(raw);
        job.minor = get_u16(raw + 2);
        job.address_size = get_u32(raw + 4);
        if (job.major != version_major)
            throw Stream_Error(head.payload(), "unsupported stream version " + num(job.major) +
                                                   "." + num(job.minor));
        m_minor = job.minor;
        if (m_minor == 0 && head.length != header_size)
            throw Stream_Error(head.offset, "header record has " + num(head.length) +
                                                " bytes instead of " + num(header_size));
        if (job.address_size != 4 && job.address_size != 8)
            throw Stream_Error(head.payload() + 4,
                               "address size " + num(job.address_size) + " is neither 4 nor 8");

        // The job records, in the order the module received them.
        job.job_params = fixed(expect(tag_job_params, "jobParams"), job_params_layout);
        if (job.job_params.value(*find_field(job_params_layout, "margin_free")) != 0)
            job.margin_free =
                fixed(expect(tag_margin_free, "margin-free record"), margin_free_layout);
        job.print_mode = fixed(expect(tag_print_mode, "printMode"), print_mode_layout);
        job.media = fixed(expect(tag_media, "media"), media_layout);
        job.mode_columns =
            fixed(expect(tag_mode_columns, "mode columns"), mode_columns_size, "mode columns");
        job.modules = fixed(expect(tag_modules, "modules"), modules_layout);

        // Module paths, slot after slot, then the pages.
        Head next = next_known("page or job end");
        while (next.tag == tag_path) {
            job.paths.push_back(path(next, job.paths.size()));
            next = next_known("page or job end");
        }
        if (job.paths.size() < path_slot_list)
            throw Stream_Error(next.offset, "module paths missing: " + num(job.paths.size()) +
                                                " of at least " + num(path_slot_list));
        m_v.job_begin(job);

        uint32_t pages = 0;
        while (next.tag == tag_page) {
            page(next, job.index, pages++);
            next = next_known("page or job end");
        }
        if (next.tag != tag_job_end)
            throw Stream_Error(next.offset, "expected a page or the job end, found '" +
                                                tag_text(next.tag) + "'");
        const Record_Bytes end = fixed(next, job_end_size, "job end");
        Job_End je;
        je.offset = next.offset;
        je.pages = get_u32(end.bytes.data());
        je.job_bytes = get_u64(end.bytes.data() + 8);
        if (je.pages != pages)
            throw Stream_Error(next.payload(), "job end counts " + num(je.pages) +
                                                   " pages, the job has " + num(pages));
        if (je.job_bytes != next.offset - job.offset)
            throw Stream_Error(next.payload() + 8, "job end counts " + num(je.job_bytes) +
                                                       " bytes, the job has " +
                                                       num(next.offset - job.offset));
        m_v.job_end(je);
    }

    Module_Path path(const Head& head, std::size_t slot) {
        if (head.length < 4 || head.length > 4 + max_path)
            throw Stream_Error(head.offset, "path record of " + num(head.length) + " bytes");
        if (slot >= path_slot_list + max_module_list)
            throw Stream_Error(head.offset,
                               "more than " + num(max_module_list) + " entries in the module list");
        std::vector<uint8_t> raw(head.length);
        m_src.read_at(head.payload(), raw);
        Module_Path p;
        p.slot = get_u32(raw.data());
        if (p.slot != slot)
            throw Stream_Error(head.payload(), "path slot " + num(p.slot) + " where slot " +
                                                   num(slot) + " was due");
        p.path.assign(raw.begin() + 4, raw.end());
        if (p.path.find('\0') != std::string::npos)
            throw Stream_Error(head.payload() + 4, "path holds a zero byte");
        return p;
    }

    void page(const Head& head, unsigned job, unsigned index) {
        Page_Info info;
        info.offset = head.offset;
        info.job = job;
        info.index = index;
        info.page_params = fixed(head, page_params_layout);
        m_v.page_begin(info);

        Page_End totals;
        Head next = next_known("band or page end");
        while (next.tag == tag_band) {
            band(next, totals);
            next = next_known("band or page end");
        }
        if (next.tag != tag_page_end)
            throw Stream_Error(next.offset, "expected a band or the page end, found '" +
                                                tag_text(next.tag) + "'");
        const Record_Bytes end = fixed(next, page_end_size, "page end");
        totals.offset = next.offset;
        totals.how = get_u32(end.bytes.data());
        totals.options = get_u32(end.bytes.data() + 4);
        const uint32_t bands = get_u32(end.bytes.data() + 8);
        const uint32_t rows = get_u32(end.bytes.data() + 12);
        if (totals.how < page_end_terminate || totals.how > page_end_destroyed)
            throw Stream_Error(next.payload(), "unknown page end kind " + num(totals.how));
        if (bands != totals.bands || rows != totals.rows)
            throw Stream_Error(next.payload() + 8, "page end counts " + num(bands) + " bands and " +
                                                       num(rows) + " rows, the page has " +
                                                       num(totals.bands) + " and " +
                                                       num(totals.rows));
        m_v.page_end(totals);
    }

    void band(const Head& head, Page_End& page) {
        if (head.length < band_head_size)
            throw Stream_Error(head.offset, "band record of " + num(head.length) +
                                                " bytes is shorter than its " +
                                                num(band_head_size) + "-byte head");
        Band_Info info;
        info.offset = head.offset;
        info.blocks.offset = head.offset;
        info.blocks.bytes.resize(band_head_size);
        m_src.read_at(head.payload(), info.blocks.bytes);
        const uint8_t* b = info.blocks.bytes.data();
        const uint64_t at = head.payload();

        // The blocks: size, data, rect, reserved; then the row encoding.
        constexpr uint32_t width_at = band_head_offset(band_size_layout, band_size_at, "width");
        constexpr uint32_t rows_at = band_head_offset(band_size_layout, band_size_at, "rows");
        constexpr uint32_t address_at = band_head_offset(band_data_layout, band_data_at, "rows");
        constexpr uint32_t left_at = band_head_offset(band_rect_layout, band_rect_at, "left");
        constexpr uint32_t top_at = band_head_offset(band_rect_layout, band_rect_at, "top");
        constexpr uint32_t right_at = band_head_offset(band_rect_layout, band_rect_at, "right");
        constexpr uint32_t bottom_at = band_head_offset(band_rect_layout, band_rect_at, "bottom");
        const uint32_t width = get_u32(b + width_at);
        const uint32_t rows = get_u32(b + rows_at);
        const uint32_t data_address = get_u32(b + address_at);
        const uint32_t left = get_u32(b + left_at), top = get_u32(b + top_at);
        const uint32_t right = get_u32(b + right_at), bottom = get_u32(b + bottom_at);
        const uint32_t encoding = get_u32(b + band_encoding_at);
        if (width == 0 || width > max_width)
            throw Stream_Error(at + width_at,
                               "band width " + num(width) + " outside 1.." + num(max_width));
        if (rows == 0 || rows > max_band_rows)
            throw Stream_Error(at + rows_at,
                               "band of " + num(rows) + " rows, outside 1.." + num(max_band_rows));
        if (data_address > 1)
            throw Stream_Error(at + address_at,
                               "bandData.rows holds " + num(data_address) + ", expected 0 or 1");
        if (left != 0 || right != width || bottom < top || bottom - top != rows)
            throw Stream_Error(at + left_at, "band rectangle (" + num(left) + ", " + num(top) +
                                                 ", " + num(right) + ", " + num(bottom) +
                                                 ") does not match its size " + num(width) + " x " +
                                                 num(rows));
        if (top != page.rows)
            throw Stream_Error(at + top_at, "band starts at row " + num(top) + ", expected row " +
                                                num(page.rows));
        if (page.width != 0 && width != page.width)
            throw Stream_Error(at + width_at, "band width " + num(width) +
                                                  " differs from the page's " + num(page.width));
        if (page.rows + rows > max_page_rows)
            throw Stream_Error(at + top_at, "page longer than " + num(max_page_rows) + " rows");
        if (encoding != encoding_planar_packbits)
            throw Stream_Error(at + band_encoding_at, "unknown row encoding " + num(encoding));

        // The rows, each a u32 length and its encoded planes. Each plane takes
        // at least two bytes per 128 dots, so a short record cannot make the
        // reader allocate a band's worth of dots.
        const uint64_t least_row = 4 + 4 * 2 * ((uint64_t{width} + 127) / 128);
        if (uint64_t{rows} * least_row > head.length - band_head_size)
            throw Stream_Error(at + rows_at, "band of " + num(rows) + " rows of " + num(width) +
                                                 " dots cannot fit in " +
                                                 num(head.length - band_head_size) + " bytes");
        const bool encoded = m_v.wants_encoded_rows();
        m_dots.resize(encoded ? 0 : static_cast<std::size_t>(width) * 4 * rows);
        uint64_t pos = at + band_head_size;
        const uint64_t end = head.end();
        for (uint32_t r = 0; r < rows; ++r) {
            if (end - pos < 4)
                throw Stream_Error(pos, "band ends before row " + num(r));
            uint8_t len_raw[4];
            m_src.read_at(pos, len_raw);
            const uint32_t len = get_u32(len_raw);
            if (len > row_bound(width) || len > end - pos - 4)
                throw Stream_Error(pos, "row " + num(r) + " claims " + num(len) +
                                            " bytes; the band has " + num(end - pos - 4) +
                                            " left, a row at most " + num(row_bound(width)));
            m_row.resize(len);
            m_src.read_at(pos + 4, m_row);
            if (encoded
                    ? !check_row(m_row, width)
                    : !decode_row(m_row, width,
                                  m_dots.data() + static_cast<std::size_t>(r) * width * 4, m_plane))
                throw Stream_Error(pos + 4, "row " + num(r) + " of the band does not decode to " +
                                                num(width) + " dots");
            if (encoded)
                m_v.encoded_row(width, top + r, m_row);
            info.compressed_bytes += len;
            pos += 4 + static_cast<uint64_t>(len);
        }
        if (pos != end)
            throw Stream_Error(pos, num(end - pos) + " bytes left over after the band's rows");

        info.width = width;
        info.rows = rows;
        info.top = top;
        info.raw_bytes = static_cast<uint64_t>(width) * 4 * rows;
        page.width = width;
        page.rows += rows;
        page.bands += 1;
        page.raw_bytes += info.raw_bytes;
        page.compressed_bytes += info.compressed_bytes;
        m_v.band(info, m_dots);
    }

    // After a cancelled extra copy only the page end and the job end were
    // sent again; they stand alone after a complete job.
    void cancelled_copy(const Head& head) {
        fixed(head, page_end_size, "page end");
        fixed(expect(tag_job_end, "job end"), job_end_size, "job end");
        m_v.cancelled_copy(head.offset);
    }
};

} // namespace

void decode_stream(Byte_Source& source, Stream_Visitor& visitor) {
    Decoder(source, visitor).run();
}

} // namespace spool_stream

// `vorna-prn info`: every record as the module received it, field by field,
// and a summary of each page's bands. Text or JSON.
#include "prn.h"

#include <nlohmann/json.hpp>

#include <iomanip>
#include <sstream>

namespace prn {

using namespace spool_stream;
using nlohmann::ordered_json;

namespace {

const char* type_name(const Field& f) {
    if (f.kind == Field_Kind::address)
        return "addr";
    if (f.width == 2)
        return f.is_signed ? "s16" : "u16";
    return f.is_signed ? "s32" : "u32";
}

// A field's value as the module saw it: signed fields as signed numbers.
int64_t field_number(const Field& f, uint32_t raw) {
    if (!f.is_signed)
        return raw;
    return f.width == 2 ? static_cast<int16_t>(raw) : static_cast<int32_t>(raw);
}

std::string value_text(const Field& f, uint32_t raw) {
    if (f.kind == Field_Kind::address)
        return raw != 0 ? "given" : "null";
    std::ostringstream text;
    text << field_number(f, raw);
    if (!f.is_signed && raw >= 0x8000)
        text << " (0x" << std::hex << std::uppercase << raw << ")";
    return text.str();
}

const char* page_end_name(uint32_t how) {
    switch (how) {
    case page_end_terminate:
        return "TerminatePage";
    case page_end_terminate_ex:
        return "TerminatePageEx";
    case page_end_reset:
        return "ResetJob";
    case page_end_destroyed:
        return "DestroyJob with the page open";
    }
    return "unknown";
}

std::string path_slot_name(uint32_t slot) {
    if (slot == path_slot_mod4)
        return "path_mod4";
    if (slot == path_slot_mod3)
        return "path_mod3";
    return "module_list[" + std::to_string(slot - path_slot_list) + "]";
}

std::string percent(uint64_t part, uint64_t whole) {
    if (whole == 0)
        return "-";
    std::ostringstream text;
    text << std::fixed << std::setprecision(1)
         << 100.0 * static_cast<double>(part) / static_cast<double>(whole) << "%";
    return text.str();
}

// Walks the stream once and prints as it goes, so that a damaged stream
// still shows everything before the damage.
class Text_Printer : public Stream_Visitor {
public:
    Text_Printer(std::ostream& out, bool bands) : m_out(out), m_bands(bands) {}

    void job_begin(const Job_Info& job) override {
        m_out << "job " << job.index + 1 << " at byte " << job.offset << ": stream version "
              << job.major << "." << job.minor << ", written by a " << job.address_size * 8
              << "-bit module\n";
        record(job_params_layout, job.job_params, "  ");
        if (job.margin_free)
            record(margin_free_layout, *job.margin_free, "  ");
        record(print_mode_layout, job.print_mode, "  ");
        record(media_layout, job.media, "  ");
        m_out << "  mode columns 1..17 (at byte " << job.mode_columns.offset + record_head_size
              << "):";
        for (int c = 0; c < spool_mode_column_count; ++c)
            m_out << " " << static_cast<int32_t>(get_u32(&job.mode_columns.bytes[4 * c]));
        m_out << "\n";
        record(modules_layout, job.modules, "  ");
        m_out << "  module paths:\n";
        for (const Module_Path& p : job.paths)
            m_out << "    " << std::left << std::setw(16) << path_slot_name(p.slot) << p.path
                  << "\n";
    }

    void page_begin(const Page_Info& page) override {
        m_out << "  page " << page.index + 1 << " at byte " << page.offset << "\n";
        record(page_params_layout, page.page_params, "    ");
    }

    void band(const Band_Info& band, std::span<const uint8_t>) override {
        if (!m_bands)
            return;
        m_out << "    band at byte " << band.offset << ": rows " << band.top << ".."
              << band.top + band.rows - 1 << ", " << band.compressed_bytes << " of "
              << band.raw_bytes << " bytes\n";
        const uint8_t* b = band.blocks.bytes.data();
        block(band_size_layout, b, "      ");
        block(band_data_layout, b + 16, "      ");
        block(band_rect_layout, b + 24, "      ");
        block(band_reserved_layout, b + 40, "      ");
    }

    void page_end(const Page_End& end) override {
        m_out << "    bands: " << end.bands << ", rows " << end.rows << ", width " << end.width
              << " dots; " << end.raw_bytes << " bytes of dots, " << end.compressed_bytes
              << " compressed (" << percent(end.compressed_bytes, end.raw_bytes) << ")\n";
        m_out << "    page end at byte " << end.offset << ": " << page_end_name(end.how);
        if (end.how == page_end_terminate_ex)
            m_out << ", options " << end.options;
        m_out << "\n";
    }

    void job_end(const Job_End& end) override {
        m_out << "  job end at byte " << end.offset << ": " << end.pages
              << (end.pages == 1 ? " page, " : " pages, ") << end.job_bytes << " bytes\n";
    }

    void cancelled_copy(uint64_t offset) override {
        m_out << "cancelled copy at byte " << offset << ": only the page and job end\n";
    }

    void unknown_record(uint64_t offset, const Tag& tag, uint32_t length) override {
        m_out << "unknown record '" << tag_text(tag) << "' at byte " << offset << ", " << length
              << " bytes, skipped\n";
    }

private:
    void record(const Record_Layout& layout, const Record_Bytes& rec, const char* indent) {
        // Field offsets count from the payload, which follows the 8-byte record head.
        m_out << indent << layout.name << " (" << layout.size << " bytes at byte "
              << rec.offset + record_head_size << ")\n";
        block(layout, rec.bytes.data(), indent, false);
    }

    void block(const Record_Layout& layout, const uint8_t* bytes, const char* indent,
               bool titled = true) {
        if (titled)
            m_out << indent << layout.name << "\n";
        for (const Field& f : layout.fields)
            m_out << indent << "  +" << std::left << std::setw(4) << f.offset << " " << std::setw(5)
                  << type_name(f) << std::setw(20) << f.name << " "
                  << value_text(f, field_value(f, bytes)) << "\n";
    }

    std::ostream& m_out;
    bool m_bands;
};

ordered_json fields_json(const Record_Layout& layout, const uint8_t* bytes) {
    ordered_json fields = ordered_json::array();
    for (const Field& f : layout.fields) {
        const uint32_t raw = field_value(f, bytes);
        fields.push_back({{"name", f.name},
                          {"offset", f.offset},
                          {"type", type_name(f)},
                          {"value", field_number(f, raw)}});
    }
    return fields;
}

ordered_json record_json(const Record_Layout& layout, const Record_Bytes& rec) {
    return {{"name", layout.name},
            {"offset", rec.offset + record_head_size},
            {"size", layout.size},
            {"fields", fields_json(layout, rec.bytes.data())}};
}

// Builds the whole document; it is printed only when the stream is sound.
class Json_Builder : public Stream_Visitor {
public:
    explicit Json_Builder(bool bands) : m_bands(bands) {
        m_doc["jobs"] = ordered_json::array();
        m_doc["cancelled_copies"] = ordered_json::array();
        m_doc["unknown_records"] = ordered_json::array();
    }
    const ordered_json& document() const { return m_doc; }

    void job_begin(const Job_Info& job) override {
        ordered_json j;
        j["offset"] = job.offset;
        j["version"] = std::to_string(job.major) + "." + std::to_string(job.minor);
        j["address_size"] = job.address_size;
        ordered_json records = ordered_json::array();
        records.push_back(record_json(job_params_layout, job.job_params));
        if (job.margin_free)
            records.push_back(record_json(margin_free_layout, *job.margin_free));
        records.push_back(record_json(print_mode_layout, job.print_mode));
        records.push_back(record_json(media_layout, job.media));
        records.push_back(record_json(modules_layout, job.modules));
        j["records"] = records;
        ordered_json columns = ordered_json::array();
        for (int c = 0; c < spool_mode_column_count; ++c)
            columns.push_back(static_cast<int32_t>(get_u32(&job.mode_columns.bytes[4 * c])));
        j["mode_columns"] = {{"offset", job.mode_columns.offset + record_head_size},
                             {"columns_1_to_17", columns}};
        ordered_json paths = ordered_json::array();
        for (const Module_Path& p : job.paths)
            paths.push_back({{"slot", path_slot_name(p.slot)}, {"path", p.path}});
        j["paths"] = paths;
        j["pages"] = ordered_json::array();
        m_doc["jobs"].push_back(j);
    }

    void page_begin(const Page_Info& page) override {
        ordered_json p;
        p["offset"] = page.offset;
        p["records"] = ordered_json::array({record_json(page_params_layout, page.page_params)});
        if (m_bands)
            p["band_list"] = ordered_json::array();
        m_doc["jobs"].back()["pages"].push_back(p);
    }

    void band(const Band_Info& band, std::span<const uint8_t>) override {
        if (!m_bands)
            return;
        const uint8_t* b = band.blocks.bytes.data();
        ordered_json blocks = ordered_json::array();
        const std::pair<const Record_Layout*, const uint8_t*> parts[] = {
            {&band_size_layout, b},
            {&band_data_layout, b + 16},
            {&band_rect_layout, b + 24},
            {&band_reserved_layout, b + 40}};
        for (const auto& [layout, bytes] : parts)
            blocks.push_back({{"name", layout->name}, {"fields", fields_json(*layout, bytes)}});
        current_page()["band_list"].push_back({{"offset", band.offset},
                                               {"raw_bytes", band.raw_bytes},
                                               {"compressed_bytes", band.compressed_bytes},
                                               {"blocks", blocks}});
    }

    void page_end(const Page_End& end) override {
        ordered_json& p = current_page();
        p["bands"] = {{"count", end.bands},
                      {"rows", end.rows},
                      {"width", end.width},
                      {"raw_bytes", end.raw_bytes},
                      {"compressed_bytes", end.compressed_bytes}};
        p["end"] = {
            {"offset", end.offset}, {"how", page_end_name(end.how)}, {"options", end.options}};
    }

    void job_end(const Job_End& end) override {
        m_doc["jobs"].back()["end"] = {
            {"offset", end.offset}, {"pages", end.pages}, {"bytes", end.job_bytes}};
    }

    void cancelled_copy(uint64_t offset) override { m_doc["cancelled_copies"].push_back(offset); }

    void unknown_record(uint64_t offset, const Tag& tag, uint32_t length) override {
        m_doc["unknown_records"].push_back(
            {{"offset", offset}, {"tag", tag_text(tag)}, {"length", length}});
    }

private:
    ordered_json& current_page() { return m_doc["jobs"].back()["pages"].back(); }

    ordered_json m_doc;
    bool m_bands;
};

} // namespace

void print_info(Byte_Source& source, std::ostream& out, const Info_Options& options) {
    if (options.json) {
        Json_Builder builder(options.bands);
        decode_stream(source, builder);
        out << builder.document().dump(2) << "\n";
    } else {
        Text_Printer printer(out, options.bands);
        decode_stream(source, printer);
    }
}

} // namespace prn

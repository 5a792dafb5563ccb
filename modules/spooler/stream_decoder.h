// Reader of the printer stream: walks the records of one or more jobs, checks
// every length, count and order, decodes the band rows, and hands what it
// finds to a visitor. Errors carry the byte offset where the stream went wrong.
#pragma once

#include "stream_format.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace spool_stream {

class Stream_Error : public std::runtime_error {
public:
    Stream_Error(uint64_t offset, const std::string& what)
        : std::runtime_error(what), m_offset(offset) {}
    uint64_t offset() const { return m_offset; }

private:
    uint64_t m_offset;
};

// Random-access bytes, so that a caller can walk a large stream twice without
// holding it in memory.
class Byte_Source {
public:
    virtual ~Byte_Source() = default;
    virtual uint64_t size() const = 0;
    // Reads exactly out.size() bytes at offset; the decoder never asks past size().
    virtual void read_at(uint64_t offset, std::span<uint8_t> out) = 0;
};

class Memory_Source : public Byte_Source {
public:
    explicit Memory_Source(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    uint64_t size() const override { return m_bytes.size(); }
    void read_at(uint64_t offset, std::span<uint8_t> out) override;

private:
    std::span<const uint8_t> m_bytes;
};

// A regular file. Throws std::runtime_error when it cannot be opened or read.
class File_Source : public Byte_Source {
public:
    explicit File_Source(const std::string& path);
    ~File_Source() override;
    File_Source(const File_Source&) = delete;
    File_Source& operator=(const File_Source&) = delete;
    uint64_t size() const override { return m_size; }
    void read_at(uint64_t offset, std::span<uint8_t> out) override;

private:
    int m_fd = -1;
    uint64_t m_size = 0;
    std::string m_path;
};

// A record as it lies in the stream: its payload, in the 32-bit layout.
struct Record_Bytes {
    uint64_t offset = 0; // of the record's tag
    std::vector<uint8_t> bytes;
    uint32_t value(const Field& f) const { return field_value(f, bytes.data()); }
};

struct Module_Path {
    uint32_t slot = 0; // path_slot_mod4, path_slot_mod3, or path_slot_list + i
    std::string path;
};

struct Job_Info {
    uint64_t offset = 0; // of the header record
    unsigned index = 0;  // jobs counted from 0 in the stream
    uint16_t major = 0, minor = 0;
    uint32_t address_size = 0; // of the module that wrote it
    Record_Bytes job_params;
    std::optional<Record_Bytes> margin_free;
    Record_Bytes print_mode;
    Record_Bytes media;
    Record_Bytes mode_columns; // columns 1..17, signed 32-bit
    Record_Bytes modules;
    std::vector<Module_Path> paths;
};

struct Page_Info {
    uint64_t offset = 0;
    unsigned job = 0;
    unsigned index = 0; // pages counted from 0 within the job
    Record_Bytes page_params;
};

struct Band_Info {
    uint64_t offset = 0;
    Record_Bytes blocks; // bandSize, bandData, bandRect, reserved, as received
    uint32_t width = 0;
    uint32_t rows = 0;
    uint32_t top = 0;
    uint64_t raw_bytes = 0;        // width × 4 × rows
    uint64_t compressed_bytes = 0; // the encoded rows
};

struct Page_End {
    uint64_t offset = 0;
    uint32_t how = 0; // page_end_terminate ...
    uint32_t options = 0;
    uint32_t bands = 0;
    uint32_t rows = 0;
    uint32_t width = 0; // of the bands; 0 for a page without bands
    uint64_t raw_bytes = 0;
    uint64_t compressed_bytes = 0;
};

struct Job_End {
    uint64_t offset = 0;
    uint32_t pages = 0;
    uint64_t job_bytes = 0;
};

// Receives the stream in order. `dots` holds rows × width dots of 4 bytes
// (red, green, blue, fourth byte), row after row.
class Stream_Visitor {
public:
    virtual ~Stream_Visitor() = default;
    virtual void job_begin(const Job_Info&) {}
    virtual void page_begin(const Page_Info&) {}
    virtual void band(const Band_Info&, std::span<const uint8_t> /*dots*/) {}
    // A visitor that takes the rows as they are encoded (to reduce them
    // without decoding every dot) says so; each row then comes, checked to
    // decode to `width` dots, to `encoded_row` (`row` counted on the page),
    // and `band` gets no dots.
    virtual bool wants_encoded_rows() const { return false; }
    virtual void encoded_row(uint32_t /*width*/, uint32_t /*row*/,
                             std::span<const uint8_t> /*planes*/) {}
    virtual void page_end(const Page_End&) {}
    virtual void job_end(const Job_End&) {}
    // The tail of a copy that was cancelled: only the page and job end were
    // sent again.
    virtual void cancelled_copy(uint64_t /*offset*/) {}
    virtual void unknown_record(uint64_t /*offset*/, const Tag&, uint32_t /*length*/) {}
};

// Walks the whole stream. Throws Stream_Error at the first fault.
void decode_stream(Byte_Source& source, Stream_Visitor& visitor);

// The tag as text, for messages.
std::string tag_text(const Tag& tag);

} // namespace spool_stream

// The plotter output channel: where the driver's printer data goes (a file, or
// standard output), and the shoebox's progress object.
#pragma once

#include "ht_error.h"
#include "ht_object.h"
#include "ht_string.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class HT_Plotter_Definition;

// The host's document information: what a plot is called and where it goes.
struct HT_Document_Info {
    HT_String document_name;
    HT_String output_name;
    std::int32_t mode = 0;
    std::uint8_t flags[4] = {0, 0, 0, 0};
};

class HT_EXPORT HT_Plotter_IO : public HT_Object {
public:
    explicit HT_Plotter_IO(HT_Smart_Pointer<HT_Error_Handler> handler = {});
    ~HT_Plotter_IO() override;

    // Takes the plot-to-file name of the definition's configuration.
    virtual void configure(HT_Smart_Pointer<HT_Plotter_Definition> definition);
    // Opens the target: the configured file, or standard output for "" or "-".
    virtual bool open();
    virtual bool start_document();
    // The same, remembering the document's information.
    virtual bool start_document(const HT_Document_Info& document);
    // Returns the number of bytes written; fewer than asked means failure.
    virtual std::size_t write(const void* data, std::size_t count);
    virtual bool close();

    const std::string& target() const { return m_target; }
    void set_target(const std::string& path) { m_target = path; }
    bool is_open() const { return m_file != nullptr; }
    const HT_Document_Info& document() const { return m_document; }
    int documents_started() const { return m_documents; }
    std::size_t bytes_written() const { return m_written; }
    // Test hook: accept at most this many bytes in all, then write short.
    void set_write_limit(std::size_t limit) { m_limit = limit; }
    HT_Smart_Pointer<HT_Error_Handler> get_error_handler() const { return m_error_handler; }

private:
    // Tells the error handler the system's reason for a failure, once.
    void report_failure(const char* operation);

    HT_Smart_Pointer<HT_Error_Handler> m_error_handler;
    std::string m_target;
    bool m_reported = false;
    std::FILE* m_file = nullptr;
    bool m_owns_file = false;
    std::size_t m_written = 0;
    std::size_t m_limit = static_cast<std::size_t>(-1);
    HT_Document_Info m_document;
    int m_documents = 0;
};

// Progress and cancellation of the running plot, kept in the shoebox.
class HT_EXPORT HT_Progress : public HT_Object {
public:
    HT_Progress* clone() const { return new HT_Progress(*this); }
    // 0 while the plot goes on; non-zero once a cancel was requested.
    virtual int cancel_query() const { return m_cancel.load() ? 1 : 0; }
    void request_cancel() { m_cancel = true; }
    // Cancel after this many queries (tests); negative disables.
    void cancel_after(int queries) { m_cancel_after = queries; }
    virtual int query_and_count();
    // Failure code of the output, 0 when none; 2 means the output failed.
    int failure() const { return m_failure; }
    void set_failure(int code) { m_failure = code; }

    HT_Progress() = default;
    HT_Progress(const HT_Progress& o)
        : HT_Object(o), m_cancel(o.m_cancel.load()), m_cancel_after(o.m_cancel_after),
          m_failure(o.m_failure) {}

private:
    std::atomic<bool> m_cancel{false};
    int m_cancel_after = -1;
    int m_failure = 0;
};

#include "ht_plotter_io.h"

#include "ht_definition.h"

#include <cerrno>
#include <cstring>

HT_Plotter_IO::HT_Plotter_IO(HT_Smart_Pointer<HT_Error_Handler> handler)
    : m_error_handler(std::move(handler)) {}

HT_Plotter_IO::~HT_Plotter_IO() {
    close();
}

void HT_Plotter_IO::configure(HT_Smart_Pointer<HT_Plotter_Definition> definition) {
    if (!definition)
        return;
    auto config = definition->get_plotter_configuration();
    auto io = config ? config->get_io_configuration() : nullptr;
    if (io)
        m_target = io->get_plot_to_file_name().str();
}

bool HT_Plotter_IO::open() {
    if (m_file)
        return true;
    m_written = 0;
    m_reported = false;
    if (m_target.empty() || m_target == "-") {
        m_file = stdout;
        m_owns_file = false;
        return true;
    }
    m_file = std::fopen(m_target.c_str(), "wb");
    m_owns_file = m_file != nullptr;
    if (!m_file)
        report_failure("open");
    return m_file != nullptr;
}

bool HT_Plotter_IO::start_document() {
    return m_file != nullptr;
}

bool HT_Plotter_IO::start_document(const HT_Document_Info& document) {
    m_document = document;
    ++m_documents;
    return start_document();
}

std::size_t HT_Plotter_IO::write(const void* data, std::size_t count) {
    if (!m_file || !data)
        return 0;
    std::size_t room = m_limit > m_written ? m_limit - m_written : 0;
    std::size_t take = count < room ? count : room;
    std::size_t done = take ? std::fwrite(data, 1, take, m_file) : 0;
    m_written += done;
    if (done < count && done < take)
        report_failure("write");
    return done;
}

bool HT_Plotter_IO::close() {
    if (!m_file)
        return true;
    bool ok = std::fflush(m_file) == 0;
    if (m_owns_file)
        ok = std::fclose(m_file) == 0 && ok;
    if (!ok)
        report_failure("close");
    m_file = nullptr;
    m_owns_file = false;
    return ok;
}

void HT_Plotter_IO::report_failure(const char* operation) {
    // The driver only learns that the channel failed; the reason is the
    // system's, and only the first one matters to a person.
    const int error = errno;
    if (m_reported || !m_error_handler)
        return;
    m_reported = true;
    const std::string name = m_target.empty() || m_target == "-" ? "standard output" : m_target;
    // The system's error number is the code, its text the detail.
    m_error_handler->report(HT_Error("", error, std::string("HT_Plotter_IO::") + operation,
                                     name + ": " + std::strerror(error)));
}

int HT_Progress::query_and_count() {
    if (m_cancel_after == 0)
        m_cancel = true;
    else if (m_cancel_after > 0)
        --m_cancel_after;
    // Asked for every drawn dot: the flag itself, not another virtual call.
    return m_cancel.load(std::memory_order_relaxed) ? 1 : 0;
}

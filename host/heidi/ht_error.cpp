#include "ht_error.h"

HT_Error::HT_Error(std::string module, int code, std::string operation, std::string detail,
                   std::string unit, std::string revision)
    : m_module(std::move(module)), m_code(code), m_operation(std::move(operation)),
      m_detail(std::move(detail)), m_unit(std::move(unit)), m_revision(std::move(revision)) {
    if (m_detail.size() > max_detail)
        m_detail.resize(max_detail);
    compose();
}

HT_Error::~HT_Error() = default;

bool HT_Error::append_trace(const std::string& operation) {
    if (m_trace.size() >= max_trace)
        return false;
    m_trace.push_back(operation);
    compose();
    return true;
}

void HT_Error::compose() {
    m_what = m_operation.empty() ? std::string("error") : m_operation;
    m_what += ": error " + std::to_string(m_code);
    if (!m_detail.empty())
        m_what += " (" + m_detail + ")";
    if (!m_module.empty())
        m_what += " in " + m_module;
}

HT_Severe_Error::~HT_Severe_Error() = default;
HT_Error_Handler::~HT_Error_Handler() = default;
HT_Std_Error_Handler::~HT_Std_Error_Handler() = default;

void HT_Std_Error_Handler::report(const HT_Error& error) {
    m_reports.emplace_back(error.what());
}

// The host's exception types and error handler.
#pragma once

#include "ht_object.h"

#include <exception>
#include <string>
#include <vector>

class HT_EXPORT HT_Error : public std::exception {
public:
    static constexpr std::size_t max_detail = 127;
    static constexpr std::size_t max_trace = 32;

    // module: the raising library's name; code: a string-resource number of
    // that library; operation: qualified name of the failing operation;
    // detail: short text, cut to 127 characters.
    HT_Error(std::string module, int code, std::string operation, std::string detail,
             std::string unit = {}, std::string revision = {});
    ~HT_Error() override;

    const std::string& module() const { return m_module; }
    int code() const { return m_code; }
    const std::string& operation() const { return m_operation; }
    const std::string& detail() const { return m_detail; }
    const std::string& unit() const { return m_unit; }
    const std::string& revision() const { return m_revision; }
    const std::vector<std::string>& trace() const { return m_trace; }

    // Appends a re-throwing operation's name; ignored once the trace is full.
    // Returns whether it was appended.
    bool append_trace(const std::string& operation);
    virtual bool severe() const { return false; }

    const char* what() const noexcept override { return m_what.c_str(); }

private:
    void compose();

    std::string m_module;
    int m_code;
    std::string m_operation;
    std::string m_detail;
    std::string m_unit;
    std::string m_revision;
    std::vector<std::string> m_trace;
    std::string m_what;
};

class HT_EXPORT HT_Severe_Error : public HT_Error {
public:
    using HT_Error::HT_Error;
    ~HT_Severe_Error() override;
    bool severe() const override { return true; }
};

// Receives errors the host reports without throwing. Drivers keep it and pass it on.
class HT_EXPORT HT_Error_Handler : public HT_Object {
public:
    ~HT_Error_Handler() override;
    virtual void report(const HT_Error& error) = 0;
};

// Error handler that remembers what was reported; used by the programs and tests.
class HT_EXPORT HT_Std_Error_Handler : public HT_Error_Handler {
public:
    ~HT_Std_Error_Handler() override;
    void report(const HT_Error& error) override;
    const std::vector<std::string>& reports() const { return m_reports; }

private:
    std::vector<std::string> m_reports;
};

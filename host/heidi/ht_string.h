// The host's string type.
#pragma once

#include "ht_object.h"

#include <string>

class HT_EXPORT HT_String {
public:
    HT_String() = default;
    HT_String(const char* s) : m_text(s ? s : "") {}
    HT_String(std::string s) : m_text(std::move(s)) {}

    const char* c_str() const { return m_text.c_str(); }
    const std::string& str() const { return m_text; }
    std::size_t length() const { return m_text.size(); }
    bool empty() const { return m_text.empty(); }
    HT_String& operator=(const char* s) {
        m_text = s ? s : "";
        return *this;
    }
    bool operator==(const HT_String& o) const { return m_text == o.m_text; }
    bool operator==(const char* s) const { return s && m_text == s; }

private:
    std::string m_text;
};

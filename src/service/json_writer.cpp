#include "service/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace wavelore::service {

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
            case '"':
                out += "\\\"";
                continue;
            case '\\':
                out += "\\\\";
                continue;
            case '\n':
                out += "\\n";
                continue;
            case '\r':
                out += "\\r";
                continue;
            case '\t':
                out += "\\t";
                continue;
            case '<':
                out += "\\u003c";
                continue;
            default:
                break;
        }
        if (c < 0x20 || c == 0x7F) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
            continue;
        }
        // U+2028 and U+2029 (E2 80 A8/A9) end lines in JavaScript.
        if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
            (static_cast<unsigned char>(text[i + 2]) & 0xFE) == 0xA8) {
            out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
            i += 2;
            continue;
        }
        out += static_cast<char>(c);
    }
    out += '"';
}

void CJsonWriter::BeforeValue() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_empty.empty()) {
        if (!m_empty.back()) {
            m_out += ',';
        }
        m_empty.back() = false;
    }
}

CJsonWriter& CJsonWriter::BeginObject() {
    BeforeValue();
    m_out += '{';
    m_empty.push_back(true);
    return *this;
}

CJsonWriter& CJsonWriter::EndObject() {
    m_out += '}';
    m_empty.pop_back();
    return *this;
}

CJsonWriter& CJsonWriter::BeginArray() {
    BeforeValue();
    m_out += '[';
    m_empty.push_back(true);
    return *this;
}

CJsonWriter& CJsonWriter::EndArray() {
    m_out += ']';
    m_empty.pop_back();
    return *this;
}

CJsonWriter& CJsonWriter::Key(std::string_view key) {
    BeforeValue();
    AppendJsonString(m_out, key);
    m_out += ':';
    m_afterKey = true;
    return *this;
}

CJsonWriter& CJsonWriter::String(std::string_view text) {
    BeforeValue();
    AppendJsonString(m_out, text);
    return *this;
}

CJsonWriter& CJsonWriter::Int(int64_t value) {
    BeforeValue();
    m_out += std::to_string(value);
    return *this;
}

CJsonWriter& CJsonWriter::Real(double value) {
    BeforeValue();
    if (!std::isfinite(value)) {
        m_out += "null";
        return *this;
    }
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    m_out.append(buffer, ec == std::errc() ? end : buffer);
    return *this;
}

CJsonWriter& CJsonWriter::Bool(bool value) {
    BeforeValue();
    m_out += value ? "true" : "false";
    return *this;
}

CJsonWriter& CJsonWriter::Null() {
    BeforeValue();
    m_out += "null";
    return *this;
}

CJsonWriter& CJsonWriter::Raw(std::string_view json) {
    BeforeValue();
    m_out += json;
    return *this;
}

}  // namespace wavelore::service

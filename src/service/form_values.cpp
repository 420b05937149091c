#include "service/form_values.h"

#include <algorithm>

#include "service/input_text.h"

namespace wavelore::service {

namespace {

constexpr size_t kMaxNameLength = 64;
constexpr size_t kMaxPartHeaders = 4096;
// RFC 2046 allows boundaries of 1 to 70 characters.
constexpr size_t kMaxBoundary = 70;

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

}  // namespace

std::string HeaderParameter(std::string_view headerValue, std::string_view name) {
    size_t at = headerValue.find(';');
    while (at != std::string_view::npos) {
        std::string_view rest = Trim(headerValue.substr(at + 1));
        const size_t eq = rest.find('=');
        if (eq == std::string_view::npos) {
            return {};
        }
        const std::string_view key = Trim(rest.substr(0, eq));
        std::string_view value = rest.substr(eq + 1);
        std::string out;
        size_t next = std::string_view::npos;
        if (!value.empty() && value.front() == '"') {
            size_t i = 1;
            for (; i < value.size() && value[i] != '"'; ++i) {
                if (value[i] == '\\' && i + 1 < value.size()) {
                    ++i;
                }
                out += value[i];
            }
            if (i >= value.size()) {
                return {};  // unterminated
            }
            next = value.find(';', i);
        } else {
            next = value.find(';');
            out = std::string(Trim(value.substr(0, next)));
        }
        if (EqualsNoCase(key, name)) {
            return out;
        }
        if (next == std::string_view::npos) {
            return {};
        }
        at = static_cast<size_t>(value.data() + next - headerValue.data());
    }
    return {};
}

const std::string* CFormValues::Find(std::string_view name) const {
    for (const auto& [key, value] : m_fields) {
        if (key == name) {
            return &value;
        }
    }
    return nullptr;
}

std::string CFormValues::Value(std::string_view name) const {
    const std::string* value = Find(name);
    return value != nullptr ? *value : std::string();
}

bool CFormValues::Add(std::string name, std::string value, std::string& problem) {
    if (m_fields.size() >= kMaxFields) {
        problem = "too many form fields";
        return false;
    }
    if (name.empty() || name.size() > kMaxNameLength) {
        problem = "a form field without a usable name";
        return false;
    }
    if (Find(name) != nullptr) {
        problem = "a form field given twice";
        return false;
    }
    m_fields.emplace_back(std::move(name), std::move(value));
    return true;
}

bool CFormValues::ParseMultipart(std::string_view contentType, std::string_view body,
                                 std::string& problem) {
    m_fields.clear();
    const std::string_view type = Trim(contentType.substr(0, contentType.find(';')));
    if (!EqualsNoCase(type, "multipart/form-data")) {
        problem = "not a multipart/form-data request";
        return false;
    }
    const std::string boundary = HeaderParameter(contentType, "boundary");
    if (boundary.empty() || boundary.size() > kMaxBoundary) {
        problem = "no usable multipart boundary";
        return false;
    }
    const std::string delimiter = "--" + boundary;
    const std::string between = "\r\n" + delimiter;

    // The first delimiter starts the body or follows a preamble's line end.
    size_t at = 0;
    if (body.substr(0, delimiter.size()) != delimiter) {
        at = body.find(between);
        if (at == std::string_view::npos) {
            problem = "the multipart body has no boundary";
            return false;
        }
        at += 2;
    }
    for (;;) {
        at += delimiter.size();
        if (body.substr(at, 2) == "--") {
            return true;  // the closing delimiter; an epilogue is ignored
        }
        while (at < body.size() && (body[at] == ' ' || body[at] == '\t')) {
            ++at;
        }
        if (body.substr(at, 2) != "\r\n") {
            problem = "a multipart delimiter is not followed by a line end";
            return false;
        }
        at += 2;
        const size_t headersEnd = body.find("\r\n\r\n", at);
        if (headersEnd == std::string_view::npos || headersEnd - at > kMaxPartHeaders) {
            problem = "a form part without a usable header";
            return false;
        }
        std::string name;
        bool named = false;
        std::string_view headers = body.substr(at, headersEnd - at);
        while (!headers.empty()) {
            const size_t lineEnd = headers.find("\r\n");
            const std::string_view line = headers.substr(0, lineEnd);
            headers = lineEnd == std::string_view::npos ? std::string_view()
                                                        : headers.substr(lineEnd + 2);
            const size_t colon = line.find(':');
            if (colon == std::string_view::npos) {
                problem = "a form part header without a colon";
                return false;
            }
            if (EqualsNoCase(Trim(line.substr(0, colon)), "content-disposition")) {
                const std::string_view value = Trim(line.substr(colon + 1));
                if (!EqualsNoCase(Trim(value.substr(0, value.find(';'))), "form-data")) {
                    problem = "a form part that is not form-data";
                    return false;
                }
                name = HeaderParameter(value, "name");
                named = true;
            }
        }
        if (!named) {
            problem = "a form part without Content-Disposition";
            return false;
        }
        const size_t valueStart = headersEnd + 4;
        const size_t valueEnd = body.find(between, valueStart);
        if (valueEnd == std::string_view::npos) {
            problem = "the multipart body ends inside a part";
            return false;
        }
        if (!Add(std::move(name), std::string(body.substr(valueStart, valueEnd - valueStart)),
                 problem)) {
            return false;
        }
        at = valueEnd + 2;
    }
}

bool CFormValues::ParseUrlEncoded(std::string_view body, std::string& problem) {
    m_fields.clear();
    while (!body.empty()) {
        const size_t amp = body.find('&');
        const std::string_view pair = body.substr(0, amp);
        body = amp == std::string_view::npos ? std::string_view() : body.substr(amp + 1);
        if (pair.empty()) {
            continue;
        }
        const size_t eq = pair.find('=');
        std::string name = PercentDecode(pair.substr(0, eq), true);
        std::string value =
            eq == std::string_view::npos ? std::string() : PercentDecode(pair.substr(eq + 1), true);
        if (!Add(std::move(name), std::move(value), problem)) {
            return false;
        }
    }
    return true;
}

}  // namespace wavelore::service

#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wavelore::service {

// The fields of a submitted form, by name, in the order sent. Values are
// the bytes sent, not yet decoded or checked.
class CFormValues {
  public:
    // A request with more parts is not one of ours.
    static constexpr size_t kMaxFields = 32;

    // Null when the form has no such field.
    const std::string* Find(std::string_view name) const;
    // The field's value, or empty.
    std::string Value(std::string_view name) const;
    size_t Size() const { return m_fields.size(); }

    // multipart/form-data (RFC 7578) with the boundary of contentType. Part
    // headers other than the name are ignored: the receiver declares
    // quoted-printable but sends its values percent-escaped instead. False
    // with problem set for anything malformed, more than kMaxFields parts,
    // or a name given twice.
    bool ParseMultipart(std::string_view contentType, std::string_view body, std::string& problem);
    // application/x-www-form-urlencoded; names and values decoded.
    bool ParseUrlEncoded(std::string_view body, std::string& problem);

  private:
    bool Add(std::string name, std::string value, std::string& problem);

    std::vector<std::pair<std::string, std::string>> m_fields;
};

// The parameter of a header value such as
// 'multipart/form-data; boundary="x"': its value unquoted, or empty.
std::string HeaderParameter(std::string_view headerValue, std::string_view name);

}  // namespace wavelore::service

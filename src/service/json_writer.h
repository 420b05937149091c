#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wavelore::service {

// Builds JSON text as it goes; commas and escaping are its business, the
// nesting is the caller's.
class CJsonWriter {
  public:
    CJsonWriter& BeginObject();
    CJsonWriter& EndObject();
    CJsonWriter& BeginArray();
    CJsonWriter& EndArray();
    CJsonWriter& Key(std::string_view key);
    CJsonWriter& String(std::string_view text);
    CJsonWriter& Int(int64_t value);
    CJsonWriter& Real(double value);  // null when not finite
    CJsonWriter& Bool(bool value);
    CJsonWriter& Null();
    // Text that already is JSON, put in as it stands.
    CJsonWriter& Raw(std::string_view json);

    const std::string& Text() const { return m_out; }

  private:
    void BeforeValue();

    std::string m_out;
    std::vector<bool> m_empty;  // per open object or array: nothing in it yet
    bool m_afterKey = false;
};

// text as a JSON string with its quotes. Control characters, quotes,
// backslashes, "<" and the line separators U+2028/U+2029 are escaped, so
// the result is safe inside HTML and JavaScript too.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace wavelore::service

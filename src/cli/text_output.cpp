#include "cli/text_output.h"

#include "common/utf.h"

namespace wavelore::cli {

bool CTextOutput::Write(const std::u16string& text) {
    if (text.empty()) {
        return true;
    }
    const std::string bytes = ToUtf8(text);
    const size_t written = std::fwrite(bytes.data(), 1, bytes.size(), m_stream);
    return std::fflush(m_stream) == 0 && written == bytes.size();
}

}  // namespace wavelore::cli

#include "cli/stream_notifier.h"

#include "common/utf.h"

namespace wavelore::cli {

void CStreamNotifier::ShowMessage(const std::u16string& text) {
    std::fprintf(m_stream, "wavelore-decode: %s\n", ToUtf8(text).c_str());
    std::fflush(m_stream);
}

}  // namespace wavelore::cli

#include "cli/text_handler.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>

#include "common/modes.h"

namespace wavelore::cli {

CTextHandler::CTextHandler(const CliOptions& options, std::FILE* out, std::FILE* diagnostics)
    : m_options(options), m_output(out), m_diagnostics(diagnostics) {}

void CTextHandler::OnText(const DecoderText& chunk, int64_t block) {
    m_good += chunk.good;
    m_errors += chunk.errors;
    if (m_options.verbose) {
        const double seconds =
            static_cast<double>(block) * kSamplesPerBuffer / static_cast<double>(kSampleRate);
        std::fprintf(m_diagnostics, "block %" PRId64 " (%.1f s): good %d, errors %d\n", block,
                     seconds, chunk.good, chunk.errors);
    }
    if (m_prefix.empty()) {
        Write(chunk.text);
        return;
    }
    std::u16string whole;
    for (const char16_t c : chunk.text) {
        m_line += c;
        if (c == u'\n') {
            whole += m_prefix + m_line;
            m_line.clear();
        }
    }
    Write(whole);
}

void CTextHandler::Write(const std::u16string& text) {
    if (m_writeFailed || m_output.Write(text)) {
        return;
    }
    m_writeFailed = true;
    std::fprintf(m_diagnostics,
                 "wavelore-decode: cannot write the decoded text to standard output (%s); "
                 "decoding and storage go on to the end of the input\n",
                 std::strerror(errno));
    std::fflush(m_diagnostics);
}

void CTextHandler::Finish() {
    if (!m_line.empty()) {
        Write(m_prefix + m_line + u'\n');
        m_line.clear();
    }
    if (m_options.verbose) {
        std::fprintf(m_diagnostics, "total: good %" PRId64 ", errors %" PRId64 "\n", m_good,
                     m_errors);
    }
}

}  // namespace wavelore::cli

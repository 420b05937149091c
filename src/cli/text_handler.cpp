#include "cli/text_handler.h"

#include <cinttypes>

#include "common/modes.h"

namespace wavelore::cli {

CTextHandler::CTextHandler(const CliOptions& options, std::FILE* out, std::FILE* diagnostics)
    : m_options(options), m_output(out), m_diagnostics(diagnostics) {}

bool CTextHandler::OnText(const DecoderText& chunk, int64_t block) {
    m_good += chunk.good;
    m_errors += chunk.errors;
    if (m_options.verbose) {
        const double seconds =
            static_cast<double>(block) * kSamplesPerBuffer / static_cast<double>(kSampleRate);
        std::fprintf(m_diagnostics, "block %" PRId64 " (%.1f s): good %d, errors %d\n", block,
                     seconds, chunk.good, chunk.errors);
    }
    return m_output.Write(chunk.text);
}

void CTextHandler::Finish() {
    if (m_options.verbose) {
        std::fprintf(m_diagnostics, "total: good %" PRId64 ", errors %" PRId64 "\n", m_good,
                     m_errors);
    }
}

}  // namespace wavelore::cli

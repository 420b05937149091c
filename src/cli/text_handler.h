#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/cli_options.h"
#include "cli/text_output.h"
#include "common/decoder_text.h"

namespace wavelore::cli {

// What the tool does with each chunk of decoded text, wherever it came
// from (a file or a live device): it goes to standard output at once;
// with --verbose its counts go to standard error. Standard output that
// fails (a reader gone, a full disk) is said once on the diagnostics
// stream and written no more; decoding and storage go on regardless.
class CTextHandler {
  public:
    CTextHandler(const CliOptions& options, std::FILE* out, std::FILE* diagnostics);

    // block: the number of sound buffers processed so far, for diagnostics.
    void OnText(const DecoderText& chunk, int64_t block);

    // One of several channels on one standard output: each line is
    // written whole, after prefix ("518 kHz: "), so channels never mix
    // within a line.
    void SetLinePrefix(std::u16string prefix) { m_prefix = std::move(prefix); }

    // End of decoding: a line held back, and the totals with --verbose.
    void Finish();

    // True once standard output refused text.
    bool WriteFailed() const { return m_writeFailed; }

  private:
    void Write(const std::u16string& text);

    const CliOptions& m_options;
    std::u16string m_prefix;
    std::u16string m_line;  // the prefixed line not ended yet
    CTextOutput m_output;
    std::FILE* m_diagnostics;
    int64_t m_good = 0;
    int64_t m_errors = 0;
    bool m_writeFailed = false;
};

}  // namespace wavelore::cli

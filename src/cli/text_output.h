#pragma once

#include <cstdio>
#include <string>

namespace wavelore::cli {

// Writes decoded text to a stream as UTF-8 and flushes at once, so a
// reader at the other end of a pipe sees each block's text as it comes.
class CTextOutput {
  public:
    explicit CTextOutput(std::FILE* stream) : m_stream(stream) {}

    // False when the stream refused the text (e.g. a full disk).
    bool Write(const std::u16string& text);

  private:
    std::FILE* m_stream;
};

}  // namespace wavelore::cli

#pragma once

#include <cstdio>
#include <string>

#include "common/user_notifier.h"

namespace wavelore::cli {

// Problems with the message files, as lines on a stream (standard error).
class CStreamNotifier final : public IUserNotifier {
  public:
    explicit CStreamNotifier(std::FILE* stream) : m_stream(stream) {}
    void ShowMessage(const std::u16string& text) override;

  private:
    std::FILE* m_stream;
};

}  // namespace wavelore::cli

#pragma once

#include <string>

#include "common/user_text.h"

namespace wavelore {

// Shows an error the user must see: a message box in the GUI, a line on
// standard error in the command-line tool. May be called from any thread;
// an implementation that needs its own thread marshals the call.
class IUserNotifier {
  public:
    virtual ~IUserNotifier() = default;
    // A text in the user's language already, shown as it stands.
    virtual void ShowMessage(const std::u16string& text) = 0;
    // One of the core's texts: in English unless the notifier translates it.
    virtual void ShowText(const UserText& text) {
        ShowMessage(FillUserText(text.format, text.args));
    }
};

}  // namespace wavelore

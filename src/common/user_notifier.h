#pragma once

#include <string>

namespace wavelore {

// Shows an error the user must see: a message box in the GUI, a line on
// standard error in the command-line tool. May be called from any thread;
// an implementation that needs its own thread marshals the call.
class IUserNotifier {
  public:
    virtual ~IUserNotifier() = default;
    virtual void ShowMessage(const std::u16string& text) = 0;
};

}  // namespace wavelore

#pragma once

#include <string>

namespace wavelore::service {

// A new upload ID: 16 random bytes from the system's generator as a
// version-4 GUID in upper case ("8-4-4-4-12" hexadecimal digits), the form
// the receiver's upload ID dialog accepts. Empty when no random bytes can
// be had.
std::string NewUploadId();

}  // namespace wavelore::service

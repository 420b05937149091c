#pragma once

#include <cstdint>

namespace wavelore {

// The most the soft limit on open descriptors is raised to.
constexpr uint64_t kWantedDescriptors = 65536;

// Raises the soft limit on open descriptors as far as the hard limit
// allows, so that network clients and the receiver's own files (messages,
// logs, the index, commands) do not run short of them under the common
// default of 1024. Returns the soft limit in force afterwards; 0 when the
// system does not say.
uint64_t RaiseDescriptorLimit();

}  // namespace wavelore

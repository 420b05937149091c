#pragma once

#include "cli/cli_options.h"

namespace wavelore::cli {

// --list-devices: one "N: NAME (RATE Hz, C channels)" line per sound
// capture device on standard output, with the device's own rate and most
// channels. Returns the exit code (1 when there is no device).
int ListDevices();

// --device / --play: runs the real decoder thread on a sound device or on a
// recording played as one, playing the main window's part, until the
// recording ends or Ctrl-C (SIGINT), SIGTERM or SIGHUP stops it cleanly.
// Returns the exit code.
int DecodeLive(const CliOptions& options);

}  // namespace wavelore::cli

#pragma once

#include "cli/cli_options.h"

namespace wavelore::cli {

// --list-sdr: one "LABEL: ARGS" line per device SoapySDR finds on standard
// output. Returns the exit code (1 when there is none, or no SoapySDR).
int ListSdr();

// --sdr / --iq: the channels of a radio's IQ samples, each decoded on a
// thread of its own by its own chain and stored by its own reception on
// the one log tree and index, until the recording ends, the device fails
// or Ctrl-C (SIGINT), SIGTERM or SIGHUP. Returns the exit code.
int DecodeRadio(const CliOptions& options);

}  // namespace wavelore::cli

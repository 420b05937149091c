#pragma once

#include "cli/cli_options.h"

namespace wavelore::cli {

// Decodes options.input (a file or standard input) to the end and returns
// the tool's exit code. Text decoded before a read error is still printed.
int DecodeInput(const CliOptions& options);

}  // namespace wavelore::cli

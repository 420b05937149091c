// wavelore-decode: the receiver without a screen.
#include <csignal>

#include "cli/cli_options.h"
#include "cli/file_decoding.h"
#include "cli/live_decoding.h"
#include "cli/radio_decoding.h"
#include "system/descriptor_limit.h"

int main(int argc, char** argv) {
    using namespace wavelore::cli;
    // A reader of standard output that goes away (| head) must not end the
    // receiver: the write fails instead, and decoding and storage go on.
    std::signal(SIGPIPE, SIG_IGN);
    CliOptions options;
    int exitCode = kExitSuccess;
    if (!ParseCliOptions(argc, argv, options, exitCode)) {
        return exitCode;
    }
    // The NMEA clients and the receiver's own files then have the
    // descriptors the system allows.
    wavelore::RaiseDescriptorLimit();
    if (options.listDevices) {
        return ListDevices();
    }
    if (options.listSdr) {
        return ListSdr();
    }
    if (options.Radio()) {
        return DecodeRadio(options);
    }
    if (options.Live()) {
        return DecodeLive(options);
    }
    return DecodeInput(options);
}

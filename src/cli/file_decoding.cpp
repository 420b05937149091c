#include "cli/file_decoding.h"

#include <cstdio>
#include <string>

#include "audio/audio_file_reader.h"
#include "cli/decode_pipeline.h"
#include "cli/run_reception.h"
#include "cli/text_handler.h"
#include "system/termination_signals.h"

namespace wavelore::cli {

namespace {

void Complain(const std::string& text) {
    std::fprintf(stderr, "wavelore-decode: %s\n", text.c_str());
}

}  // namespace

int DecodeInput(const CliOptions& options) {
    CAudioFileReader reader;
    std::string error;
    if (!reader.Open(options.input, error)) {
        Complain(error);
        return kExitInputError;
    }
    if (options.verbose) {
        Complain("reading " +
                 (options.input == "-" ? std::string("standard input") : options.input) + ": " +
                 reader.Description());
    }
    CDecodePipeline pipeline(options.Receiver().Chain());
    if (!pipeline.Ready()) {
        Complain("cannot set up the decoder (out of memory)");
        return kExitInputError;
    }
    CRunReception reception(options);
    int exitCode = kExitSuccess;
    if (!reception.Start(error, exitCode)) {
        Complain(error);
        return exitCode;
    }
    CTextHandler handler(options, stdout, stderr);
    const auto onText = [&](const DecoderText& chunk) {
        reception.OnText(chunk);
        handler.OnText(chunk, pipeline.Blocks());
        return true;
    };

    int16_t samples[kSamplesPerBuffer];
    size_t n;
    // Ctrl-C, SIGTERM or SIGHUP ends decoding as the end of the input does, so that
    // the frame in progress and the raw log are closed as at shutdown.
    // Standard input stops at its next block (or when the program feeding
    // it ends too, as it does on Ctrl-C in a terminal).
    CTerminationSignals signals;
    while (!signals.Received() && (n = reader.Read(samples, kSamplesPerBuffer)) > 0) {
        pipeline.Feed(samples, n, onText);
    }
    pipeline.Finish(onText);
    // As at shutdown: a frame still in progress stays in incoming.txt.
    reception.Finish();
    handler.Finish();
    reception.FinishUploads(stderr);
    if (reader.Failed()) {
        Complain(reader.Error());
    }
    if (!reception.AllStored()) {
        return kExitNotStored;
    }
    return reader.Failed() || handler.WriteFailed() ? kExitInputError : kExitSuccess;
}

}  // namespace wavelore::cli

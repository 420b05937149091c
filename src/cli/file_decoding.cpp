#include "cli/file_decoding.h"

#include <csignal>
#include <cstdio>
#include <string>

#include "audio/audio_file_reader.h"
#include "cli/decode_pipeline.h"
#include "cli/message_storage.h"
#include "cli/run_uploads.h"
#include "cli/text_handler.h"

namespace wavelore::cli {

namespace {

void Complain(const std::string& text) {
    std::fprintf(stderr, "wavelore-decode: %s\n", text.c_str());
}

// Ctrl-C or SIGTERM ends decoding as the end of the input does, so that the
// frame in progress and the raw log are closed as at shutdown. Reads are
// restarted: standard input stops at its next block (or when the program
// feeding it ends too, as it does on Ctrl-C in a terminal).
volatile std::sig_atomic_t g_stopRequested = 0;

void OnStopSignal(int) {
    g_stopRequested = 1;
}

void InstallStopHandlers() {
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
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
    CRunUploads uploads(options);
    std::string uploadError;
    if (!uploads.Start(uploadError)) {
        Complain(uploadError);
        return kExitUsage;
    }
    CRunStorage storage(options, uploads.Hook());
    std::string storeError;
    if (!storage.Start(storeError)) {
        Complain(storeError);
        return kExitInputError;
    }
    CTextHandler handler(options, stdout, stderr);
    const auto onText = [&](const DecoderText& chunk) {
        storage.OnText(chunk);
        uploads.Poll();
        handler.OnText(chunk, pipeline.Blocks());
        return true;
    };

    int16_t samples[kSamplesPerBuffer];
    size_t n;
    InstallStopHandlers();
    while (!g_stopRequested && (n = reader.Read(samples, kSamplesPerBuffer)) > 0) {
        pipeline.Feed(samples, n, onText);
    }
    pipeline.Finish(onText);
    // As at shutdown: a frame still in progress stays in incoming.txt.
    storage.Finish();
    handler.Finish();
    uploads.Finish(stderr);
    if (reader.Failed()) {
        Complain(reader.Error());
    }
    if (!storage.AllStored()) {
        return kExitNotStored;
    }
    return reader.Failed() || handler.WriteFailed() ? kExitInputError : kExitSuccess;
}

}  // namespace wavelore::cli

#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/decoder_text_handler.h"
#include "app/log_day.h"
#include "app/message_assembler.h"
#include "app/message_sinks.h"
#include "app/run_clock.h"
#include "cli/cli_options.h"
#include "cli/run_bridge.h"
#include "cli/stream_notifier.h"
#include "common/clock.h"
#include "common/decoder_text.h"
#include "common/modes.h"
#include "common/user_notifier.h"

namespace wavelore::cli {

// Stores what is decoded exactly as the main window does: "incoming.txt",
// the message files under logs/<date>/ (NAVTEX and NAVTEX-J) and the raw
// log under logs/<date>/raw/, all in one directory.
class CMessageStorage {
  public:
    // dir: where the files go; upload: the upload step, or null; listener:
    // hears of every message stored, or null.
    CMessageStorage(const std::filesystem::path& dir, Mode mode, const IClock& clock,
                    IUploadHook* upload, std::FILE* errors,
                    IMessageStoredListener* listener = nullptr);
    CMessageStorage(const CMessageStorage&) = delete;
    CMessageStorage& operator=(const CMessageStorage&) = delete;
    ~CMessageStorage();

    // Creates the directory (if needed) and its logs directory and opens
    // the raw log. False, with error set, when the directory is unusable.
    bool Start(std::string& error);
    // One decoded chunk with its counts.
    void OnText(const DecoderText& chunk);
    // Tries again, at most every few seconds, to store messages that had
    // no room.
    void Retry();
    // End of input or interruption: the frame in progress stays unfinished
    // in "incoming.txt", as at shutdown, and the raw log is closed.
    void Finish();
    // After Finish: every completed message was stored in a file of its own.
    bool AllStored() const;

  private:
    std::filesystem::path m_dir;
    const IClock& m_clock;
    CStreamNotifier m_notifier;
    CLogDay m_logDay;
    CMessageAssembler m_assembler;
    CDecoderTextHandler m_handler;
    bool m_started = false;
    std::chrono::steady_clock::time_point m_nextRetry{};
};

// The storage of one run of the tool, set up from its options: the clock
// (local, or fixed for tests), the files in --dir and what follows each
// stored message (CRunBridge); nothing with --no-store.
class CRunStorage {
  public:
    explicit CRunStorage(const CliOptions& options, IUploadHook* upload = nullptr)
        : m_options(options), m_upload(upload) {}

    // False, with error set, when storage was asked for and cannot work.
    bool Start(std::string& error);
    void OnText(const DecoderText& chunk) {
        if (m_storage) {
            m_storage->OnText(chunk);
            Poll();
        }
    }
    // Between texts: collects the commands of --on-message that ended and
    // tries again to store messages that had no room.
    void Poll() {
        if (m_storage) {
            m_storage->Retry();
            m_bridge->Poll();
        }
    }
    void Finish() {
        if (m_storage) {
            m_storage->Finish();
            m_bridge->Finish();
        }
    }
    // After Finish: nothing was asked to be stored, or all of it was.
    bool AllStored() const { return !m_storage || m_storage->AllStored(); }

  private:
    const CliOptions& m_options;
    IUploadHook* m_upload;
    std::unique_ptr<IClock> m_clock;
    std::unique_ptr<CRunBridge> m_bridge;
    std::unique_ptr<CMessageStorage> m_storage;
};

}  // namespace wavelore::cli

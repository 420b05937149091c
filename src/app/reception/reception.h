#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "app/log_day.h"
#include "app/message_bridge.h"
#include "app/message_sinks.h"
#include "app/message_uploads.h"
#include "app/reception/message_framer.h"
#include "app/reception/message_store.h"
#include "common/clock.h"
#include "common/decoder_text.h"
#include "common/file_system.h"
#include "common/modes.h"

namespace wavelore {

class IUserNotifier;
class WindowTarget;

// What a reception is built from, the same for the window, wavelore-decode
// and each channel of a receiver. Everything pointed to must outlive the
// reception.
struct ReceptionConfig {
    // The directory of the working file and the log tree.
    std::filesystem::path base{};
    // Stamps the frames and names the raw logs.
    const IClock* clock = nullptr;
    // Hears what could not be stored, logged or indexed; may be null.
    IUserNotifier* notifier = nullptr;
    // Where files are written; null: the machine's file system.
    IFileSystem* files = nullptr;
    // Names the working files and the raw log of one of several receptions
    // on base ("518": "incoming 518.txt"); empty for the only one.
    std::u16string channel{};
    Mode mode = Mode::Navtex;
    // The radio channel received (Hz) for the index and the NMEA output;
    // 0 for a sound card, whose frequency the receiver does not know.
    int32_t frequencyHz = 0;
    // Every decoded chunk as it arrived (the raw data view); may be null.
    IRawTextView* rawView = nullptr;
    // Hears of messages stored under their own name (the Message
    // Explorer); may be null, and set later (SetExplorer).
    IStoredMessageSink* explorer = nullptr;
    // The upload ID and service host, asked for at every message, and one
    // transport per exchange. Without a transport nothing is uploaded.
    CMessageUploads::Source uid{};
    CMessageUploads::Source host{};
    CUploadWorker::ClientFactory network{};
};

// The reception of one receiver: the decoded text of its chain, framed
// into messages (CMessageFramer) and stored (CMessageStore) beside the
// raw log of the day (CLogDay); each stored message judged, indexed and
// sent on by the bridge (CMessageBridge) and uploaded (CMessageUploads).
// Several receptions (channels) share one log tree: the first owns the
// bridge, with the one index, and the uploads; the others use them, each
// with working files and a raw log of its own. Used on one thread.
class CReception {
  public:
    explicit CReception(const ReceptionConfig& config);
    // Another channel's reception on the log tree of first, whose bridge
    // and uploads it shares; first must outlive it.
    CReception(const ReceptionConfig& config, CReception& first);
    ~CReception();
    CReception(const CReception&) = delete;
    CReception& operator=(const CReception&) = delete;

    // Start-up, in this order; Start does them all, without a window.
    // Creates logs/ under the base; false, with error set, when there is no
    // such directory then.
    bool CreateLogTree(std::string& error);
    // The message index, once for receptions sharing it; without one,
    // messages are still stored and the index says why.
    void OpenIndex();
    // Opens the raw log named after now.
    void StartLogDay();
    // The upload worker, reporting to owner (null: the reception's own
    // queue, handled by Poll); false when there is none.
    bool StartUploads(WindowTarget* owner);
    bool Start(std::string& error);

    // One decoded chunk with its counts: the day check, the raw data view,
    // the framer (and so the store) and the raw log, in that order.
    void Handle(std::u16string_view chunk, int32_t good, int32_t errors);
    void Handle(const DecoderText& text) { Handle(text.text, text.good, text.errors); }

    // The explorer that hears of messages stored under their own name, from
    // now on (null: none).
    void SetExplorer(IStoredMessageSink* explorer) { m_store.SetStoredSink(explorer); }
    void SetMode(Mode mode) { m_framer.SetMode(mode); }
    Mode GetMode() const { return m_framer.GetMode(); }
    // Ends the frame in progress unfinished (a mode without messages): the
    // working file keeps it. Messages that had no room get a last try.
    void CloseWorkingFile();
    // Tries again to store messages that had no room, and rewrites the
    // warning feeds a filling index held up.
    void RetryPending();
    // Without a window, between chunks: the upload results on the own
    // queue, and (every few seconds) messages that had no room.
    void Poll();

    // Shutdown. From SetClosing on, chunks are counted but go nowhere.
    void SetClosing() { m_closing = true; }
    bool Closing() const { return m_closing; }
    // After the uploads were stopped: the frame in progress stays in the
    // working file, messages still waiting for room are said lost, and the
    // raw log is closed with its last line.
    void Finish();

    // Completed messages not stored yet: waiting in memory, or the one in
    // the working file.
    size_t WaitingMessages() const;
    size_t LostMessages() const { return m_store.LostMessages(); }
    // Every completed message was stored in a file of its own.
    bool AllStored() const { return WaitingMessages() == 0 && LostMessages() == 0; }

    const ReceptionConfig& Config() const { return m_config; }
    const CMessageFramer& Framer() const { return m_framer; }
    const CMessageStore& Store() const { return m_store; }
    const CLogDay& LogDay() const { return m_logDay; }
    CMessageBridge& Bridge() { return m_shared.bridge; }
    CMessageUploads& Uploads() { return m_shared.uploads; }
    const CMessageUploads& Uploads() const { return m_shared.uploads; }

  private:
    // What the receptions on one log tree share.
    struct Shared {
        explicit Shared(const ReceptionConfig& config);
        CMessageBridge bridge;
        CMessageUploads uploads;
        bool indexOpened = false;
    };

    // own: the shared parts of the first reception; shared: those of
    // another.
    CReception(const ReceptionConfig& config, std::unique_ptr<Shared> own, Shared* shared);

    ReceptionConfig m_config;
    std::unique_ptr<Shared> m_ownShared;
    Shared& m_shared;
    CLogDay m_logDay;
    CMessageStore m_store;
    CMessageFramer m_framer;
    bool m_closing = false;
    bool m_finished = false;
    std::chrono::steady_clock::time_point m_nextRetry{};
};

}  // namespace wavelore

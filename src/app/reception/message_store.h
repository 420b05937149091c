#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "app/message_record.h"
#include "app/message_sinks.h"
#include "app/reception/message_framer.h"
#include "app/stored_message_name.h"
#include "common/clock.h"
#include "common/file_system.h"
#include "common/modes.h"
#include "common/user_text.h"

namespace wavelore {

class IUserNotifier;

// Stores the frames the framer finds: each frame goes to the working file
// "incoming.txt" while it arrives, and at its end the message is handed to
// the upload step and stored as logs/<date>/<date> <time> <B1B2NN>.txt
// (StoredMessageName).
//
// A message is stored only whole. When the working file did not take all of
// it (a full disk), the message is written from memory through a file of
// its own (the holding file "incoming.tmp", renamed when complete); while that fails too it
// waits in memory, oldest first, and is tried again at every frame start
// and end and at each RetryPending, until it is stored or the store ends
// (then it is said lost). A working file left by an earlier run (a frame
// cut off at shutdown) is set aside beside it at the first frame start
// rather than overwritten, unless it only repeats a stored message.
//
// Receptions of several channels on one base directory each have a store
// with working files of their own ("incoming 518.txt", "incoming 518.tmp").
class CMessageStore final : public IFrameListener {
  public:
    struct Sinks {
        IUploadHook* upload = nullptr;
        IStoredMessageSink* stored = nullptr;
        IUserNotifier* notifier = nullptr;           // hears of messages not stored as usual
        IMessageStoredListener* listener = nullptr;  // every message written to a file
        IFileSystem* files = nullptr;                // where files are written; null: the machine's
    };
    // Beyond this much text waiting in memory a further message is lost.
    static constexpr size_t kMaxPendingBytes = 8 << 20;

    // base: the directory holding the working file and the log tree.
    // channel: names the working files of one of several receptions on
    // base; empty for the only one.
    CMessageStore(const std::filesystem::path& base, const IClock& clock, Sinks sinks,
                  std::u16string_view channel = {});
    ~CMessageStore() override;
    CMessageStore(const CMessageStore&) = delete;
    CMessageStore& operator=(const CMessageStore&) = delete;

    // IFrameListener
    void FrameStarted(const MessageHeader& header, const LocalTime& frameTime, Mode mode) override;
    void FrameText(std::u16string_view text) override;
    void FrameEnded(MessageRecord record) override;
    // The working file keeps what was received.
    void FrameCut() override;

    // Where messages stored under their own name are announced from now
    // on; null: nowhere.
    void SetStoredSink(IStoredMessageSink* stored) { m_sinks.stored = stored; }
    // Tries again to store the messages waiting in memory, or the one held
    // in the working file; for a timer of the host.
    void RetryPending();
    // The end of the run, after the frame in progress was cut: a last try,
    // and messages still waiting in memory are said lost and counted.
    void EndStoring();

    std::filesystem::path WorkingPath() const;

    // A stored message's bytes as the text views show them. The header line
    // ends in a line break of its own, and the white space received last
    // before the body follows it: a line feed, for the usual CR LF after
    // the "ZCZC" line. Shown, the two are that one line end, as the raw
    // data view showed it, not a blank line of their own.
    static std::string TextToShow(std::string stored);
    // True while the working file holds a completed message that could not
    // be stored; the next frame start tries again before it reuses the file.
    bool HoldsUnstoredMessage() const { return m_held; }
    // Completed messages waiting in memory for room to be written.
    size_t PendingMessages() const { return m_pending.size(); }
    // Completed messages that were never stored: lost at the end, or when
    // too much was waiting.
    size_t LostMessages() const { return m_lost; }

  private:
    // A completed message on its way to a file.
    struct Completed {
        MessageHeader header;
        StoredMessageName name;
        MessageRecord record;  // path: the final name
        std::string bytes;     // its whole file
    };

    // Writes what the frame recorded since the last write.
    void FlushWorkingFile();
    void CloseFile();
    // Sets aside, once, a working file an earlier run left.
    void KeepEarlierWorkingFile();
    std::u16string HeaderLine() const;
    bool StoreWorkingFile();
    // The messages waiting in memory, oldest first; true when none is left.
    bool StorePending();
    // False, with error set, when the file could not be written whole.
    bool WriteWholeFile(const std::filesystem::path& path, std::string_view bytes,
                        std::error_code& error);
    enum class Placed { Stored, AlreadyStored, Failed };
    // Moves the complete file source to the message's name, another beside
    // a different message of that name, or beside the working file. error:
    // why its own place failed.
    Placed Place(const std::filesystem::path& source, Completed& message, std::error_code& error);
    // The message is now in path.
    void Stored(Completed& message, const std::filesystem::path& path, StorePlace place);
    void Report(const UserText& text);
    // texts::kWorkingFileWrite or kWorkingFileIncomplete.
    void ReportWorkingFileFailure(std::u16string_view format);

    std::filesystem::path m_base;
    const IClock& m_clock;
    Sinks m_sinks;
    std::unique_ptr<IFileSystem> m_ownFiles;
    IFileSystem& m_files;
    std::u16string m_workingName;
    std::u16string m_holdingName;
    std::u16string m_setAsidePrefix;  // of an earlier run's working file kept
    Mode m_mode = Mode::Navtex;       // of the frame in progress

    // The frame in progress: in the working file, and in memory.
    std::unique_ptr<IOutputFile> m_working;
    std::string m_frameBytes;    // the frame's file as recorded so far
    size_t m_written = 0;        // how much of it went to the working file
    bool m_writeFailed = false;  // the working file lacks part of the frame
    bool m_incompleteReported = false;
    bool m_workingChecked = false;  // an earlier run's working file was seen to
    MessageHeader m_header;
    LocalTime m_frameTime;

    // The completed message waiting in the working file for a store, with
    // its counts, so a later store reports it whole.
    bool m_held = false;
    Completed m_heldMessage;
    // Completed messages the working file did not take whole, oldest first,
    // and their size.
    std::deque<Completed> m_pending;
    size_t m_pendingBytes = 0;
    // The working file holds part of the newest of them, and nothing newer.
    bool m_workingIsPartial = false;
    // Messages that waited in memory since it was said, and why the last
    // try failed.
    size_t m_heldInMemory = 0;
    std::error_code m_pendingError;
    size_t m_lost = 0;
    std::u16string m_lastError;
};

}  // namespace wavelore

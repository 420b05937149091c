#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "app/message_record.h"
#include "app/message_sinks.h"
#include "common/clock.h"
#include "common/file_system.h"
#include "common/modes.h"
#include "common/user_text.h"

namespace wavelore {

class IUserNotifier;

// Finds NAVTEX frames ("ZCZC B1B2NN ... NNNN") in the decoded text, writes
// each frame to the working file "incoming.txt" while it arrives, and at the
// end marker hands the message to the upload step and stores it as
// logs/<date>/<date> <time> <B1B2NN>.txt. Only NAVTEX and NAVTEX-J frames
// are stored; in the other modes a frame stays in the working file.
//
// A message is stored only whole. When the working file did not take all of
// it (a full disk), the message is written from memory through a file of
// its own ("incoming.tmp", renamed when complete); while that fails too it
// waits in memory, oldest first, and is tried again at every frame start
// and end and at each RetryPending, until it is stored or the assembler
// ends (then it is said lost). A working file left by an earlier run (a
// frame cut off at shutdown) is set aside beside it at the first frame
// start rather than overwritten, unless it only repeats a stored message.
class CMessageAssembler {
  public:
    struct Sinks {
        IUploadHook* upload = nullptr;
        IStoredMessageSink* stored = nullptr;
        IUserNotifier* notifier = nullptr;           // hears of messages not stored as usual
        IMessageStoredListener* listener = nullptr;  // every message written to a file
        IFileSystem* files = nullptr;                // where files are written; null: the machine's
    };
    // The file a message waiting in memory is written to before it is renamed.
    static constexpr std::u16string_view kHoldingFileName = u"incoming.tmp";
    // Beyond this much text waiting in memory a further message is lost.
    static constexpr size_t kMaxPendingBytes = 8 << 20;

    // base: the directory holding "incoming.txt" and the log tree.
    CMessageAssembler(const std::filesystem::path& base, const IClock& clock, Sinks sinks);
    ~CMessageAssembler();
    CMessageAssembler(const CMessageAssembler&) = delete;
    CMessageAssembler& operator=(const CMessageAssembler&) = delete;

    void SetMode(Mode mode) { m_mode = mode; }
    Mode GetMode() const { return m_mode; }

    // The counts of one decoded chunk, added before the chunk is fed.
    void AddCounts(int32_t good, int32_t errors);
    // Runs every UTF-16 unit of the chunk through the frame tests.
    void FeedChunk(std::u16string_view chunk);
    // Ends the frame in progress without storing it (shutdown, a mode
    // without messages): "incoming.txt" keeps what was received. Messages
    // waiting in memory get a last try; those that fail are said lost.
    void CloseWorkingFile();
    // Tries again to store the messages waiting in memory, or the one held
    // in the working file; for a timer of the host.
    void RetryPending();
    // The end of the run, after CloseWorkingFile: messages still waiting in
    // memory are said lost and counted.
    void EndStoring();

    bool Receiving() const { return m_framing; }
    const MessageHeader& Header() const { return m_header; }
    const std::u16string& MessageText() const { return m_text; }
    uint32_t GoodCount() const { return m_good; }
    uint32_t ErrorCount() const { return m_errors; }
    std::filesystem::path WorkingPath() const;
    // True while "incoming.txt" holds a completed message that could not be
    // stored; the next frame start tries again before it reuses the file.
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
        MessageRecord record;  // path: the final name
        std::string bytes;     // its whole file
    };

    void FeedUnit(char16_t c);
    void ShiftIn(char16_t c);
    bool EndMarkerAt(size_t first) const;
    // False when the header after the marker is not valid.
    bool StartFrame();
    void Record(char16_t c);
    void EndFrame();
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
    Mode m_mode = Mode::Navtex;

    // Positions 1 to 10 of the window: the last nine non-white-space units,
    // oldest first, and a terminator that is always 0.
    std::array<char16_t, 10> m_window{};
    // The last nine non-white-space units as received, never shifted by the
    // NAVTEX realignment.
    std::array<char16_t, 9> m_recent{};
    // A frame is being recorded: in the working file, and in memory.
    bool m_framing = false;
    std::unique_ptr<IOutputFile> m_working;
    std::string m_frameBytes;    // the frame's file as recorded so far
    size_t m_written = 0;        // how much of it went to the working file
    bool m_writeFailed = false;  // the working file lacks part of the frame
    bool m_incompleteReported = false;
    bool m_workingChecked = false;  // an earlier run's working file was seen to
    std::u16string m_text;
    uint32_t m_good = 0;
    uint32_t m_errors = 0;
    MessageHeader m_header;

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

#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/message_record.h"
#include "app/message_sinks.h"
#include "common/clock.h"
#include "common/modes.h"
#include "common/user_text.h"

namespace wavelore {

class IUserNotifier;

// Finds NAVTEX frames ("ZCZC B1B2NN ... NNNN") in the decoded text, writes
// each frame to the working file "incoming.txt" while it arrives, and at the
// end marker hands the message to the upload step and stores it as
// logs/<date>/<date> <time> <B1B2NN>.txt. Only NAVTEX and NAVTEX-J frames
// are stored; in the other modes a frame stays in the working file.
class CMessageAssembler {
  public:
    struct Sinks {
        IUploadHook* upload = nullptr;
        IStoredMessageSink* stored = nullptr;
        IUserNotifier* notifier = nullptr;           // hears of messages not stored as usual
        IMessageStoredListener* listener = nullptr;  // every message written to a file
    };

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
    // without messages): "incoming.txt" keeps what was received.
    void CloseWorkingFile();

    bool Receiving() const { return m_working != nullptr; }
    const MessageHeader& Header() const { return m_header; }
    const std::u16string& MessageText() const { return m_text; }
    uint32_t GoodCount() const { return m_good; }
    uint32_t ErrorCount() const { return m_errors; }
    std::filesystem::path WorkingPath() const;
    // True while "incoming.txt" holds a completed message that could not be
    // stored; the next frame start tries again before it reuses the file.
    bool HoldsUnstoredMessage() const { return m_held; }

  private:
    void FeedUnit(char16_t c);
    void ShiftIn(char16_t c);
    bool EndMarkerAt(size_t first) const;
    // False when the header after the marker is not valid.
    bool StartFrame();
    void Record(char16_t c);
    void EndFrame();
    void CloseFile();
    std::u16string HeaderLine() const;
    bool StoreWorkingFile();
    // Writes the held message into a working file that vanished.
    bool RewriteWorkingFile();
    // The held message is now in path: it is no longer held.
    void Stored(const std::filesystem::path& path, StorePlace place);
    void Report(const UserText& text);

    std::filesystem::path m_base;
    const IClock& m_clock;
    Sinks m_sinks;
    Mode m_mode = Mode::Navtex;

    // Positions 1 to 10 of the window: the last nine non-white-space units,
    // oldest first, and a terminator that is always 0.
    std::array<char16_t, 10> m_window{};
    // The last nine non-white-space units as received, never shifted by the
    // NAVTEX realignment.
    std::array<char16_t, 9> m_recent{};
    std::FILE* m_working = nullptr;
    bool m_writeFailed = false;
    std::u16string m_text;
    uint32_t m_good = 0;
    uint32_t m_errors = 0;
    MessageHeader m_header;

    // The completed message waiting in the working file for a store, with
    // its counts, so a later store reports it whole.
    bool m_held = false;
    MessageHeader m_heldHeader;
    MessageRecord m_heldRecord;  // path: the final name
    std::string m_heldBytes;     // its whole file, for a working file that vanished
    std::u16string m_lastError;
};

}  // namespace wavelore

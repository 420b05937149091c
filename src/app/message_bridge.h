#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "app/message_command.h"
#include "app/message_filter.h"
#include "app/message_index.h"
#include "app/message_search.h"
#include "app/message_selection.h"
#include "app/nmea_output.h"
#include "app/read_marks.h"
#include "app/warning_feeds.h"
#include "net/nmea_tcp_server.h"
#include "system/command_runner.h"

namespace wavelore {

class CSettings;
class IUserNotifier;

// What follows each stored message beyond its file, the same in the window
// and in wavelore-decode: the selection and NAVAREA, the message index with
// its full-text search and unread marks, the
// filter that judges every message and hands it on (the alarm decision),
// the warnings for chart programs under logs/ (CWarningFeeds), the NRX
// sentences of new messages, served on a TCP port while that is open, and
// a user's command for every selected message. Used on the store's thread.
class CMessageBridge {
  public:
    // base: the directory holding "incoming.txt" and logs/. notifier (may
    // be null): hears of a damaged or unusable index.
    CMessageBridge(const std::filesystem::path& base, IUserNotifier* notifier);
    CMessageBridge(const CMessageBridge&) = delete;
    CMessageBridge& operator=(const CMessageBridge&) = delete;

    // "Stations", "Subjects" and "NavArea" as stored.
    void ReadSettings(const CSettings& settings);
    // A change applies from the next stored message on.
    void SetSelection(const CMessageSelection& selection) { m_selection = selection; }
    const CMessageSelection& Selection() const { return m_selection; }
    void SetNavArea(int32_t navArea) {
        m_navArea = navArea;
        m_feeds.SetNavArea(navArea);
    }
    int32_t NavArea() const { return m_navArea; }

    // Opens the index once the log tree exists (CMessageIndex::Open).
    bool OpenIndex() { return m_index.Open(); }
    CMessageIndex& Index() { return m_index; }
    CMessageSearch& Search() { return m_search; }
    CReadMarks& ReadMarks() { return m_readMarks; }
    CWarningFeeds& Feeds() { return m_feeds; }
    CNmeaOutput& Nmea() { return m_nmea; }

    // For the assembler.
    IMessageStoredListener* Listener() { return &m_filter; }
    void AddOutput(IMessageOutput* output, CMessageFilter::Wants wants) {
        m_filter.AddOutput(output, wants);
    }
    void SetAlarm(IAlarmHook* alarm) { m_filter.SetAlarm(alarm); }
    // Another place for the sentences of new messages (UDP, say).
    void AddNmeaSink(INmeaSink* sink) { m_nmea.AddSink(sink); }

    // Serves the sentences on port (0: one the system chooses) as options
    // say; a port already served is closed first. False, with error set,
    // when the address or port cannot be had: the output is then off.
    bool StartNmeaTcp(uint16_t port, const CNmeaTcpServer::Options& options, std::string& error);
    void StopNmeaTcp();
    bool NmeaTcpRunning() const { return m_tcpRunning; }
    uint16_t NmeaTcpPort() const { return m_tcp.Port(); }
    const CNmeaTcpServer& NmeaTcp() const { return m_tcp; }

    // Runs command for every selected stored message, repeats too
    // (CMessageCommand, with the NAVAREA of now), within limits; notifier
    // (may be null) hears of runs that fail. Once.
    void StartCommand(std::string command, const CCommandRunner::Limits& limits,
                      IUserNotifier* notifier);
    // Collects commands that ended; call it regularly.
    void PollCommands();
    // Waits at most maxWait for commands still running; how many are left
    // running (0 without a command).
    size_t FinishCommands(std::chrono::milliseconds maxWait);
    // What became of the runs; null without a command.
    const CCommandRunner* Commands() const { return m_runner.get(); }

  private:
    CMessageSelection m_selection;
    int32_t m_navArea = 1;
    CMessageIndex m_index;
    CMessageSearch m_search{m_index};
    CReadMarks m_readMarks{m_index};
    CMessageFilter m_filter{m_selection, &m_index};
    CWarningFeeds m_feeds;
    CNmeaTcpServer m_tcp;
    bool m_tcpRunning = false;
    CNmeaOutput m_nmea;
    std::unique_ptr<CCommandRunner> m_runner;
    std::unique_ptr<CMessageCommand> m_command;
};

}  // namespace wavelore

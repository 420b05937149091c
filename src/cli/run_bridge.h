#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/message_bridge.h"
#include "app/message_command.h"
#include "app/profile_store.h"
#include "cli/cli_options.h"
#include "cli/run_feeds.h"
#include "cli/stream_notifier.h"
#include "net/nmea_in_client.h"
#include "net/nmea_udp_sender.h"
#include "system/command_runner.h"

namespace wavelore::cli {

// What follows each stored message in one run of the tool: the message
// index, the selection (--stations, --subjects, else the stored ones), the
// command of --on-message, the NMEA outputs of --nmea-tcp and --nmea-udp,
// own position from --nmea-in, the files of --geojson and --gpx, and with
// --verbose a line per message on standard error.
class CRunBridge {
  public:
    // profile: where "Stations", "Subjects" and "NavArea" are read when the
    // command line does not give them; null for the user's own settings.
    explicit CRunBridge(const CliOptions& options, IProfileStore* profile = nullptr);
    ~CRunBridge();
    CRunBridge(const CRunBridge&) = delete;
    CRunBridge& operator=(const CRunBridge&) = delete;

    // Opens the index (the log tree exists by now) and starts the outputs.
    // False, with error set, when an output asked for cannot work (the port
    // is taken, the host unknown).
    bool Start(std::string& error);
    // For the assembler.
    IMessageStoredListener* Listener() { return m_bridge.Listener(); }
    // Collects commands that ended; call it regularly.
    void Poll();
    // Waits a bounded time for commands still running, then stops the
    // NMEA outputs.
    void Finish();

  private:
    class CVerboseOutput;

    // --no-nmea-wpl, --nmea-in, --geojson and --gpx.
    bool StartPositions(int32_t navArea, std::string& error);

    const CliOptions& m_options;
    IProfileStore* m_profile;
    CStreamNotifier m_notifier{stderr};
    CMessageBridge m_bridge;
    bool m_started = false;
    std::unique_ptr<CCommandRunner> m_runner;
    std::unique_ptr<CMessageCommand> m_command;
    CNmeaUdpSender m_udp;
    CNmeaInClient m_ownPosition;
    std::unique_ptr<CRunFeeds> m_feeds;
    std::unique_ptr<CVerboseOutput> m_verbose;
};

}  // namespace wavelore::cli

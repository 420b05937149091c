#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/profile_store.h"
#include "app/reception/reception.h"
#include "cli/cli_options.h"
#include "cli/run_feeds.h"
#include "cli/stream_notifier.h"
#include "common/clock.h"
#include "common/decoder_text.h"
#include "net/nmea_in_client.h"
#include "net/nmea_udp_sender.h"

namespace wavelore::cli {

// The reception of one run of the tool, set up from its options as the
// window sets up its own: the clock (local, or fixed for tests), the files
// in --dir, what follows each stored message (the selection of --stations
// and --subjects, else the stored one; --navarea; the command of
// --on-message; the NMEA outputs of --nmea-tcp and --nmea-udp; own
// position from --nmea-in; the files of --geojson and --gpx; with
// --verbose a line per message on standard error) and the uploads of
// --upload (the upload ID and host from the command line, else from the
// user's settings). Nothing with --no-store.
class CRunReception {
  public:
    // profile: where settings the command line does not give are read;
    // null for the user's own.
    explicit CRunReception(const CliOptions& options, IProfileStore* profile = nullptr);
    // The channels of a radio, each with a reception of its own on the one
    // log tree ("incoming 518.txt" when there are several); before Start.
    struct Channel {
        std::u16string name;  // empty for the only one
        int32_t frequencyHz = 0;
        Mode mode = Mode::Navtex;
    };
    void SetChannels(std::vector<Channel> channels) { m_channels = std::move(channels); }
    ~CRunReception();
    CRunReception(const CRunReception&) = delete;
    CRunReception& operator=(const CRunReception&) = delete;

    // False, with error and the exit code set, when what was asked for
    // cannot work: uploads without an upload ID, a bad stored host or no
    // worker thread (kExitUsage); no clock, an unusable directory, an NMEA
    // output that cannot be had (kExitInputError).
    bool Start(std::string& error, int& exitCode);
    void OnText(const DecoderText& chunk) { OnText(0, chunk); }
    void OnText(size_t channel, const DecoderText& chunk);
    // Between texts: upload results, --on-message commands that ended, and
    // messages that had no room tried again.
    void Poll();
    // End of input or interruption: the frame in progress stays unfinished
    // in "incoming.txt", as at shutdown, and the raw log is closed; then a
    // bounded wait for commands still running, and the NMEA outputs stop.
    void Finish();
    // After Finish: waits up to --upload-wait seconds for the upload queue
    // and reports on errors: "uploads: N sent, M left".
    void FinishUploads(std::FILE* errors);
    // After Finish: nothing was asked to be stored, or all of it was.
    bool AllStored() const;

  private:
    class CVerboseOutput;

    // The upload ID and host into config; false, with error set, when
    // there is no usable one.
    bool ReadUploadSettings(ReceptionConfig& config, std::string& error);
    // The selection, the index and the outputs; false, with error set,
    // when an output cannot be had.
    bool StartBridge(std::string& error);
    // --no-nmea-wpl, --nmea-in, --geojson and --gpx.
    bool StartPositions(int32_t navArea, std::string& error);

    const CliOptions& m_options;
    IProfileStore* m_profile;
    CStreamNotifier m_notifier{stderr};
    std::unique_ptr<IClock> m_clock;
    std::vector<Channel> m_channels;
    // The first channel's, with the bridge and the uploads; then the others.
    std::unique_ptr<CReception> m_reception;
    std::vector<std::unique_ptr<CReception>> m_others;
    CNmeaUdpSender m_udp;
    CNmeaInClient m_ownPosition;
    std::unique_ptr<CRunFeeds> m_feeds;
    std::unique_ptr<CVerboseOutput> m_verbose;
    bool m_finished = false;
};

}  // namespace wavelore::cli

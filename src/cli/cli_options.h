#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/receiver_config.h"
#include "common/modes.h"
#include "net/nmea_tcp_server.h"

namespace wavelore::cli {

// Everything wavelore-decode can be told on its command line.
struct CliOptions {
    // A WAV/FLAC/raw file, or "-" for raw audio on standard input.
    std::string input = "-";
    bool inputGiven = false;
    int32_t centreFrequency = 1700;  // Hz, midway between the two tones
    int32_t shift = 170;             // Hz between the tones
    // The mode's usual speed unless --baud is given: 100, RTTY 45 (the
    // 45.45 baud of most RTTY; the receiver's bauds are whole numbers).
    int32_t baud = 100;
    // NAVTEX, SITOR, AMTOR, NAVTEX-J or RTTY (--mode, as in the mode table).
    Mode mode = Mode::Navtex;
    bool strictFec = true;
    // The weak-signal SITOR-B chain for NAVTEX and SITOR (--enhanced).
    bool enhanced = false;
    bool invert = false;
    bool verbose = false;
    // Where "incoming.txt" and the logs tree go (--dir), unless --no-store.
    std::string storeDir = ".";
    bool store = true;
    // Live receiver: list the capture devices (--list-devices), capture from
    // one by number or name (--device), or play a recording through the
    // decoder thread (--play) in real time or, with --fast, as fast as it
    // decodes.
    bool listDevices = false;
    std::string device;
    std::string play;
    bool fast = false;
    bool Live() const { return !device.empty() || !play.empty(); }
    // A radio's IQ samples: list the SoapySDR devices (--list-sdr), receive
    // from one (--sdr ARGS) with its settings, or read an IQ recording
    // (--iq) as fast as it decodes, or in real time with --play.
    bool listSdr = false;
    std::optional<std::string> sdr;
    double sdrRate = 2048000.0;
    std::optional<double> sdrCentre;  // none: between the channels
    std::optional<double> gainDb;     // none: the device's AGC
    double ppm = 0.0;
    double upconverter = 0.0;  // Hz the SDR is tuned above the band
    std::string antenna;
    std::string directSampling;
    std::string iq;
    std::string iqFormat;  // cu8, cs16, cf32, wav; empty: by the name
    double iqRate = 0.0;
    std::optional<double> iqCentre;
    bool playIq = false;
    // The channels decoded from the IQ samples, each with its mode;
    // empty: 490 and 518 kHz (and 4209.5 kHz) where the band holds them.
    struct Channel {
        double frequencyHz = 0.0;
        Mode mode = Mode::Navtex;
    };
    std::vector<Channel> channels;
    bool Radio() const { return sdr.has_value() || !iq.empty(); }
    // Live receiver: retune automatically to a transmission the spectrum
    // search finds, as the main window does with SmartTune on (--smarttune).
    bool smartTune = false;
    // Upload every completed message (--upload) under --uid or the stored
    // "UID", to --upload-host or the stored "UploadHost"; at the end wait at
    // most --upload-wait seconds for the queue.
    bool upload = false;
    std::string uid;
    std::string uploadHost;
    int32_t uploadWait = 30;
    // Which messages are alarmed and sent on (--stations, --subjects: letters
    // A to Z), and the NAVAREA whose station names are used (--navarea);
    // unset: the stored "Stations", "Subjects" and "NavArea".
    std::optional<std::string> stations;
    std::optional<std::string> subjects;
    std::optional<int32_t> navArea;
    // A command run for every selected stored message (--on-message), ended
    // with what it started when it takes longer than --on-message-timeout
    // seconds.
    std::string onMessage;
    int32_t onMessageTimeout = 60;
    // NMEA NRX sentences of every new selected message: served on a TCP port
    // (--nmea-tcp; 0 takes a free one) at one local address (--nmea-bind;
    // empty: every address) to at most --nmea-clients clients at once, sent
    // as UDP datagrams (--nmea-udp).
    std::optional<int32_t> nmeaTcpPort;
    std::string nmeaBind;
    int32_t nmeaClients = static_cast<int32_t>(CNmeaTcpServer::kDefaultMaxClients);
    std::string nmeaUdp;
    // WPL waypoints of each new message's positions after its NRX
    // sentences; off with --no-nmea-wpl.
    bool nmeaWaypoints = true;
    // Own position from a GNSS source's NMEA stream over TCP (--nmea-in
    // HOST:PORT); with --verbose each message says how far it is.
    std::string nmeaIn;
    // The positions of this run's selected messages as GeoJSON (--geojson)
    // and GPX (--gpx), rewritten whole after each message.
    std::string geoJson;
    std::string gpx;

    // The tuning handed to the demodulator: tones are centre +- half shift.
    int32_t HalfShift() const { return shift / 2; }
    // The receiver these options describe; --smarttune is its one switch
    // of the automatic tuning.
    ReceiverConfig Receiver() const;
};

// Exit codes of the tool.
constexpr int kExitSuccess = 0;
constexpr int kExitInputError = 1;
constexpr int kExitUsage = 2;
// A completed message could not be stored in a file of its own (a full or
// unwritable disk); each is said on standard error.
constexpr int kExitNotStored = 3;

// Parses the command line into options. Returns true when the tool should
// run. Otherwise exitCode says how to end: kExitSuccess after --help (the
// help is on standard output), kExitUsage after a bad option or value (one
// line on standard error).
bool ParseCliOptions(int argc, char** argv, CliOptions& options, int& exitCode);

}  // namespace wavelore::cli

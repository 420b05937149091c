#include "cli/cli_options.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "app/mode_controller.h"
#include "common/modes.h"
#include "common/utf.h"
#include "net/nmea_tcp_server.h"
#include "net/nmea_udp_sender.h"
#include "net/reply_rules.h"
#include "net/upload_host.h"
#include "sdr/radio_settings.h"
#include "system/standard_input.h"

namespace wavelore::cli {

namespace {

constexpr const char* kProgram = "wavelore-decode";

void UsageError(std::string text) {
    // CLI11 sometimes words a message over several lines; keep it to one.
    for (char& c : text) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    std::fprintf(stderr, "%s: %s (see %s --help)\n", kProgram, text.c_str(), kProgram);
}

// Checks that need more than one option at a time.
bool CheckTuning(const CliOptions& options) {
    const int32_t half = options.HalfShift();
    const int32_t lower = options.centreFrequency - half;
    const int32_t upper = options.centreFrequency + half;
    if (lower < 1 || upper > kNyquist) {
        UsageError("--freq " + std::to_string(options.centreFrequency) + " with --shift " +
                   std::to_string(options.shift) + " puts a tone outside 1.." +
                   std::to_string(kNyquist) + " Hz");
        return false;
    }
    return true;
}

// The radio's options that need more than CLI11 checks.
bool ParseRadio(const CLI::App& app, const std::string& gain,
                const std::vector<std::string>& channels, CliOptions& options) {
    if (!RadioSettings::ParseGain(gain, options.gainDb)) {
        UsageError("--gain takes a number of dB or auto, not \"" + gain + "\"");
        return false;
    }
    for (const std::string& arg : channels) {
        const size_t colon = arg.find(':');
        CliOptions::Channel channel;
        channel.frequencyHz = RadioSettings::ParseFrequency(arg.substr(0, colon)).value_or(0.0);
        if (channel.frequencyHz <= 0.0) {
            UsageError("--channel takes FREQ[:MODE], e.g. 518000 or 490k:NAVTEX, not \"" + arg +
                       "\"");
            return false;
        }
        if (colon != std::string::npos) {
            std::string name = arg.substr(colon + 1);
            for (char& c : name) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            if (name != "NAVTEX" && name != "SITOR" && name != "AMTOR" && name != "NAVTEX-J" &&
                name != "RTTY") {
                UsageError("--channel " + arg +
                           ": the mode is NAVTEX, SITOR, AMTOR, NAVTEX-J or RTTY");
                return false;
            }
            channel.mode = CModeController::ModeOfName(FromUtf8(name));
        }
        options.channels.push_back(channel);
    }
    if (!channels.empty() && !options.Radio()) {
        UsageError("--channel works with --sdr or --iq");
        return false;
    }
    options.playIq = !options.iq.empty() && app.count("--play") > 0;
    if (options.playIq && !options.play.empty()) {
        UsageError("--iq plays the IQ recording with --play alone, without a FILE");
        return false;
    }
    if (!options.iq.empty()) {
        options.play.clear();
    }
    if (app.count("--play") > 0 && options.iq.empty() && options.play.empty()) {
        UsageError("--play needs a FILE (or --iq FILE)");
        return false;
    }
    return true;
}

bool Parse(int argc, char** argv, CliOptions& options, int& exitCode) {
    CLI::App app{
        "Wavelore headless NAVTEX receiver: decodes a recording or an audio stream "
        "and prints the text as it comes.",
        kProgram};
    app.footer(
        "FILE is a WAV or FLAC file (any rate, depth and channel count), or raw signed 16-bit\n"
        "little-endian mono audio at 11025 Hz when its name ends in .raw or .s16le. Without\n"
        "FILE, or with -, raw audio in that form is read from standard input.\n"
        "\n"
        "Decoded messages are stored as the receiver stores them: \"incoming.txt\" for the\n"
        "message being received, logs/YYYY-MM-DD/ for complete NAVTEX and NAVTEX-J messages\n"
        "and logs/YYYY-MM-DD/raw/ for the raw log of all decoded text.\n"
        "\n"
        "--device and --play run the live receiver (the decoder thread, as the main window\n"
        "drives it) until the recording ends or Ctrl-C; --list-devices shows the devices with\n"
        "their own rate and channels. A device that cannot capture at 11025 Hz is captured at\n"
        "its own rate and converted.\n"
        "\n"
        "--upload sends every completed message to the upload service, as the receiver does\n"
        "when an upload ID is stored; at the end the number sent and left is on standard error.\n"
        "\n"
        "Every stored message is indexed in logs/messages.db with its counts and whether it\n"
        "is a repeat (its identity received cleanly within 72 hours) and selected (its\n"
        "station and subject chosen; subjects A, B, D and L always are). --on-message runs a\n"
        "command for every selected message; --nmea-tcp and --nmea-udp send each new (selected,\n"
        "not repeated) NAVTEX message as NMEA 0183 NRX sentences, followed by WPL waypoints\n"
        "for the positions its text gives.\n"
        "\n"
        "logs/warnings.geojson and logs/warnings.gpx hold the places of the selected messages\n"
        "heard in the last 7 days, for chart programs; --geojson and --gpx write those of this\n"
        "run's selected messages to files of your choice.\n"
        "\n"
        "Exit status: 0 success, 1 unreadable input or standard output, 2 bad usage, 3 a\n"
        "message that could not be stored.");

    bool noStrict = false;
    std::string mode = "NAVTEX";
    app.add_option("FILE", options.input, "Audio file, or - for standard input");
    app.add_option("--freq", options.centreFrequency, "Centre frequency in Hz")
        ->capture_default_str()
        ->check(CLI::Range(1, kNyquist));
    app.add_option("--shift", options.shift, "Shift between the tones in Hz")
        ->capture_default_str()
        ->check(CLI::Range(2, kNyquist));
    app.add_option("--baud", options.baud, "Keying speed in baud (default 100, RTTY 45)")
        ->check(CLI::Range(1, 1200));
    app.add_option("--mode", mode, "Receiving mode")
        ->capture_default_str()
        ->transform(
            CLI::IsMember({"NAVTEX", "SITOR", "AMTOR", "NAVTEX-J", "RTTY"}, CLI::ignore_case));
    app.add_flag("--no-strict", noStrict,
                 "Strict FEC off: repair a character when one of its two copies is damaged");
    app.add_flag("--enhanced", options.enhanced,
                 "NAVTEX and SITOR: the weak-signal decoder (soft decisions, both copies "
                 "combined, AFC)");
    app.add_flag("--invert", options.invert, "Invert the bit sense (swap the tones)");
    app.add_flag("--verbose", options.verbose,
                 "Good and error character counts of every decoded block on standard error; live,\n"
                 "also the processor load and the captured samples lost");
    app.add_option("--dir", options.storeDir,
                   "Directory for incoming.txt, the stored messages and the raw log")
        ->capture_default_str();
    bool noStore = false;
    app.add_flag("--no-store", noStore, "Store no messages and no raw log");
    app.add_flag("--list-devices", options.listDevices, "List the sound capture devices and exit");
    auto* device = app.add_option("--device", options.device,
                                  "Capture from a sound device, by number or name (N|NAME)");
    auto* play = app.add_option("--play", options.play,
                                "Play a recording through the live receiver in real time; "
                                "with --iq, without FILE: play the IQ recording in real time")
                     ->expected(0, 1);
    app.add_flag("--fast", options.fast, "With --play: as fast as the receiver takes it")
        ->needs(play);
    device->excludes(play);
    app.add_flag("--list-sdr", options.listSdr,
                 "List the SDR devices SoapySDR finds, with their arguments, and exit");
    auto* sdr = app.add_option("--sdr", options.sdr,
                               "Receive from an SDR through SoapySDR, chosen by its device "
                               "arguments (e.g. driver=rtlsdr; \"\" takes the first)")
                    ->type_name("ARGS");
    app.add_option("--sdr-rate", options.sdrRate, "SDR sample rate in Hz")
        ->capture_default_str()
        ->needs(sdr)
        ->check(CLI::Range(RadioSettings::kMinSampleRate, RadioSettings::kMaxSampleRate))
        ->type_name("HZ");
    app.add_option("--sdr-centre,--sdr-center", options.sdrCentre,
                   "Centre of the band received in Hz, as on the antenna (default: midway between "
                   "the channels)")
        ->needs(sdr)
        ->check(CLI::Range(0.0, 1e11))
        ->type_name("HZ");
    app.add_option("--upconverter", options.upconverter,
                   "Oscillator of an upconverter in front of the SDR in Hz, e.g. 125000000")
        ->needs(sdr)
        ->check(CLI::Range(0.0, 1e10))
        ->type_name("HZ");
    std::string gain;
    app.add_option("--gain", gain, "SDR gain in dB, or auto for the device's AGC (default)")
        ->needs(sdr)
        ->type_name("DB|auto");
    app.add_option("--ppm", options.ppm, "SDR frequency correction in parts per million")
        ->needs(sdr)
        ->check(CLI::Range(-1000.0, 1000.0))
        ->type_name("N");
    app.add_option("--antenna", options.antenna, "SDR antenna (default: the device's)")->needs(sdr);
    app.add_option("--direct-sampling", options.directSampling,
                   "RTL-SDR direct sampling: 1 the I branch, 2 the Q branch, 0 off")
        ->needs(sdr)
        ->check(CLI::IsMember({"0", "1", "2"}));
    auto* iq = app.add_option("--iq", options.iq,
                              "Decode an IQ recording (raw cu8, cs16, cf32, or a stereo WAV)")
                   ->type_name("FILE");
    app.add_option("--iq-format", options.iqFormat,
                   "IQ recording format (default: by the name's ending)")
        ->needs(iq)
        ->transform(CLI::IsMember({"cu8", "cs16", "cf32", "wav"}, CLI::ignore_case));
    app.add_option("--iq-rate", options.iqRate, "Sample rate of a raw IQ recording in Hz")
        ->needs(iq)
        ->check(CLI::Range(RadioSettings::kMinSampleRate, RadioSettings::kMaxSampleRate))
        ->type_name("HZ");
    app.add_option("--iq-centre,--iq-center", options.iqCentre,
                   "Centre frequency of an IQ recording in Hz, where the file does not carry it")
        ->needs(iq)
        ->check(CLI::Range(0.0, 1e11))
        ->type_name("HZ");
    std::vector<std::string> channels;
    app.add_option("--channel", channels,
                   "A channel to decode from the SDR or IQ recording, in Hz or with k (490k), "
                   "optionally with its mode (518000:NAVTEX); repeat it for more (default: 490 "
                   "and 518 kHz, and 4209.5 kHz, where the band holds them)")
        ->type_name("FREQ[:MODE]");
    sdr->excludes(iq);
    sdr->excludes(play);
    sdr->excludes(device);
    iq->excludes(device);
    app.add_flag("--smarttune", options.smartTune,
                 "With --device, --play, --sdr or --iq: retune to a transmission found in the "
                 "spectrum (each channel's own)");
    auto* upload = app.add_flag("--upload", options.upload,
                                "Upload every completed message to the upload service");
    app.add_option("--uid", options.uid, "Upload ID (default: the stored \"UID\")")
        ->needs(upload)
        ->transform(CLI::Validator(
            [](std::string& id) {
                const std::u16string text = FromUtf8(id);
                if (!IsUploadIdForm(text)) {
                    return std::string("an upload ID is 8-4-4-4-12 hexadecimal digits");
                }
                id = ToUtf8(UpperCaseId(text));
                return std::string();
            },
            "ID"));
    app.add_option("--upload-host", options.uploadHost,
                   "Upload service as HOST or HOST:PORT (default: the stored \"UploadHost\")")
        ->needs(upload)
        ->check(CLI::Validator(
            [](const std::string& host) {
                UploadHost parsed;
                return ParseUploadHost(FromUtf8(host), parsed)
                           ? std::string()
                           : std::string("give HOST or HOST:PORT, without scheme or path");
            },
            "HOST[:PORT]"));
    app.add_option("--upload-wait", options.uploadWait,
                   "Seconds to wait at the end for uploads still queued")
        ->capture_default_str()
        ->needs(upload)
        ->check(CLI::Range(0, 3600));

    const auto letters = CLI::Validator(
        [](std::string& text) {
            for (const char c : text) {
                if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) {
                    return std::string("give letters A to Z, e.g. EGK");
                }
            }
            return std::string();
        },
        "LETTERS");
    app.add_option("--stations", options.stations,
                   "Stations (B1) whose messages are sent on (default: the stored "
                   "\"Stations\", all)")
        ->transform(letters);
    app.add_option("--subjects", options.subjects,
                   "Subjects (B2) sent on; A, B, D and L always are (default: the "
                   "stored \"Subjects\", all)")
        ->transform(letters);
    app.add_option("--navarea", options.navArea,
                   "NAVAREA whose station names are used (default: the stored \"NavArea\", 1)")
        ->check(CLI::Range(1, 21));
    auto* onMessage =
        app.add_option("--on-message", options.onMessage,
                       "Run CMD (with /bin/sh -c) for every selected stored message; the message "
                       "is in WAVELORE_* environment variables")
            ->type_name("CMD");
    app.add_option("--on-message-timeout", options.onMessageTimeout,
                   "Seconds a run of --on-message may take before it is ended, with whatever "
                   "it started")
        ->capture_default_str()
        ->needs(onMessage)
        ->check(CLI::Range(1, 86400));
    auto* nmeaTcp =
        app.add_option("--nmea-tcp", options.nmeaTcpPort,
                       "Serve new messages as NMEA NRX sentences on this TCP port (10110 is usual)")
            ->check(CLI::Range(0, 65535));
    app.add_option("--nmea-bind", options.nmeaBind,
                   "With --nmea-tcp: listen only on this local IP address, e.g. 127.0.0.1 "
                   "(default: every address)")
        ->needs(nmeaTcp)
        ->check(CLI::Validator(
            [](const std::string& address) {
                return CNmeaTcpServer::IsBindAddress(address)
                           ? std::string()
                           : std::string("give a numeric IPv4 or IPv6 address of this computer");
            },
            "ADDR"));
    app.add_option("--nmea-clients", options.nmeaClients,
                   "With --nmea-tcp: clients served at once; more are refused")
        ->capture_default_str()
        ->needs(nmeaTcp)
        ->check(CLI::Range(1, static_cast<int32_t>(CNmeaTcpServer::kMostClients)));
    const auto hostAndPort = CLI::Validator(
        [](const std::string& text) {
            std::string host;
            uint16_t port = 0;
            return ParseHostAndPort(text, host, port) ? std::string()
                                                      : std::string("give HOST:PORT");
        },
        "HOST:PORT");
    app.add_option("--nmea-udp", options.nmeaUdp,
                   "Send new messages as NMEA NRX sentences in UDP datagrams to HOST:PORT")
        ->check(hostAndPort);

    bool noWaypoints = false;
    app.add_flag("--no-nmea-wpl", noWaypoints,
                 "Send no WPL waypoints for the positions of a message after its NRX sentences");
    app.add_option("--nmea-in", options.nmeaIn,
                   "Read own position from $GPRMC/$GNRMC sentences a GNSS source serves on TCP "
                   "HOST:PORT")
        ->check(hostAndPort);
    app.add_option("--geojson", options.geoJson,
                   "Write the positions of this run's selected messages to FILE as GeoJSON")
        ->type_name("FILE");
    app.add_option("--gpx", options.gpx,
                   "Write the positions of this run's selected messages to FILE as GPX 1.1")
        ->type_name("FILE");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        exitCode = kExitSuccess;
        return false;
    } catch (const CLI::ParseError& e) {
        UsageError(e.what());
        exitCode = kExitUsage;
        return false;
    }
    if (!ParseRadio(app, gain, channels, options)) {
        exitCode = kExitUsage;
        return false;
    }
    options.strictFec = !noStrict;
    options.store = !noStore;
    options.nmeaWaypoints = !noWaypoints;
    options.mode = CModeController::ModeOfName(FromUtf8(mode));
    if (options.mode == Mode::Rtty && app.count("--baud") == 0) {
        options.baud = CModeController::DefaultBaud(Mode::Rtty);
    }
    options.inputGiven = app.count("FILE") > 0;
    if (!CheckTuning(options)) {
        exitCode = kExitUsage;
        return false;
    }
    if (options.upload && !options.store) {
        UsageError("--upload needs the messages assembled; it cannot go with --no-store");
        exitCode = kExitUsage;
        return false;
    }
    if (!options.store &&
        (options.stations || options.subjects || options.navArea || !options.onMessage.empty() ||
         options.nmeaTcpPort || !options.nmeaUdp.empty() || !options.nmeaIn.empty() ||
         !options.geoJson.empty() || !options.gpx.empty())) {
        UsageError(
            "--stations, --subjects, --navarea, --on-message, --nmea-*, --geojson and --gpx work "
            "on stored messages; they cannot go with --no-store");
        exitCode = kExitUsage;
        return false;
    }
    if (options.smartTune && !options.Live() && !options.Radio()) {
        // The search follows the receiver block by block, as the main window
        // does; a file is played that way with --play FILE --fast.
        UsageError(
            "--smarttune works with the live receiver and radios: use --play FILE, --device, "
            "--sdr or --iq");
        exitCode = kExitUsage;
        return false;
    }
    if (options.inputGiven && options.Live()) {
        UsageError("FILE cannot be combined with --device or --play");
        exitCode = kExitUsage;
        return false;
    }
    if (options.inputGiven && options.Radio()) {
        UsageError("FILE cannot be combined with --sdr or --iq");
        exitCode = kExitUsage;
        return false;
    }
    if (!options.inputGiven && !options.Live() && !options.Radio() && !options.listDevices &&
        !options.listSdr && StandardInputIsTerminal()) {
        UsageError("no input: give an audio FILE, or pipe raw audio into standard input");
        exitCode = kExitUsage;
        return false;
    }
    return true;
}

}  // namespace

ReceiverConfig CliOptions::Receiver() const {
    ReceiverConfig config;
    config.mode = mode;
    config.baud = baud;
    config.shift = shift;
    config.centre = centreFrequency;
    config.invert = invert;
    config.strictFec = strictFec;
    config.enhanced = enhanced;
    config.autoTune = smartTune;
    return config;
}

bool ParseCliOptions(int argc, char** argv, CliOptions& options, int& exitCode) {
    // CLI11 reports through exceptions, also while the options are declared.
    try {
        return Parse(argc, argv, options, exitCode);
    } catch (const std::exception& e) {
        UsageError(e.what());
    } catch (...) {
        UsageError("cannot parse the command line");
    }
    exitCode = kExitUsage;
    return false;
}

}  // namespace wavelore::cli

#include "cli/run_reception.h"

#include <chrono>

#include "app/qt/profile_store_qt.h"
#include "app/run_clock.h"
#include "app/settings.h"
#include "app/station_table.h"
#include "app/subject_table.h"
#include "common/utf.h"
#include "net/http_client.h"
#include "net/upload_host.h"

namespace wavelore::cli {

namespace {

// How long the end of a run waits for --on-message commands still running.
constexpr std::chrono::seconds kCommandWait{30};

}  // namespace

// --verbose: a line per stored message.
class CRunReception::CVerboseOutput final : public IMessageOutput {
  public:
    // ownPosition (may be null): says how far each message's warning is.
    CVerboseOutput(int32_t navArea, const CNmeaInClient* ownPosition)
        : m_navArea(navArea), m_ownPosition(ownPosition) {}

    void Deliver(const MessageRecord& record, const MessageVerdict& verdict) override {
        const char16_t b2 = record.b2.empty() ? u'\0' : record.b2[0];
        const std::string what = !verdict.selected ? "not selected"
                                 : verdict.repeat  ? "repeat"
                                                   : "new";
        const std::string distance =
            m_ownPosition != nullptr ? DistanceNote(*m_ownPosition, record) : std::string();
        std::fprintf(
            stderr, "wavelore-decode: %s from %s (%s), quality %d%%, %s%s: %s\n",
            ToUtf8(record.b1 + record.b2 + record.number).c_str(),
            ToUtf8(CStationTable::DisplayName(CStationTable::NamingNavArea(m_navArea, record.mode),
                                              record.b1, record.frequencyHz))
                .c_str(),
            ToUtf8(SubjectTable::Category(b2)).c_str(), record.quality, what.c_str(),
            distance.c_str(), record.path.string().c_str());
        std::fflush(stderr);
    }

  private:
    int32_t m_navArea;
    const CNmeaInClient* m_ownPosition;
};

CRunReception::CRunReception(const CliOptions& options, IProfileStore* profile)
    : m_options(options), m_profile(profile) {}

CRunReception::~CRunReception() {
    Finish();
}

bool CRunReception::ReadUploadSettings(ReceptionConfig& config, std::string& error) {
    std::u16string uid = FromUtf8(m_options.uid);
    std::u16string host = FromUtf8(m_options.uploadHost);
    if (uid.empty() || host.empty()) {
        const IProfileStore* profile = m_profile;
        std::unique_ptr<CQtProfileStore> own;
        if (profile == nullptr) {
            own = std::make_unique<CQtProfileStore>();
            profile = own.get();
        }
        if (uid.empty()) {
            uid = profile->GetString(CSettings::kSection, u"UID", u"");
        }
        if (host.empty()) {
            const std::u16string stored =
                profile->GetString(CSettings::kSection, kUploadHostSetting, u"");
            bool rejected = false;
            host = ChooseUploadHost(stored, &rejected);
            if (rejected) {
                error = "--upload: the stored \"UploadHost\" \"" + ToUtf8(stored) +
                        "\" is not HOST or HOST:PORT; give one with --upload-host";
                return false;
            }
        }
    }
    if (uid.empty()) {
        error = "--upload: no upload ID; give one with --uid or store it as \"UID\"";
        return false;
    }
    config.uid = [uid] { return uid; };
    config.host = [host] { return host; };
    config.network = [] { return std::make_unique<CHttpClient>(); };
    return true;
}

bool CRunReception::Start(std::string& error, int& exitCode) {
    if (!m_options.store) {
        return true;
    }
    ReceptionConfig config;
    exitCode = kExitUsage;
    if (m_options.upload && !ReadUploadSettings(config, error)) {
        return false;
    }
    exitCode = kExitInputError;
    m_clock = MakeRunClock(error);
    if (!m_clock) {
        return false;
    }
    config.base = m_options.storeDir;
    config.clock = m_clock.get();
    config.notifier = &m_notifier;
    config.mode = m_options.mode;
    if (!m_channels.empty()) {
        config.channel = m_channels[0].name;
        config.frequencyHz = m_channels[0].frequencyHz;
        config.mode = m_channels[0].mode;
    }
    m_reception = std::make_unique<CReception>(config);
    if (m_options.upload) {
        if (!m_reception->StartUploads(nullptr)) {
            m_reception.reset();
            error = "--upload: cannot start the upload thread";
            exitCode = kExitUsage;
            return false;
        }
        if (m_options.verbose) {
            std::fprintf(stderr, "wavelore-decode: uploading to %s\n",
                         ToUtf8(config.host()).c_str());
        }
    }
    // The log tree first: the index lives in it. A raw log that cannot be
    // opened is reported by the log day and retried with each line;
    // decoding goes on.
    if (!m_reception->CreateLogTree(error)) {
        m_reception.reset();
        return false;
    }
    m_reception->StartLogDay();
    if (!StartBridge(error)) {
        m_reception.reset();
        return false;
    }
    for (size_t i = 1; i < m_channels.size(); ++i) {
        config.channel = m_channels[i].name;
        config.frequencyHz = m_channels[i].frequencyHz;
        config.mode = m_channels[i].mode;
        m_others.push_back(std::make_unique<CReception>(config, *m_reception));
        m_others.back()->StartLogDay();
    }
    return true;
}

void CRunReception::OnText(size_t channel, const DecoderText& chunk) {
    if (!m_reception) {
        return;
    }
    CReception& reception = channel == 0 ? *m_reception : *m_others.at(channel - 1);
    reception.Handle(chunk);
    Poll();
}

bool CRunReception::AllStored() const {
    if (!m_reception) {
        return true;
    }
    bool all = m_reception->AllStored();
    for (const auto& other : m_others) {
        all = all && other->AllStored();
    }
    return all;
}

bool CRunReception::StartBridge(std::string& error) {
    CMessageBridge& bridge = m_reception->Bridge();
    std::unique_ptr<CQtProfileStore> own;
    IProfileStore* profile = m_profile;
    if (profile == nullptr && (!m_options.stations || !m_options.subjects || !m_options.navArea)) {
        own = std::make_unique<CQtProfileStore>();
        profile = own.get();
    }
    if (profile != nullptr) {
        CSettings settings(*profile);
        bridge.ReadSettings(settings);
        // The one number read here; --navarea makes it irrelevant.
        if (!m_options.navArea) {
            for (const RefusedSetting& refused : settings.TakeRefused()) {
                m_notifier.ShowText(CSettings::Notice(refused));
            }
        }
    }
    const CMessageSelection& stored = bridge.Selection();
    bridge.SetSelection(
        CMessageSelection(m_options.stations ? FromUtf8(*m_options.stations) : stored.Stations(),
                          m_options.subjects ? FromUtf8(*m_options.subjects) : stored.Subjects()));
    if (m_options.navArea) {
        bridge.SetNavArea(*m_options.navArea);
    }
    const int32_t navArea = bridge.NavArea();

    // Without an index at all, messages are still stored and sent on; the
    // index says why on standard error.
    m_reception->OpenIndex();

    if (!m_options.onMessage.empty()) {
        CCommandRunner::Limits limits;
        limits.timeout = std::chrono::seconds(m_options.onMessageTimeout);
        bridge.StartCommand(m_options.onMessage, limits, &m_notifier);
    }
    if (m_options.nmeaTcpPort) {
        CNmeaTcpServer::Options server;
        server.bindAddress = m_options.nmeaBind;
        server.maxClients = static_cast<size_t>(m_options.nmeaClients);
        if (!bridge.StartNmeaTcp(static_cast<uint16_t>(*m_options.nmeaTcpPort), server, error)) {
            error = "--nmea-tcp: " + error;
            return false;
        }
        std::fprintf(stderr, "wavelore-decode: NMEA sentences on TCP port %u%s%s\n",
                     static_cast<unsigned>(bridge.NmeaTcpPort()),
                     server.bindAddress.empty() ? "" : " at ", server.bindAddress.c_str());
        std::fflush(stderr);
    }
    if (!m_options.nmeaUdp.empty()) {
        if (!m_udp.Start(m_options.nmeaUdp, error)) {
            error = "--nmea-udp: " + error;
            return false;
        }
        bridge.AddNmeaSink(&m_udp);
    }
    if (!StartPositions(navArea, error)) {
        return false;
    }
    if (m_options.verbose) {
        m_verbose = std::make_unique<CVerboseOutput>(
            navArea, m_options.nmeaIn.empty() ? nullptr : &m_ownPosition);
        bridge.AddOutput(m_verbose.get(), CMessageFilter::Wants::Every);
    }
    return true;
}

bool CRunReception::StartPositions(int32_t navArea, std::string& error) {
    CMessageBridge& bridge = m_reception->Bridge();
    bridge.Nmea().SetWaypoints(m_options.nmeaWaypoints);
    if (!m_options.nmeaIn.empty() && !m_ownPosition.Start(m_options.nmeaIn, error)) {
        error = "--nmea-in: " + error;
        return false;
    }
    if (!m_options.geoJson.empty() || !m_options.gpx.empty()) {
        m_feeds = std::make_unique<CRunFeeds>(m_options.geoJson, m_options.gpx, navArea);
        const std::string failure = m_feeds->Write();
        if (!failure.empty()) {
            error = failure;
            return false;
        }
        bridge.AddOutput(m_feeds.get(), CMessageFilter::Wants::Selected);
    }
    return true;
}

void CRunReception::Poll() {
    if (m_reception) {
        m_reception->Poll();
        for (const auto& other : m_others) {
            other->Poll();
        }
        m_reception->Bridge().PollCommands();
    }
}

void CRunReception::Finish() {
    if (!m_reception || m_finished) {
        return;
    }
    m_finished = true;
    for (const auto& other : m_others) {
        other->Finish();
    }
    m_reception->Finish();
    CMessageBridge& bridge = m_reception->Bridge();
    if (const CCommandRunner* commands = bridge.Commands()) {
        const size_t running = bridge.FinishCommands(kCommandWait);
        const CCommandRunner::Counts& n = commands->Tally();
        // Each failure was said as it happened; this is the whole of it.
        if (running + n.failed + n.timedOut + n.dropped + n.notStarted > 0) {
            std::fprintf(stderr,
                         "wavelore-decode: --on-message: %zu run (%zu failed, %zu timed out), "
                         "%zu dropped with the queue full, %zu not started, %zu still running\n",
                         n.started, n.failed, n.timedOut, n.dropped, n.notStarted, running);
            std::fflush(stderr);
        }
    }
    bridge.StopNmeaTcp();
    m_ownPosition.Stop();
    if (m_feeds) {
        const std::string failure = m_feeds->Write();
        if (!failure.empty()) {
            std::fprintf(stderr, "wavelore-decode: %s\n", failure.c_str());
            std::fflush(stderr);
        }
    }
}

void CRunReception::FinishUploads(std::FILE* errors) {
    if (!m_reception || !m_options.upload) {
        return;
    }
    CMessageUploads& uploads = m_reception->Uploads();
    uploads.Finish(std::chrono::seconds(m_options.uploadWait));
    std::string line = "wavelore-decode: uploads: " + std::to_string(uploads.Sent()) + " sent, " +
                       std::to_string(uploads.Left()) + " left";
    if (uploads.TooLong() > 0) {
        line += ", " + std::to_string(uploads.TooLong()) + " too long to upload";
    }
    std::fprintf(errors, "%s\n", line.c_str());
    std::fflush(errors);
}

}  // namespace wavelore::cli

#include "cli/run_bridge.h"

#include <chrono>

#include "app/qt/profile_store_qt.h"
#include "app/settings.h"
#include "app/station_table.h"
#include "app/subject_table.h"
#include "common/utf.h"

namespace wavelore::cli {

namespace {

// How long the end of a run waits for --on-message commands still running.
constexpr std::chrono::seconds kCommandWait{30};

}  // namespace

// --verbose: a line per stored message.
class CRunBridge::CVerboseOutput final : public IMessageOutput {
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
        std::fprintf(stderr, "wavelore-decode: %s from %s (%s), quality %d%%, %s%s: %s\n",
                     ToUtf8(record.b1 + record.b2 + record.number).c_str(),
                     ToUtf8(CStationTable::DisplayName(m_navArea, record.b1)).c_str(),
                     ToUtf8(SubjectTable::Category(b2)).c_str(), record.quality, what.c_str(),
                     distance.c_str(), record.path.string().c_str());
        std::fflush(stderr);
    }

  private:
    int32_t m_navArea;
    const CNmeaInClient* m_ownPosition;
};

CRunBridge::CRunBridge(const CliOptions& options, IProfileStore* profile)
    : m_options(options), m_profile(profile), m_bridge(options.storeDir, &m_notifier) {}

CRunBridge::~CRunBridge() {
    Finish();
}

bool CRunBridge::Start(std::string& error) {
    std::unique_ptr<CQtProfileStore> own;
    IProfileStore* profile = m_profile;
    if (profile == nullptr && (!m_options.stations || !m_options.subjects || !m_options.navArea)) {
        own = std::make_unique<CQtProfileStore>();
        profile = own.get();
    }
    if (profile != nullptr) {
        CSettings settings(*profile);
        m_bridge.ReadSettings(settings);
        // The one number read here; --navarea makes it irrelevant.
        if (!m_options.navArea) {
            for (const RefusedSetting& refused : settings.TakeRefused()) {
                m_notifier.ShowText(CSettings::Notice(refused));
            }
        }
    }
    const CMessageSelection& stored = m_bridge.Selection();
    m_bridge.SetSelection(
        CMessageSelection(m_options.stations ? FromUtf8(*m_options.stations) : stored.Stations(),
                          m_options.subjects ? FromUtf8(*m_options.subjects) : stored.Subjects()));
    if (m_options.navArea) {
        m_bridge.SetNavArea(*m_options.navArea);
    }
    const int32_t navArea = m_bridge.NavArea();

    // Without an index at all, messages are still stored and sent on; the
    // index says why on standard error.
    m_bridge.OpenIndex();

    if (!m_options.onMessage.empty()) {
        CCommandRunner::Limits limits;
        limits.timeout = std::chrono::seconds(m_options.onMessageTimeout);
        m_runner = std::make_unique<CCommandRunner>(m_options.onMessage, &m_notifier, limits);
        m_command = std::make_unique<CMessageCommand>(*m_runner, navArea);
        m_bridge.AddOutput(m_command.get(), CMessageFilter::Wants::Selected);
    }
    if (m_options.nmeaTcpPort) {
        CNmeaTcpServer::Options server;
        server.bindAddress = m_options.nmeaBind;
        server.maxClients = static_cast<size_t>(m_options.nmeaClients);
        if (!m_bridge.StartNmeaTcp(static_cast<uint16_t>(*m_options.nmeaTcpPort), server, error)) {
            error = "--nmea-tcp: " + error;
            return false;
        }
        std::fprintf(stderr, "wavelore-decode: NMEA sentences on TCP port %u%s%s\n",
                     static_cast<unsigned>(m_bridge.NmeaTcpPort()),
                     server.bindAddress.empty() ? "" : " at ", server.bindAddress.c_str());
        std::fflush(stderr);
    }
    if (!m_options.nmeaUdp.empty()) {
        if (!m_udp.Start(m_options.nmeaUdp, error)) {
            error = "--nmea-udp: " + error;
            return false;
        }
        m_bridge.AddNmeaSink(&m_udp);
    }
    if (!StartPositions(navArea, error)) {
        return false;
    }
    if (m_options.verbose) {
        m_verbose = std::make_unique<CVerboseOutput>(
            navArea, m_options.nmeaIn.empty() ? nullptr : &m_ownPosition);
        m_bridge.AddOutput(m_verbose.get(), CMessageFilter::Wants::Every);
    }
    m_started = true;
    return true;
}

bool CRunBridge::StartPositions(int32_t navArea, std::string& error) {
    m_bridge.Nmea().SetWaypoints(m_options.nmeaWaypoints);
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
        m_bridge.AddOutput(m_feeds.get(), CMessageFilter::Wants::Selected);
    }
    return true;
}

void CRunBridge::Poll() {
    if (m_runner) {
        m_runner->Poll();
    }
}

void CRunBridge::Finish() {
    if (!m_started) {
        return;
    }
    m_started = false;
    if (m_runner) {
        const size_t running = m_runner->Finish(kCommandWait);
        const CCommandRunner::Counts& n = m_runner->Tally();
        // Each failure was said as it happened; this is the whole of it.
        if (running + n.failed + n.timedOut + n.dropped + n.notStarted > 0) {
            std::fprintf(stderr,
                         "wavelore-decode: --on-message: %zu run (%zu failed, %zu timed out), "
                         "%zu dropped with the queue full, %zu not started, %zu still running\n",
                         n.started, n.failed, n.timedOut, n.dropped, n.notStarted, running);
            std::fflush(stderr);
        }
    }
    m_bridge.StopNmeaTcp();
    m_ownPosition.Stop();
    if (m_feeds) {
        const std::string failure = m_feeds->Write();
        if (!failure.empty()) {
            std::fprintf(stderr, "wavelore-decode: %s\n", failure.c_str());
            std::fflush(stderr);
        }
    }
}

}  // namespace wavelore::cli

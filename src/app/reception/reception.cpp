#include "app/reception/reception.h"

#include <system_error>

namespace wavelore {

namespace {

// How often Poll tries again to store messages that had no room.
constexpr std::chrono::seconds kRetryEvery{2};

}  // namespace

CReception::Shared::Shared(const ReceptionConfig& config)
    : bridge(config.base, config.notifier), uploads(config.uid, config.host, config.network) {}

CReception::CReception(const ReceptionConfig& config)
    : CReception(config, std::make_unique<Shared>(config), nullptr) {}

CReception::CReception(const ReceptionConfig& config, CReception& first)
    : CReception(config, nullptr, &first.m_shared) {}

CReception::CReception(const ReceptionConfig& config, std::unique_ptr<Shared> own, Shared* shared)
    : m_config(config),
      m_ownShared(std::move(own)),
      m_shared(shared != nullptr ? *shared : *m_ownShared),
      m_logDay(config.base, config.notifier, config.files, config.channel),
      m_store(config.base, *config.clock,
              {&m_shared.uploads, config.explorer, config.notifier, m_shared.bridge.Listener(),
               config.files},
              config.channel),
      m_framer(*config.clock, m_store) {
    m_framer.SetMode(config.mode);
    m_framer.SetFrequency(config.frequencyHz);
}

CReception::~CReception() {
    Finish();
}

bool CReception::CreateLogTree(std::string& error) {
    const std::filesystem::path logs = m_config.base / kLogsDirName;
    std::error_code ec;
    std::filesystem::create_directories(logs, ec);
    if (!std::filesystem::is_directory(logs, ec)) {
        error = "cannot create the log directory \"" + logs.string() + "\"" +
                (ec ? ": " + ec.message() : std::string());
        return false;
    }
    return true;
}

void CReception::OpenIndex() {
    if (!m_shared.indexOpened) {
        m_shared.indexOpened = true;
        m_shared.bridge.OpenIndex();
    }
}

void CReception::StartLogDay() {
    m_logDay.StartLogDay(m_config.clock->Now());
}

bool CReception::StartUploads(WindowTarget* owner) {
    if (!m_config.network || m_shared.uploads.HasWorker()) {
        return m_shared.uploads.HasWorker();
    }
    return m_shared.uploads.Start(owner);
}

bool CReception::Start(std::string& error) {
    // The log tree first: the index lives in it.
    if (!CreateLogTree(error)) {
        return false;
    }
    OpenIndex();
    // A raw log that cannot be opened is reported by the log day and
    // retried with each line; decoding goes on.
    StartLogDay();
    StartUploads(nullptr);
    return true;
}

void CReception::Handle(std::u16string_view chunk, int32_t good, int32_t errors) {
    m_framer.AddCounts(good, errors);
    const LocalTime now = m_config.clock->Now();
    m_logDay.CheckDay(now);
    if (chunk.empty() || m_closing) {
        return;
    }
    if (m_config.rawView != nullptr) {
        m_config.rawView->AppendRawText(chunk);
    }
    m_framer.FeedChunk(chunk);
    m_logDay.AppendChunk(chunk, now);
}

void CReception::CloseWorkingFile() {
    m_framer.Cut();
    // Last chance for a completed message that could not be stored.
    m_store.RetryPending();
}

void CReception::RetryPending() {
    m_store.RetryPending();
    m_shared.bridge.Feeds().RewriteOwed();
}

void CReception::Poll() {
    m_shared.uploads.Poll();
    const auto now = std::chrono::steady_clock::now();
    if (now >= m_nextRetry) {
        m_nextRetry = now + kRetryEvery;
        RetryPending();
    }
}

void CReception::Finish() {
    if (m_finished) {
        return;
    }
    m_finished = true;
    m_closing = true;
    m_framer.Cut();
    m_store.EndStoring();
    m_logDay.Close(m_config.clock->Now());
}

size_t CReception::WaitingMessages() const {
    return m_store.PendingMessages() + (m_store.HoldsUnstoredMessage() ? 1 : 0);
}

}  // namespace wavelore

#include "cli/message_storage.h"

#include "common/utf.h"

namespace wavelore::cli {

void CStreamNotifier::ShowMessage(const std::u16string& text) {
    std::fprintf(m_stream, "wavelore-decode: %s\n", ToUtf8(text).c_str());
    std::fflush(m_stream);
}

CMessageStorage::CMessageStorage(const std::filesystem::path& dir, Mode mode, const IClock& clock,
                                 IUploadHook* upload, std::FILE* errors,
                                 IMessageStoredListener* listener)
    : m_dir(dir),
      m_clock(clock),
      m_notifier(errors),
      m_logDay(dir, &m_notifier),
      m_assembler(dir, clock, {upload, nullptr, &m_notifier, listener}),
      m_handler(clock, m_assembler, m_logDay, nullptr) {
    m_assembler.SetMode(mode);
}

CMessageStorage::~CMessageStorage() {
    Finish();
}

bool CMessageStorage::Start(std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(m_dir / kLogsDirName, ec);
    if (!std::filesystem::is_directory(m_dir / kLogsDirName, ec)) {
        error = "cannot create the log directory \"" + (m_dir / kLogsDirName).string() + "\"" +
                (ec ? ": " + ec.message() : std::string());
        return false;
    }
    m_started = true;
    // A raw log that cannot be opened is reported by the log day and
    // retried with each line; decoding goes on.
    m_logDay.StartLogDay(m_clock.Now());
    return true;
}

void CMessageStorage::OnText(const DecoderText& chunk) {
    if (m_started) {
        m_handler.Handle(chunk);
    }
}

void CMessageStorage::Retry() {
    const auto now = std::chrono::steady_clock::now();
    if (!m_started || now < m_nextRetry) {
        return;
    }
    m_nextRetry = now + std::chrono::seconds(2);
    m_assembler.RetryPending();
}

void CMessageStorage::Finish() {
    if (!m_started) {
        return;
    }
    m_started = false;
    m_handler.SetClosing();
    m_assembler.EndStoring();
    m_logDay.Close(m_clock.Now());
}

bool CMessageStorage::AllStored() const {
    return m_assembler.LostMessages() == 0 && m_assembler.PendingMessages() == 0 &&
           !m_assembler.HoldsUnstoredMessage();
}

bool CRunStorage::Start(std::string& error) {
    if (!m_options.store) {
        return true;
    }
    m_clock = MakeRunClock(error);
    if (!m_clock) {
        return false;
    }
    auto bridge = std::make_unique<CRunBridge>(m_options);
    auto storage = std::make_unique<CMessageStorage>(m_options.storeDir, m_options.mode, *m_clock,
                                                     m_upload, stderr, bridge->Listener());
    // The log tree first: the index lives in it.
    if (!storage->Start(error) || !bridge->Start(error)) {
        return false;
    }
    m_bridge = std::move(bridge);
    m_storage = std::move(storage);
    return true;
}

}  // namespace wavelore::cli

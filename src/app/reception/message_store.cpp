#include "app/reception/message_store.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <utility>

#include "app/log_day.h"
#include "common/user_notifier.h"
#include "common/utf.h"
#include "system/posix_file_system.h"

namespace wavelore {

namespace {

// The whole file, or nothing when it cannot be read.
std::string Contents(const std::filesystem::path& path) {
    // Reading a directory would throw.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return in.bad() ? std::string() : bytes;
}

bool SameContents(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    return std::filesystem::is_regular_file(a, ec) && std::filesystem::is_regular_file(b, ec) &&
           Contents(a) == Contents(b);
}

// The disk (or the user's quota) is full: the frame is still recorded in
// memory.
bool NoRoom(const std::error_code& error) {
    return error == std::errc::no_space_on_device ||
           (error.category() == std::generic_category() && error.value() == EDQUOT);
}

// The header line the store writes at the top of a message
// ("HH:MM:SS YYYY-MM-DD\r\n\r\nZCZC B1B2NN\r\n"): where its id starts, and
// where the id ends (npos when the text does not start so).
constexpr std::string_view kMarker = "\r\n\r\nZCZC ";
constexpr size_t kHeaderIdStart = 19 + kMarker.size();

size_t HeaderIdEnd(std::string_view bytes) {
    if (bytes.size() < kHeaderIdStart || bytes.substr(19, kMarker.size()) != kMarker) {
        return std::string_view::npos;
    }
    const size_t idEnd = bytes.find("\r\n", kHeaderIdStart);
    return idEnd != std::string_view::npos && idEnd - kHeaderIdStart <= 16 ? idEnd
                                                                           : std::string_view::npos;
}

// The stem of the name a completed message in a working file is stored
// under, from its header line; empty when the file does not start so.
std::u16string StemOfWorkingFile(const std::string& bytes) {
    const size_t idEnd = HeaderIdEnd(bytes);
    LocalTime frame;
    if (idEnd == std::string::npos ||
        !ParseLocalTime(bytes.substr(9, 10) + ' ' + bytes.substr(0, 8), frame)) {
        return {};
    }
    return StoredMessageName::Of(frame, {}, {},
                                 FromUtf8(bytes.substr(kHeaderIdStart, idEnd - kHeaderIdStart)))
        .Stem();
}

std::u16string ErrorText(const std::error_code& ec) {
    return FromUtf8(ec.message());
}

// "incoming", or "incoming 518" for the reception of one of several
// channels: the working file is "incoming.txt", the holding file
// "incoming.tmp", and an earlier run's working file is kept as
// "incoming <stem>.txt".
std::u16string WorkingStem(std::u16string_view channel) {
    std::u16string stem = u"incoming";
    if (!channel.empty()) {
        stem += u' ';
        stem += channel;
    }
    return stem;
}

}  // namespace

CMessageStore::CMessageStore(const std::filesystem::path& base, const IClock& clock, Sinks sinks,
                             std::u16string_view channel)
    : m_base(AbsoluteBase(base)),
      m_clock(clock),
      m_sinks(sinks),
      m_ownFiles(sinks.files ? nullptr : std::make_unique<CPosixFileSystem>()),
      m_files(sinks.files ? *sinks.files : *m_ownFiles),
      m_workingName(WorkingStem(channel) + u".txt"),
      m_holdingName(WorkingStem(channel) + u".tmp"),
      m_setAsidePrefix(WorkingStem(channel) + u' ') {}

CMessageStore::~CMessageStore() {
    CloseFile();
}

std::filesystem::path CMessageStore::WorkingPath() const {
    return m_base / m_workingName;
}

void CMessageStore::Report(const UserText& text) {
    // A problem that persists (say an unwritable directory) would otherwise
    // be reported again at every white-space restart of a frame.
    std::u16string english = FillUserText(text.format, text.args);
    if (english == m_lastError) {
        return;
    }
    m_lastError = std::move(english);
    if (m_sinks.notifier != nullptr) {
        m_sinks.notifier->ShowText(text);
    }
}

void CMessageStore::ReportWorkingFileFailure(std::u16string_view format) {
    // Once until the file takes text again: a full disk fails every frame.
    if (!m_incompleteReported) {
        m_incompleteReported = true;
        Report({format, {PathText(WorkingPath())}});
    }
}

void CMessageStore::FlushWorkingFile() {
    if (m_working && !m_writeFailed && m_written < m_frameBytes.size()) {
        std::error_code error;
        m_working->Write(std::string_view(m_frameBytes).substr(m_written), error);
        if (error) {
            // The rest is still recorded in memory; the file is not complete
            // again, so nothing more goes to it.
            m_writeFailed = true;
            ReportWorkingFileFailure(m_written == 0 ? texts::kWorkingFileWrite
                                                    : texts::kWorkingFileIncomplete);
        } else {
            // The file works: a later problem is news again.
            m_lastError.clear();
            m_incompleteReported = false;
        }
    }
    m_written = m_frameBytes.size();
}

void CMessageStore::CloseFile() {
    FlushWorkingFile();
    if (!m_working) {
        return;
    }
    const std::error_code error = m_working->Close();
    m_working.reset();
    if (error && !m_writeFailed) {
        m_writeFailed = true;
        ReportWorkingFileFailure(texts::kWorkingFileIncomplete);
    }
}

void CMessageStore::KeepEarlierWorkingFile() {
    if (m_workingChecked) {
        return;
    }
    m_workingChecked = true;
    // Other modes never complete a frame: theirs is overwritten as always.
    if (m_mode != Mode::Navtex && m_mode != Mode::NavtexJ) {
        return;
    }
    for (const std::u16string_view name : {m_workingName, m_holdingName}) {
        const std::filesystem::path earlier = m_base / name;
        const std::string bytes = Contents(earlier);
        if (bytes.empty()) {
            continue;
        }
        std::u16string stem = StemOfWorkingFile(bytes);
        if (!stem.empty()) {
            // A completed message that was stored as it is: nothing to keep.
            const std::u16string stored = stem + u".txt";
            const std::filesystem::path day = m_base / kLogsDirName / stem.substr(0, 10);
            if (SameContents(earlier, day / stored) || SameContents(earlier, m_base / stored)) {
                continue;
            }
        } else {
            stem = FileTimeStamp(m_clock.Now());
        }
        stem = m_setAsidePrefix + stem;
        std::u16string kept = stem + u".txt";
        for (int n = 2; n < 1000 && m_files.MoveWithoutReplacing(earlier, m_base / kept) ==
                                        std::errc::file_exists;
             ++n) {
            kept = stem + u" (" + FromUtf8(std::to_string(n)) + u").txt";
        }
    }
}

void CMessageStore::FrameStarted(const MessageHeader& header, const LocalTime& frameTime,
                                 Mode mode) {
    m_mode = mode;
    m_header = header;
    m_frameTime = frameTime;
    KeepEarlierWorkingFile();
    m_frameBytes.clear();
    m_written = 0;
    // Whatever becomes of the working file, the frame is recorded: in
    // memory where the file cannot take it, and written whole at its end.
    m_writeFailed = true;
    // Reusing the working file would destroy a completed message that
    // could not be stored before.
    const bool workingFree = !m_held || StoreWorkingFile();
    if (workingFree) {
        StorePending();
        std::error_code error;
        m_working = m_files.Open(WorkingPath(), IFileSystem::OpenMode::Truncate, error);
        if (m_working) {
            m_writeFailed = false;
            m_workingIsPartial = false;
        } else if (NoRoom(error)) {
            ReportWorkingFileFailure(texts::kWorkingFileIncomplete);
        } else {
            Report({texts::kWorkingFileCreate, {PathText(WorkingPath())}});
        }
    }
    m_frameBytes = ToUtf8(HeaderLine());
}

void CMessageStore::FrameText(std::u16string_view text) {
    // Unit by unit, as received: a unit that is half of a pair is written
    // as the replacement character.
    for (const char16_t c : text) {
        m_frameBytes += ToUtf8(std::u16string_view(&c, 1));
    }
    FlushWorkingFile();
}

void CMessageStore::FrameCut() {
    CloseFile();
}

void CMessageStore::FrameEnded(MessageRecord record) {
    const StoredMessageName name =
        StoredMessageName::Of(m_frameTime, m_header.b1, m_header.b2, m_header.number);
    const bool workingOpen = m_working != nullptr;
    CloseFile();
    record.path = name.PathUnder(m_base);
    // The upload goes first: it does not depend on the file being stored.
    if (m_sinks.upload != nullptr) {
        m_sinks.upload->UploadMessage(record);
    }
    Completed message{m_header, name, std::move(record), std::exchange(m_frameBytes, {})};
    m_written = 0;

    if (!m_writeFailed) {
        // Whole in the working file: renamed, after any older ones waiting.
        StorePending();
        m_held = true;
        m_heldMessage = std::move(message);
        StoreWorkingFile();
        return;
    }
    // The working file lacks part of it: written whole from memory instead.
    if (m_pendingBytes + message.bytes.size() > kMaxPendingBytes) {
        ++m_lost;
        Report({texts::kMessagesLost,
                {u"1",
                 ErrorText(m_pendingError ? m_pendingError
                                          : std::make_error_code(std::errc::no_space_on_device))}});
        return;
    }
    m_workingIsPartial = workingOpen;
    m_pendingBytes += message.bytes.size();
    m_pending.push_back(std::move(message));
    StorePending();
}

std::u16string CMessageStore::HeaderLine() const {
    return m_header.time + u' ' + m_header.date + u"\r\n\r\nZCZC " + m_header.b1 + m_header.b2 +
           m_header.number + u"\r\n";
}

bool CMessageStore::WriteWholeFile(const std::filesystem::path& path, std::string_view bytes,
                                   std::error_code& error) {
    std::unique_ptr<IOutputFile> file = m_files.Open(path, IFileSystem::OpenMode::Truncate, error);
    if (!file) {
        return false;
    }
    file->Write(bytes, error);
    const std::error_code closed = file->Close();
    if (!error) {
        error = closed;
    }
    return !error;
}

void CMessageStore::Stored(Completed& message, const std::filesystem::path& path,
                           StorePlace place) {
    // The listener first: the index knows the message by the time the
    // explorer lists it.
    if (m_sinks.listener != nullptr) {
        MessageRecord record = message.record;
        record.path = path;
        m_sinks.listener->MessageStored(record, place);
    }
    if (place == StorePlace::LogDay && m_sinks.stored != nullptr) {
        m_sinks.stored->AddStoredMessage(message.header, path);
    }
}

CMessageStore::Placed CMessageStore::Place(const std::filesystem::path& source, Completed& message,
                                           std::error_code& error) {
    const std::filesystem::path final = message.record.path;
    const std::filesystem::path dir = final.parent_path();
    std::error_code ec;
    std::filesystem::create_directory(dir.parent_path(), ec);
    std::filesystem::create_directory(dir, ec);
    std::error_code dirError;
    if (!std::filesystem::is_directory(dir, dirError) && !dirError) {
        dirError = std::make_error_code(std::errc::not_a_directory);
    }

    // A file of that name is never replaced, even one that appears just now.
    const std::error_code moved = m_files.MoveWithoutReplacing(source, final);
    if (!moved) {
        Stored(message, final, StorePlace::LogDay);
        return Placed::Stored;
    }
    if (moved == std::errc::file_exists) {
        // The same header and start second again. A true repeat leaves the
        // source as it is (the stored copy holds the same bytes); different
        // text, such as another channel's message begun in the same second,
        // is kept beside it under a numbered name of its own. Nothing is
        // lost, so nothing is said.
        if (SameContents(source, final)) {
            return Placed::AlreadyStored;
        }
        StoredMessageName name = message.name;
        for (uint32_t n = 2; n < 1000; ++n) {
            name.copy = n;
            const std::filesystem::path other = dir / name.FileName();
            const std::error_code taken = m_files.MoveWithoutReplacing(source, other);
            if (!taken) {
                Stored(message, other, StorePlace::Numbered);
                return Placed::Stored;
            }
            if (taken != std::errc::file_exists) {
                break;
            }
        }
    } else if (!dirError) {
        dirError = moved;
    }

    // The log directory is unusable: keep the message beside the working
    // file under its final name rather than let the next frame destroy it.
    const std::filesystem::path fallback = m_base / final.filename();
    if (!m_files.MoveWithoutReplacing(source, fallback)) {
        Report(
            {texts::kMessageKeptBeside, {PathText(dir), ErrorText(dirError), PathText(fallback)}});
        Stored(message, fallback, StorePlace::BesideWorkingFile);
        return Placed::Stored;
    }
    error = dirError;
    return Placed::Failed;
}

bool CMessageStore::StoreWorkingFile() {
    std::error_code ec;
    if (!std::filesystem::exists(WorkingPath(), ec)) {
        // Gone (removed by hand): what is in memory takes its place.
        m_held = false;
        m_pendingBytes += m_heldMessage.bytes.size();
        m_pending.push_back(std::move(m_heldMessage));
        return StorePending();
    }
    std::error_code error;
    if (Place(WorkingPath(), m_heldMessage, error) != Placed::Failed) {
        m_held = false;
        return true;
    }
    Report({texts::kMessageNotStored,
            {PathText(m_heldMessage.record.path.filename()), ErrorText(error),
             PathText(WorkingPath())}});
    return false;
}

bool CMessageStore::StorePending() {
    const std::filesystem::path holding = m_base / m_holdingName;
    while (!m_pending.empty()) {
        Completed& message = m_pending.front();
        std::error_code error;
        Placed placed = Placed::Failed;
        if (WriteWholeFile(holding, message.bytes, error)) {
            placed = Place(holding, message, error);
        }
        // Left only when it was not moved: the message is still in memory.
        std::error_code ignored;
        std::filesystem::remove(holding, ignored);
        if (placed == Placed::Failed) {
            if (m_heldInMemory == 0) {
                Report({texts::kMessageKeptInMemory,
                        {PathText(message.record.path.filename()), ErrorText(error)}});
            }
            m_heldInMemory = std::max(m_heldInMemory, m_pending.size());
            m_pendingError = error;
            return false;
        }
        m_pendingBytes -= message.bytes.size();
        m_pending.pop_front();
    }
    if (m_workingIsPartial) {
        // It held only part of a message that is stored whole now.
        std::error_code ignored;
        std::filesystem::remove(WorkingPath(), ignored);
        m_workingIsPartial = false;
    }
    if (m_heldInMemory > 0) {
        Report({texts::kMessagesInMemoryStored, {FromUtf8(std::to_string(m_heldInMemory))}});
        m_heldInMemory = 0;
    }
    return true;
}

void CMessageStore::RetryPending() {
    if (m_held) {
        StoreWorkingFile();
    }
    StorePending();
}

void CMessageStore::EndStoring() {
    CloseFile();
    // Last chance for a completed message that could not be stored.
    RetryPending();
    if (m_pending.empty()) {
        return;
    }
    m_lost += m_pending.size();
    Report({texts::kMessagesLost,
            {FromUtf8(std::to_string(m_pending.size())), ErrorText(m_pendingError)}});
    m_pending.clear();
    m_pendingBytes = 0;
    m_heldInMemory = 0;
}

std::string CMessageStore::TextToShow(std::string stored) {
    const size_t idEnd = HeaderIdEnd(stored);
    const size_t next = idEnd == std::string::npos ? idEnd : idEnd + 2;
    if (next < stored.size() && stored[next] == '\n') {
        stored.erase(next, 1);
    }
    return stored;
}

}  // namespace wavelore

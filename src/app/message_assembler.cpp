#include "app/message_assembler.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <utility>

#include "app/log_day.h"
#include "common/char_class.h"
#include "common/user_notifier.h"
#include "common/utf.h"
#include "system/posix_file_system.h"

namespace wavelore {

namespace {

constexpr char16_t kFullwidthZ = 0xFF3A;
constexpr char16_t kFullwidthC = 0xFF23;
constexpr char16_t kFullwidthN = 0xFF2E;

bool IsAsciiStartMarker(const char16_t* w) {
    return w[0] == u'Z' && w[1] == u'C' && w[2] == u'Z' && w[3] == u'C';
}

bool IsStartMarker(const char16_t* w) {
    return IsAsciiStartMarker(w) || (w[0] == kFullwidthZ && w[1] == kFullwidthC &&
                                     w[2] == kFullwidthZ && w[3] == kFullwidthC);
}

// B1 and B2 letters, then the first two serial digits.
bool IsHeader(const char16_t* w) {
    return IsAlpha(w[0]) && IsAlpha(w[1]) && IsDigit(w[2]) && IsDigit(w[3]);
}

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

// "HH:MM:SS" as a file name has it: "HH.MM.SS".
std::u16string TimeInName(std::u16string_view time) {
    std::u16string out(time);
    std::replace(out.begin(), out.end(), u':', u'.');
    return out;
}

// "YYYY-MM-DD HH.MM.SS B1B2NN" from the header line the assembler writes
// at the top of a working file ("HH:MM:SS YYYY-MM-DD\r\n\r\nZCZC B1B2NN\r\n");
// empty when the file does not start so.
std::u16string StemOfWorkingFile(const std::string& bytes) {
    constexpr std::string_view kMarker = "\r\n\r\nZCZC ";
    LocalTime frame;
    if (bytes.size() < 19 + kMarker.size() || bytes.compare(19, kMarker.size(), kMarker) != 0 ||
        !ParseLocalTime(bytes.substr(9, 10) + ' ' + bytes.substr(0, 8), frame)) {
        return {};
    }
    const size_t idStart = 19 + kMarker.size();
    const size_t idEnd = bytes.find("\r\n", idStart);
    if (idEnd == std::string::npos || idEnd - idStart > 16) {
        return {};
    }
    const std::u16string id = FromUtf8(bytes.substr(idStart, idEnd - idStart));
    return FormatDate(frame) + u' ' + TimeInName(FormatTime(frame)) + u' ' +
           StoredIdentity({}, {}, id);
}

std::u16string ErrorText(const std::error_code& ec) {
    return FromUtf8(ec.message());
}

}  // namespace

CMessageAssembler::CMessageAssembler(const std::filesystem::path& base, const IClock& clock,
                                     Sinks sinks)
    : m_base(AbsoluteBase(base)),
      m_clock(clock),
      m_sinks(sinks),
      m_ownFiles(sinks.files ? nullptr : std::make_unique<CPosixFileSystem>()),
      m_files(sinks.files ? *sinks.files : *m_ownFiles) {}

CMessageAssembler::~CMessageAssembler() {
    CloseFile();
}

std::filesystem::path CMessageAssembler::WorkingPath() const {
    return m_base / kWorkingFileName;
}

void CMessageAssembler::Report(const UserText& text) {
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

void CMessageAssembler::ReportWorkingFileFailure(std::u16string_view format) {
    // Once until the file takes text again: a full disk fails every frame.
    if (!m_incompleteReported) {
        m_incompleteReported = true;
        Report({format, {PathText(WorkingPath())}});
    }
}

void CMessageAssembler::AddCounts(int32_t good, int32_t errors) {
    m_good += static_cast<uint32_t>(good);
    m_errors += static_cast<uint32_t>(errors);
}

void CMessageAssembler::FeedChunk(std::u16string_view chunk) {
    m_window[9] = 0;
    for (const char16_t c : chunk) {
        FeedUnit(c);
    }
    // Once per chunk rather than per character: what was received is on
    // disk within one audio buffer.
    FlushWorkingFile();
}

void CMessageAssembler::ShiftIn(char16_t c) {
    for (size_t i = 0; i < 8; ++i) {
        m_window[i] = m_window[i + 1];
    }
    m_window[8] = c;
}

bool CMessageAssembler::EndMarkerAt(size_t first) const {
    const char16_t* w = &m_window[first];
    return (w[0] == u'N' && w[1] == u'N' && w[2] == u'N' && w[3] == u'N') ||
           (w[0] == kFullwidthN && w[1] == kFullwidthN && w[2] == kFullwidthN &&
            w[3] == kFullwidthN);
}

void CMessageAssembler::FeedUnit(char16_t c) {
    const bool space = IsSpace(c);
    if (!space) {
        ShiftIn(c);
        std::copy(m_recent.begin() + 1, m_recent.end(), m_recent.begin());
        m_recent.back() = c;
    }
    // A NAVTEX header has two serial digits: shifting once more when the
    // marker reaches position 2 lets the header test run on B4 instead of
    // one character later.
    if (m_mode == Mode::Navtex && IsAsciiStartMarker(&m_window[1])) {
        ShiftIn(0);
    }
    bool started = false;
    if (IsStartMarker(&m_window[0])) {
        started = StartFrame();
    }
    // A doubled marker ("ZCZCZC EA12", a decoder slip) makes the shift above
    // fire on the first "ZCZC" and leaves a gap in the window, so the real
    // header behind it would never be tested and the message would be lost.
    // Test it on the last eight characters as received, and line the window
    // up as if the header had arrived cleanly, so the frame goes on exactly
    // like any other. Without that shift (other modes, the fullwidth marker)
    // the window already is the text as received.
    if (!started && !space && m_mode == Mode::Navtex && IsAsciiStartMarker(&m_recent[1]) &&
        IsHeader(&m_recent[5])) {
        std::copy(m_recent.begin() + 1, m_recent.end(), m_window.begin());
        m_window[8] = 0;
        StartFrame();
    }
    Record(c);
    if (EndMarkerAt(5)) {
        EndFrame();
    }
}

void CMessageAssembler::FlushWorkingFile() {
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

void CMessageAssembler::CloseFile() {
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

void CMessageAssembler::KeepEarlierWorkingFile() {
    if (m_workingChecked) {
        return;
    }
    m_workingChecked = true;
    // Other modes never complete a frame: theirs is overwritten as always.
    if (m_mode != Mode::Navtex && m_mode != Mode::NavtexJ) {
        return;
    }
    for (const std::u16string_view name : {kWorkingFileName, kHoldingFileName}) {
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
            const LocalTime now = m_clock.Now();
            stem = FormatDate(now) + u' ' + TimeInName(FormatTime(now));
        }
        stem = u"incoming " + stem;
        std::u16string kept = stem + u".txt";
        for (int n = 2; n < 1000 && m_files.MoveWithoutReplacing(earlier, m_base / kept) ==
                                        std::errc::file_exists;
             ++n) {
            kept = stem + u" (" + FromUtf8(std::to_string(n)) + u").txt";
        }
    }
}

bool CMessageAssembler::StartFrame() {
    m_text.clear();
    m_good = 0;
    m_errors = 0;
    CloseFile();
    m_framing = false;
    if (!IsHeader(&m_window[4])) {
        return false;
    }
    KeepEarlierWorkingFile();
    // Reusing the working file would destroy a completed message that
    // could not be stored before; this frame then goes unrecorded (the raw
    // log still has its text).
    if (m_held && !StoreWorkingFile()) {
        return true;
    }
    StorePending();
    const LocalTime now = m_clock.Now();
    std::error_code error;
    m_working = m_files.Open(WorkingPath(), IFileSystem::OpenMode::Truncate, error);
    m_writeFailed = false;
    m_frameBytes.clear();
    m_written = 0;
    if (m_working) {
        m_framing = true;
        m_workingIsPartial = false;
    } else if (NoRoom(error)) {
        // Recorded in memory only, and written whole at its end if it can.
        m_framing = true;
        m_writeFailed = true;
        ReportWorkingFileFailure(texts::kWorkingFileIncomplete);
    } else {
        Report({texts::kWorkingFileCreate, {PathText(WorkingPath())}});
    }
    m_header.date = FormatDate(now);
    m_header.time = FormatTime(now);
    m_header.b1 = std::u16string(1, NarrowChar(m_window[4]));
    m_header.b2 = std::u16string(1, NarrowChar(m_window[5]));
    if (m_mode == Mode::Navtex) {
        m_header.number = {NarrowChar(m_window[6]), NarrowChar(m_window[7])};
    } else if (m_mode == Mode::NavtexJ) {
        m_header.number = {NarrowChar(m_window[6]), NarrowChar(m_window[7]),
                           NarrowChar(m_window[8])};
    }
    if (m_framing) {
        m_frameBytes = ToUtf8(HeaderLine());
    }
    return true;
}

void CMessageAssembler::Record(char16_t c) {
    if (!m_framing) {
        return;
    }
    m_frameBytes += ToUtf8(std::u16string_view(&c, 1));
    m_text += c;
}

void CMessageAssembler::EndFrame() {
    if (!m_framing || (m_mode != Mode::Navtex && m_mode != Mode::NavtexJ)) {
        return;
    }
    const std::filesystem::path final =
        m_base / kLogsDirName / m_header.date /
        (m_header.date + u' ' + TimeInName(m_header.time) + u' ' +
         StoredIdentity(m_header.b1, m_header.b2, m_header.number) + u".txt");

    const bool workingOpen = m_working != nullptr;
    CloseFile();
    m_framing = false;
    MessageRecord record;
    record.date = m_header.date;
    record.time = m_header.time;
    record.b1 = m_header.b1;
    record.b2 = m_header.b2;
    record.number = m_header.number;
    record.text = m_text;
    record.good = m_good;
    record.errors = m_errors;
    record.quality = MessageQuality(m_good, m_errors, m_mode);
    record.path = final;
    record.mode = m_mode;
    // The upload goes first: it does not depend on the file being stored.
    if (m_sinks.upload != nullptr) {
        m_sinks.upload->UploadMessage(record);
    }
    m_text.clear();
    Completed message{m_header, std::move(record), std::exchange(m_frameBytes, {})};
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

std::u16string CMessageAssembler::HeaderLine() const {
    return m_header.time + u' ' + m_header.date + u"\r\n\r\nZCZC " + m_header.b1 + m_header.b2 +
           m_header.number + u"\r\n";
}

bool CMessageAssembler::WriteWholeFile(const std::filesystem::path& path, std::string_view bytes,
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

void CMessageAssembler::Stored(Completed& message, const std::filesystem::path& path,
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

CMessageAssembler::Placed CMessageAssembler::Place(const std::filesystem::path& source,
                                                   Completed& message, std::error_code& error) {
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
        // text is kept beside it under a name of its own, which the
        // explorer does not list. Nothing is lost, so nothing is said.
        if (SameContents(source, final)) {
            return Placed::AlreadyStored;
        }
        const std::u16string stem = final.stem().u16string();
        for (int n = 2; n < 1000; ++n) {
            const std::filesystem::path other =
                dir / (stem + u" (" + FromUtf8(std::to_string(n)) + u").txt");
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

bool CMessageAssembler::StoreWorkingFile() {
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

bool CMessageAssembler::StorePending() {
    const std::filesystem::path holding = m_base / kHoldingFileName;
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

void CMessageAssembler::RetryPending() {
    if (m_held) {
        StoreWorkingFile();
    }
    StorePending();
}

void CMessageAssembler::CloseWorkingFile() {
    CloseFile();
    m_framing = false;
    // Last chance for a completed message that could not be stored.
    RetryPending();
}

void CMessageAssembler::EndStoring() {
    CloseWorkingFile();
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

}  // namespace wavelore

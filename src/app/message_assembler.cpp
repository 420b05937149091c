#include "app/message_assembler.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "app/log_day.h"
#include "common/char_class.h"
#include "common/user_notifier.h"
#include "common/utf.h"
#include "system/file_move.h"

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

bool SameContents(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::ifstream fa(a, std::ios::binary);
    std::ifstream fb(b, std::ios::binary);
    if (!fa || !fb) {
        return false;
    }
    const std::string ca((std::istreambuf_iterator<char>(fa)), std::istreambuf_iterator<char>());
    const std::string cb((std::istreambuf_iterator<char>(fb)), std::istreambuf_iterator<char>());
    return ca == cb;
}

std::u16string ErrorText(const std::error_code& ec) {
    return FromUtf8(ec.message());
}

}  // namespace

CMessageAssembler::CMessageAssembler(const std::filesystem::path& base, const IClock& clock,
                                     Sinks sinks)
    : m_base(AbsoluteBase(base)), m_clock(clock), m_sinks(sinks) {}

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
    if (m_working != nullptr && std::fflush(m_working) != 0 && !m_writeFailed) {
        m_writeFailed = true;
        Report({texts::kWorkingFileIncomplete, {PathText(WorkingPath())}});
    }
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

void CMessageAssembler::CloseFile() {
    if (m_working == nullptr) {
        return;
    }
    const bool ok = std::fclose(m_working) == 0;
    m_working = nullptr;
    if (!ok && !m_writeFailed) {
        m_writeFailed = true;
        Report({texts::kWorkingFileIncomplete, {PathText(WorkingPath())}});
    }
}

bool CMessageAssembler::StartFrame() {
    m_text.clear();
    m_good = 0;
    m_errors = 0;
    CloseFile();
    if (!IsHeader(&m_window[4])) {
        return false;
    }
    // Reusing the working file would destroy a completed message that
    // could not be stored before; this frame then goes unrecorded (the raw
    // log still has its text).
    if (m_held && !StoreWorkingFile()) {
        return true;
    }
    const LocalTime now = m_clock.Now();
    m_working = std::fopen(WorkingPath().c_str(), "wb");
    m_writeFailed = false;
    if (m_working == nullptr) {
        Report({texts::kWorkingFileCreate, {PathText(WorkingPath())}});
    } else {
        m_lastError.clear();
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
    if (m_working == nullptr) {
        return true;
    }
    const std::string bytes = ToUtf8(HeaderLine());
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_working) != bytes.size()) {
        m_writeFailed = true;
        Report({texts::kWorkingFileWrite, {PathText(WorkingPath())}});
    }
    return true;
}

void CMessageAssembler::Record(char16_t c) {
    if (m_working == nullptr) {
        return;
    }
    const std::string bytes = ToUtf8(std::u16string_view(&c, 1));
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_working) != bytes.size() && !m_writeFailed) {
        m_writeFailed = true;
        Report({texts::kWorkingFileIncomplete, {PathText(WorkingPath())}});
    }
    m_text += c;
}

void CMessageAssembler::EndFrame() {
    if (m_working == nullptr || (m_mode != Mode::Navtex && m_mode != Mode::NavtexJ)) {
        return;
    }
    std::u16string name = m_header.date + u' ';
    for (const char16_t c : m_header.time) {
        name += c == u':' ? u'.' : c;
    }
    name += u' ';
    name += StoredIdentity(m_header.b1, m_header.b2, m_header.number);
    name += u".txt";
    const std::filesystem::path final = m_base / kLogsDirName / m_header.date / name;

    CloseFile();
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

    m_held = true;
    m_heldBytes = ToUtf8(HeaderLine() + record.text);
    m_heldHeader = m_header;
    m_heldRecord = std::move(record);
    StoreWorkingFile();
}

std::u16string CMessageAssembler::HeaderLine() const {
    return m_header.time + u' ' + m_header.date + u"\r\n\r\nZCZC " + m_header.b1 + m_header.b2 +
           m_header.number + u"\r\n";
}

bool CMessageAssembler::RewriteWorkingFile() {
    std::FILE* file = std::fopen(WorkingPath().c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written =
        std::fwrite(m_heldBytes.data(), 1, m_heldBytes.size(), file) == m_heldBytes.size();
    return std::fclose(file) == 0 && written;
}

void CMessageAssembler::Stored(const std::filesystem::path& path, StorePlace place) {
    m_held = false;
    if (m_sinks.listener != nullptr) {
        MessageRecord record = std::move(m_heldRecord);
        record.path = path;
        m_sinks.listener->MessageStored(record, place);
    }
    m_heldRecord = MessageRecord();
}

bool CMessageAssembler::StoreWorkingFile() {
    const std::filesystem::path final = m_heldRecord.path;
    const std::filesystem::path dir = final.parent_path();
    std::error_code ec;
    if (!std::filesystem::exists(WorkingPath(), ec) && !RewriteWorkingFile()) {
        m_held = false;
        Report(
            {texts::kWorkingFileVanished, {PathText(final.filename()), PathText(WorkingPath())}});
        return true;
    }
    std::filesystem::create_directory(dir.parent_path(), ec);
    std::filesystem::create_directory(dir, ec);
    std::error_code dirError;
    if (!std::filesystem::is_directory(dir, dirError) && !dirError) {
        dirError = std::make_error_code(std::errc::not_a_directory);
    }

    // A file of that name is never replaced, even one that appears just now.
    const std::error_code moved = MoveFileWithoutReplacing(WorkingPath(), final);
    if (!moved) {
        // The listener first: the index knows the message by the time the
        // explorer lists it.
        Stored(final, StorePlace::LogDay);
        if (m_sinks.stored != nullptr) {
            m_sinks.stored->AddStoredMessage(m_heldHeader, final);
        }
        return true;
    }
    if (moved == std::errc::file_exists) {
        // The same header and start second again. A true repeat leaves the
        // working file as it is (the stored copy holds the same bytes);
        // different text is kept beside it under a name of its own, which
        // the explorer does not list. Nothing is lost, so nothing is said.
        if (SameContents(WorkingPath(), final)) {
            m_held = false;
            return true;
        }
        const std::u16string stem = final.stem().u16string();
        for (int n = 2; n < 1000; ++n) {
            const std::filesystem::path other =
                dir / (stem + u" (" + FromUtf8(std::to_string(n)) + u").txt");
            const std::error_code error = MoveFileWithoutReplacing(WorkingPath(), other);
            if (!error) {
                Stored(other, StorePlace::Numbered);
                return true;
            }
            if (error != std::errc::file_exists) {
                break;
            }
        }
    } else if (!dirError) {
        dirError = moved;
    }

    // The log directory is unusable: keep the message beside the working
    // file under its final name rather than let the next frame destroy it.
    const std::filesystem::path fallback = m_base / final.filename();
    if (!MoveFileWithoutReplacing(WorkingPath(), fallback)) {
        Report(
            {texts::kMessageKeptBeside, {PathText(dir), ErrorText(dirError), PathText(fallback)}});
        Stored(fallback, StorePlace::BesideWorkingFile);
        return true;
    }
    Report({texts::kMessageNotStored,
            {PathText(final.filename()), ErrorText(dirError), PathText(WorkingPath())}});
    return false;
}

void CMessageAssembler::CloseWorkingFile() {
    CloseFile();
    // Last chance for a completed message that could not be stored.
    if (m_held) {
        StoreWorkingFile();
    }
}

}  // namespace wavelore

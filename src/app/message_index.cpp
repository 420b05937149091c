#include "app/message_index.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <utility>

#include "app/index_build.h"
#include "app/log_day.h"
#include "app/repeat_rule.h"
#include "app/sqlite_statement.h"
#include "app/stored_message_name.h"
#include "common/user_notifier.h"
#include "common/user_text.h"
#include "common/utf.h"

namespace wavelore {

namespace {

namespace fs = std::filesystem;

// Long enough to wait out another program's single write, short enough
// not to stall the receiver when the index stays locked.
constexpr int kBusyMilliseconds = 250;
constexpr auto kDiskRetry = std::chrono::seconds(60);

constexpr const char* kCreateSchema = R"(
CREATE TABLE messages (
    path TEXT PRIMARY KEY NOT NULL,
    identity TEXT NOT NULL,
    station TEXT NOT NULL,
    subject TEXT NOT NULL,
    number TEXT NOT NULL,
    frame_time TEXT NOT NULL,
    frame_seconds INTEGER NOT NULL,
    quality INTEGER,
    good INTEGER,
    errors INTEGER,
    clean INTEGER NOT NULL,
    repeat INTEGER NOT NULL,
    selected INTEGER NOT NULL,
    frequency INTEGER
);
CREATE INDEX messages_identity ON messages (identity, frame_seconds);
CREATE INDEX messages_time ON messages (frame_time);
)";

constexpr const char* kSelectRow =
    "SELECT path, station, subject, number, frame_time, quality, good, errors, clean, repeat, "
    "selected, frequency FROM messages ";

bool Failed(int rc) {
    return rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE;
}

bool IsDamage(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

bool IsLock(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

// Version 1 to 2: identities as the file names carry them, counts kept.
int MigrateIdentities(sqlite3* db) {
    int rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        return rc;
    }
    // path, identity, number
    std::vector<std::array<std::string, 3>> changes;
    {
        CSqliteStatement read(db, "SELECT path, station, subject, number FROM messages");
        while ((rc = read.Step()) == SQLITE_ROW) {
            const std::u16string number = FromUtf8(read.Text(3));
            const std::u16string safe = StoredIdentity({}, {}, number);
            if (safe != number) {
                changes.push_back(
                    {read.Text(0),
                     ToUtf8(StoredIdentity(FromUtf8(read.Text(1)), FromUtf8(read.Text(2)), number)),
                     ToUtf8(safe)});
            }
        }
    }
    if (rc == SQLITE_DONE) {
        rc = SQLITE_OK;
        CSqliteStatement update(db,
                                "UPDATE messages SET identity = ?2, number = ?3 WHERE path = ?1");
        for (auto it = changes.begin(); rc == SQLITE_OK && it != changes.end(); ++it) {
            for (int i = 0; i < 3; ++i) {
                update.Bind(i + 1, (*it)[static_cast<size_t>(i)]);
            }
            rc = update.Run();
        }
    }
    return EndIndexTransaction(db, rc);
}

// Version 2 to 3: the channel's frequency, unknown (NULL) for the rows
// before it. A column added before an interrupted migration is kept.
int AddFrequencyColumn(sqlite3* db) {
    int64_t present = 0;
    {
        CSqliteStatement read(
            db, "SELECT count(*) FROM pragma_table_info('messages') WHERE name = 'frequency'");
        const int rc = read.Step();
        if (rc != SQLITE_ROW) {
            return rc;
        }
        present = read.Int(0);
    }
    if (present > 0) {
        return SQLITE_OK;
    }
    return sqlite3_exec(db, "ALTER TABLE messages ADD COLUMN frequency INTEGER", nullptr, nullptr,
                        nullptr);
}

}  // namespace

CMessageIndex::CMessageIndex(const std::filesystem::path& base, const CMessageSelection& selection,
                             IUserNotifier* notifier)
    : m_base(AbsoluteBase(base)), m_selection(selection), m_notifier(notifier) {}

CMessageIndex::~CMessageIndex() {
    // The rows of this run go in before the index closes.
    EndFilling(true);
    Close();
}

std::filesystem::path CMessageIndex::DatabasePath() const {
    return m_base / kLogsDirName / kFileName;
}

void CMessageIndex::RemoveDatabase() {
    std::error_code ec;
    for (const char* suffix : {"", "-wal", "-shm"}) {
        fs::remove(DatabasePath().string() + suffix, ec);
    }
}

void CMessageIndex::Close() {
    // A filling uses the connection until it has ended; what it did not do
    // is done by the next one.
    if (m_build) {
        m_build->Cancel();
        m_build.reset();
    }
    m_db.reset();
}

void CMessageIndex::Report(Trouble trouble, int rc) {
    bool& reported = m_reported[static_cast<int>(trouble)];
    if (reported || m_notifier == nullptr) {
        return;
    }
    reported = true;
    const std::u16string path = PathText(DatabasePath());
    switch (trouble) {
        case Trouble::Damaged:
            m_notifier->ShowText({texts::kIndexDamaged, {path}});
            break;
        case Trouble::Replaced:
            m_notifier->ShowText({texts::kIndexReplaced, {path}});
            break;
        case Trouble::Locked:
            m_notifier->ShowText({texts::kIndexLocked, {path}});
            break;
        case Trouble::Unwritable:
            m_notifier->ShowText({texts::kIndexUnwritable, {path, FromUtf8(sqlite3_errstr(rc))}});
            break;
    }
}

std::string CMessageIndex::Key(const std::filesystem::path& path) const {
    return IndexKey(m_base, path);
}

int CMessageIndex::PrepareSchema(bool& fresh) {
    fresh = false;
    sqlite3* db = m_db.get();
    sqlite3_busy_timeout(db, kBusyMilliseconds);
    int rc = sqlite3_exec(db, "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL", nullptr,
                          nullptr, nullptr);
    if (rc != SQLITE_OK) {
        return rc;
    }
    int64_t version = -1;
    int64_t tables = -1;
    int64_t ours = -1;
    {
        CSqliteStatement read(db, "PRAGMA user_version");
        if ((rc = read.Step()) != SQLITE_ROW) {
            return rc;
        }
        version = read.Int(0);
    }
    {
        CSqliteStatement read(
            db, "SELECT count(*), count(name = 'messages' OR NULL) FROM sqlite_master");
        if ((rc = read.Step()) != SQLITE_ROW) {
            return rc;
        }
        tables = read.Int(0);
        ours = read.Int(1);
    }
    // The version is set when the table is first filled: without it, a
    // filling was cut short (the program ended meanwhile) and starts again.
    if (version == 0 && (tables == 0 || ours == 1)) {
        fresh = true;
        return tables == 0 ? sqlite3_exec(db, kCreateSchema, nullptr, nullptr, nullptr) : SQLITE_OK;
    }
    if ((version == 1 || version == 2) && (rc = AddFrequencyColumn(db)) != SQLITE_OK) {
        return rc;
    }
    if (version == 1 && (rc = MigrateIdentities(db)) != SQLITE_OK) {
        return rc;
    }
    if (version == 2) {
        rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if ((rc = EndIndexTransaction(db, rc)) != SQLITE_OK) {
            return rc;
        }
    }
    if (version < 1 || version > kIndexSchemaVersion) {
        // Not an index of ours: made anew like a damaged one.
        return SQLITE_NOTADB;
    }
    CSqliteStatement check(db, "PRAGMA quick_check");
    if ((rc = check.Step()) != SQLITE_ROW) {
        return rc;
    }
    return check.Text(0) == "ok" ? SQLITE_OK : SQLITE_CORRUPT;
}

int CMessageIndex::Prepare() {
    bool fresh = false;
    int rc = PrepareSchema(fresh);
    if (rc != SQLITE_OK) {
        return rc;
    }
    if (fresh) {
        // Every stored file makes a row: the long part, done meanwhile.
        m_build = std::make_unique<CIndexBuild>(m_db.get(), m_base, m_selection, m_geometries);
        ++m_fillings;
        return SQLITE_OK;
    }
    const std::atomic<bool> never{false};
    rc = SyncWithStoredFiles(m_db.get(), m_base, m_selection, m_session, never);
    return rc == SQLITE_OK ? m_geometries.Sync(m_db.get()) : rc;
}

void CMessageIndex::EndFilling(bool wait) {
    if (!m_build || (!wait && !m_build->Done())) {
        return;
    }
    int rc = m_build->Wait();
    m_build.reset();
    // The rows of this run keep their counts through a rebuild.
    for (const std::vector<IndexedMessage>* rows : {&m_session, &m_unindexed}) {
        for (auto it = rows->begin(); rc == SQLITE_OK && it != rows->end(); ++it) {
            std::error_code ec;
            if (fs::exists(it->path, ec)) {
                rc = InsertIndexRow(m_db.get(), m_base, *it);
            }
        }
    }
    // The build read the places of the files; those of this run's rows
    // follow.
    if (rc == SQLITE_OK) {
        rc = m_geometries.Sync(m_db.get());
    }
    if (rc == SQLITE_OK) {
        m_unindexed.clear();
    } else {
        Recover(rc);
    }
}

bool CMessageIndex::OpenDisk() {
    for (int attempt = 0; attempt < 2; ++attempt) {
        Close();
        std::error_code ec;
        fs::create_directory(m_base / kLogsDirName, ec);
        int rc = OpenSqliteDatabase(DatabasePath().c_str(), m_db);
        if (rc == SQLITE_OK) {
            // A filling started now stays on disk.
            m_inMemory = false;
            rc = Prepare();
        }
        if (rc == SQLITE_OK) {
            return true;
        }
        Close();
        if (attempt > 0 || !IsDamage(rc)) {
            Report(IsLock(rc) ? Trouble::Locked : Trouble::Unwritable, rc);
            return false;
        }
        // The files are the truth: a damaged index is made again from them.
        Report(Trouble::Damaged, rc);
        RemoveDatabase();
    }
    return false;
}

bool CMessageIndex::OpenMemory() {
    Close();
    m_inMemory = true;
    m_retryDisk = std::chrono::steady_clock::now() + kDiskRetry;
    if (OpenSqliteDatabase(":memory:", m_db) == SQLITE_OK && Prepare() == SQLITE_OK) {
        return true;
    }
    Close();
    return false;
}

bool CMessageIndex::Open() {
    return OpenDisk() || OpenMemory();
}

bool CMessageIndex::Recover(int rc) {
    if (!m_inMemory) {
        if (IsDamage(rc)) {
            Report(Trouble::Damaged, rc);
            Close();
            RemoveDatabase();
            if (OpenDisk()) {
                return true;
            }
        } else {
            Report(IsLock(rc) ? Trouble::Locked : Trouble::Unwritable, rc);
        }
    }
    return OpenMemory();
}

void CMessageIndex::CheckDisk() {
    EndFilling(false);
    if (m_build) {
        // The filling has the connection.
        return;
    }
    if (m_db != nullptr && !m_inMemory) {
        int moved = 0;
        if (sqlite3_file_control(m_db.get(), "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK &&
            moved != 0) {
            Report(Trouble::Replaced, SQLITE_OK);
            Open();
        }
        return;
    }
    if (std::chrono::steady_clock::now() < m_retryDisk) {
        return;
    }
    // The index in memory (if any) stays until the disk works again.
    SqliteDatabase memory = std::move(m_db);
    if (OpenDisk()) {
        return;
    }
    m_db = std::move(memory);
    m_inMemory = true;
    m_retryDisk = std::chrono::steady_clock::now() + kDiskRetry;
}

int CMessageIndex::QueryRepeat(const IndexedMessage& row, bool& repeat) {
    repeat = false;
    if (CRepeatRule::NeverRepeats(row.number)) {
        return SQLITE_OK;
    }
    CSqliteStatement query(m_db.get(),
                           "SELECT 1 FROM messages WHERE identity = ?1 AND clean = 1 AND "
                           "frame_seconds BETWEEN ?2 AND ?3 AND path <> ?4 AND "
                           "(?5 <= 0 OR frequency IS NULL OR frequency = ?5) LIMIT 1");
    const int64_t at = CalendarSeconds(row.frameTime);
    query.Bind(1, ToUtf8(row.identity));
    query.Bind(2, at - CRepeatRule::kWindowSeconds);
    query.Bind(3, at + CRepeatRule::kWindowSeconds);
    query.Bind(4, Key(row.path));
    query.Bind(5, int64_t{row.frequencyHz});
    const int rc = query.Step();
    repeat = rc == SQLITE_ROW;
    return Failed(rc) ? rc : SQLITE_OK;
}

bool CMessageIndex::SessionRepeat(const IndexedMessage& row) const {
    if (CRepeatRule::NeverRepeats(row.number)) {
        return false;
    }
    const int64_t at = CalendarSeconds(row.frameTime);
    const auto repeats = [&](const IndexedMessage& earlier) {
        return earlier.clean && earlier.identity == row.identity && earlier.path != row.path &&
               CRepeatRule::SameChannel(earlier.frequencyHz, row.frequencyHz) &&
               CRepeatRule::WithinWindow(CalendarSeconds(earlier.frameTime), at);
    };
    return std::any_of(m_session.begin(), m_session.end(), repeats) ||
           std::any_of(m_unindexed.begin(), m_unindexed.end(), repeats);
}

bool CMessageIndex::Add(const MessageRecord& record, bool selected) {
    IndexedMessage row;
    row.b1 = record.b1;
    row.b2 = record.b2;
    row.number = StoredIdentity({}, {}, record.number);
    row.identity = StoredIdentity(record.b1, record.b2, record.number);
    ParseLocalTime(ToUtf8(record.date + u' ' + record.time), row.frameTime);
    row.counted = true;
    row.good = record.good;
    row.errors = record.errors;
    row.quality = record.quality;
    row.clean = CRepeatRule::IsClean(record.good, record.errors, record.mode);
    row.path = record.path;
    row.selected = selected;
    row.frequencyHz = record.frequencyHz;

    CheckDisk();
    bool indexed = false;
    for (int attempt = 0; attempt < 2 && m_db != nullptr && !m_build && !indexed; ++attempt) {
        int rc = QueryRepeat(row, row.repeat);
        if (rc == SQLITE_OK) {
            rc = InsertIndexRow(m_db.get(), m_base, row);
        }
        if (rc == SQLITE_OK) {
            rc = m_geometries.Add(m_db.get(), Key(row.path), record);
        }
        indexed = rc == SQLITE_OK;
        if (!indexed && !Recover(rc)) {
            break;
        }
    }
    if (!indexed) {
        row.repeat = SessionRepeat(row);
        if (m_build) {
            m_unindexed.push_back(row);
        }
    }

    const int64_t at = CalendarSeconds(row.frameTime);
    std::erase_if(m_session, [at](const IndexedMessage& earlier) {
        return !CRepeatRule::WithinWindow(CalendarSeconds(earlier.frameTime), at);
    });
    m_session.push_back(row);
    return row.repeat;
}

std::vector<IndexedMessage> CMessageIndex::RowsOfDay(std::u16string_view date) {
    std::vector<IndexedMessage> rows;
    CheckDisk();
    for (int attempt = 0; attempt < 2; ++attempt) {
        EndFilling(true);
        if (m_db == nullptr) {
            break;
        }
        rows.clear();
        CSqliteStatement query(
            m_db.get(), (std::string(kSelectRow) + "WHERE frame_time BETWEEN ?1 AND ?2 ORDER BY "
                                                   "frame_time, path")
                            .c_str());
        const std::string day = ToUtf8(date);
        query.Bind(1, day + " 00:00:00");
        query.Bind(2, day + " 23:59:59");
        int rc;
        while ((rc = query.Step()) == SQLITE_ROW) {
            IndexedMessage row;
            row.path = fs::path(query.Text(0));
            if (row.path.is_relative()) {
                row.path = m_base / row.path;
            }
            row.b1 = FromUtf8(query.Text(1));
            row.b2 = FromUtf8(query.Text(2));
            row.number = FromUtf8(query.Text(3));
            row.identity = row.b1 + row.b2 + row.number;
            ParseLocalTime(query.Text(4), row.frameTime);
            row.counted = !query.IsNull(5);
            row.quality = static_cast<int32_t>(query.Int(5));
            row.good = static_cast<uint32_t>(query.Int(6));
            row.errors = static_cast<uint32_t>(query.Int(7));
            row.clean = query.Int(8) != 0;
            row.repeat = query.Int(9) != 0;
            row.selected = query.Int(10) != 0;
            row.frequencyHz = static_cast<int32_t>(query.Int(11));
            rows.push_back(std::move(row));
        }
        if (!Failed(rc) || !Recover(rc)) {
            break;
        }
    }
    return rows;
}

bool CMessageIndex::Remove(const std::filesystem::path& path) {
    CheckDisk();
    for (int attempt = 0; attempt < 2 && m_db != nullptr && !m_build; ++attempt) {
        CSqliteStatement remove(m_db.get(), "DELETE FROM messages WHERE path = ?1");
        remove.Bind(1, Key(path));
        const int rc = remove.Step();
        if (!Failed(rc)) {
            const std::string key = Key(path);
            std::erase_if(m_session,
                          [&](const IndexedMessage& row) { return Key(row.path) == key; });
            return true;
        }
        if (!Recover(rc)) {
            break;
        }
    }
    return false;
}

sqlite3* CMessageIndex::Database() {
    // A filling has the connection: the tables beside the index are read
    // and written after it, as RowsOfDay reads.
    EndFilling(true);
    CheckDisk();
    return m_db.get();
}

std::optional<std::vector<IndexedGeometry>> CMessageIndex::Geometries(const GeometryQuery& query) {
    CheckDisk();
    std::vector<IndexedGeometry> rows;
    for (int attempt = 0; attempt < 2 && m_db != nullptr && !m_build; ++attempt) {
        rows.clear();
        const int rc = m_geometries.Query(m_db.get(), query, rows);
        if (!Failed(rc)) {
            return rows;
        }
        if (!Recover(rc)) {
            break;
        }
    }
    return std::nullopt;
}

std::optional<IndexedMessage> CMessageIndex::Find(const std::filesystem::path& path) {
    // A stored file's date is in its name, and its row among that day's.
    const auto named = StoredMessageName::Parse(FromUtf8(path.filename().string()));
    if (!named) {
        return std::nullopt;
    }
    const std::string key = Key(path);
    for (IndexedMessage& row : RowsOfDay(named->Day())) {
        if (Key(row.path) == key) {
            return std::move(row);
        }
    }
    return std::nullopt;
}

std::vector<IndexedMessage> CMessageIndex::KnownRowsOfDay(std::u16string_view date) {
    CheckDisk();
    if (!m_build) {
        return RowsOfDay(date);
    }
    std::vector<IndexedMessage> rows;
    for (const std::vector<IndexedMessage>* session : {&m_session, &m_unindexed}) {
        for (const IndexedMessage& row : *session) {
            // A row of this run added while filling is in both lists.
            const auto same = [&](const IndexedMessage& known) { return known.path == row.path; };
            if (FormatDate(row.frameTime) == date && std::none_of(rows.begin(), rows.end(), same)) {
                rows.push_back(row);
            }
        }
    }
    return rows;
}

std::optional<IndexedMessage> CMessageIndex::Known(const std::filesystem::path& path) {
    CheckDisk();
    if (!m_build) {
        return Find(path);
    }
    for (const std::vector<IndexedMessage>* session : {&m_session, &m_unindexed}) {
        for (const IndexedMessage& row : *session) {
            if (row.path == path) {
                return row;
            }
        }
    }
    return std::nullopt;
}

std::vector<std::filesystem::path> CMessageIndex::RepeatsOfDay(std::u16string_view date) {
    std::vector<std::filesystem::path> repeats;
    for (const IndexedMessage& row : KnownRowsOfDay(date)) {
        if (row.repeat) {
            repeats.push_back(row.path);
        }
    }
    return repeats;
}

bool CMessageIndex::IsRepeat(const std::filesystem::path& path) {
    const std::optional<IndexedMessage> row = Known(path);
    return row && row->repeat;
}

}  // namespace wavelore

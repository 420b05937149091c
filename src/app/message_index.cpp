#include "app/message_index.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <unordered_set>
#include <utility>

#include "app/log_day.h"
#include "app/repeat_rule.h"
#include "app/sqlite_statement.h"
#include "common/user_notifier.h"
#include "common/user_text.h"
#include "common/utf.h"

namespace wavelore {

namespace {

namespace fs = std::filesystem;

// 2: the identity and number are those of the file name (a NAVTEX-J serial
// number such as "12/" is "12_"); version 1 kept them as received.
constexpr int kSchemaVersion = 2;
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
    selected INTEGER NOT NULL
);
CREATE INDEX messages_identity ON messages (identity, frame_seconds);
CREATE INDEX messages_time ON messages (frame_time);
PRAGMA user_version = 2;
)";

constexpr const char* kSelectRow =
    "SELECT path, station, subject, number, frame_time, quality, good, errors, clean, repeat, "
    "selected FROM messages ";

bool Failed(int rc) {
    return rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE;
}

bool IsDamage(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

std::string FrameTimeText(const LocalTime& t) {
    return ToUtf8(FormatDate(t) + u' ' + FormatTime(t));
}

// "YYYY-MM-DD HH.MM.SS B1B2NN[N][ (n)].txt", as the assembler names what
// it stores; false for every other name.
bool ParseStoredName(std::u16string_view name, IndexedMessage& row) {
    constexpr std::u16string_view kExtension = u".txt";
    if (name.size() < 24 + kExtension.size() ||
        name.substr(name.size() - kExtension.size()) != kExtension || name[10] != u' ' ||
        name[13] != u'.' || name[16] != u'.' || name[19] != u' ') {
        return false;
    }
    std::u16string_view identity = name.substr(20, name.size() - 20 - kExtension.size());
    const size_t open = identity.find(u" (");
    if (open != std::u16string_view::npos) {
        std::u16string_view n = identity.substr(open + 2);
        if (n.size() < 2 || n.back() != u')' ||
            n.substr(0, n.size() - 1).find_first_not_of(u"0123456789") !=
                std::u16string_view::npos) {
            return false;
        }
        identity = identity.substr(0, open);
    }
    if (identity.size() != 4 && identity.size() != 5) {
        return false;
    }
    std::string stamp = ToUtf8(name.substr(0, 19));
    if (stamp.size() != 19) {
        return false;
    }
    stamp[13] = ':';
    stamp[16] = ':';
    if (!ParseLocalTime(stamp, row.frameTime)) {
        return false;
    }
    row.identity = std::u16string(identity);
    row.b1 = row.identity.substr(0, 1);
    row.b2 = row.identity.substr(1, 1);
    row.number = row.identity.substr(2);
    return true;
}

void ScanDirectory(const fs::path& dir, std::vector<IndexedMessage>& out) {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code type;
        IndexedMessage row;
        if (it->is_regular_file(type) &&
            ParseStoredName(FromUtf8(it->path().filename().string()), row)) {
            row.path = it->path();
            out.push_back(std::move(row));
        }
    }
}

// Every stored message file: in the day directories of logs/ and beside
// the working file.
std::vector<IndexedMessage> ScanStoredFiles(const fs::path& base) {
    std::vector<IndexedMessage> out;
    ScanDirectory(base, out);
    std::error_code ec;
    for (fs::directory_iterator it(base / kLogsDirName, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code type;
        LocalTime day;
        const std::string name = it->path().filename().string();
        if (it->is_directory(type) && ParseLocalTime(name + " 00:00:00", day)) {
            ScanDirectory(it->path(), out);
        }
    }
    return out;
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
        CStatement read(db, "SELECT path, station, subject, number FROM messages");
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
        CStatement update(db, "UPDATE messages SET identity = ?2, number = ?3 WHERE path = ?1");
        for (auto it = changes.begin(); rc == SQLITE_OK && it != changes.end(); ++it) {
            for (int i = 0; i < 3; ++i) {
                update.Bind(i + 1, (*it)[static_cast<size_t>(i)]);
            }
            const int step = update.Step();
            rc = step == SQLITE_DONE ? SQLITE_OK : step;
            update.Reset();
        }
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db, "PRAGMA user_version = 2; COMMIT", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    return rc;
}

}  // namespace

CMessageIndex::CMessageIndex(const std::filesystem::path& base, const CMessageSelection& selection,
                             IUserNotifier* notifier)
    : m_base(AbsoluteBase(base)), m_selection(selection), m_notifier(notifier) {}

CMessageIndex::~CMessageIndex() {
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
    if (m_db != nullptr) {
        sqlite3_close(m_db);
        m_db = nullptr;
    }
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
    const fs::path relative = path.lexically_relative(m_base);
    if (!relative.empty() && *relative.begin() != "..") {
        return relative.generic_string();
    }
    return path.generic_string();
}

int CMessageIndex::PrepareSchema() {
    sqlite3_busy_timeout(m_db, kBusyMilliseconds);
    int rc = sqlite3_exec(m_db, "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL", nullptr,
                          nullptr, nullptr);
    if (rc != SQLITE_OK) {
        return rc;
    }
    int64_t version = -1;
    int64_t tables = -1;
    {
        CStatement read(m_db, "PRAGMA user_version");
        if ((rc = read.Step()) != SQLITE_ROW) {
            return rc;
        }
        version = read.Int(0);
    }
    {
        CStatement read(m_db, "SELECT count(*) FROM sqlite_master");
        if ((rc = read.Step()) != SQLITE_ROW) {
            return rc;
        }
        tables = read.Int(0);
    }
    if (version == 0 && tables == 0) {
        return sqlite3_exec(m_db, kCreateSchema, nullptr, nullptr, nullptr);
    }
    if (version == 1 && (rc = MigrateIdentities(m_db)) != SQLITE_OK) {
        return rc;
    }
    if (version != 1 && version != kSchemaVersion) {
        // Not an index of ours: made anew like a damaged one.
        return SQLITE_NOTADB;
    }
    CStatement check(m_db, "PRAGMA quick_check");
    if ((rc = check.Step()) != SQLITE_ROW) {
        return rc;
    }
    return check.Text(0) == "ok" ? SQLITE_OK : SQLITE_CORRUPT;
}

int CMessageIndex::Insert(const IndexedMessage& row) {
    CStatement insert(m_db,
                      "INSERT OR REPLACE INTO messages (path, identity, station, subject, number, "
                      "frame_time, frame_seconds, quality, good, errors, clean, repeat, selected) "
                      "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)");
    insert.Bind(1, Key(row.path));
    insert.Bind(2, ToUtf8(row.identity));
    insert.Bind(3, ToUtf8(row.b1));
    insert.Bind(4, ToUtf8(row.b2));
    insert.Bind(5, ToUtf8(row.number));
    insert.Bind(6, FrameTimeText(row.frameTime));
    insert.Bind(7, CalendarSeconds(row.frameTime));
    if (row.counted) {
        insert.Bind(8, int64_t{row.quality});
        insert.Bind(9, int64_t{row.good});
        insert.Bind(10, int64_t{row.errors});
    } else {
        insert.BindNull(8);
        insert.BindNull(9);
        insert.BindNull(10);
    }
    insert.Bind(11, int64_t{row.clean ? 1 : 0});
    insert.Bind(12, int64_t{row.repeat ? 1 : 0});
    insert.Bind(13, int64_t{row.selected ? 1 : 0});
    const int rc = insert.Step();
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int CMessageIndex::Sync() {
    std::unordered_set<std::string> indexed;
    {
        CStatement read(m_db, "SELECT path FROM messages");
        int rc;
        while ((rc = read.Step()) == SQLITE_ROW) {
            indexed.insert(read.Text(0));
        }
        if (rc != SQLITE_DONE) {
            return rc;
        }
    }
    std::vector<IndexedMessage> files = ScanStoredFiles(m_base);
    std::unordered_set<std::string> present;
    int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    for (IndexedMessage& file : files) {
        std::string key = Key(file.path);
        if (rc == SQLITE_OK && indexed.erase(key) == 0) {
            file.selected = m_selection.IsSelected(file.b1, file.b2);
            rc = Insert(file);
        }
        present.insert(std::move(key));
    }
    if (rc == SQLITE_OK && !indexed.empty()) {
        CStatement remove(m_db, "DELETE FROM messages WHERE path = ?1");
        for (auto it = indexed.begin(); rc == SQLITE_OK && it != indexed.end(); ++it) {
            remove.Bind(1, *it);
            const int step = remove.Step();
            rc = step == SQLITE_DONE ? SQLITE_OK : step;
            remove.Reset();
        }
    }
    // The rows of this run keep their counts through a rebuild.
    for (const IndexedMessage& row : m_session) {
        if (rc == SQLITE_OK && present.count(Key(row.path)) != 0) {
            rc = Insert(row);
        }
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    return rc == SQLITE_OK ? m_geometries.Sync(m_db) : rc;
}

bool CMessageIndex::OpenDisk() {
    for (int attempt = 0; attempt < 2; ++attempt) {
        Close();
        std::error_code ec;
        fs::create_directory(m_base / kLogsDirName, ec);
        int rc = sqlite3_open_v2(DatabasePath().c_str(), &m_db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (rc == SQLITE_OK) {
            rc = PrepareSchema();
        }
        if (rc == SQLITE_OK) {
            rc = Sync();
        }
        if (rc == SQLITE_OK) {
            m_inMemory = false;
            return true;
        }
        Close();
        if (attempt > 0 || !IsDamage(rc)) {
            const int primary = rc & 0xFF;
            Report(primary == SQLITE_BUSY || primary == SQLITE_LOCKED ? Trouble::Locked
                                                                      : Trouble::Unwritable,
                   rc);
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
    if (sqlite3_open_v2(":memory:", &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) ==
            SQLITE_OK &&
        PrepareSchema() == SQLITE_OK && Sync() == SQLITE_OK) {
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
            const int primary = rc & 0xFF;
            Report(primary == SQLITE_BUSY || primary == SQLITE_LOCKED ? Trouble::Locked
                                                                      : Trouble::Unwritable,
                   rc);
        }
    }
    return OpenMemory();
}

void CMessageIndex::CheckDisk() {
    if (m_db != nullptr && !m_inMemory) {
        int moved = 0;
        if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK &&
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
    sqlite3* memory = std::exchange(m_db, nullptr);
    if (OpenDisk()) {
        sqlite3_close(memory);
        return;
    }
    m_db = memory;
    m_retryDisk = std::chrono::steady_clock::now() + kDiskRetry;
}

int CMessageIndex::QueryRepeat(const IndexedMessage& row, bool& repeat) {
    repeat = false;
    if (CRepeatRule::NeverRepeats(row.number)) {
        return SQLITE_OK;
    }
    CStatement query(m_db,
                     "SELECT 1 FROM messages WHERE identity = ?1 AND clean = 1 AND "
                     "frame_seconds BETWEEN ?2 AND ?3 AND path <> ?4 LIMIT 1");
    const int64_t at = CalendarSeconds(row.frameTime);
    query.Bind(1, ToUtf8(row.identity));
    query.Bind(2, at - CRepeatRule::kWindowSeconds);
    query.Bind(3, at + CRepeatRule::kWindowSeconds);
    query.Bind(4, Key(row.path));
    const int rc = query.Step();
    repeat = rc == SQLITE_ROW;
    return Failed(rc) ? rc : SQLITE_OK;
}

bool CMessageIndex::SessionRepeat(const IndexedMessage& row) const {
    if (CRepeatRule::NeverRepeats(row.number)) {
        return false;
    }
    const int64_t at = CalendarSeconds(row.frameTime);
    return std::any_of(m_session.begin(), m_session.end(), [&](const IndexedMessage& earlier) {
        return earlier.clean && earlier.identity == row.identity && earlier.path != row.path &&
               CRepeatRule::WithinWindow(CalendarSeconds(earlier.frameTime), at);
    });
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

    CheckDisk();
    bool indexed = false;
    for (int attempt = 0; attempt < 2 && m_db != nullptr && !indexed; ++attempt) {
        int rc = QueryRepeat(row, row.repeat);
        if (rc == SQLITE_OK) {
            rc = Insert(row);
        }
        if (rc == SQLITE_OK) {
            rc = m_geometries.Add(m_db, Key(row.path), record);
        }
        indexed = rc == SQLITE_OK;
        if (!indexed && !Recover(rc)) {
            break;
        }
    }
    if (!indexed) {
        row.repeat = SessionRepeat(row);
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
    for (int attempt = 0; attempt < 2 && m_db != nullptr; ++attempt) {
        rows.clear();
        CStatement query(m_db, (std::string(kSelectRow) +
                                "WHERE frame_time BETWEEN ?1 AND ?2 ORDER BY frame_time, path")
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
            rows.push_back(std::move(row));
        }
        if (!Failed(rc) || !Recover(rc)) {
            break;
        }
    }
    return rows;
}

std::vector<IndexedGeometry> CMessageIndex::Geometries(const GeometryQuery& query) {
    std::vector<IndexedGeometry> rows;
    CheckDisk();
    for (int attempt = 0; attempt < 2 && m_db != nullptr; ++attempt) {
        rows.clear();
        const int rc = m_geometries.Query(m_db, query, rows);
        if (!Failed(rc) || !Recover(rc)) {
            break;
        }
    }
    return rows;
}

std::optional<IndexedMessage> CMessageIndex::Find(const std::filesystem::path& path) {
    // A stored file's date is in its name, and its row among that day's.
    IndexedMessage named;
    if (!ParseStoredName(FromUtf8(path.filename().string()), named)) {
        return std::nullopt;
    }
    const std::string key = Key(path);
    for (IndexedMessage& row : RowsOfDay(FormatDate(named.frameTime))) {
        if (Key(row.path) == key) {
            return std::move(row);
        }
    }
    return std::nullopt;
}

}  // namespace wavelore

#include "app/index_build.h"

#include <unordered_set>
#include <utility>

#include "app/log_day.h"
#include "app/sqlite_statement.h"
#include "app/stored_message_name.h"
#include "common/start_thread.h"
#include "common/utf.h"

namespace wavelore {

namespace {

namespace fs = std::filesystem;

// A row of a stored file: what its name says, without counts.
IndexedMessage RowOf(const StoredMessageName& name, const fs::path& path) {
    IndexedMessage row;
    row.identity = name.identity;
    row.b1 = name.B1();
    row.b2 = name.B2();
    row.number = name.Number();
    row.frameTime = name.frameTime;
    row.path = path;
    return row;
}

void ScanDirectory(const fs::path& dir, std::vector<IndexedMessage>& out) {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code type;
        if (!it->is_regular_file(type)) {
            continue;
        }
        if (const auto name = StoredMessageName::Parse(FromUtf8(it->path().filename().string()))) {
            out.push_back(RowOf(*name, it->path()));
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

std::string FrameTimeText(const LocalTime& t) {
    return ToUtf8(FormatDate(t) + u' ' + FormatTime(t));
}

}  // namespace

std::string IndexKey(const fs::path& base, const fs::path& path) {
    const fs::path relative = path.lexically_relative(base);
    if (!relative.empty() && *relative.begin() != "..") {
        return relative.generic_string();
    }
    return path.generic_string();
}

int EndIndexTransaction(sqlite3* db, int rc) {
    if (rc == SQLITE_OK) {
        const std::string commit =
            "PRAGMA user_version = " + std::to_string(kIndexSchemaVersion) + "; COMMIT";
        rc = sqlite3_exec(db, commit.c_str(), nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    return rc;
}

int InsertIndexRow(sqlite3* db, const fs::path& base, const IndexedMessage& row) {
    CSqliteStatement insert(
        db,
        "INSERT OR REPLACE INTO messages (path, identity, station, subject, number, "
        "frame_time, frame_seconds, quality, good, errors, clean, repeat, selected, frequency) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)");
    insert.Bind(1, IndexKey(base, row.path));
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
    if (row.frequencyHz > 0) {
        insert.Bind(14, int64_t{row.frequencyHz});
    } else {
        insert.BindNull(14);
    }
    return insert.Run();
}

int SyncWithStoredFiles(sqlite3* db, const fs::path& base, const CMessageSelection& selection,
                        const std::vector<IndexedMessage>& keep, const std::atomic<bool>& cancel) {
    std::unordered_set<std::string> indexed;
    {
        CSqliteStatement read(db, "SELECT path FROM messages");
        int rc;
        while ((rc = read.Step()) == SQLITE_ROW) {
            indexed.insert(read.Text(0));
        }
        if (rc != SQLITE_DONE) {
            return rc;
        }
    }
    std::vector<IndexedMessage> files = ScanStoredFiles(base);
    std::unordered_set<std::string> present;
    int rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    for (IndexedMessage& file : files) {
        if (cancel) {
            rc = SQLITE_INTERRUPT;
        }
        std::string key = IndexKey(base, file.path);
        if (rc == SQLITE_OK && indexed.erase(key) == 0) {
            file.selected = selection.IsSelected(file.b1, file.b2);
            rc = InsertIndexRow(db, base, file);
        }
        present.insert(std::move(key));
    }
    if (rc == SQLITE_OK && !indexed.empty()) {
        CSqliteStatement remove(db, "DELETE FROM messages WHERE path = ?1");
        for (auto it = indexed.begin(); rc == SQLITE_OK && it != indexed.end(); ++it) {
            remove.Bind(1, *it);
            rc = remove.Run();
        }
    }
    // The rows of this run keep their counts through a rebuild.
    for (const IndexedMessage& row : keep) {
        if (rc == SQLITE_OK && present.count(IndexKey(base, row.path)) != 0) {
            rc = InsertIndexRow(db, base, row);
        }
    }
    return EndIndexTransaction(db, rc);
}

CIndexBuild::CIndexBuild(sqlite3* db, fs::path base, CMessageSelection selection,
                         CMessageGeometries geometries)
    : m_db(db),
      m_base(std::move(base)),
      m_selection(std::move(selection)),
      m_geometries(std::move(geometries)) {
    if (!StartThread(m_thread, [this] { Run(); })) {
        Run();
    }
}

CIndexBuild::~CIndexBuild() {
    Cancel();
    Wait();
}

void CIndexBuild::Run() {
    m_rc = SyncWithStoredFiles(m_db, m_base, m_selection, {}, m_cancel);
    if (m_rc == SQLITE_OK) {
        // Reading the places means reading every file again: here too.
        m_rc = m_geometries.Sync(m_db, &m_cancel);
    }
    m_done.store(true, std::memory_order_release);
}

int CIndexBuild::Wait() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
    return m_rc;
}

}  // namespace wavelore

#include "app/message_geometries.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>

#include "app/log_day.h"
#include "app/message_record.h"
#include "app/sqlite_statement.h"
#include "app/station_table.h"
#include "app/subject_table.h"
#include "common/utf.h"
#include "geo/position_reader.h"

namespace wavelore {

namespace {

namespace fs = std::filesystem;

constexpr const char* kCreateTables = R"(
CREATE TABLE IF NOT EXISTS geometry_scans (
    path TEXT PRIMARY KEY NOT NULL,
    geometries INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS geometries (
    path TEXT NOT NULL,
    ordinal INTEGER NOT NULL,
    identity TEXT NOT NULL,
    station TEXT NOT NULL,
    subject TEXT NOT NULL,
    frame_time TEXT NOT NULL,
    kind TEXT NOT NULL,
    positions TEXT NOT NULL,
    radius_m REAL,
    south REAL NOT NULL,
    north REAL NOT NULL,
    west REAL NOT NULL,
    east REAL NOT NULL,
    PRIMARY KEY (path, ordinal)
);
CREATE INDEX IF NOT EXISTS geometries_time ON geometries (frame_time);
)";

std::string FrameTimeText(const LocalTime& t) {
    return ToUtf8(FormatDate(t) + u' ' + FormatTime(t));
}

int Done(int rc) {
    return rc == SQLITE_DONE || rc == SQLITE_ROW ? SQLITE_OK : rc;
}

int Exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

// "lat lon,lat lon,...": shortest text that reads back to the same double.
std::string PositionsText(const std::vector<GeoPosition>& positions) {
    std::string out;
    char number[32];
    for (const GeoPosition& p : positions) {
        if (!out.empty()) {
            out += ',';
        }
        out.append(number, std::to_chars(number, number + sizeof number, p.latitude).ptr);
        out += ' ';
        out.append(number, std::to_chars(number, number + sizeof number, p.longitude).ptr);
    }
    return out;
}

std::vector<GeoPosition> ParsePositions(std::string_view text) {
    std::vector<GeoPosition> out;
    const char* at = text.data();
    const char* end = text.data() + text.size();
    while (at < end) {
        GeoPosition p;
        auto r = std::from_chars(at, end, p.latitude);
        if (r.ec != std::errc() || r.ptr == end || *r.ptr != ' ') {
            break;
        }
        r = std::from_chars(r.ptr + 1, end, p.longitude);
        if (r.ec != std::errc()) {
            break;
        }
        out.push_back(p);
        at = r.ptr + (r.ptr < end ? 1 : 0);
    }
    return out;
}

std::optional<GeometryKind> KindOfName(std::string_view name) {
    for (const GeometryKind kind :
         {GeometryKind::Point, GeometryKind::Line, GeometryKind::Area, GeometryKind::Circle}) {
        if (name == GeometryKindName(kind)) {
            return kind;
        }
    }
    return std::nullopt;
}

}  // namespace

std::u16string CMessageGeometries::ReadStoredText(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return {};
    }
    // The assembler's header: "HH:MM:SS YYYY-MM-DD", a blank line, then
    // the "ZCZC B1B2NN" line; the record's text is what follows it.
    const size_t zczc = bytes.find("ZCZC ");
    if (zczc != std::string::npos) {
        const size_t lineEnd = bytes.find('\n', zczc);
        bytes.erase(0, lineEnd == std::string::npos ? bytes.size() : lineEnd + 1);
    }
    return FromUtf8(bytes);
}

int CMessageGeometries::Prepare(sqlite3* db) const {
    return Exec(db, kCreateTables);
}

int CMessageGeometries::Insert(sqlite3* db, const Message& message, std::u16string_view text) {
    const std::vector<WarningGeometry> geometries = ReadPositions(text);
    int rc;
    {
        CSqliteStatement remove(db, "DELETE FROM geometries WHERE path = ?1");
        remove.Bind(1, message.key);
        if ((rc = remove.Run()) != SQLITE_OK) {
            return rc;
        }
    }
    CSqliteStatement insert(
        db,
        "INSERT INTO geometries (path, ordinal, identity, station, subject, "
        "frame_time, kind, positions, radius_m, south, north, west, east) VALUES "
        "(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)");
    for (size_t i = 0; i < geometries.size(); ++i) {
        const WarningGeometry& g = geometries[i];
        if (g.positions.empty()) {
            continue;
        }
        double south = 90.0;
        double north = -90.0;
        double west = 180.0;
        double east = -180.0;
        for (const GeoPosition& p : g.positions) {
            south = std::min(south, p.latitude);
            north = std::max(north, p.latitude);
            west = std::min(west, p.longitude);
            east = std::max(east, p.longitude);
        }
        insert.Bind(1, message.key);
        insert.Bind(2, static_cast<int64_t>(i));
        insert.Bind(3, ToUtf8(message.identity));
        insert.Bind(4, ToUtf8(message.b1));
        insert.Bind(5, ToUtf8(message.b2));
        insert.Bind(6, FrameTimeText(message.frameTime));
        insert.Bind(7, std::string(GeometryKindName(g.kind)));
        insert.Bind(8, PositionsText(g.positions));
        if (g.kind == GeometryKind::Circle) {
            insert.Bind(9, g.radiusMetres);
        } else {
            insert.BindNull(9);
        }
        insert.Bind(10, south);
        insert.Bind(11, north);
        insert.Bind(12, west);
        insert.Bind(13, east);
        rc = insert.Run();
        if (rc != SQLITE_OK) {
            return rc;
        }
    }
    CSqliteStatement scan(
        db, "INSERT OR REPLACE INTO geometry_scans (path, geometries) VALUES (?1, ?2)");
    scan.Bind(1, message.key);
    scan.Bind(2, static_cast<int64_t>(geometries.size()));
    return scan.Run();
}

int CMessageGeometries::Sync(sqlite3* db, const std::atomic<bool>* cancel) const {
    int rc = Prepare(db);
    if (rc != SQLITE_OK) {
        return rc;
    }
    std::vector<Message> unread;
    {
        CSqliteStatement read(db,
                              "SELECT path, identity, station, subject, frame_time FROM messages "
                              "WHERE path NOT IN (SELECT path FROM geometry_scans)");
        while ((rc = read.Step()) == SQLITE_ROW) {
            Message m;
            m.key = read.Text(0);
            m.identity = FromUtf8(read.Text(1));
            m.b1 = FromUtf8(read.Text(2));
            m.b2 = FromUtf8(read.Text(3));
            ParseLocalTime(read.Text(4), m.frameTime);
            unread.push_back(std::move(m));
        }
        if ((rc = Done(rc)) != SQLITE_OK) {
            return rc;
        }
    }
    if ((rc = Exec(db, "BEGIN IMMEDIATE")) != SQLITE_OK) {
        return rc;
    }
    rc = Exec(db,
              "DELETE FROM geometries WHERE path NOT IN (SELECT path FROM messages);"
              "DELETE FROM geometry_scans WHERE path NOT IN (SELECT path FROM messages)");
    for (auto it = unread.begin(); rc == SQLITE_OK && it != unread.end(); ++it) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
            rc = SQLITE_INTERRUPT;
            break;
        }
        fs::path path(it->key);
        if (path.is_relative()) {
            path = m_base / path;
        }
        std::error_code ec;
        if (fs::is_regular_file(path, ec)) {
            rc = Insert(db, *it, ReadStoredText(path));
        }
    }
    if (rc == SQLITE_OK) {
        rc = Exec(db, "COMMIT");
    }
    if (rc != SQLITE_OK) {
        Exec(db, "ROLLBACK");
    }
    return rc;
}

int CMessageGeometries::Add(sqlite3* db, const std::string& key,
                            const MessageRecord& record) const {
    int rc = Prepare(db);
    if (rc != SQLITE_OK) {
        return rc;
    }
    Message m;
    m.key = key;
    m.identity = StoredIdentity(record.b1, record.b2, record.number);
    m.b1 = record.b1;
    m.b2 = record.b2;
    ParseLocalTime(ToUtf8(record.date + u' ' + record.time), m.frameTime);
    if ((rc = Exec(db, "SAVEPOINT geometries")) != SQLITE_OK) {
        return rc;
    }
    rc = Insert(db, m, record.text);
    Exec(db, rc == SQLITE_OK ? "RELEASE geometries" : "ROLLBACK TO geometries; RELEASE geometries");
    return rc;
}

int CMessageGeometries::Query(sqlite3* db, const GeometryQuery& query,
                              std::vector<IndexedGeometry>& out) const {
    std::string sql =
        "SELECT g.path, g.ordinal, g.identity, g.station, g.subject, g.frame_time, g.kind, "
        "g.positions, g.radius_m, m.repeat, m.selected FROM geometries g "
        "JOIN messages m ON m.path = g.path WHERE 1";
    if (query.from) {
        sql += " AND g.frame_time >= ?1";
    }
    if (query.to) {
        sql += " AND g.frame_time <= ?2";
    }
    if (!query.stations.empty()) {
        sql += " AND instr(?3, g.station) > 0 AND g.station <> ''";
    }
    if (query.selectedOnly) {
        sql += " AND m.selected = 1";
    }
    if (query.withoutRepeats) {
        sql += " AND m.repeat = 0";
    }
    sql += " ORDER BY g.frame_time, g.path, g.ordinal";
    CSqliteStatement read(db, sql.c_str());
    const LocalTime epoch{1970, 1, 1, 0, 0, 0};
    if (query.from) {
        read.Bind(1, FrameTimeText(AddSeconds(epoch, *query.from)));
    }
    if (query.to) {
        read.Bind(2, FrameTimeText(AddSeconds(epoch, *query.to)));
    }
    if (!query.stations.empty()) {
        read.Bind(3, ToUtf8(query.stations));
    }
    int rc;
    while ((rc = read.Step()) == SQLITE_ROW) {
        const std::optional<GeometryKind> kind = KindOfName(read.Text(6));
        std::vector<GeoPosition> positions = ParsePositions(read.Text(7));
        if (!kind || positions.empty()) {
            continue;
        }
        IndexedGeometry g;
        g.path = fs::path(read.Text(0));
        if (g.path.is_relative()) {
            g.path = m_base / g.path;
        }
        g.ordinal = static_cast<int32_t>(read.Int(1));
        g.b1 = FromUtf8(read.Text(3));
        g.b2 = FromUtf8(read.Text(4));
        ParseLocalTime(read.Text(5), g.frameTime);
        g.repeat = read.Int(9) != 0;
        g.selected = read.Int(10) != 0;
        WarningIdentity& id = g.geometry.identity;
        id.code = FromUtf8(read.Text(2));
        // The identity is B1 B2 and the serial (StoredIdentity).
        const Mode mode =
            ModeOfSerial(std::u16string_view(id.code).substr(std::min<size_t>(2, id.code.size())));
        id.station =
            CStationTable::DisplayName(CStationTable::NamingNavArea(query.navArea, mode), g.b1);
        id.subject = std::u16string(SubjectTable::Category(g.b2.empty() ? u'\0' : g.b2[0]));
        id.date = FormatDate(g.frameTime);
        id.time = FormatTime(g.frameTime);
        g.geometry.kind = *kind;
        g.geometry.positions = std::move(positions);
        g.geometry.radiusMetres = read.IsNull(8) ? 0.0 : read.Real(8);
        out.push_back(std::move(g));
    }
    return Done(rc);
}

}  // namespace wavelore

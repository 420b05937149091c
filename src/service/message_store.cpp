#include "service/message_store.h"

#include <algorithm>
#include <cmath>

#include "common/utf.h"
#include "service/message_merge_rules.h"
#include "service/upload_id.h"

namespace wavelore::service {

namespace {

constexpr std::string_view kReceiverColumns =
    "id, upload_id, name, latitude, longitude, navarea, created_at, last_seen, last_version, "
    "reception_count";

ReceiverRecord ReceiverAt(const SqlResult& r, size_t row) {
    ReceiverRecord out;
    out.id = r.Int(row, 0);
    out.uploadId = r.Text(row, 1);
    out.name = r.Text(row, 2);
    out.latitude = r.OptionalReal(row, 3);
    out.longitude = r.OptionalReal(row, 4);
    if (const auto area = r.OptionalInt(row, 5)) {
        out.navArea = static_cast<int>(*area);
    }
    out.createdAt = r.Int(row, 6);
    out.lastSeen = r.OptionalInt(row, 7);
    out.lastVersion = r.Text(row, 8);
    out.receptionCount = r.Int(row, 9);
    return out;
}

std::string MessageColumns(bool excerpt) {
    const std::string text =
        excerpt ? "substr(m.text, 1, " + std::to_string(CMessageStore::kExcerptLength) + ")"
                : std::string("m.text");
    return "m.id, m.navarea, m.b1, m.b2, m.number, m.first_seen, m.last_seen, m.quality, "
           "m.reception_count, " +
           text;
}

MessageSummary MessageAt(const SqlResult& r, size_t row) {
    MessageSummary out;
    out.id = r.Int(row, 0);
    out.navArea = static_cast<int>(r.Int(row, 1));
    out.b1 = r.Text(row, 2);
    out.b2 = r.Text(row, 3);
    out.number = r.Text(row, 4);
    out.firstSeen = r.Int(row, 5);
    out.lastSeen = r.Int(row, 6);
    out.quality = static_cast<int>(r.Int(row, 7));
    out.receptions = r.Int(row, 8);
    out.text = r.Text(row, 9);
    return out;
}

constexpr std::string_view kReceptionColumns =
    "r.id, r.message_id, r.receiver_id, v.name, r.received_at, r.rx_date, r.rx_time, r.quality, "
    "r.version, r.text, m.navarea, m.b1, m.b2, m.number";

ReceptionRecord ReceptionAt(const SqlResult& r, size_t row) {
    ReceptionRecord out;
    out.id = r.Int(row, 0);
    out.messageId = r.Int(row, 1);
    out.receiverId = r.Int(row, 2);
    out.receiverName = r.Text(row, 3);
    out.receivedAt = r.Int(row, 4);
    out.date = r.Text(row, 5);
    out.time = r.Text(row, 6);
    out.quality = static_cast<int>(r.Int(row, 7));
    out.version = r.Text(row, 8);
    out.text = r.Text(row, 9);
    out.navArea = static_cast<int>(r.Int(row, 10));
    out.b1 = r.Text(row, 11);
    out.b2 = r.Text(row, 12);
    out.number = r.Text(row, 13);
    return out;
}

bool IsUsablePoint(const GeoPoint& p) {
    return std::isfinite(p.latitude) && std::isfinite(p.longitude) && std::fabs(p.latitude) <= 90 &&
           std::fabs(p.longitude) <= 180;
}

bool Fail(std::string& error, std::string_view what, const SqlConnection& db) {
    error = std::string(what) + ": " + db.Error();
    return false;
}

}  // namespace

std::string FullTextQuery(std::string_view text) {
    std::string query;
    for (std::string_view word : TextWords(text)) {
        if (!query.empty()) {
            query += ' ';
        }
        // Words hold no quote, so quoting them is all the escaping needed.
        query += '"';
        query.append(word);
        query += '"';
    }
    return query;
}

CMessageStore::CMessageStore(CDatabasePool& pool, PositionReader positions)
    : m_pool(pool), m_positions(std::move(positions)) {}

CDatabasePool::Lease CMessageStore::Borrow(std::string& error) {
    return m_pool.Acquire(kConnectionWait, error);
}

bool CMessageStore::AddReceiver(const NewReceiver& receiver, int64_t now, ReceiverRecord& out,
                                std::string& error) {
    auto db = Borrow(error);
    if (!db) {
        return false;
    }
    // A clash of two random IDs is next to impossible; a few tries settle it.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const std::string uploadId = NewUploadId();
        if (uploadId.empty()) {
            error = "no random numbers for an upload ID";
            return false;
        }
        SqlResult r;
        if (!db->Query("INSERT INTO receivers (upload_id, name, latitude, longitude, navarea, "
                       "created_at) VALUES ($1, $2, $3, $4, $5, $6) "
                       "ON CONFLICT (upload_id) DO NOTHING RETURNING " +
                           std::string(kReceiverColumns),
                       {uploadId, receiver.name, receiver.latitude, receiver.longitude,
                        receiver.navArea, now},
                       &r)) {
            return Fail(error, "cannot add the receiver", *db);
        }
        if (r.Rows() == 1) {
            out = ReceiverAt(r, 0);
            return true;
        }
    }
    error = "cannot find an unused upload ID";
    return false;
}

bool CMessageStore::FindReceiver(const std::string& uploadId, ReceiverRecord& out, bool& found,
                                 std::string& error) {
    found = false;
    auto db = Borrow(error);
    if (!db) {
        return false;
    }
    SqlResult r;
    if (!db->Query(
            "SELECT " + std::string(kReceiverColumns) + " FROM receivers WHERE upload_id = $1",
            {uploadId}, &r)) {
        return Fail(error, "cannot look up the upload ID", *db);
    }
    if (r.Rows() == 1) {
        out = ReceiverAt(r, 0);
        found = true;
    }
    return true;
}

bool CMessageStore::GetReceiver(int64_t id, ReceiverRecord& out, bool& found, std::string& error) {
    found = false;
    auto db = Borrow(error);
    if (!db) {
        return false;
    }
    SqlResult r;
    if (!db->Query("SELECT " + std::string(kReceiverColumns) + " FROM receivers WHERE id = $1",
                   {id}, &r)) {
        return Fail(error, "cannot read the receiver", *db);
    }
    if (r.Rows() == 1) {
        out = ReceiverAt(r, 0);
        found = true;
    }
    return true;
}

bool CMessageStore::ListReceivers(std::vector<ReceiverRecord>& out, std::string& error) {
    out.clear();
    auto db = Borrow(error);
    if (!db) {
        return false;
    }
    SqlResult r;
    if (!db->Query("SELECT " + std::string(kReceiverColumns) + " FROM receivers ORDER BY name, id",
                   {}, &r)) {
        return Fail(error, "cannot list the receivers", *db);
    }
    for (size_t i = 0; i < r.Rows(); ++i) {
        out.push_back(ReceiverAt(r, i));
    }
    return true;
}

bool CMessageStore::CountReceiversCreatedSince(int64_t since, int64_t& count, std::string& error) {
    auto db = Borrow(error);
    if (!db) {
        return false;
    }
    SqlResult r;
    if (!db->Query("SELECT COUNT(*) FROM receivers WHERE created_at >= $1", {since}, &r)) {
        return Fail(error, "cannot count the receivers", *db);
    }
    count = r.Int(0, 0);
    return true;
}

bool CMessageStore::TouchReceiver(int64_t id, const std::string& version, int64_t now,
                                  std::string& error) {
    auto db = Borrow(error);
    if (!db) {
        return false;
    }
    if (!db->Query("UPDATE receivers SET last_seen = $2, last_version = $3 WHERE id = $1",
                   {id, now, version})) {
        return Fail(error, "cannot note the receiver", *db);
    }
    return true;
}

bool CMessageStore::StorePositions(SqlConnection& db, int64_t messageId, const std::string& text,
                                   std::string& error) {
    if (!m_positions) {
        return true;
    }
    const std::vector<MessageGeometry> found = m_positions(FromUtf8(text));
    if (!db.Query("DELETE FROM positions WHERE message_id = $1", {messageId})) {
        return Fail(error, "cannot replace the positions", db);
    }
    int64_t seq = 0;
    for (const MessageGeometry& g : found) {
        if (g.points.empty() || !std::all_of(g.points.begin(), g.points.end(), IsUsablePoint)) {
            continue;  // a reader's mistake must not stop the message
        }
        double minLat = 90, maxLat = -90, minLon = 180, maxLon = -180;
        for (const GeoPoint& p : g.points) {
            minLat = std::min(minLat, p.latitude);
            maxLat = std::max(maxLat, p.latitude);
            minLon = std::min(minLon, p.longitude);
            maxLon = std::max(maxLon, p.longitude);
        }
        const SqlValue radius =
            g.kind == MessageGeometry::Kind::Circle ? SqlValue(g.radiusNm) : SqlValue();
        if (!db.Query("INSERT INTO positions (message_id, seq, kind, coordinates, radius_nm, "
                      "min_lat, min_lon, max_lat, max_lon) "
                      "VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9)",
                      {messageId, ++seq, std::string(GeometryKindName(g.kind)),
                       CoordinatesJson(g.points), radius, minLat, minLon, maxLat, maxLon})) {
            return Fail(error, "cannot store a position", db);
        }
    }
    return true;
}

bool CMessageStore::StoreReception(const Reception& in, StoreResult& result, std::string& error) {
    result = StoreResult{};
    auto db = Borrow(error);
    if (!db) {
        return false;
    }
    CSqlTransaction transaction(*db, CSqlTransaction::Kind::Write);
    if (!transaction.Begun()) {
        return Fail(error, "cannot start storing", *db);
    }
    // On SQLite the write transaction already excludes every other writer.
    if (db->Dialect() == SqlDialect::Postgres &&
        !db->Query("SELECT pg_advisory_xact_lock($1)",
                   {MergeLockKey(in.navArea, in.b1, in.b2, in.number)})) {
        return Fail(error, "cannot lock the message", *db);
    }
    const int64_t navArea = in.navArea;
    SqlResult candidates;
    if (!db->Query("SELECT id, quality, text FROM messages WHERE navarea = $1 AND b1 = $2 AND "
                   "b2 = $3 AND number = $4 AND first_seen >= $5 AND first_seen <= $6 "
                   "ORDER BY first_seen DESC, id DESC LIMIT 20",
                   {navArea, in.b1, in.b2, in.number, in.receivedAt - kMergeWindowSeconds,
                    in.receivedAt + kMergeWindowSeconds},
                   &candidates)) {
        return Fail(error, "cannot look for the message", *db);
    }
    std::optional<size_t> match;
    for (size_t i = 0; i < candidates.Rows() && !match; ++i) {
        if (!IsAllZeroNumber(in.number) ||
            TextSimilarity(candidates.Text(i, 2), in.text) >= kAlikeTexts) {
            match = i;
        }
    }

    const int64_t quality = in.quality;
    if (match) {
        result.messageId = candidates.Int(*match, 0);
        result.outcome = StoreOutcome::Merged;
    } else {
        SqlResult inserted;
        if (!db->Query("INSERT INTO messages (navarea, b1, b2, number, first_seen, last_seen, "
                       "text, quality, reception_count) VALUES ($1, $2, $3, $4, $5, $5, $6, $7, 0) "
                       "RETURNING id",
                       {navArea, in.b1, in.b2, in.number, in.receivedAt, in.text, quality},
                       &inserted) ||
            inserted.Rows() != 1) {
            return Fail(error, "cannot store the message", *db);
        }
        result.messageId = inserted.Int(0, 0);
        result.outcome = StoreOutcome::NewMessage;
        result.textReplaced = true;
    }

    SqlResult reception;
    if (!db->Query("INSERT INTO receptions (message_id, receiver_id, received_at, rx_date, "
                   "rx_time, quality, version, text) VALUES ($1, $2, $3, $4, $5, $6, $7, $8) "
                   "ON CONFLICT (message_id, receiver_id, rx_date, rx_time) DO NOTHING "
                   "RETURNING id",
                   {result.messageId, in.receiverId, in.receivedAt, in.date, in.time, quality,
                    in.version, in.text},
                   &reception)) {
        return Fail(error, "cannot store the reception", *db);
    }
    if (reception.Rows() == 0) {
        // The receiver sent it again because our first answer never reached
        // it; it is stored, and nothing more is to be done.
        result = StoreResult{StoreOutcome::Duplicate, result.messageId, 0, false};
        return transaction.Commit() || Fail(error, "cannot finish storing", *db);
    }
    result.receptionId = reception.Int(0, 0);

    if (match) {
        result.textReplaced = quality > candidates.Int(*match, 1);
        const bool ok =
            result.textReplaced
                ? db->Query(
                      "UPDATE messages SET reception_count = reception_count + 1, "
                      "last_seen = CASE WHEN last_seen < $2 THEN $2 ELSE last_seen END, "
                      "text = $3, quality = $4 WHERE id = $1",
                      {result.messageId, in.receivedAt, in.text, quality})
                : db->Query(
                      "UPDATE messages SET reception_count = reception_count + 1, "
                      "last_seen = CASE WHEN last_seen < $2 THEN $2 ELSE last_seen END "
                      "WHERE id = $1",
                      {result.messageId, in.receivedAt});
        if (!ok) {
            return Fail(error, "cannot merge the reception", *db);
        }
    } else if (!db->Query("UPDATE messages SET reception_count = 1 WHERE id = $1",
                          {result.messageId})) {
        return Fail(error, "cannot count the reception", *db);
    }
    if (!db->Query("UPDATE receivers SET last_seen = $2, last_version = $3, "
                   "reception_count = reception_count + 1 WHERE id = $1",
                   {in.receiverId, in.receivedAt, in.version})) {
        return Fail(error, "cannot note the receiver", *db);
    }
    if (result.textReplaced && !StorePositions(*db, result.messageId, in.text, error)) {
        return false;
    }
    if (!transaction.Commit()) {
        return Fail(error, "cannot commit the reception", *db);
    }
    return true;
}

bool CMessageStore::ListMessages(const MessageQuery& query, std::vector<MessageSummary>& out,
                                 std::string& error) {
    out.clear();
    auto db = Borrow(error);
    if (!db) {
        return false;
    }
    // Only our own text goes into the statement; every value is a parameter.
    std::vector<SqlValue> params;
    std::string where;
    const auto add = [&](std::string_view condition, SqlValue value) {
        params.push_back(std::move(value));
        std::string c(condition);
        std::string placeholder = "$";
        placeholder += std::to_string(params.size());
        c.replace(c.find('?'), 1, placeholder);
        where += where.empty() ? " WHERE " : " AND ";
        where += c;
    };
    std::string from = " FROM messages m";
    std::string order = " ORDER BY m.id DESC";
    if (!query.text.empty()) {
        if (db->Dialect() == SqlDialect::Sqlite) {
            const std::string match = FullTextQuery(query.text);
            if (match.empty()) {
                return true;  // nothing to look for finds nothing
            }
            // FTS5 walks its index newest first by itself.
            from = " FROM messages_search s JOIN messages m ON m.id = s.rowid";
            order = " ORDER BY s.rowid DESC";
            add("s.messages_search MATCH ?", match);
        } else {
            add("m.search @@ plainto_tsquery('english', ?)", query.text);
        }
    }
    if (query.navArea) {
        add("m.navarea = ?", static_cast<int64_t>(*query.navArea));
    }
    if (!query.station.empty()) {
        add("m.b1 = ?", query.station);
    }
    if (!query.subject.empty()) {
        add("m.b2 = ?", query.subject);
    }
    if (query.since) {
        add("m.first_seen >= ?", *query.since);
    }
    if (query.until) {
        add("m.first_seen < ?", *query.until);
    }
    if (query.beforeId) {
        add("m.id < ?", *query.beforeId);
    }
    const int limit = std::clamp(query.limit, 1, MessageQuery::kMaxLimit);
    params.push_back(static_cast<int64_t>(limit));
    const std::string sql = "SELECT " + MessageColumns(query.excerpt) + from + where + order +
                            " LIMIT $" + std::to_string(params.size());
    SqlResult r;
    if (!db->Query(sql, params, &r)) {
        return Fail(error, "cannot list the messages", *db);
    }
    for (size_t i = 0; i < r.Rows(); ++i) {
        out.push_back(MessageAt(r, i));
    }
    return true;
}

bool CMessageStore::GetMessage(int64_t id, MessageDetail& out, bool& found, std::string& error) {
    found = false;
    out = MessageDetail{};
    auto db = Borrow(error);
    if (!db) {
        return false;
    }
    SqlResult r;
    if (!db->Query("SELECT " + MessageColumns(false) + " FROM messages m WHERE m.id = $1", {id},
                   &r)) {
        return Fail(error, "cannot read the message", *db);
    }
    if (r.Rows() != 1) {
        return true;
    }
    out.message = MessageAt(r, 0);
    if (!db->Query("SELECT " + std::string(kReceptionColumns) +
                       " FROM receptions r JOIN receivers v ON v.id = r.receiver_id "
                       "JOIN messages m ON m.id = r.message_id WHERE r.message_id = $1 "
                       "ORDER BY r.id LIMIT $2",
                   {id, static_cast<int64_t>(kReceptionsWithMessage)}, &r)) {
        return Fail(error, "cannot read the receptions", *db);
    }
    for (size_t i = 0; i < r.Rows(); ++i) {
        out.receptions.push_back(ReceptionAt(r, i));
    }
    if (!db->Query("SELECT kind, coordinates, radius_nm FROM positions WHERE message_id = $1 "
                   "ORDER BY seq",
                   {id}, &r)) {
        return Fail(error, "cannot read the positions", *db);
    }
    for (size_t i = 0; i < r.Rows(); ++i) {
        MessageGeometry g;
        g.kind = GeometryKindOfName(r.Text(i, 0));
        g.radiusNm = r.Real(i, 2);
        if (ParseCoordinatesJson(r.Text(i, 1), g.points)) {
            out.positions.push_back(std::move(g));
        }
    }
    found = true;
    return true;
}

bool CMessageStore::ListReceptions(int64_t receiverId, std::optional<int64_t> beforeId, int limit,
                                   std::vector<ReceptionRecord>& out, std::string& error) {
    out.clear();
    auto db = Borrow(error);
    if (!db) {
        return false;
    }
    const int64_t before = beforeId.value_or(INT64_MAX);
    SqlResult r;
    if (!db->Query("SELECT " + std::string(kReceptionColumns) +
                       " FROM receptions r JOIN receivers v ON v.id = r.receiver_id "
                       "JOIN messages m ON m.id = r.message_id "
                       "WHERE r.receiver_id = $1 AND r.id < $2 ORDER BY r.id DESC LIMIT $3",
                   {receiverId, before,
                    static_cast<int64_t>(std::clamp(limit, 1, MessageQuery::kMaxLimit))},
                   &r)) {
        return Fail(error, "cannot list the receptions", *db);
    }
    for (size_t i = 0; i < r.Rows(); ++i) {
        out.push_back(ReceptionAt(r, i));
    }
    return true;
}

bool CMessageStore::Counts(StoreCounts& out, std::string& error) {
    auto db = Borrow(error);
    if (!db) {
        return false;
    }
    SqlResult r;
    if (!db->Query("SELECT (SELECT COUNT(*) FROM receivers), (SELECT COUNT(*) FROM messages), "
                   "(SELECT COUNT(*) FROM receptions)",
                   {}, &r)) {
        return Fail(error, "cannot count", *db);
    }
    out.receivers = r.Int(0, 0);
    out.messages = r.Int(0, 1);
    out.receptions = r.Int(0, 2);
    return true;
}

bool CMessageStore::Ping(std::string& error) {
    auto db = Borrow(error);
    if (!db) {
        return false;
    }
    SqlResult r;
    if (!db->Query("SELECT MAX(version) FROM schema_version", {}, &r) || r.Rows() != 1) {
        return Fail(error, "the database does not answer", *db);
    }
    return true;
}

bool CMessageStore::ReadAllPositions(int64_t& count, std::string& error) {
    count = 0;
    if (!m_positions) {
        error = "this service has no position reader";
        return false;
    }
    auto db = Borrow(error);
    if (!db) {
        return false;
    }
    // In batches, each in a transaction of its own, so a long run neither
    // holds the write lock for long nor starts over after an interruption.
    int64_t after = 0;
    for (;;) {
        SqlResult r;
        if (!db->Query("SELECT id, text FROM messages WHERE id > $1 ORDER BY id LIMIT 500", {after},
                       &r)) {
            return Fail(error, "cannot read the messages", *db);
        }
        if (r.Rows() == 0) {
            return true;
        }
        CSqlTransaction transaction(*db, CSqlTransaction::Kind::Write);
        for (size_t i = 0; i < r.Rows(); ++i) {
            if (!StorePositions(*db, r.Int(i, 0), r.Text(i, 1), error)) {
                return false;
            }
        }
        if (!transaction.Commit()) {
            return Fail(error, "cannot commit the positions", *db);
        }
        after = r.Int(r.Rows() - 1, 0);
        count += static_cast<int64_t>(r.Rows());
    }
}

}  // namespace wavelore::service

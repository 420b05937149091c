#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "service/database_pool.h"
#include "service/message_geometry.h"

namespace wavelore::service {

// A receiver that may upload, as the operator or the sign-up page made it.
struct ReceiverRecord {
    int64_t id = 0;
    std::string uploadId;  // the secret the receiver uploads with; never shown
    std::string name;
    std::optional<double> latitude;
    std::optional<double> longitude;
    std::optional<int> navArea;  // whose station letters its uploads use
    int64_t createdAt = 0;
    std::optional<int64_t> lastSeen;
    std::string lastVersion;
    int64_t receptionCount = 0;
};

struct NewReceiver {
    std::string name;
    std::optional<double> latitude;
    std::optional<double> longitude;
    std::optional<int> navArea;
};

// One message as one receiver heard it, checked and decoded.
struct Reception {
    int64_t receiverId = 0;
    int navArea = 1;
    std::string b1;      // station letter
    std::string b2;      // subject letter
    std::string number;  // two digits, three in NAVTEX-J
    std::string date;    // the receiver's own "YYYY-MM-DD"
    std::string time;    // and "HH:MM:SS", local time as it sent them
    int quality = 0;     // percent
    std::string version;
    std::string text;        // UTF-8
    int64_t receivedAt = 0;  // the service's clock, seconds since 1970 UTC
};

enum class StoreOutcome {
    NewMessage,  // the first reception of a message
    Merged,      // another reception of a known message
    Duplicate,   // this very reception was stored before (a retried upload)
};

struct StoreResult {
    StoreOutcome outcome = StoreOutcome::NewMessage;
    int64_t messageId = 0;
    int64_t receptionId = 0;    // 0 for a duplicate
    bool textReplaced = false;  // this reception's text is now the message's
};

// Which messages a page or feed lists; empty fields do not filter.
struct MessageQuery {
    static constexpr int kMaxLimit = 200;

    std::optional<int> navArea;
    std::string station;              // B1
    std::string subject;              // B2
    std::optional<int64_t> since;     // first reception at or after
    std::optional<int64_t> until;     // first reception before
    std::string text;                 // full-text search words
    std::optional<int64_t> beforeId;  // the next page: messages older than this
    int limit = 50;
    bool excerpt = true;  // the beginning of each text only, as lists show it
};

struct MessageSummary {
    int64_t id = 0;
    int navArea = 0;
    std::string b1;
    std::string b2;
    std::string number;
    int64_t firstSeen = 0;
    int64_t lastSeen = 0;
    int quality = 0;
    int64_t receptions = 0;
    std::string text;  // whole, or its beginning in lists
};

struct ReceptionRecord {
    int64_t id = 0;
    int64_t messageId = 0;
    int64_t receiverId = 0;
    std::string receiverName;
    int64_t receivedAt = 0;
    std::string date;
    std::string time;
    int quality = 0;
    std::string version;
    std::string text;
    // The message's identity, for lists of one receiver's receptions.
    int navArea = 0;
    std::string b1;
    std::string b2;
    std::string number;
};

struct MessageDetail {
    MessageSummary message;
    std::vector<ReceptionRecord> receptions;  // the first ones, in the order they arrived
    std::vector<MessageGeometry> positions;
};

struct StoreCounts {
    int64_t receivers = 0;
    int64_t messages = 0;
    int64_t receptions = 0;
};

// Everything the service keeps, in the database behind the pool. Every
// call borrows a connection for its own work, so any number of request
// threads and service processes may use one database at once. Calls return
// false with error set when the database fails.
class CMessageStore {
  public:
    // How long a call waits for a free connection.
    static constexpr std::chrono::milliseconds kConnectionWait{5000};
    // Characters of a message's text in lists.
    static constexpr int kExcerptLength = 320;
    // Receptions read with a message: a warning repeated for days to a big
    // network gathers thousands; the count says how many there are in all.
    static constexpr int kReceptionsWithMessage = 500;

    explicit CMessageStore(CDatabasePool& pool, PositionReader positions = {});

    SqlDialect Dialect() const { return m_pool.Dialect(); }

    // A receiver with a new upload ID (in out.uploadId).
    bool AddReceiver(const NewReceiver& receiver, int64_t now, ReceiverRecord& out,
                     std::string& error);
    // found tells whether the upper-case ID belongs to a receiver.
    bool FindReceiver(const std::string& uploadId, ReceiverRecord& out, bool& found,
                      std::string& error);
    bool GetReceiver(int64_t id, ReceiverRecord& out, bool& found, std::string& error);
    bool ListReceivers(std::vector<ReceiverRecord>& out, std::string& error);
    // Sign-ups are limited per hour across all service processes.
    bool CountReceiversCreatedSince(int64_t since, int64_t& count, std::string& error);
    // The receiver asked the service something (ID test, version check).
    bool TouchReceiver(int64_t id, const std::string& version, int64_t now, std::string& error);

    // Stores one reception, merged into the message it belongs to; its
    // text becomes the message's when its quality is higher. A retried
    // upload of a reception already stored changes nothing.
    bool StoreReception(const Reception& reception, StoreResult& result, std::string& error);

    // Newest first.
    bool ListMessages(const MessageQuery& query, std::vector<MessageSummary>& out,
                      std::string& error);
    bool GetMessage(int64_t id, MessageDetail& out, bool& found, std::string& error);
    // One receiver's receptions, newest first, older than beforeId if given.
    bool ListReceptions(int64_t receiverId, std::optional<int64_t> beforeId, int limit,
                        std::vector<ReceptionRecord>& out, std::string& error);
    bool Counts(StoreCounts& out, std::string& error);
    // Whether the database answers at all.
    bool Ping(std::string& error);

    // Runs the position reader over every stored message again (after a
    // new reader is plugged in); count receives the messages read.
    bool ReadAllPositions(int64_t& count, std::string& error);

  private:
    CDatabasePool::Lease Borrow(std::string& error);
    bool StorePositions(SqlConnection& db, int64_t messageId, const std::string& text,
                        std::string& error);

    CDatabasePool& m_pool;
    PositionReader m_positions;
};

// A search text as an SQLite full-text query: each word quoted, all of them
// required, so nothing typed is read as query syntax. Empty when the text
// has no word.
std::string FullTextQuery(std::string_view text);

}  // namespace wavelore::service

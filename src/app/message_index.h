#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/message_geometries.h"
#include "app/message_record.h"
#include "app/message_selection.h"
#include "common/clock.h"

struct sqlite3;

namespace wavelore {

class IUserNotifier;

// One stored message as the index knows it.
struct IndexedMessage {
    // B1 B2 and the serial number as the file name carries them, "EA12"
    // (StoredIdentity: a NAVTEX-J "JA12/" is "JA12_").
    std::u16string identity;
    std::u16string b1;      // station
    std::u16string b2;      // subject
    std::u16string number;  // as in the file name too
    LocalTime frameTime;    // local date and time of the frame start
    // The counts of the reception; unknown (false) for a row made from a
    // stored file, which holds no counts.
    bool counted = false;
    uint32_t good = 0;
    uint32_t errors = 0;
    int32_t quality = 0;
    bool clean = false;          // counted, with fewer than 4 % errors (CRepeatRule)
    std::filesystem::path path;  // absolute
    bool repeat = false;
    bool selected = false;
};

// The message index: logs/messages.db (SQLite, WAL) under the base
// directory, a row per stored message with its identity, subject, station,
// frame time, counts, path and the repeat and selected flags. It decides
// whether a message is a repeat (CRepeatRule).
//
// The stored files are the truth and are always written before the index.
// Open brings the index in line with them: a stored file without a row gets
// one (without counts: such a row is never a repeat and never makes a later
// message one, see CRepeatRule; selected as the current selection says),
// and a row whose file is gone is removed. Stored files are those under
// logs/YYYY-MM-DD/ and those kept beside "incoming.txt" when their day
// directory was unusable, named "YYYY-MM-DD HH.MM.SS B1B2NN[N][ (n)].txt".
//
// A damaged file (or one of another layout) is replaced by a rebuilt index,
// and one removed or replaced while in use is rebuilt; one locked by another
// program, or that cannot be written, is replaced by an index in memory,
// rebuilt the same way and retried on disk a minute later. Each of these is
// said once through the notifier, and the rows of this run keep their counts
// through every rebuild. Used on one thread only.
class CMessageIndex {
  public:
    static constexpr std::u16string_view kFileName = u"messages.db";

    // base: the directory holding "incoming.txt" and logs/. selection gives
    // the selected flag of rows made from stored files; it must outlive the
    // index. notifier (may be null) hears of a damaged or unusable index.
    CMessageIndex(const std::filesystem::path& base, const CMessageSelection& selection,
                  IUserNotifier* notifier);
    ~CMessageIndex();
    CMessageIndex(const CMessageIndex&) = delete;
    CMessageIndex& operator=(const CMessageIndex&) = delete;

    // Opens (or creates) the index and brings it in line with the stored
    // files. False only when no index could be made at all, not even in
    // memory; Add then still decides repeats among this run's messages.
    bool Open();

    // A message just stored (record.path is the file written): true when it
    // is a repeat. Its row is added with that flag and with selected.
    bool Add(const MessageRecord& record, bool selected);

    // The messages whose frames started on a date ("YYYY-MM-DD"), in time
    // order.
    std::vector<IndexedMessage> RowsOfDay(std::u16string_view date);
    std::optional<IndexedMessage> Find(const std::filesystem::path& path);
    // The places the stored messages speak of (CMessageGeometries).
    std::vector<IndexedGeometry> Geometries(const GeometryQuery& query);

    std::filesystem::path DatabasePath() const;
    // True while the index is kept in memory instead of on disk.
    bool InMemory() const { return m_db != nullptr && m_inMemory; }

  private:
    enum class Trouble { Damaged, Replaced, Locked, Unwritable };

    bool OpenDisk();
    bool OpenMemory();
    // Creates or checks the table; an SQLite result code.
    int PrepareSchema();
    // Adds rows for stored files the index lacks, removes rows of files
    // that are gone, and puts back the rows of this run.
    int Sync();
    // After a failure with result rc: a fresh index on disk, or one in
    // memory. False when there is none.
    bool Recover(int rc);
    // A file removed or replaced under the open index, or an index in
    // memory whose retry time has come.
    void CheckDisk();
    void Close();
    // The damaged file and its WAL files.
    void RemoveDatabase();
    // rc: the SQLite result that showed the trouble.
    void Report(Trouble trouble, int rc);
    int Insert(const IndexedMessage& row);
    int QueryRepeat(const IndexedMessage& row, bool& repeat);
    bool SessionRepeat(const IndexedMessage& row) const;
    std::string Key(const std::filesystem::path& path) const;

    std::filesystem::path m_base;
    CMessageGeometries m_geometries{m_base};
    const CMessageSelection& m_selection;
    IUserNotifier* m_notifier;
    sqlite3* m_db = nullptr;
    bool m_inMemory = false;
    std::chrono::steady_clock::time_point m_retryDisk{};
    bool m_reported[4] = {};
    // The rows of this run within the repeat window, with their counts.
    std::vector<IndexedMessage> m_session;
};

}  // namespace wavelore

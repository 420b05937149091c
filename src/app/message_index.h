#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/message_geometries.h"
#include "app/message_record.h"
#include "app/message_selection.h"
#include "app/sqlite_database.h"
#include "common/clock.h"

namespace wavelore {

class CIndexBuild;
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
    // The channel received on; 0 (unknown, NULL in the index) for a sound
    // card or a row made from a stored file.
    int32_t frequencyHz = 0;
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
// through every rebuild.
//
// A fresh index (a new file, one made again, one in memory) is filled from
// the stored files on a thread of its own (CIndexBuild), so that the
// receiver goes on meanwhile. Until it is filled, repeats are decided among
// the rows of this run, which gives what the filled index will say: rows
// made from files never make a message a repeat. RowsOfDay and Find wait for
// the filling; RepeatsOfDay and IsRepeat, the explorer's questions, never
// do. Used on one thread only (besides that of the filling).
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
    // The files of the messages of a date that are repeats, and whether one
    // file's message is, as RowsOfDay and Find say, without waiting for a
    // fresh index to be filled.
    std::vector<std::filesystem::path> RepeatsOfDay(std::u16string_view date);
    bool IsRepeat(const std::filesystem::path& path);
    // RowsOfDay and Find without waiting: while a fresh index is being
    // filled, only this run's rows are known (rows made from files are
    // never repeats and have no frequency, so that is all they would add).
    std::vector<IndexedMessage> KnownRowsOfDay(std::u16string_view date);
    std::optional<IndexedMessage> Known(const std::filesystem::path& path);
    // True while a fresh index is being filled.
    bool Filling() const { return m_build != nullptr; }
    // How many fillings have begun: the tables beside the index compare it
    // to know when they must be brought in step again.
    uint32_t Fillings() const { return m_fillings; }
    // The places the stored messages speak of (CMessageGeometries); none
    // while a fresh index is being filled (they would be incomplete) or
    // when there is no index to ask.
    std::optional<std::vector<IndexedGeometry>> Geometries(const GeometryQuery& query);

    std::filesystem::path DatabasePath() const;

    // Removes a message's row (its file is the caller's to remove first):
    // false when the index could not be changed. A row left behind goes
    // at the next Open, its file being gone.
    bool Remove(const std::filesystem::path& path);

    // For the tables kept beside the index in its database (search, read
    // marks): the database in use, null when there is none. It may change
    // at any call of the index (a rebuild, a move to memory and back), so
    // it is asked for each time and never kept. Waits for a filling.
    sqlite3* Database();
    const std::filesystem::path& Base() const { return m_base; }
    // How a stored file is named in the index: its path under the base.
    std::string Key(const std::filesystem::path& path) const;
    // True while the index is kept in memory instead of on disk.
    bool InMemory() const { return m_db != nullptr && m_inMemory; }

  private:
    enum class Trouble { Damaged, Replaced, Locked, Unwritable };

    bool OpenDisk();
    bool OpenMemory();
    // Creates or checks the table, then brings it in line with the stored
    // files: at once, or for a fresh table by a filling. An SQLite result.
    int Prepare();
    // Creates or checks the table; fresh: it was created. An SQLite result.
    int PrepareSchema(bool& fresh);
    // The end of a filling that is done (or, with wait, of any): the rows
    // of this run are put back. False when the index failed meanwhile.
    void EndFilling(bool wait);
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
    int QueryRepeat(const IndexedMessage& row, bool& repeat);
    // Repeats among the rows of this run.
    bool SessionRepeat(const IndexedMessage& row) const;

    std::filesystem::path m_base;
    CMessageGeometries m_geometries{m_base};
    const CMessageSelection& m_selection;
    IUserNotifier* m_notifier;
    SqliteDatabase m_db;
    std::unique_ptr<CIndexBuild> m_build;
    bool m_inMemory = false;
    uint32_t m_fillings = 0;
    std::chrono::steady_clock::time_point m_retryDisk{};
    bool m_reported[4] = {};
    // The rows of this run within the repeat window, with their counts.
    std::vector<IndexedMessage> m_session;
    // Rows added while the index was being filled, to go in after it.
    std::vector<IndexedMessage> m_unindexed;
};

}  // namespace wavelore

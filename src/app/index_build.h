#pragma once

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/message_geometries.h"
#include "app/message_index.h"
#include "app/message_selection.h"

struct sqlite3;

namespace wavelore {

// The layout of the index: 2, the identity and number are those of the
// file name (a NAVTEX-J serial number such as "12/" is "12_"); version 1
// kept them as received. Set once the table was first filled.
inline constexpr int kIndexSchemaVersion = 3;

// How the index names a file: relative to the base where it lies below it.
std::string IndexKey(const std::filesystem::path& base, const std::filesystem::path& path);

// Ends a transaction that changed the index: after rc (SQLITE_OK so far)
// it is committed with the layout's version set, else rolled back. The
// result of the commit, or rc.
int EndIndexTransaction(sqlite3* db, int rc);

// Adds or replaces the row of row.path; an SQLite result code.
int InsertIndexRow(sqlite3* db, const std::filesystem::path& base, const IndexedMessage& row);

// Brings the index in line with the stored files under base, in one
// transaction: a row, selected as selection says, for each stored file the
// index lacks; no row for a file that is gone; and the rows in keep (of
// this run, with their counts) put back where their file is; the layout's
// version is set with it. Returns an
// SQLite result code; SQLITE_INTERRUPT, with nothing changed, once cancel
// is set.
int SyncWithStoredFiles(sqlite3* db, const std::filesystem::path& base,
                        const CMessageSelection& selection, const std::vector<IndexedMessage>& keep,
                        const std::atomic<bool>& cancel);

// A fresh index filled from the stored files on a thread of its own, so
// that a full scan of years of messages holds up neither the window nor
// the decoder. The connection is the build's alone until Wait returns.
class CIndexBuild {
  public:
    // db must stay open until Wait. The rows come first, then the places
    // of their messages (geometries). Runs on the caller's thread, before
    // the constructor returns, when no thread can be started.
    CIndexBuild(sqlite3* db, std::filesystem::path base, CMessageSelection selection,
                CMessageGeometries geometries);
    // Cancels and waits.
    ~CIndexBuild();
    CIndexBuild(const CIndexBuild&) = delete;
    CIndexBuild& operator=(const CIndexBuild&) = delete;

    bool Done() const { return m_done.load(std::memory_order_acquire); }
    // Ends the build at its next row, leaving the index as it was.
    void Cancel() { m_cancel = true; }
    // Waits for the end; the SQLite result of the build.
    int Wait();

  private:
    void Run();

    sqlite3* m_db;
    std::filesystem::path m_base;
    CMessageSelection m_selection;
    CMessageGeometries m_geometries;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_done{false};
    int m_rc = 0;
    std::thread m_thread;
};

}  // namespace wavelore

#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/message_filter.h"

struct sqlite3;

namespace wavelore {

class CMessageIndex;

// Which stored messages are still unread, for the explorer to show them in
// bold until they are opened: a small table beside the message index of the
// messages stored since and not yet opened. Messages found only in the
// files (stored before, or the index rebuilt) count as read, so a rebuild
// never turns a year of messages bold. As an output of the message filter
// (Wants::Every) it marks each message as it is stored; while a fresh index
// is being filled the marks wait in memory, so that storing never waits for
// the filling. Used on the index's thread.
class CReadMarks final : public IMessageOutput {
  public:
    // index: must outlive the marks.
    explicit CReadMarks(CMessageIndex& index) : m_index(index) {}
    CReadMarks(const CReadMarks&) = delete;
    CReadMarks& operator=(const CReadMarks&) = delete;

    // False when the index's database could not be changed.
    bool MarkUnread(const std::filesystem::path& path);
    bool MarkRead(const std::filesystem::path& path);
    bool IsUnread(const std::filesystem::path& path);
    // The index keys (CMessageIndex::Key) of every unread message: one
    // query for a whole list.
    std::set<std::string> UnreadKeys();
    // Drops the marks of messages the index no longer has.
    bool Sync();

    // IMessageOutput
    void Deliver(const MessageRecord& record, const MessageVerdict& verdict) override;

  private:
    sqlite3* Prepared();
    // Runs sql with the path's key as ?1: the step's SQLite result.
    int OnPath(const char* sql, const std::filesystem::path& path);
    // The marks made while the index was being filled, written once it is.
    bool WritePending();

    CMessageIndex& m_index;
    std::vector<std::filesystem::path> m_pending;
};

}  // namespace wavelore

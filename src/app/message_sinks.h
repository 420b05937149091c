#pragma once

#include <filesystem>
#include <string_view>

#include "app/message_record.h"

namespace wavelore {

// The upload step: called at the end of a NAVTEX or NAVTEX-J frame, before
// the working file is renamed, while the record's text is still filled.
// The record is valid only during the call; copy what is kept.
class IUploadHook {
  public:
    virtual ~IUploadHook() = default;
    virtual void UploadMessage(const MessageRecord& record) = 0;
};

// The Message Explorer's side of a stored message: called after the working
// file got its final name (path, absolute) under logs/<date>/.
class IStoredMessageSink {
  public:
    virtual ~IStoredMessageSink() = default;
    virtual void AddStoredMessage(const MessageHeader& header,
                                  const std::filesystem::path& path) = 0;
};

// Where a completed message was written.
enum class StorePlace {
    LogDay,             // its own name under logs/<date>/
    Numbered,           // "<name> (n).txt" beside a different message of the same name
    BesideWorkingFile,  // its own name beside "incoming.txt": the day directory was unusable
};

// Every completed message that was written to a file of its own, with the
// whole record (its path the file actually written), called on the
// assembler's thread right after the write. Not called for a message left
// in "incoming.txt" because an identical copy was already stored, nor for
// one that could not be written at all.
class IMessageStoredListener {
  public:
    virtual ~IMessageStoredListener() = default;
    virtual void MessageStored(const MessageRecord& record, StorePlace place) = 0;
};

// The raw data view: receives every decoded chunk exactly as it arrived.
class IRawTextView {
  public:
    virtual ~IRawTextView() = default;
    virtual void AppendRawText(std::u16string_view chunk) = 0;
};

}  // namespace wavelore

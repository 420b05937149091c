#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/message_sinks.h"
#include "net/upload_request.h"

namespace wavelore {

class CUploadWorker;

// The request of a message upload: the record's date, time (escaped), B1,
// number, text (UTF-8, every byte escaped), B2 and quality, NAVAREA "1".
UploadRequest MakeMessageUploadRequest(const MessageRecord& record, std::u16string_view uid);

// The upload step at the end of a NAVTEX or NAVTEX-J frame: with an upload
// ID stored, every completed message becomes one request to the worker.
class CUploadStep final : public IUploadHook {
  public:
    using UidSource = std::function<std::u16string()>;
    using HostSource = std::function<std::u16string()>;

    // uid: read at every upload (the "UID" setting, or a value given on the
    // command line); empty means no upload. worker: null when it could not
    // be created. host: the service, "host" or "host:port", fixed or read
    // at every upload.
    CUploadStep(UidSource uid, CUploadWorker* worker, std::u16string host);
    CUploadStep(UidSource uid, CUploadWorker* worker, HostSource host);

    void UploadMessage(const MessageRecord& record) override;

    // Requests handed to the worker.
    uint64_t Posted() const { return m_posted; }
    // Requests the worker's queue refused (they are lost).
    uint64_t Refused() const { return m_refused; }
    // Messages not uploaded because their escaped text exceeds one form
    // field; sending them without it would deliver a message without text.
    uint64_t TooLong() const { return m_tooLong; }

  private:
    UidSource m_uid;
    CUploadWorker* m_worker;
    HostSource m_host;
    uint64_t m_posted = 0;
    uint64_t m_refused = 0;
    uint64_t m_tooLong = 0;
};

}  // namespace wavelore

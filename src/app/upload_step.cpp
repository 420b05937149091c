#include "app/upload_step.h"

#include "net/http_client.h"
#include "net/upload_worker.h"

namespace wavelore {

UploadRequest MakeMessageUploadRequest(const MessageRecord& record, std::u16string_view uid) {
    UploadRequest request;
    auto& slots = request.slots;
    slots[UploadRequest::kPath] = kUploadPath;
    slots[UploadRequest::kUid] = uid;
    slots[UploadRequest::kVersion] = kProgramVersion;
    slots[UploadRequest::kDate] = UrlEscape(record.date);
    slots[UploadRequest::kTime] = UrlEscape(record.time);
    slots[UploadRequest::kNavarea] = u"1";
    slots[UploadRequest::kStation] = record.b1;
    slots[UploadRequest::kNumber] = record.number;
    slots[UploadRequest::kMessage] = EscapeMessageText(record.text);
    slots[UploadRequest::kType] = record.b2;
    const std::string quality = std::to_string(record.quality);
    slots[UploadRequest::kQuality] = std::u16string(quality.begin(), quality.end());
    request.versionCheck = 0;
    return request;
}

CUploadStep::CUploadStep(UidSource uid, CUploadWorker* worker, std::u16string host)
    : CUploadStep(std::move(uid), worker, HostSource([host = std::move(host)] { return host; })) {}

CUploadStep::CUploadStep(UidSource uid, CUploadWorker* worker, HostSource host)
    : m_uid(std::move(uid)), m_worker(worker), m_host(std::move(host)) {}

void CUploadStep::UploadMessage(const MessageRecord& record) {
    const std::u16string uid = m_uid ? m_uid() : std::u16string();
    if (uid.empty() || m_worker == nullptr) {
        return;
    }
    UploadRequest request = MakeMessageUploadRequest(record, uid);
    for (const std::u16string& value : request.slots) {
        if (value.size() > HttpClient::kMaxValueLength) {
            ++m_tooLong;
            return;
        }
    }
    if (m_worker->Post(UploadJob{m_host(), std::move(request)})) {
        ++m_posted;
    } else {
        ++m_refused;
    }
}

}  // namespace wavelore

#include "gui/version_check.h"

#include "app/settings.h"
#include "common/message_ids.h"
#include "gui/service_call.h"
#include "net/reply_rules.h"
#include "net/upload_host.h"

namespace wavelore {

CVersionCheck::CVersionCheck(QWidget* parent, CUploadWorker::ClientFactory clients,
                             MessageBoxRunner boxes, UrlOpener openUrl)
    : QObject(parent),
      m_parent(parent),
      m_boxes(std::move(boxes)),
      m_openUrl(std::move(openUrl)),
      m_call(new CServiceCall(
          std::move(clients), [this](Message& m) { OnResult(m); }, this)) {}

QPointer<CVersionCheck> CVersionCheck::Start(QWidget* parent, const CSettings& settings,
                                             CUploadWorker::ClientFactory clients,
                                             MessageBoxRunner boxes, UrlOpener openUrl) {
    auto* check =
        new CVersionCheck(parent, std::move(clients), std::move(boxes), std::move(openUrl));
    check->m_host = settings.UploadHost();
    // The check runs whether or not an upload ID is stored.
    UploadRequest request = MakeServiceRequest(UpperCaseId(settings.Uid()), true);
    if (!check->m_call->Send(UploadJob{check->m_host, std::move(request)})) {
        check->deleteLater();
    }
    return check;
}

void CVersionCheck::OnResult(Message& message) {
    UploadResult* result = message.Get<UploadResult>();
    if (message.id != WM_UPLOAD_RESULT || result == nullptr) {
        return;
    }
    // Not retried; whatever the answer, this is the end of the check.
    deleteLater();
    const auto box = VersionCheckOutcome(static_cast<int>(message.lParam), result->reply);
    if (!box) {
        return;
    }
    const auto answer = m_boxes(m_parent, ReplyMessageBox(*box, result->reply));
    if (box->yesNo && answer == QMessageBox::Yes) {
        m_openUrl(QUrl(QString::fromStdU16String(DownloadPageUrl(m_host))));
    }
}

}  // namespace wavelore

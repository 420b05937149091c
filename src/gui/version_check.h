#pragma once

#include <functional>

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include "common/message.h"
#include "gui/message_boxes.h"
#include "net/upload_worker.h"

namespace wavelore {

class CSettings;
class CServiceCall;

// Asks the upload service, once per start, whether a newer version exists.
// Invisible; code 1 of the answer offers the download page, code 2 shows
// the service's information, anything else and every failure shows
// nothing. It deletes itself when the answer has been handled, or goes
// with its parent if none ever comes.
class CVersionCheck final : public QObject {
    Q_OBJECT

  public:
    // Opens a page in the browser.
    using UrlOpener = std::function<bool(const QUrl&)>;

    // Starts the check under parent (the main window), which also owns the
    // boxes. Returns the check, which may be gone by the time it is looked
    // at again.
    static QPointer<CVersionCheck> Start(QWidget* parent, const CSettings& settings,
                                         CUploadWorker::ClientFactory clients,
                                         MessageBoxRunner boxes, UrlOpener openUrl);

  private:
    CVersionCheck(QWidget* parent, CUploadWorker::ClientFactory clients, MessageBoxRunner boxes,
                  UrlOpener openUrl);
    void OnResult(Message& message);

    QWidget* m_parent;
    MessageBoxRunner m_boxes;
    UrlOpener m_openUrl;
    std::u16string m_host;
    CServiceCall* m_call = nullptr;
};

}  // namespace wavelore

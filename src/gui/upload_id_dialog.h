#pragma once

#include <QDialog>

#include "common/message.h"
#include "common/start_thread.h"
#include "gui/message_boxes.h"
#include "net/upload_worker.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace wavelore {

class CLinkStatic;
class CSettings;
class CServiceCall;

// Where the user enters the upload ID from the service's sign-up page. OK
// is offered only for an ID of the right form; it stores the ID upper-cased
// as "UID" and proves it at once with a test request, whose answer is shown
// in a message box before the dialog closes. Cancel stores nothing.
class CUploadIdDialog final : public QDialog {
    Q_OBJECT

  public:
    // clients: the transport of the test (CHttpClient in the program);
    // boxes: shows the answer; startThread: how the test's worker thread is
    // made.
    CUploadIdDialog(CSettings& settings, CUploadWorker::ClientFactory clients,
                    MessageBoxRunner boxes, QWidget* parent = nullptr,
                    ThreadStarter startThread = StartThread);
    ~CUploadIdDialog() override;

    QLineEdit* IdEdit() const { return m_edit; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    CLinkStatic* SignUpLink() const { return m_link; }
    bool Testing() const { return m_testing; }

    // OK: stores the ID and runs the test; the dialog stays open until the
    // answer has been shown.
    void accept() override;
    // Cancel, Escape and the close button; refused while the test runs.
    void reject() override;

  private:
    void CheckForm();
    void RunTest();
    void OnResult(Message& message);
    void EnableControls(bool enabled);

    CSettings& m_settings;
    MessageBoxRunner m_boxes;
    CServiceCall* m_call = nullptr;
    QLineEdit* m_edit = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    CLinkStatic* m_link = nullptr;
    bool m_testing = false;
};

}  // namespace wavelore

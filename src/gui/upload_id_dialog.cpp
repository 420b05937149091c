#include "gui/upload_id_dialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/settings.h"
#include "common/message_ids.h"
#include "gui/link_static.h"
#include "gui/service_call.h"
#include "gui/translated_text.h"
#include "net/upload_host.h"

namespace wavelore {

namespace {

// A GUID in text form.
constexpr int kIdLength = 36;

}  // namespace

CUploadIdDialog::CUploadIdDialog(CSettings& settings, CUploadWorker::ClientFactory clients,
                                 MessageBoxRunner boxes, QWidget* parent, ThreadStarter startThread)
    : QDialog(parent), m_settings(settings), m_boxes(std::move(boxes)) {
    setWindowTitle(tr("Upload ID"));

    auto* instructions =
        new QLabel(tr("1. Get your upload ID from the sign-up page below.\n"
                      "2. Enter it here and press OK: it is stored and tested with the service.\n"
                      "3. Once the test succeeds, every message received is uploaded."),
                   this);

    const QString signUp = ToQString(SignUpPageUrl(m_settings.UploadHost()));
    m_link = new CLinkStatic(this);
    m_link->SetLinkText(signUp);
    m_link->SetLinkStyle(CLinkStatic::kClickable, Qt::blue);

    auto* group = new QGroupBox(tr("Upload ID"), this);
    m_edit = new QLineEdit(group);
    m_edit->setMaxLength(kIdLength);
    m_edit->setText(ToQString(m_settings.Uid()));
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_edit);

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QDialogButtonBox::Ok);
    m_cancel = buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CUploadIdDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CUploadIdDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(instructions);
    layout->addWidget(m_link);
    layout->addWidget(group);
    layout->addWidget(buttons);

    m_call = new CServiceCall(
        std::move(clients), [this](Message& m) { OnResult(m); }, this, startThread);
    connect(m_edit, &QLineEdit::textChanged, this, &CUploadIdDialog::CheckForm);
    CheckForm();
}

CUploadIdDialog::~CUploadIdDialog() = default;

void CUploadIdDialog::CheckForm() {
    m_ok->setEnabled(!m_testing && IsUploadIdForm(m_edit->text().toStdU16String()));
}

void CUploadIdDialog::accept() {
    if (m_testing || !IsUploadIdForm(m_edit->text().toStdU16String())) {
        return;
    }
    const std::u16string id = UpperCaseId(m_edit->text().toStdU16String());
    m_edit->setText(QString::fromStdU16String(id));
    m_settings.WriteUid(id);
    RunTest();
}

void CUploadIdDialog::reject() {
    if (!m_testing) {
        QDialog::reject();
    }
}

void CUploadIdDialog::EnableControls(bool enabled) {
    m_edit->setEnabled(enabled);
    m_cancel->setEnabled(enabled);
    m_link->setEnabled(enabled);
    CheckForm();
}

void CUploadIdDialog::RunTest() {
    m_testing = true;
    EnableControls(false);
    const std::u16string id = UpperCaseId(m_edit->text().toStdU16String());
    m_edit->setText(QString::fromStdU16String(id));
    if (!m_call->Send(UploadJob{m_settings.UploadHost(), MakeServiceRequest(id, false)})) {
        // Without a worker no answer would ever come, and the dialog could
        // not be closed: answer as for a connection that failed.
        m_testing = false;
        EnableControls(true);
        m_boxes(this,
                ReplyMessageBox(UploadTestOutcome(kUploadSetupFailed, std::nullopt), std::nullopt));
        reject();
    }
}

void CUploadIdDialog::OnResult(Message& message) {
    UploadResult* result = message.Get<UploadResult>();
    if (message.id != WM_UPLOAD_RESULT || result == nullptr || !m_testing) {
        return;
    }
    m_testing = false;
    EnableControls(true);
    const int status = static_cast<int>(message.lParam);
    m_boxes(this, ReplyMessageBox(UploadTestOutcome(status, result->reply), result->reply));
    reject();
}

}  // namespace wavelore

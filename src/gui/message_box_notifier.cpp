#include "gui/message_box_notifier.h"

#include <algorithm>

#include <QThread>

#include "gui/translated_text.h"

namespace wavelore {

CMessageBoxNotifier::CMessageBoxNotifier(QString caption, QMessageBox::Icon icon, QObject* parent)
    : QObject(parent), m_caption(std::move(caption)), m_icon(icon) {}

CMessageBoxNotifier::~CMessageBoxNotifier() {
    delete m_shown.data();
}

void CMessageBoxNotifier::ShowMessage(const std::u16string& text) {
    Show(QString::fromStdU16String(text));
}

void CMessageBoxNotifier::ShowText(const UserText& text) {
    Show(TranslateUserText(text));
}

void CMessageBoxNotifier::Show(const QString& message) {
    if (QThread::currentThread() == thread()) {
        Enqueue(message);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, message] { Enqueue(message); }, Qt::QueuedConnection);
}

void CMessageBoxNotifier::Enqueue(const QString& text) {
    if ((m_shown && m_shownText == text) ||
        std::find(m_waiting.begin(), m_waiting.end(), text) != m_waiting.end()) {
        return;
    }
    m_waiting.push_back(text);
    if (!m_shown) {
        ShowNext();
    }
}

void CMessageBoxNotifier::ShowNext() {
    if (m_waiting.empty()) {
        return;
    }
    m_shownText = m_waiting.front();
    m_waiting.pop_front();
    auto* box = new QMessageBox(m_icon, m_caption, m_shownText, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    connect(box, &QMessageBox::finished, this, [this] {
        m_shown = nullptr;
        ShowNext();
    });
    m_shown = box;
    box->show();
}

}  // namespace wavelore

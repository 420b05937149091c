#pragma once

#include <deque>

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>

#include "common/user_notifier.h"

namespace wavelore {

// Shows messages the user must see in message boxes, one at a time, from
// any thread. It never waits for the user: a thread that reports a problem
// (the decoder thread while the window is closing, say) goes on at once,
// and the GUI thread runs no nested event loop inside its handlers. A text
// already waiting or on screen is not queued twice.
//
// The boxes have no parent window, so a program whose main window closes
// after a message (decoding cannot continue) ends once it is dismissed.
class CMessageBoxNotifier final : public QObject, public IUserNotifier {
    Q_OBJECT

  public:
    CMessageBoxNotifier(QString caption, QMessageBox::Icon icon, QObject* parent = nullptr);
    ~CMessageBoxNotifier() override;

    void ShowMessage(const std::u16string& text) override;
    // In the interface's language.
    void ShowText(const UserText& text) override;

  private:
    void Show(const QString& text);
    void Enqueue(const QString& text);
    void ShowNext();

    QString m_caption;
    QMessageBox::Icon m_icon;
    std::deque<QString> m_waiting;
    QPointer<QMessageBox> m_shown;
    QString m_shownText;
};

}  // namespace wavelore

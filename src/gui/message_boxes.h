#pragma once

#include <functional>
#include <optional>
#include <string>

#include <QMessageBox>
#include <QString>

#include "net/reply_rules.h"

namespace wavelore {

// One message box: icon, caption, text and buttons.
struct MessageBoxContent {
    QMessageBox::Icon icon = QMessageBox::Information;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

// Shows a box over parent and returns the button chosen. The program runs
// it modally (RunModalMessageBox); tests answer it without a screen.
using MessageBoxRunner =
    std::function<QMessageBox::StandardButton(QWidget* parent, const MessageBoxContent& content)>;

QMessageBox::StandardButton RunModalMessageBox(QWidget* parent, const MessageBoxContent& content);

// The box for a reply of the upload service as the reply rules chose it,
// in the interface's language. reply: the service's text, for the boxes
// that show it.
MessageBoxContent ReplyMessageBox(const ReplyBox& box, const std::optional<std::u16string>& reply);

}  // namespace wavelore

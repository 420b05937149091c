#include "gui/message_boxes.h"

#include <QCoreApplication>

namespace wavelore {

namespace {

// The reply rules' string table, translated (the context is spelled out in
// every call for the translation tools).
QString ReplyText(int id, const QString& reply) {
    switch (id) {
        case 111:
            return QCoreApplication::translate("ServiceReply", "Upgrade available");
        case 112:
            return QCoreApplication::translate("ServiceReply", "Information");
        case 113:
            return QCoreApplication::translate("ServiceReply", "Connection okay, welcome %1!")
                .arg(reply);
        case 114:
            return QCoreApplication::translate("ServiceReply", "Server response");
        case 115:
            return QCoreApplication::translate("ServiceReply", "Registration");
        case 116:
            return QCoreApplication::translate("ServiceReply", "Sorry, that UID is not recognised");
        case 117:
            return QCoreApplication::translate("ServiceReply", "Could not read server response.");
        case 118:
            return QCoreApplication::translate("ServiceReply", "Request failed");
        case 119:
            return QCoreApplication::translate(
                "ServiceReply", "Request failed.\nInternet connection or server may be down.");
        default:
            return reply;
    }
}

QMessageBox::Icon IconOf(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::Error:
            return QMessageBox::Critical;
        case BoxIcon::Question:
            return QMessageBox::Question;
        case BoxIcon::Information:
            break;
    }
    return QMessageBox::Information;
}

}  // namespace

QMessageBox::StandardButton RunModalMessageBox(QWidget* parent, const MessageBoxContent& content) {
    QMessageBox box(content.icon, content.caption, content.text, content.buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

MessageBoxContent ReplyMessageBox(const ReplyBox& box, const std::optional<std::u16string>& reply) {
    const QString replyText = reply ? QString::fromStdU16String(*reply) : QString();
    MessageBoxContent content;
    content.icon = IconOf(box.icon);
    content.caption = ReplyText(box.captionId, QString::fromStdU16String(box.caption));
    content.text =
        ReplyText(box.textId, box.textId == 0 ? QString::fromStdU16String(box.text) : replyText);
    content.buttons = box.yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok;
    return content;
}

}  // namespace wavelore

#include "gui/message_boxes.h"

#include <QCoreApplication>

namespace wavelore {

namespace {

// The reply rules' string table, translated.
QString ReplyText(int id, const QString& reply) {
    const char* context = "ServiceReply";
    switch (id) {
        case 111:
            return QCoreApplication::translate(context, "Upgrade available");
        case 112:
            return QCoreApplication::translate(context, "Information");
        case 113:
            return QCoreApplication::translate(context, "Connection okay, welcome %1!").arg(reply);
        case 114:
            return QCoreApplication::translate(context, "Server response");
        case 115:
            return QCoreApplication::translate(context, "Registration");
        case 116:
            return QCoreApplication::translate(context, "Sorry, that UID is not recognised");
        case 117:
            return QCoreApplication::translate(context, "Could not read server response.");
        case 118:
            return QCoreApplication::translate(context, "Request failed");
        case 119:
            return QCoreApplication::translate(
                context, "Request failed.\nInternet connection or server may be down.");
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

QMessageBox::StandardButton RunModalMessageBox(QWidget* parent, const MessageBoxSpec& spec) {
    QMessageBox box(spec.icon, spec.caption, spec.text, spec.buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

MessageBoxSpec ReplyMessageBox(const ReplyBox& box, const std::optional<std::u16string>& reply) {
    const QString replyText = reply ? QString::fromStdU16String(*reply) : QString();
    MessageBoxSpec spec;
    spec.icon = IconOf(box.icon);
    spec.caption = ReplyText(box.captionId, QString::fromStdU16String(box.caption));
    spec.text =
        ReplyText(box.textId, box.textId == 0 ? QString::fromStdU16String(box.text) : replyText);
    spec.buttons = box.yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok;
    return spec;
}

}  // namespace wavelore

// The upload ID dialog and the version check against a service on 127.0.0.1.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <string>
#include <vector>

#include "app/profile_store.h"
#include "app/settings.h"
#include "gui/link_static.h"
#include "gui/upload_id_dialog.h"
#include "gui/version_check.h"
#include "net/http_client.h"
#include "net/upload_host.h"
#include "support/loopback_server.h"
#include "support/upload_wire.h"

namespace wavelore {
namespace {

using test::LoopbackServer;

constexpr int kAnswerMs = 10000;

CUploadWorker::ClientFactory Http() {
    return [] { return std::make_unique<CHttpClient>(); };
}

// A profile whose service is the loopback server.
struct Service {
    Service() {
        const std::string host = server.Host();
        profile.WriteString(CSettings::kSection, kUploadHostSetting,
                            std::u16string(host.begin(), host.end()));
    }
    LoopbackServer server;
    CMemoryProfileStore profile;
    CSettings settings{profile};
    std::vector<MessageBoxContent> boxes;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    MessageBoxRunner Boxes() {
        return [this](QWidget*, const MessageBoxContent& content) {
            boxes.push_back(content);
            return answer;
        };
    }
};

// The request of the ID test and the version check: path, ID and version,
// every message field empty.
std::string ServiceRequest(const std::string& host, const std::string& uid, bool versionCheck) {
    std::vector<std::pair<std::string, std::string>> parts = {
        {"PATH", "/cgi-bin/navtex/navtex_upload.cgi"}, {"UID", uid}, {"VERSION", "2.1.2"}};
    for (const char* name :
         {"DATE", "TIME", "NAVAREA", "STATION", "NUMBER", "MESSAGE", "TYPE", "QUALITY"}) {
        parts.emplace_back(name, "");
    }
    if (versionCheck) {
        parts.emplace_back("VERSIONCHECK", "TRUE");
    }
    return test::UploadRequestOnTheWire(host, parts);
}

TEST(UploadIdDialog, OkStoresTheIdUpperCasedTestsItAndShowsTheAnswer) {
    Service service;
    service.server.SetReply(LoopbackServer::Reply("200 OK", "Alice"));
    CUploadIdDialog dialog(service.settings, Http(), service.Boxes());
    dialog.show();
    EXPECT_EQ(
        dialog.SignUpLink()->LinkText(),
        "http://" + QString::fromStdString(service.server.Host()) + "/cgi-bin/navtex/register.cgi");
    EXPECT_TRUE(dialog.SignUpLink()->Flags() & CLinkStatic::kClickable);

    // OK only for the GUID form: 35 characters, then a "g", are refused.
    QTest::keyClicks(dialog.IdEdit(), "0123abcd-ef01-2345-6789-abcdefabcde");
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    QTest::keyClicks(dialog.IdEdit(), "g");
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    QTest::keyClick(dialog.IdEdit(), Qt::Key_Backspace);
    QTest::keyClicks(dialog.IdEdit(), "f0");  // the 37th character is not taken
    EXPECT_EQ(dialog.IdEdit()->text().size(), 36);
    ASSERT_TRUE(dialog.OkButton()->isEnabled());

    const std::string id = "0123ABCD-EF01-2345-6789-ABCDEFABCDEF";
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.IdEdit()->text().toStdString(), id);
    EXPECT_EQ(service.settings.Uid(), std::u16string(id.begin(), id.end()));
    // Nothing can be changed or closed while the test runs.
    EXPECT_TRUE(dialog.Testing());
    EXPECT_FALSE(dialog.IdEdit()->isEnabled());
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_FALSE(dialog.CancelButton()->isEnabled());
    dialog.reject();
    EXPECT_TRUE(dialog.isVisible());

    ASSERT_TRUE(QTest::qWaitFor([&] { return !service.boxes.empty(); }, kAnswerMs));
    ASSERT_EQ(service.boxes.size(), 1u);
    EXPECT_EQ(service.boxes[0].icon, QMessageBox::Information);
    EXPECT_EQ(service.boxes[0].caption, "Server response");
    EXPECT_EQ(service.boxes[0].text, "Connection okay, welcome Alice!");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    ASSERT_EQ(service.server.RequestCount(), 1u);
    EXPECT_EQ(service.server.Requests()[0], ServiceRequest(service.server.Host(), id, false));
}

TEST(UploadIdDialog, CancelStoresNothing) {
    Service service;
    service.settings.WriteUid(u"11111111-2222-3333-4444-555555555555");
    CUploadIdDialog dialog(service.settings, Http(), service.Boxes());
    dialog.show();
    EXPECT_EQ(dialog.IdEdit()->text(), "11111111-2222-3333-4444-555555555555");
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    dialog.IdEdit()->setText("aaaaaaaa-2222-3333-4444-555555555555");
    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(service.settings.Uid(), u"11111111-2222-3333-4444-555555555555");
    EXPECT_EQ(service.server.RequestCount(), 0u);
}

TEST(UploadIdDialog, AWorkerThatCannotStartEndsTheTestAsAFailedConnection) {
    Service service;
    CUploadIdDialog dialog(service.settings, Http(), service.Boxes(), nullptr,
                           [](std::thread&, std::function<void()>) { return false; });
    dialog.show();
    dialog.IdEdit()->setText("0123abcd-ef01-2345-6789-abcdefabcdef");
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    // Not left with every control disabled and no way out.
    ASSERT_EQ(service.boxes.size(), 1u);
    EXPECT_EQ(service.boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(service.boxes[0].caption, "Request failed");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(service.settings.Uid(), u"0123ABCD-EF01-2345-6789-ABCDEFABCDEF");
}

TEST(VersionCheck, CodeOneOffersTheDownloadPageCodeTwoInformsOthersStaySilent) {
    Service service;
    service.settings.WriteUid(u"0123abcd-ef01-2345-6789-abcdefabcdef");
    const QString page =
        "http://" + QString::fromStdString(service.server.Host()) + "/navtex/?id=decoder";
    struct Case {
        std::string reply;
        QMessageBox::StandardButton answer;
        QMessageBox::Icon icon;  // NoIcon: no box
        QString caption;
        QString text;
        bool opens;
    };
    const Case cases[] = {
        {"1,Version 2.2 is out, with fixes.", QMessageBox::No, QMessageBox::Question,
         "Upgrade available", "Version 2.2 is out, with fixes.", false},
        {"1,Version 2.2 is out.", QMessageBox::Yes, QMessageBox::Question, "Upgrade available",
         "Version 2.2 is out.", true},
        {"2,The service moves next week.", QMessageBox::Ok, QMessageBox::Information, "Information",
         "The service moves next week.", false},
        {"3,Not for you.", QMessageBox::Ok, QMessageBox::NoIcon, {}, {}, false},
        {"1,", QMessageBox::Ok, QMessageBox::NoIcon, {}, {}, false},
    };
    size_t requests = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        service.server.SetReply(LoopbackServer::Reply("200 OK", c.reply));
        service.boxes.clear();
        service.answer = c.answer;
        std::vector<QUrl> opened;
        QPointer<CVersionCheck> check = CVersionCheck::Start(nullptr, service.settings, Http(),
                                                             service.Boxes(), [&](const QUrl& url) {
                                                                 opened.push_back(url);
                                                                 return true;
                                                             });
        // It goes by itself once the answer is handled.
        ASSERT_TRUE(QTest::qWaitFor([&] { return check.isNull(); }, kAnswerMs));
        ASSERT_EQ(service.server.RequestCount(), ++requests);
        EXPECT_EQ(
            service.server.Requests().back(),
            ServiceRequest(service.server.Host(), "0123ABCD-EF01-2345-6789-ABCDEFABCDEF", true));
        if (c.icon == QMessageBox::NoIcon) {
            EXPECT_TRUE(service.boxes.empty());
        } else {
            ASSERT_EQ(service.boxes.size(), 1u);
            EXPECT_EQ(service.boxes[0].icon, c.icon);
            EXPECT_EQ(service.boxes[0].caption, c.caption);
            EXPECT_EQ(service.boxes[0].text, c.text);
            EXPECT_EQ(service.boxes[0].buttons, c.icon == QMessageBox::Question
                                                    ? (QMessageBox::Yes | QMessageBox::No)
                                                    : QMessageBox::Ok);
        }
        EXPECT_EQ(opened, c.opens ? std::vector<QUrl>{QUrl(page)} : std::vector<QUrl>{});
    }
}

}  // namespace
}  // namespace wavelore

#include "gui/help_menu.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMenuBar>
#include <QMessageBox>
#include <QWidget>

#include "gui/startup.h"
#include "gui/tip_dialog.h"
#include "gui/upload_id_dialog.h"
#include "gui/version_check.h"
#include "system/system_info.h"
#include "system/tips_reader.h"

namespace wavelore {

CHelpMenu::CHelpMenu(QWidget* window, IProfileStore& profile, CSettings& settings,
                     std::filesystem::path tipsFile, CUploadWorker::ClientFactory clients,
                     MessageBoxRunner boxes)
    : QObject(window),
      m_window(window),
      m_profile(profile),
      m_settings(settings),
      m_tipsFile(std::move(tipsFile)),
      m_clients(std::move(clients)),
      m_boxes(std::move(boxes)) {}

void CHelpMenu::AddTo(QMenuBar* bar) {
    QMenu* help = bar->addMenu(tr("&Help"));
    help->addAction(tr("Tip of the day"), this, &CHelpMenu::ShowTipOfTheDay);
    help->addAction(tr("Upload ID..."), this, &CHelpMenu::ShowUploadIdDialog);
    help->addSeparator();
    help->addAction(tr("About Wavelore"), this, &CHelpMenu::ShowAbout);
}

void CHelpMenu::Start() {
    // Reading the flag reads one tip on, so each start moves the tips on.
    if (CTipDialog::ShowAtStartUp(m_profile, TipsFile(), m_boxes, m_window)) {
        QMetaObject::invokeMethod(this, &CHelpMenu::ShowTipOfTheDay, Qt::QueuedConnection);
    }
    CVersionCheck::Start(m_window, m_settings, m_clients, m_boxes,
                         [](const QUrl& url) { return QDesktopServices::openUrl(url); });
}

void CHelpMenu::Close() {
    m_closed = true;
    qDeleteAll(m_window->findChildren<CVersionCheck*>(Qt::FindDirectChildrenOnly));
}

void CHelpMenu::ShowTipOfTheDay() {
    if (m_closed) {
        return;
    }
    auto* dialog = new CTipDialog(m_profile, TipsFile(), m_boxes, m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

std::filesystem::path CHelpMenu::TipsFile() const {
    // Started from a build tree or with another working directory, the
    // installed tips still show.
    std::vector<std::filesystem::path> directories{m_tipsFile.parent_path()};
    for (auto& directory : InstalledTipsDirectories(QCoreApplication::applicationDirPath())) {
        directories.push_back(std::move(directory));
    }
    return FindTipsFile(directories);
}

void CHelpMenu::ShowUploadIdDialog() {
    auto* dialog = new CUploadIdDialog(m_settings, m_clients, m_boxes, m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void CHelpMenu::ShowAbout() {
    const std::u16string_view site = CSystemInfo::kSiteAddress;
    QMessageBox::about(
        m_window, tr("About Wavelore"),
        tr("%1\nA NAVTEX receiver.\n%2")
            .arg(m_window->windowTitle(),
                 QString::fromUtf16(site.data(), static_cast<qsizetype>(site.size()))));
}

}  // namespace wavelore

#pragma once

#include <filesystem>

#include <QObject>

#include "gui/message_boxes.h"
#include "net/upload_worker.h"

class QMenuBar;
class QWidget;

namespace wavelore {

class CSettings;
class IProfileStore;

// The "Help" menu: the tip of the day (also at start, as the profile
// says), the upload ID, "About"; and the version check at start. Every
// service box goes through boxes, every exchange through clients.
class CHelpMenu final : public QObject {
    Q_OBJECT

  public:
    CHelpMenu(QWidget* window, IProfileStore& profile, CSettings& settings,
              std::filesystem::path tipsFile, CUploadWorker::ClientFactory clients,
              MessageBoxRunner boxes);

    void AddTo(QMenuBar* bar);
    // The tip of the day if the profile asks for it, and the version check.
    void Start();
    // No tip opens from here on, and a version check still waiting ends:
    // no box pops up while the window closes.
    void Close();

  private:
    // The working directory's tips file, else the installed one.
    std::filesystem::path TipsFile() const;
    void ShowTipOfTheDay();
    void ShowUploadIdDialog();
    void ShowAbout();

    QWidget* m_window;
    IProfileStore& m_profile;
    CSettings& m_settings;
    std::filesystem::path m_tipsFile;
    CUploadWorker::ClientFactory m_clients;
    MessageBoxRunner m_boxes;
    bool m_closed = false;
};

}  // namespace wavelore

#pragma once

#include <functional>

#include <QObject>
#include <QString>

class QAction;
class QInputDialog;
class QMenu;
class QWidget;

namespace wavelore {

class CMessageBridge;
class CSettings;

// The NMEA output's items in the Options menu: the output switched on and
// off, and its port, address and number of clients chosen. The values live
// in the settings (CNmeaServerSettings); the server is the bridge's.
class CNmeaPanel final : public QObject {
    Q_OBJECT

  public:
    // report: says what could not be done (a port that cannot be had).
    CNmeaPanel(QWidget* window, CSettings& settings, CMessageBridge& bridge,
               std::function<void(const QString&)> report);

    // Adds the items to menu and starts the output as the settings say.
    void AddTo(QMenu* menu);
    // The output as the settings say; a port or address that cannot be had
    // is said, and leaves the output off.
    void Apply();

  private:
    void ShowPortDialog();
    void ShowAddressDialog();
    void ShowClientsDialog();
    // A dialog asking for one value, deleted when closed; the caller sets
    // its input, connects its answer and opens it.
    QInputDialog* MakeInputDialog(const QString& title, const QString& label);

    QWidget* m_window;
    CSettings& m_settings;
    CMessageBridge& m_bridge;
    std::function<void(const QString&)> m_report;
    QAction* m_output = nullptr;  // "NMEA output on TCP port N"
};

}  // namespace wavelore

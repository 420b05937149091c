#pragma once

#include <functional>
#include <optional>
#include <string>

#include <QObject>
#include <QString>
#include <QTimer>

#include "geo/warning_geometry.h"
#include "net/nmea_in_client.h"

class QAction;
class QInputDialog;
class QMenu;
class QWidget;

namespace wavelore {

class CMessageBridge;
class CNmeaServerSettings;
class CSettings;

// The NMEA items in the Options menu: the output switched on and off, its
// port, address and number of clients, the WPL sentences of the warnings'
// positions on and off, and the source of own position (a GNSS stream over
// TCP). The values live in the settings (CNmeaServerSettings) and each
// change takes effect at once; the server is the bridge's, the own
// position's client the panel's.
class CNmeaPanel final : public QObject {
    Q_OBJECT

  public:
    // A fix older than this is no longer where the ship is.
    static constexpr std::chrono::minutes kFixAge{1};

    // report: says what could not be done (a port that cannot be had).
    CNmeaPanel(QWidget* window, CSettings& settings, CMessageBridge& bridge,
               std::function<void(const QString&)> report);

    // Adds the items to menu and starts the output and the own position's
    // source as the settings say.
    void AddTo(QMenu* menu);
    // The output as the settings say; a port or address that cannot be had
    // is said, and leaves the output off.
    void Apply();
    // Own position read from the source the settings name, or from none.
    void ApplyOwnPosition();
    const CNmeaInClient& OwnPositionSource() const { return m_ownPosition; }

  signals:
    // The ship's position every few seconds while a source is set; none
    // while the source gives no recent fix.
    void ownPositionChanged(std::optional<GeoPosition> position);

  private:
    void ShowPortDialog();
    void ShowAddressDialog();
    void ShowClientsDialog();
    void ShowOwnPositionDialog();
    // Asks for a text setting, shown as it is now: one write refuses is
    // said with refusal (%1 the text) and changes nothing; one it takes is
    // applied at once.
    void AskText(const QString& title, const QString& label, const std::string& current,
                 bool (CNmeaServerSettings::*write)(const std::string&), const QString& refusal,
                 void (CNmeaPanel::*apply)());
    // A dialog asking for one value, deleted when closed; the caller sets
    // its input, connects its answer and opens it.
    QInputDialog* MakeInputDialog(const QString& title, const QString& label);

    QWidget* m_window;
    CSettings& m_settings;
    CMessageBridge& m_bridge;
    std::function<void(const QString&)> m_report;
    QAction* m_output = nullptr;  // "NMEA output on TCP port N"
    CNmeaInClient m_ownPosition;
    QTimer m_fixPoll;
};

}  // namespace wavelore

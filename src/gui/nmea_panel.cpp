#include "gui/nmea_panel.h"

#include <string>

#include <QAction>
#include <QInputDialog>
#include <QMenu>

#include "app/message_bridge.h"
#include "app/nmea_server_settings.h"
#include "app/settings.h"

namespace wavelore {

CNmeaPanel::CNmeaPanel(QWidget* window, CSettings& settings, CMessageBridge& bridge,
                       std::function<void(const QString&)> report)
    : QObject(window),
      m_window(window),
      m_settings(settings),
      m_bridge(bridge),
      m_report(std::move(report)) {
    connect(&m_fixPoll, &QTimer::timeout, this, [this] {
        const auto fix = m_ownPosition.Fix(kFixAge);
        emit ownPositionChanged(fix ? std::optional<GeoPosition>(fix->position) : std::nullopt);
    });
}

void CNmeaPanel::AddTo(QMenu* menu) {
    m_output = menu->addAction(QString());
    m_output->setCheckable(true);
    m_output->setToolTip(
        tr("Serve new messages as NMEA 0183 NRX sentences to chart plotters on this port"));
    connect(m_output, &QAction::triggered, this, [this](bool on) {
        m_settings.WriteNmeaOutput(on);
        Apply();
    });
    menu->addAction(tr("NMEA port..."), this, &CNmeaPanel::ShowPortDialog);
    menu->addAction(tr("NMEA address..."), this, &CNmeaPanel::ShowAddressDialog);
    menu->addAction(tr("NMEA clients..."), this, &CNmeaPanel::ShowClientsDialog);
    QAction* waypoints = menu->addAction(tr("NMEA waypoints of warnings"));
    waypoints->setCheckable(true);
    waypoints->setToolTip(
        tr("Follow each message's NRX sentences with WPL sentences of the "
           "positions its text gives"));
    waypoints->setChecked(CNmeaServerSettings(m_settings).Waypoints());
    connect(waypoints, &QAction::toggled, this, [this](bool on) {
        CNmeaServerSettings(m_settings).WriteWaypoints(on);
        m_bridge.Nmea().SetWaypoints(on);
    });
    m_bridge.Nmea().SetWaypoints(waypoints->isChecked());
    menu->addAction(tr("Own position from NMEA..."), this, &CNmeaPanel::ShowOwnPositionDialog);
    Apply();
    ApplyOwnPosition();
}

void CNmeaPanel::Apply() {
    const int32_t port = m_settings.NmeaPort();
    const CNmeaTcpServer::Options options = CNmeaServerSettings(m_settings).ServerOptions();
    const CNmeaTcpServer::Options& running = m_bridge.NmeaTcp().Configuration();
    m_output->setText(tr("NMEA output on TCP port %1").arg(port));
    if (!m_settings.NmeaOutput()) {
        m_bridge.StopNmeaTcp();
    } else if (!m_bridge.NmeaTcpRunning() || m_bridge.NmeaTcpPort() != port ||
               running.bindAddress != options.bindAddress ||
               running.maxClients != options.maxClients) {
        std::string error;
        if (!m_bridge.StartNmeaTcp(static_cast<uint16_t>(port), options, error)) {
            // The setting stays: the next start tries the port again.
            m_report(tr("The NMEA output is off: %1. Choose another port with \"NMEA port...\" "
                        "or another address with \"NMEA address...\" in the Options menu.")
                         .arg(QString::fromStdString(error)));
        }
    }
    m_output->setChecked(m_bridge.NmeaTcpRunning());
}

void CNmeaPanel::ApplyOwnPosition() {
    m_ownPosition.Stop();
    m_fixPoll.stop();
    emit ownPositionChanged(std::nullopt);
    const std::string source = CNmeaServerSettings(m_settings).NmeaIn();
    if (source.empty()) {
        return;
    }
    std::string error;
    if (!m_ownPosition.Start(source, error)) {
        m_report(tr("Own position is not read from %1: %2")
                     .arg(QString::fromStdString(source), QString::fromStdString(error)));
        return;
    }
    m_fixPoll.start(2000);
}

QInputDialog* CNmeaPanel::MakeInputDialog(const QString& title, const QString& label) {
    auto* dialog = new QInputDialog(m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    dialog->setLabelText(label);
    return dialog;
}

void CNmeaPanel::ShowPortDialog() {
    QInputDialog* dialog = MakeInputDialog(
        tr("NMEA port"), tr("TCP port for the NMEA output (10110 is the usual one):"));
    dialog->setInputMode(QInputDialog::IntInput);
    dialog->setIntRange(1, 65535);
    dialog->setIntValue(m_settings.NmeaPort());
    connect(dialog, &QInputDialog::intValueSelected, this, [this](int port) {
        m_settings.WriteNmeaPort(port);
        Apply();
    });
    dialog->open();
}

void CNmeaPanel::ShowAddressDialog() {
    AskText(tr("NMEA address"),
            tr("Address of this computer the NMEA output listens on, e.g. "
               "127.0.0.1 for programs on this computer alone.\n"
               "Empty: every address, for chart plotters on the network."),
            CNmeaServerSettings(m_settings).BindAddress(), &CNmeaServerSettings::WriteBindAddress,
            tr("%1 is not an IP address such as 127.0.0.1 or ::1. The NMEA output keeps "
               "its address."),
            &CNmeaPanel::Apply);
}

void CNmeaPanel::ShowClientsDialog() {
    QInputDialog* dialog =
        MakeInputDialog(tr("NMEA clients"),
                        tr("Chart plotters the NMEA output serves at once (more are refused):"));
    dialog->setInputMode(QInputDialog::IntInput);
    dialog->setIntRange(1, static_cast<int>(CNmeaTcpServer::kMostClients));
    dialog->setIntValue(CNmeaServerSettings(m_settings).MaxClients());
    connect(dialog, &QInputDialog::intValueSelected, this, [this](int clients) {
        CNmeaServerSettings(m_settings).WriteMaxClients(clients);
        Apply();
    });
    dialog->open();
}

void CNmeaPanel::ShowOwnPositionDialog() {
    AskText(tr("Own position"),
            tr("HOST:PORT of a GNSS receiver's NMEA sentences over TCP, e.g. "
               "localhost:2947 or 192.168.1.10:10110.\n"
               "Empty: no own position."),
            CNmeaServerSettings(m_settings).NmeaIn(), &CNmeaServerSettings::WriteNmeaIn,
            tr("%1 is not HOST:PORT, such as localhost:2947. Own position keeps its source."),
            &CNmeaPanel::ApplyOwnPosition);
}

void CNmeaPanel::AskText(const QString& title, const QString& label, const std::string& current,
                         bool (CNmeaServerSettings::*write)(const std::string&),
                         const QString& refusal, void (CNmeaPanel::*apply)()) {
    QInputDialog* dialog = MakeInputDialog(title, label);
    dialog->setInputMode(QInputDialog::TextInput);
    dialog->setTextValue(QString::fromStdString(current));
    connect(dialog, &QInputDialog::textValueSelected, this,
            [this, write, refusal, apply](const QString& text) {
                CNmeaServerSettings settings(m_settings);
                if (!(settings.*write)(text.trimmed().toStdString())) {
                    m_report(refusal.arg(text.trimmed()));
                    return;
                }
                (this->*apply)();
            });
    dialog->open();
}

}  // namespace wavelore

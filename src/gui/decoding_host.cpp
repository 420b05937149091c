#include "gui/decoding_host.h"

#include <system_error>
#include <vector>

#include <QStringList>
#include <QWidget>

#include "app/mode_controller.h"
#include "app/settings.h"
#include "common/user_notifier.h"
#include "gui/qt_window_target.h"
#include "gui/receiver_menus.h"
#include "gui/translated_text.h"
#include "sdr/sdr_devices.h"

namespace wavelore {

CDecodingHost::CDecodingHost(QWidget* window, IUserNotifier& errors)
    : m_window(window), m_errors(errors) {
    connect(&m_watchdog, &QTimer::timeout, this, [this] {
        if (m_decoding) {
            m_decoding->OnWatchdog();
        }
    });
}

CDecodingHost::~CDecodingHost() {
    if (m_radioListing.joinable()) {
        m_radioListing.join();
    }
}

void CDecodingHost::Bind(CDecodingControl* decoding, CModeController* modes,
                         CWindowMessageRouter* router, CReceiverMenus* menus) {
    m_decoding = decoding;
    m_modes = modes;
    m_router = router;
    m_menus = menus;
}

void CDecodingHost::BuildSources(const std::string& play, bool asTaken) {
    // With a recording to play, missing devices are no error.
    m_decoding->BuildSources(play.empty());
    if (!play.empty()) {
        std::string error;
        if (!m_decoding->OpenRecording(
                play, asTaken ? CRecordingWaveIn::Pace::AsTaken : CRecordingWaveIn::Pace::RealTime,
                error)) {
            Report(tr("Cannot play the recording: %1").arg(QString::fromStdString(error)));
            if (m_decoding->Sources().DeviceCount() == 0) {
                ReportNoDevices();
            }
        }
    }
    m_menus->FillSoundSources();
    ISdrDevices* radios = m_decoding->Radios();
    if (radios == nullptr || m_radioListing.joinable()) {
        return;
    }
    try {
        m_radioListing = std::thread([this, radios] {
            std::vector<SdrDeviceInfo> found = radios->List();
            // Dropped when the host has gone meanwhile.
            QMetaObject::invokeMethod(
                this,
                [this, found = std::move(found)] {
                    m_decoding->AddRadios(found);
                    m_menus->FillSoundSources();
                },
                Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        // Without a thread the radios are not listed; the one used last
        // and those set by hand are still there.
    }
}

void CDecodingHost::Report(const QString& text) {
    m_errors.ShowMessage(text.toStdU16String());
}

void CDecodingHost::ReportRefusedSettings(CSettings& settings) {
    QStringList lines;
    for (const RefusedSetting& refused : settings.TakeRefused()) {
        lines << TranslateUserText(CSettings::Notice(refused));
    }
    // One notice for all of them.
    if (!lines.isEmpty()) {
        Report(lines.join(QLatin1Char('\n')));
    }
}

void CDecodingHost::DeliverPosted() {
    m_router->DeliverPosted();
    for (const auto& [frequencyHz, router] : m_channelRouters) {
        router->DeliverPosted();
    }
}

std::unique_ptr<IWindowChannel> CDecodingHost::OpenChannel(int32_t frequencyHz) {
    if (frequencyHz == 0) {
        return std::make_unique<CQtWindowTarget>(*m_router);
    }
    CWindowMessageRouter*& router = m_channelRouters[frequencyHz];
    if (router == nullptr) {
        router = new CWindowMessageRouter(
            [this, frequencyHz](Message& m) {
                if (m_channelHandler) {
                    m_channelHandler(frequencyHz, m);
                }
            },
            this);
    }
    return std::make_unique<CQtWindowTarget>(*router);
}

void CDecodingHost::StartWatchdog(std::chrono::milliseconds period) {
    m_watchdog.start(period);
}

void CDecodingHost::StopWatchdog() {
    m_watchdog.stop();
}

void CDecodingHost::ShowCurrentSource(int32_t index) {
    if (m_menus) {
        m_menus->ShowCurrentSource(index);
    }
}

void CDecodingHost::RestartDecoding() {
    m_modes->RestartDecoding();
}

void CDecodingHost::ReportNoDevices() {
    Report(tr("No sound devices found"));
}

void CDecodingHost::ReportStartFailure() {
    Report(
        tr("Could not start decoder for this sound device. Check that no other applications are "
           "trying to use this sound device."));
}

void CDecodingHost::ReportSwitch(std::u16string_view from, std::u16string_view to) {
    Report(tr("There was an error opening sound device \"%1\", switching to device \"%2\"")
               .arg(ToQString(from), ToQString(to)));
}

void CDecodingHost::ReportNoSourceLeft(std::u16string_view current) {
    Report(tr("There was an error opening device \"%1\".\nNo other sound devices are "
              "available.\nDecoding cannot continue.")
               .arg(ToQString(current)));
}

void CDecodingHost::ShowChannels(int32_t centre) {
    emit channelsChanged(centre);
}

void CDecodingHost::ReportRadioFailure(std::u16string_view name, const std::string& error) {
    Report(
        tr("Cannot receive from \"%1\": %2").arg(ToQString(name), QString::fromStdString(error)));
}

void CDecodingHost::CloseWindow() {
    // Also during initialisation, before the window is shown: close once
    // the event loop runs.
    QMetaObject::invokeMethod(m_window, &QWidget::close, Qt::QueuedConnection);
}

}  // namespace wavelore

#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <QObject>
#include <QString>
#include <QTimer>

#include "app/decoding_control.h"

class QWidget;

namespace wavelore {

class CModeController;
class CReceiverMenus;
class CSettings;
class CWindowMessageRouter;
class IUserNotifier;

// The window's side of the decoding (IDecodingHost): decoder threads talk
// to the window through its message router, the start-up watchdog is a
// timer here, the sound source's check mark is the menus', a restart is
// the current mode's, and what the user must hear of is said through the
// error notices, which the window's other parts use too.
class CDecodingHost final : public QObject, public IDecodingHost {
    Q_OBJECT

  public:
    CDecodingHost(QWidget* window, IUserNotifier& errors);

    // The parts made after the decoding control, before decoding starts.
    void Bind(CDecodingControl* decoding, CModeController* modes, CWindowMessageRouter* router,
              CReceiverMenus* menus);

    // The devices, and the recording to play instead when there is one
    // (asTaken: as fast as it decodes); then the "Sound source" menu.
    void BuildSources(const std::string& play, bool asTaken);

    void Report(const QString& text);
    // Stored settings that could not be used, in one notice, each once.
    void ReportRefusedSettings(CSettings& settings);

    // IDecodingHost
    std::unique_ptr<IWindowChannel> OpenChannel() override;
    void StartWatchdog(std::chrono::milliseconds period) override;
    void StopWatchdog() override;
    void ShowCurrentSource(int32_t index) override;
    void RestartDecoding() override;
    void ReportNoDevices() override;
    void ReportStartFailure() override;
    void ReportSwitch(std::u16string_view from, std::u16string_view to) override;
    void ReportNoSourceLeft(std::u16string_view current) override;
    void CloseWindow() override;

  private:
    QWidget* m_window;
    IUserNotifier& m_errors;
    QTimer m_watchdog;
    CDecodingControl* m_decoding = nullptr;
    CModeController* m_modes = nullptr;
    CWindowMessageRouter* m_router = nullptr;
    CReceiverMenus* m_menus = nullptr;
};

}  // namespace wavelore

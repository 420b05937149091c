#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include <QObject>
#include <QString>
#include <QTimer>

#include "app/decoding_control.h"
#include "common/message.h"

class QWidget;

namespace wavelore {

class CModeController;
class CReceiverMenus;
class CSettings;
class CWindowMessageRouter;
class IUserNotifier;

// The window's side of the decoding (IDecodingHost): decoder threads talk
// to the window through its message router (a radio channel's through a
// router of its own, which names the channel), the start-up watchdog is a
// timer here, the sound source's check mark is the menus', a restart is
// the current mode's, and what the user must hear of is said through the
// error notices, which the window's other parts use too.
class CDecodingHost final : public QObject, public IDecodingHost {
    Q_OBJECT

  public:
    CDecodingHost(QWidget* window, IUserNotifier& errors);
    // Waits for the listing of the radios, if it still runs.
    ~CDecodingHost() override;

    // The parts made after the decoding control, before decoding starts.
    void Bind(CDecodingControl* decoding, CModeController* modes, CWindowMessageRouter* router,
              CReceiverMenus* menus);

    // The devices, and the recording to play instead when there is one
    // (asTaken: as fast as it decodes); then the "Sound source" menu. The
    // SDRs join it when a thread of their own has listed them.
    void BuildSources(const std::string& play, bool asTaken);

    // Where a radio channel's messages go, with the channel's frequency.
    using ChannelHandler = std::function<void(int32_t frequencyHz, Message&)>;
    void SetChannelHandler(ChannelHandler handler) { m_channelHandler = std::move(handler); }
    // Handles now every message posted so far, of every channel.
    void DeliverPosted();

    void Report(const QString& text);
    // Stored settings that could not be used, in one notice, each once.
    void ReportRefusedSettings(CSettings& settings);

    // IDecodingHost
    std::unique_ptr<IWindowChannel> OpenChannel(int32_t frequencyHz) override;
    void StartWatchdog(std::chrono::milliseconds period) override;
    void StopWatchdog() override;
    void ShowCurrentSource(int32_t index) override;
    void RestartDecoding() override;
    void ReportNoDevices() override;
    void ReportStartFailure() override;
    void ReportSwitch(std::u16string_view from, std::u16string_view to) override;
    void ReportNoSourceLeft(std::u16string_view current) override;
    void CloseWindow() override;
    void ShowChannels(int32_t centre) override;
    void ReportRadioFailure(std::u16string_view name, const std::string& error) override;

  signals:
    // The radio's channels, or the one shown, changed; centre: its tuning.
    void channelsChanged(int32_t centre);

  private:
    QWidget* m_window;
    IUserNotifier& m_errors;
    QTimer m_watchdog;
    CDecodingControl* m_decoding = nullptr;
    CModeController* m_modes = nullptr;
    CWindowMessageRouter* m_router = nullptr;
    CReceiverMenus* m_menus = nullptr;
    ChannelHandler m_channelHandler;
    std::map<int32_t, CWindowMessageRouter*> m_channelRouters;  // children of this
    std::thread m_radioListing;
};

}  // namespace wavelore

#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include <QMainWindow>
#include <QTimer>

#include "app/decoding_control.h"
#include "app/message_sinks.h"
#include "app/mode_controller.h"
#include "app/reception/channel_receptions.h"
#include "app/reception/reception.h"
#include "app/settings.h"
#include "app/tuning_control.h"
#include "gui/alarm_panel.h"
#include "gui/decoding_host.h"
#include "gui/explorer_host.h"
#include "gui/message_boxes.h"
#include "gui/mode_view.h"
#include "system/system_info.h"

namespace wavelore {

class CChartPane;
class CControlsPanel;
class CDisplayPanel;
class CHelpMenu;
class CMessageExplorerWnd;
class CMessagePaneWnd;
class ColorEditWnd;
class CQtWindowTarget;
class CSignalWnd;
class CSpectrumWnd;
class CNmeaPanel;
class CReceiverMenus;
class CStatusBarWnd;
class CSystemTray;
class CWindowMessageRouter;
class IAlarmSound;
class ISdrDevices;
class ICpuTimesSource;
class IProfileStore;
class IUserNotifier;
class IWaveInDriver;

// What the main window is given: every service it uses, so that tests can
// hand it scripted devices, a fixed clock and a settings file of their own.
// Everything referred to must outlive the window.
struct MainWindowSetup {
    // errors: message boxes captioned "Error" with the stop icon;
    // soundMessages: the sound input's own messages; workDir: where
    // "incoming.txt" and the log tree go.
    MainWindowSetup(IProfileStore& profile_, IWaveInDriver& devices_, IUserNotifier& errors_,
                    IUserNotifier& soundMessages_, const IClock& clock_,
                    const ISystemFacts& systemFacts_, std::filesystem::path workDir_)
        : profile(&profile_),
          devices(&devices_),
          errors(&errors_),
          soundMessages(&soundMessages_),
          clock(&clock_),
          systemFacts(&systemFacts_),
          workDir(std::move(workDir_)) {}

    IProfileStore* profile;
    IWaveInDriver* devices;
    IUserNotifier* errors;
    IUserNotifier* soundMessages;
    const IClock* clock;
    const ISystemFacts* systemFacts;
    std::filesystem::path workDir;
    // Processor times for the load figure; null reads /proc/stat.
    ICpuTimesSource* cpuTimes = nullptr;
    // A recording to play as the sound source instead of a device.
    std::string play;
    bool fast = false;  // play it as fast as it decodes
    // The upload service's transport; null: CHttpClient.
    CUploadWorker::ClientFactory network;
    // The boxes of the upload ID test, the version check and the tips;
    // null: modal message boxes.
    MessageBoxRunner boxes;
    // Where the search-and-rescue alarm sounds; null: the default output
    // device.
    IAlarmSound* alarmSound = nullptr;
    // The SDRs offered as sound sources; null: none.
    ISdrDevices* radios = nullptr;
};

// The receiver's window. It hosts the parts and lays them out: the
// spectrum strip and the signal panel, the switches (CControlsPanel), the
// menus (CReceiverMenus, CNmeaPanel, CAlarmPanel, CHelpMenu), the message
// pane (CExplorerHost) and the status bar (CStatusBarWnd). It routes the
// decoder's messages to the reception and the parts; the decisions are made
// by the classes it owns (modes, tuning, decoding and its host, the
// reception). A new part is one member made in CreateParts and placed in it.
class CMainWindow final : public QMainWindow, private IRawTextView {
    Q_OBJECT

  public:
    explicit CMainWindow(const MainWindowSetup& setup, QWidget* parent = nullptr);
    ~CMainWindow() override;

    // The window's own message queue: the start-up banner, and stored
    // messages to show (WM_SHOW_MESSAGE with a std::filesystem::path).
    WindowTarget& Target();
    // Reads a stored message (UTF-8) into the "Messages" view and shows it.
    void ShowStoredMessage(const std::filesystem::path& path);

    CSpectrumWnd* Spectrum() const { return m_spectrum; }
    CSignalWnd* Signal() const { return m_signal; }
    ColorEditWnd* RawView() const { return m_messages->RawView(); }
    ColorEditWnd* MessagesView() const { return m_messages->MessagesView(); }
    CMessagePaneWnd* Pane() const { return m_messages->Pane(); }
    CMessageExplorerWnd* Explorer() const { return m_messages->Explorer(); }
    CMessageBridge& Bridge() { return m_reception.Bridge(); }
    const CSarAlarm& Alarm() const { return m_alarm->Model(); }
    CSystemTray* Tray() const { return m_tray; }
    CStatusBarWnd* Status() const { return m_status; }
    const CMessageUploads& Uploads() const { return m_reception.Uploads(); }
    const CDecodingControl& Decoding() const { return m_decoding; }
    bool Closing() const { return m_closing; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // The parts and their places.
    void CreateParts();
    void CreateMenus();
    // The window's start, in this order: each step needs the ones before.
    void Start();
    void PostStartupBanner();
    void RestoreSwitches();

    // Shutdown, in this order.
    void Shutdown();
    // Until the upload worker has taken up its queue, looked at from the
    // event loop; then the rest of the shutdown.
    void DrainUploads();
    void FinishShutdown();

    void OnWindowMessage(Message& message);
    // A decoder thread's message, from the radio channel at frequencyHz
    // (0: a sound card or a recording).
    void OnDecoderMessage(int32_t frequencyHz, Message& message);
    // Another radio channel is shown, or the radio changed.
    void ShowChannels(int32_t centre);
    void OnDecoderSpectrum(Message& message);
    void ShowStorage();
    void ShowStationsDialog();

    // IRawTextView
    void AppendRawText(std::u16string_view chunk) override;

    void ReportRefusedSettings() { m_host.ReportRefusedSettings(m_settings); }

    MainWindowSetup m_setup;
    CSettings m_settings;
    CSystemInfo m_systemInfo;
    CReception m_reception;
    CChannelReceptions m_receptions;
    CTuningControl m_tuning;
    CModeView m_modeView;
    CModeController m_modes;
    CDecodingHost m_host;
    CDecodingControl m_decoding;
    CWindowMessageRouter* m_router = nullptr;
    std::unique_ptr<CQtWindowTarget> m_self;
    // Messages that had no room on disk are tried again on it.
    QTimer m_storeRetry;
    bool m_closing = false;
    bool m_shutDown = false;
    bool m_shutDownDone = false;
    std::chrono::steady_clock::time_point m_drainDeadline;

    // The parts, owned by the window as their parent.
    CSpectrumWnd* m_spectrum = nullptr;
    CDisplayPanel* m_displays = nullptr;
    CChartPane* m_chart = nullptr;
    CSignalWnd* m_signal = nullptr;
    CControlsPanel* m_controls = nullptr;
    CExplorerHost* m_messages = nullptr;
    CSystemTray* m_tray = nullptr;
    CReceiverMenus* m_menus = nullptr;
    CNmeaPanel* m_nmea = nullptr;
    CAlarmPanel* m_alarm = nullptr;
    CHelpMenu* m_help = nullptr;
    CStatusBarWnd* m_status = nullptr;
};

}  // namespace wavelore

#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include <QMainWindow>
#include <QTimer>

#include "app/decoding_control.h"
#include "app/message_sinks.h"
#include "app/mode_controller.h"
#include "app/reception/reception.h"
#include "app/sar_alarm.h"
#include "app/settings.h"
#include "app/tuning_control.h"
#include "gui/message_boxes.h"
#include "net/nmea_in_client.h"
#include "system/system_info.h"

class QAction;
class QActionGroup;
class QButtonGroup;
class QCheckBox;
class QInputDialog;
class QLabel;
class QMenu;
class QRadioButton;
class QStackedWidget;

namespace wavelore {

class CLinkStatic;
class CMessageExplorerWnd;
class CMessagePaneWnd;
class ColorEditWnd;
class CQtWindowTarget;
class CSignalWnd;
class CSpectrumWnd;
class CSystemTray;
class CWindowMessageRouter;
class ICpuTimesSource;
class IProfileStore;
class IUserNotifier;
class IAlarmSound;
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
};

// The receiver's window: the spectrum strip, the signal panel, the check
// boxes, the text views and the menus. It hosts the parts and routes the
// messages between them; the decisions are made by the classes it owns
// (modes, tuning, decoding and sound sources, decoded text).
class CMainWindow final : public QMainWindow,
                          private IModeView,
                          private IDecodingHost,
                          private IRawTextView,
                          private IAlarmView {
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
    ColorEditWnd* RawView() const { return m_rawView; }
    ColorEditWnd* MessagesView() const { return m_messagesView; }
    CMessagePaneWnd* Pane() const { return m_pane; }
    CMessageExplorerWnd* Explorer() const { return m_explorer; }
    CMessageBridge& Bridge() { return m_reception.Bridge(); }
    // Own position from the GNSS source of "NmeaIn", for the chart.
    const CNmeaInClient& OwnPosition() const { return m_ownPosition; }
    const CSarAlarm& Alarm() const { return m_alarm; }
    CSystemTray* Tray() const { return m_tray; }
    const CMessageUploads& Uploads() const { return m_reception.Uploads(); }
    const CDecodingControl& Decoding() const { return m_decoding; }
    bool Closing() const { return m_closing; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // The controls of the window, before initialisation fills them.
    void CreateControls();
    QWidget* CreateCheckBoxes();
    void CreateModeMenu();

    // Initialisation, in this order.
    void CollectSystemInfo();
    void CreateLogDirectory();
    void OpenMessageIndex();
    void CreateMenus();
    void CreateOptionsMenu();
    void CreateMessageExplorer();
    void CreateTrayIcon();
    void RestoreTuning();
    void SetTitle();
    void StartLogDay();
    void PostStartupBanner();
    void CreateTextViews();
    void BuildSoundSourceMenu();
    void RestoreCheckBoxes();
    void CreateUploadWorker();
    void ShowRawData();
    void RestoreMode();
    void ShowTipsAtStartUp();
    void StartVersionCheck();

    // Shutdown, in this order.
    void Shutdown();
    void StopUploadWorker();
    void DestroyMessageExplorer();

    void OnWindowMessage(Message& message);
    void OnDecoderSpectrum(Message& message);
    void OnCpuLoad(int32_t percent);
    // The count of messages waiting in memory for room, or lost.
    void ShowStorage();
    void ShowMessages();
    void FillSoundSourceMenu();
    void OpenRecording();
    void ShowAbout();
    void ShowTipOfTheDay();
    void ShowUploadIdDialog();
    void ShowStationsDialog();
    // The selection and NAVAREA the settings now hold, for what follows.
    void ApplySelection();

    // IModeView
    int32_t CentreFrequency() const override;
    void SetTuning(int32_t centre, int32_t halfShift) override;
    void SetCommandChecked(int32_t commandId, bool checked) override;
    void SetNavtexJChecked(bool checked) override;
    void ShowMessagePane(bool shown) override;
    void EnableAfc(bool enabled) override;
    void EnableStrictFec(bool enabled) override;
    void CloseWorkingFile() override;
    void ModeSelected(Mode mode) override;
    void HideStatusLine() override;
    bool StartDecoding(Mode mode, int32_t centre, int32_t shift, int32_t baud) override;

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

    // IRawTextView
    void AppendRawText(std::u16string_view chunk) override;

    // IAlarmView: a notification, and the window brought forward.
    void ShowAlarm(const MessageRecord& record) override;
    void SilenceAlarm();
    // The NMEA output as the settings say; a port or address that cannot
    // be had is said, and leaves the output off.
    void ApplyNmeaOutput();
    void ShowNmeaPortDialog();
    void ShowNmeaAddressDialog();
    void ShowNmeaClientsDialog();
    // A dialog asking for one value, deleted when closed; the caller sets
    // its input, connects its answer and opens it.
    QInputDialog* MakeInputDialog(const QString& title, const QString& label);

    // Stored settings that could not be used, in one notice, each once.
    void ReportRefusedSettings();
    void Report(const QString& text);

    MainWindowSetup m_setup;
    CSettings m_settings;
    CSystemInfo m_systemInfo;
    CReception m_reception;
    CNmeaInClient m_ownPosition;
    std::unique_ptr<IAlarmSound> m_ownAlarmSound;
    CSarAlarm m_alarm;
    CTuningControl m_tuning;
    CModeController m_modes;
    CDecodingControl m_decoding;
    CWindowMessageRouter* m_router = nullptr;
    std::unique_ptr<CQtWindowTarget> m_self;
    QTimer m_watchdog;
    // Messages that had no room on disk are tried again on it.
    QTimer m_storeRetry;
    bool m_closing = false;
    bool m_shutDown = false;

    CSpectrumWnd* m_spectrum = nullptr;
    CSignalWnd* m_signal = nullptr;
    QCheckBox* m_afc = nullptr;
    QCheckBox* m_strictFec = nullptr;
    QCheckBox* m_invert = nullptr;
    QCheckBox* m_smartTune = nullptr;
    QCheckBox* m_navtexJ = nullptr;
    QLabel* m_cpuLoad = nullptr;
    QLabel* m_soundLost = nullptr;  // sound lost to overflows, once there is any
    QLabel* m_notStored = nullptr;  // messages without room on disk, once there are any
    QLabel* m_statusLine = nullptr;
    // The message pane: the view buttons, the text views and the Message
    // Explorer beside them.
    CMessagePaneWnd* m_pane = nullptr;
    QRadioButton* m_rawButton = nullptr;
    QRadioButton* m_messagesButton = nullptr;
    CLinkStatic* m_siteLink = nullptr;
    QStackedWidget* m_textViews = nullptr;
    CMessageExplorerWnd* m_explorer = nullptr;
    CSystemTray* m_tray = nullptr;
    ColorEditWnd* m_rawView = nullptr;
    ColorEditWnd* m_messagesView = nullptr;

    QMenu* m_soundMenu = nullptr;
    QActionGroup* m_sourceGroup = nullptr;
    QMenu* m_modeMenu = nullptr;
    QAction* m_enhanced = nullptr;  // "Enhanced decoder"
    QMenu* m_optionsMenu = nullptr;
    QAction* m_sarAlarm = nullptr;      // "SAR alarm"
    QAction* m_silenceAlarm = nullptr;  // "Silence alarm", while it sounds
    QTimer m_alarmWatch;                // till the alarm has ended by itself
    QAction* m_nmeaOutput = nullptr;    // "NMEA output on TCP port N"
    QMenu* m_helpMenu = nullptr;
    std::map<int32_t, QAction*> m_commands;  // mode, baud and shift commands
    std::map<int32_t, QAction*> m_sources;   // sound source index -> item
};

}  // namespace wavelore

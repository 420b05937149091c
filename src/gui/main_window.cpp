#include "gui/main_window.h"

#include <fstream>
#include <sstream>

#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/nmea_server_settings.h"
#include "app/station_table.h"
#include "audio/alarm_player.h"
#include "common/decoder_text.h"
#include "common/message_ids.h"
#include "common/program_version.h"
#include "common/sample_block.h"
#include "common/user_notifier.h"
#include "common/utf.h"
#include "gui/app_icon.h"
#include "gui/band_strip_wnd.h"
#include "gui/color_edit_wnd.h"
#include "gui/link_static.h"
#include "gui/message_explorer_wnd.h"
#include "gui/message_pane_wnd.h"
#include "gui/qt_window_target.h"
#include "gui/signal_wnd.h"
#include "gui/stations_dialog.h"
#include "gui/system_tray.h"
#include "gui/tip_dialog.h"
#include "gui/translated_text.h"
#include "gui/upload_id_dialog.h"
#include "gui/version_check.h"
#include "net/http_client.h"
#include "system/tips_reader.h"

namespace wavelore {

namespace {

constexpr int kMinimumWidth = 720;
constexpr int kMinimumHeight = 470;
constexpr int32_t kStartHalfShift = 85;  // until the mode sets its own

std::u16string ToU16(const QString& text) {
    return text.toStdU16String();
}

QString FromU16(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The setup's transport and boxes, or the program's own.
MainWindowSetup WithDefaults(MainWindowSetup setup) {
    if (!setup.network) {
        setup.network = [] { return std::make_unique<CHttpClient>(); };
    }
    if (!setup.boxes) {
        setup.boxes = RunModalMessageBox;
    }
    return setup;
}

// A menu item's text shows "&" as itself, not as a mnemonic.
QString MenuText(std::u16string_view name) {
    return FromU16(name).replace(QLatin1Char('&'), QLatin1String("&&"));
}

}  // namespace

CMainWindow::CMainWindow(const MainWindowSetup& setup, QWidget* parent)
    : QMainWindow(parent),
      m_setup(WithDefaults(setup)),
      m_settings(*setup.profile),
      m_uploads(m_settings, m_setup.network),
      m_logDay(setup.workDir, setup.errors),
      m_bridge(setup.workDir, setup.errors),
      m_ownAlarmSound(setup.alarmSound ? nullptr : std::make_unique<CPortAudioAlarm>()),
      m_alarm(setup.alarmSound ? *setup.alarmSound : *m_ownAlarmSound, *this, setup.errors),
      m_assembler(setup.workDir, *setup.clock,
                  {&m_uploads, this, setup.errors, m_bridge.Listener()}),
      m_textHandler(*setup.clock, m_assembler, m_logDay, this),
      m_tuning(
          [this](int32_t centre, int32_t halfShift) { m_spectrum->SetTuning(centre, halfShift); },
          [this](Message m) { return m_decoding.PostToDecoder(std::move(m)); }),
      m_modes(m_settings, *this),
      m_decoding(*setup.devices, *setup.soundMessages, m_settings, *this, setup.cpuTimes) {
    m_router = new CWindowMessageRouter([this](Message& m) { OnWindowMessage(m); }, this);
    m_self = std::make_unique<CQtWindowTarget>(*m_router);
    m_watchdog.setParent(this);
    m_alarmWatch.setParent(this);
    m_storeRetry.setParent(this);
    m_bridge.SetAlarm(&m_alarm);
    connect(&m_watchdog, &QTimer::timeout, this, [this] { m_decoding.OnWatchdog(); });
    connect(&m_storeRetry, &QTimer::timeout, this, [this] {
        m_assembler.RetryPending();
        ShowStorage();
    });
    m_storeRetry.start(10000);
    CreateControls();

    CollectSystemInfo();
    CreateLogDirectory();
    OpenMessageIndex();
    CreateMenus();
    CreateMessageExplorer();
    CreateTrayIcon();
    CreateOptionsMenu();
    RestoreTuning();
    SetTitle();
    StartLogDay();
    PostStartupBanner();
    CreateTextViews();
    BuildSoundSourceMenu();
    RestoreCheckBoxes();
    CreateUploadWorker();
    ShowRawData();
    RestoreMode();
    ShowTipsAtStartUp();
    StartVersionCheck();
    ReportRefusedSettings();
}

CMainWindow::~CMainWindow() {
    Shutdown();
}

WindowTarget& CMainWindow::Target() {
    return *m_self;
}

void CMainWindow::CreateControls() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    m_spectrum = new CSpectrumWnd(central);
    m_spectrum->setMinimumHeight(90);
    connect(m_spectrum, &CSpectrumWnd::frequencyRequested, this,
            [this](int32_t centre) { m_tuning.OnSetFrequency(centre); });
    layout->addWidget(m_spectrum, 3);

    auto* middle = new QHBoxLayout;
    m_signal = new CSignalWnd(central);
    m_signal->setMinimumHeight(60);
    middle->addWidget(m_signal, 1);
    middle->addWidget(CreateCheckBoxes());
    layout->addLayout(middle, 2);

    // The view buttons, the text views and, from step 4, the Message
    // Explorer, placed by the pane's own rules below the rows above.
    m_pane = new CMessagePaneWnd(central);
    m_rawButton = new QRadioButton(tr("Raw data"), m_pane);
    m_messagesButton = new QRadioButton(tr("Messages"), m_pane);
    connect(m_rawButton, &QRadioButton::clicked, this, [this] { ShowRawData(); });
    connect(m_messagesButton, &QRadioButton::clicked, this, [this] { ShowMessages(); });
    m_siteLink = new CLinkStatic(m_pane);
    m_siteLink->SetLinkText(FromU16(CSystemInfo::kSiteAddress));
    m_siteLink->SetLinkStyle(CLinkStatic::kClickable, QColor(0, 0, 255));
    m_pane->SetButtons(m_rawButton, m_messagesButton, m_siteLink);
    m_textViews = new QStackedWidget(m_pane);
    m_pane->SetTextPane(m_textViews);
    connect(m_pane, &CMessagePaneWnd::paneSplitDragged, this,
            [this](int32_t perMille) { m_settings.WritePaneSplit(perMille); });
    layout->addWidget(m_pane, 8);

    setCentralWidget(central);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(800, 560);
}

QWidget* CMainWindow::CreateCheckBoxes() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    m_afc = new QCheckBox(tr("AFC"), box);
    m_strictFec = new QCheckBox(tr("Strict FEC"), box);
    m_invert = new QCheckBox(tr("Invert"), box);
    m_smartTune = new QCheckBox(tr("SmartTune"), box);
    m_navtexJ = new QCheckBox(tr("NAVTEX-J"), box);
    m_cpuLoad = new QLabel(QStringLiteral("%1: %2%").arg(tr("CPU load")).arg(0), box);
    m_soundLost = new QLabel(box);
    m_soundLost->setToolTip(
        tr("Sound that never reached the decoder because the computer fell behind"));
    m_soundLost->hide();
    m_notStored = new QLabel(box);
    m_notStored->setToolTip(
        tr("Messages that could not be written to disk (full or unwritable): those waiting are "
           "kept in memory and stored as soon as there is room"));
    m_notStored->setStyleSheet(QStringLiteral("color: red"));
    m_notStored->hide();
    m_statusLine = new QLabel(box);
    m_statusLine->hide();
    grid->addWidget(m_afc, 0, 0);
    grid->addWidget(m_smartTune, 0, 1);
    grid->addWidget(m_strictFec, 1, 0);
    grid->addWidget(m_invert, 1, 1);
    grid->addWidget(m_navtexJ, 2, 0);
    grid->addWidget(m_cpuLoad, 2, 1);
    grid->addWidget(m_notStored, 3, 0);
    grid->addWidget(m_soundLost, 3, 1);
    grid->addWidget(m_statusLine, 4, 0, 1, 2);

    connect(m_afc, &QCheckBox::clicked, this, [this](bool on) {
        m_spectrum->SetAutoTune(on);
        m_settings.WriteAfc(on);
    });
    connect(m_strictFec, &QCheckBox::clicked, this, [this](bool on) {
        m_decoding.SetStrictFec(on);
        m_settings.WriteStrictFec(on);
    });
    connect(m_invert, &QCheckBox::clicked, this, [this](bool on) {
        m_decoding.SetBitSense(on);
        m_settings.WriteBitSense(on);
    });
    connect(m_smartTune, &QCheckBox::clicked, this, [this](bool on) {
        m_spectrum->SetAutoTune(on);
        m_settings.WriteSmartTune(on);
    });
    connect(m_navtexJ, &QCheckBox::clicked, this, [this](bool on) {
        m_modes.OnNavtexJCheckBox(on);
        ReportRefusedSettings();
    });
    return box;
}

void CMainWindow::CollectSystemInfo() {
    m_systemInfo.Collect(*m_setup.systemFacts);
}

void CMainWindow::CreateLogDirectory() {
    std::error_code ignored;
    std::filesystem::create_directories(m_setup.workDir / kLogsDirName, ignored);
}

void CMainWindow::OpenMessageIndex() {
    m_bridge.ReadSettings(m_settings);
    // Without an index messages are still stored; it says why.
    m_bridge.OpenIndex();
}

void CMainWindow::CreateMenus() {
    m_soundMenu = menuBar()->addMenu(tr("Sound source"));
    m_sourceGroup = new QActionGroup(this);
    CreateModeMenu();
    m_optionsMenu = menuBar()->addMenu(tr("Options"));
    m_helpMenu = menuBar()->addMenu(tr("Help"));
    m_helpMenu->addAction(tr("Tip of the day"), this, &CMainWindow::ShowTipOfTheDay);
    m_helpMenu->addAction(tr("Upload ID..."), this, &CMainWindow::ShowUploadIdDialog);
    m_helpMenu->addSeparator();
    m_helpMenu->addAction(tr("About Wavelore"), this, &CMainWindow::ShowAbout);
}

void CMainWindow::CreateModeMenu() {
    m_modeMenu = menuBar()->addMenu(tr("Mode"));
    // Optional: NAVTEX-J has no item, and a stored baud or shift may match none.
    const auto newGroup = [this] {
        auto* group = new QActionGroup(this);
        group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
        return group;
    };
    const auto addCommand = [this](QActionGroup* group, const QString& text, int32_t id) {
        QAction* action = m_modeMenu->addAction(text);
        action->setCheckable(true);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, id] {
            m_modes.OnCommand(id);
            ReportRefusedSettings();
        });
        m_commands[id] = action;
    };
    QActionGroup* modes = newGroup();
    for (const auto& info : CModeController::kModes) {
        if (info.commandId != 0) {
            addCommand(modes, FromU16(info.name), info.commandId);
        }
    }
    m_modeMenu->addSeparator();
    QActionGroup* bauds = newGroup();
    for (const auto& c : CModeController::kBaudCommands) {
        addCommand(bauds, tr("%1 baud").arg(c.value), c.commandId);
    }
    m_modeMenu->addSeparator();
    QActionGroup* shifts = newGroup();
    for (const auto& c : CModeController::kShiftCommands) {
        addCommand(shifts, tr("%1 Hz shift").arg(c.value), c.commandId);
    }
    m_modeMenu->addSeparator();
    m_enhanced = m_modeMenu->addAction(tr("Enhanced decoder"));
    m_enhanced->setCheckable(true);
    connect(m_enhanced, &QAction::triggered, this, [this](bool on) {
        m_settings.WriteEnhanced(on);
        m_decoding.SetEnhanced(on);
        ShowSearch();
    });
}

void CMainWindow::CreateMessageExplorer() {
    m_explorer = new CMessageExplorerWnd(m_pane);
    m_explorer->SetIndex(&m_bridge.Index());
    m_explorer->SetNavArea(m_bridge.NavArea());
    m_explorer->SetSelection(m_bridge.Selection());
    m_explorer->SetHideRepeats(m_settings.HideRepeats());
    m_explorer->SetLogRoot(m_setup.workDir / kLogsDirName);
    connect(m_explorer, &CMessageExplorerWnd::HideRepeatsChanged, this,
            [this](bool hide) { m_settings.WriteHideRepeats(hide); });
    connect(m_explorer, &CMessageExplorerWnd::MessageChosen, this,
            [this](const std::filesystem::path& path) {
                Message show = Message::With(WM_SHOW_MESSAGE, 0, 0, path);
                m_self->Send(show);
            });
    m_pane->SetExplorer(m_explorer);
}

void CMainWindow::CreateOptionsMenu() {
    m_optionsMenu->addAction(tr("Stations and subjects..."), this,
                             &CMainWindow::ShowStationsDialog);
    m_optionsMenu->addSeparator();
    m_optionsMenu->addAction(m_explorer->HideRepeatsAction());
    m_optionsMenu->addAction(m_explorer->ShowAllAction());
    m_optionsMenu->addSeparator();

    m_sarAlarm = m_optionsMenu->addAction(tr("SAR alarm"));
    m_sarAlarm->setCheckable(true);
    m_sarAlarm->setChecked(m_settings.SarAlarm());
    m_sarAlarm->setToolTip(tr("Sound an alarm for each new search and rescue message"));
    m_alarm.SetEnabled(m_settings.SarAlarm());
    connect(m_sarAlarm, &QAction::triggered, this, [this](bool on) {
        m_settings.WriteSarAlarm(on);
        m_alarm.SetEnabled(on);
        SilenceAlarm();
    });
    m_silenceAlarm =
        m_optionsMenu->addAction(tr("Silence alarm"), this, &CMainWindow::SilenceAlarm);
    m_silenceAlarm->setEnabled(false);
    connect(m_tray, &CSystemTray::NotificationClicked, this, &CMainWindow::SilenceAlarm);
    m_optionsMenu->addSeparator();
    m_nmeaOutput = m_optionsMenu->addAction(QString());
    m_nmeaOutput->setCheckable(true);
    m_nmeaOutput->setToolTip(
        tr("Serve new messages as NMEA 0183 NRX sentences to chart plotters on this port"));
    connect(m_nmeaOutput, &QAction::triggered, this, [this](bool on) {
        m_settings.WriteNmeaOutput(on);
        ApplyNmeaOutput();
    });
    m_optionsMenu->addAction(tr("NMEA port..."), this, &CMainWindow::ShowNmeaPortDialog);
    m_optionsMenu->addAction(tr("NMEA address..."), this, &CMainWindow::ShowNmeaAddressDialog);
    m_optionsMenu->addAction(tr("NMEA clients..."), this, &CMainWindow::ShowNmeaClientsDialog);
    ApplyNmeaOutput();

    m_alarmWatch.setInterval(500);
    connect(&m_alarmWatch, &QTimer::timeout, this, [this] {
        if (!m_alarm.Sounding()) {
            SilenceAlarm();
        }
    });
}

void CMainWindow::CreateTrayIcon() {
    setWindowIcon(WindowIcon());
    m_tray = new CSystemTray(this, WindowIcon(), tr("Tarvolt Wavelore"),
                             QSystemTrayIcon::isSystemTrayAvailable());
}

void CMainWindow::RestoreTuning() {
    m_pane->SetPaneSplit(m_settings.PaneSplit());
    m_tuning.SetTuning(m_settings.Frequency(), kStartHalfShift);
}

void CMainWindow::SetTitle() {
    setWindowTitle(QStringLiteral("%1 v%2").arg(tr("Tarvolt Wavelore"), FromU16(kProgramVersion)));
}

void CMainWindow::StartLogDay() {
    m_logDay.StartLogDay(m_setup.clock->Now());
}

void CMainWindow::PostStartupBanner() {
    DecoderText banner;
    banner.text = m_systemInfo.Report(ToU16(windowTitle()));
    banner.good = static_cast<int32_t>(banner.text.size());
    banner.errors = 1;
    m_self->Post(Message::With(WM_DECODER_TEXT, 0, 0, std::move(banner)));
}

void CMainWindow::CreateTextViews() {
    m_rawView = new ColorEditWnd(m_textViews);
    m_messagesView = new ColorEditWnd(m_textViews);
    for (ColorEditWnd* view : {m_rawView, m_messagesView}) {
        view->SetReadOnly(true);
        view->SetSelectionColor(QColor(0, 0, 255));
        m_textViews->addWidget(view);
    }
}

void CMainWindow::BuildSoundSourceMenu() {
    const bool playing = !m_setup.play.empty();
    // With a recording to play, missing devices are no error.
    m_decoding.BuildSources(!playing);
    if (playing) {
        std::string error;
        if (!m_decoding.OpenRecording(
                m_setup.play,
                m_setup.fast ? CRecordingWaveIn::Pace::AsTaken : CRecordingWaveIn::Pace::RealTime,
                error)) {
            Report(tr("Cannot play the recording: %1").arg(QString::fromStdString(error)));
            if (m_decoding.Sources().DeviceCount() == 0) {
                ReportNoDevices();
            }
        }
    }
    FillSoundSourceMenu();
}

void CMainWindow::FillSoundSourceMenu() {
    m_soundMenu->clear();
    m_sources.clear();
    const CSoundSourceSelector& sources = m_decoding.Sources();
    if (sources.Items().empty()) {
        m_soundMenu->addAction(tr("(none)"))->setEnabled(false);
    }
    for (const auto& item : sources.Items()) {
        QAction* action = m_soundMenu->addAction(MenuText(item.name));
        action->setCheckable(true);
        m_sourceGroup->addAction(action);
        const int32_t index = item.index;
        connect(action, &QAction::triggered, this,
                [this, index] { m_decoding.OnSoundSource(index); });
        m_sources[index] = action;
    }
    m_soundMenu->addSeparator();
    m_soundMenu->addAction(tr("Open recording..."), this, &CMainWindow::OpenRecording);
    ShowCurrentSource(sources.Current());
}

void CMainWindow::RestoreCheckBoxes() {
    m_strictFec->setChecked(m_settings.StrictFec());
    m_invert->setChecked(m_settings.BitSense());
    m_smartTune->setChecked(m_settings.SmartTune());
    m_afc->setChecked(m_settings.Afc());
    m_spectrum->SetAutoTune(m_settings.SmartTune());
    m_decoding.SetStrictFec(m_settings.StrictFec());
    m_decoding.SetBitSense(m_settings.BitSense());
    m_enhanced->setChecked(m_settings.Enhanced());
    m_decoding.SetEnhanced(m_settings.Enhanced());
}

void CMainWindow::CreateUploadWorker() {
    // Without a worker completed messages are simply not uploaded.
    m_uploads.Start(*m_self);
}

void CMainWindow::ShowRawData() {
    m_rawButton->setChecked(true);
    m_textViews->setCurrentWidget(m_rawView);
}

void CMainWindow::ShowMessages() {
    m_messagesButton->setChecked(true);
    m_textViews->setCurrentWidget(m_messagesView);
}

void CMainWindow::RestoreMode() {
    m_modes.RestoreMode();
}

void CMainWindow::ShowTipsAtStartUp() {
    // Reading the flag reads one tip on, so each start moves the tips on.
    if (CTipDialog::ShowAtStartUp(*m_setup.profile, m_setup.workDir / CTipsReader::kFileName,
                                  m_setup.boxes, this)) {
        QMetaObject::invokeMethod(this, &CMainWindow::ShowTipOfTheDay, Qt::QueuedConnection);
    }
}

void CMainWindow::StartVersionCheck() {
    CVersionCheck::Start(this, m_settings, m_setup.network, m_setup.boxes,
                         [](const QUrl& url) { return QDesktopServices::openUrl(url); });
}

void CMainWindow::closeEvent(QCloseEvent* event) {
    Shutdown();
    event->accept();
}

void CMainWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            if (m_closing) {
                close();
            }
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            break;
        default:
            QMainWindow::keyPressEvent(event);
            return;
    }
    event->accept();
}

void CMainWindow::Shutdown() {
    if (m_shutDown) {
        return;
    }
    m_shutDown = true;
    // From here on decoded text and spectra go nowhere.
    m_closing = true;
    m_alarm.Silence();
    m_alarmWatch.stop();
    m_textHandler.SetClosing();
    m_decoding.Stop();
    m_storeRetry.stop();
    StopUploadWorker();
    m_assembler.EndStoring();
    m_settings.WriteFrequency(m_spectrum->GetCentre());
    m_decoding.Release();
    DestroyMessageExplorer();
    m_logDay.Close(m_setup.clock->Now());
    m_self->Close();
}

void CMainWindow::StopUploadWorker() {
    // A version check still waiting ends with the window: no answer pops up
    // while it closes.
    qDeleteAll(findChildren<CVersionCheck*>(Qt::FindDirectChildrenOnly));
    // The window keeps painting while the worker gets through its queue,
    // but takes no input.
    m_uploads.Stop([](std::chrono::milliseconds poll) {
        QEventLoop wait;
        QTimer::singleShot(poll, &wait, &QEventLoop::quit);
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    });
}

void CMainWindow::DestroyMessageExplorer() {
    if (m_explorer) {
        m_explorer->Clear();
        m_pane->SetExplorer(nullptr);
        delete m_explorer;
        m_explorer = nullptr;
    }
}

void CMainWindow::OnWindowMessage(Message& message) {
    switch (message.id) {
        case WM_DECODER_SPECTRUM:
            OnDecoderSpectrum(message);
            break;
        case WM_SET_FREQUENCY:
            m_tuning.OnSetFrequency(static_cast<int32_t>(message.wParam));
            break;
        case WM_DECODER_SIGNAL:
            if (const SampleBlock* block = message.Get<SampleBlock>()) {
                m_signal->AddBlock(*block);
            }
            break;
        case WM_DECODER_TEXT:
            if (const DecoderText* text = message.Get<DecoderText>()) {
                m_textHandler.Handle(*text);
                ShowStorage();
            }
            break;
        case WM_DECODER_CPULOAD:
            OnCpuLoad(static_cast<int32_t>(message.wParam));
            break;
        case WM_UPLOAD_RESULT:
            m_uploads.HandleResult(message);
            break;
        case WM_SHOW_MESSAGE:
            if (const auto* path = message.Get<std::filesystem::path>()) {
                ShowStoredMessage(*path);
            }
            break;
        default:
            break;
    }
}

void CMainWindow::OnDecoderSpectrum(Message& message) {
    m_decoding.OnSpectrum();
    const SampleBlock* block = message.Get<SampleBlock>();
    // The block stays the decoder thread's, which demodulates it next: the
    // strip keeps only what it computes from it.
    if (!m_closing && block != nullptr) {
        m_spectrum->AddBlock(*block);
    }
}

void CMainWindow::OnCpuLoad(int32_t percent) {
    if (percent >= 0) {
        m_cpuLoad->setText(QStringLiteral("%1: %2%").arg(tr("CPU load")).arg(percent));
    }
    // Shown once there is something to show.
    if (const uint64_t tenths = m_decoding.TenthsOfSecondsLost(); tenths > 0) {
        m_soundLost->setText(tr("Lost: %1 s").arg(static_cast<double>(tenths) / 10.0, 0, 'f', 1));
        m_soundLost->show();
    }
}

void CMainWindow::ShowStorage() {
    QStringList parts;
    // In memory, or the one left in incoming.txt.
    const size_t waiting =
        m_assembler.PendingMessages() + (m_assembler.HoldsUnstoredMessage() ? 1 : 0);
    if (waiting > 0) {
        parts << tr("Waiting to be stored: %1").arg(waiting);
    }
    if (const size_t lost = m_assembler.LostMessages(); lost > 0) {
        parts << tr("Not stored: %1").arg(lost);
    }
    m_notStored->setText(parts.join(QStringLiteral(", ")));
    m_notStored->setVisible(!parts.isEmpty());
}

void CMainWindow::ShowStoredMessage(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    if (in) {
        bytes << in.rdbuf();
    }
    if (in && !in.bad()) {
        m_messagesView->SetText(FromUtf8(bytes.str()));
    } else {
        m_messagesView->SetText(ToU16(tr("Error opening message file")));
    }
    ShowMessages();
}

void CMainWindow::OpenRecording() {
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Open recording"), QString(),
        tr("Recordings (*.wav *.flac *.ogg *.raw *.s16le);;All files (*)"));
    if (path.isEmpty()) {
        return;
    }
    std::string error;
    if (!m_decoding.OpenRecording(path.toStdString(), CRecordingWaveIn::Pace::RealTime, error)) {
        Report(tr("Cannot play the recording: %1").arg(QString::fromStdString(error)));
        return;
    }
    FillSoundSourceMenu();
    m_decoding.OnSoundSource(m_decoding.Sources().Current());
}

void CMainWindow::ShowAbout() {
    QMessageBox::about(
        this, tr("About Wavelore"),
        tr("%1\nA NAVTEX receiver.\n%2").arg(windowTitle(), FromU16(CSystemInfo::kSiteAddress)));
}

void CMainWindow::ShowTipOfTheDay() {
    if (m_closing) {
        return;
    }
    auto* dialog = new CTipDialog(*m_setup.profile, m_setup.workDir / CTipsReader::kFileName,
                                  m_setup.boxes, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void CMainWindow::ShowUploadIdDialog() {
    auto* dialog = new CUploadIdDialog(m_settings, m_setup.network, m_setup.boxes, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void CMainWindow::ShowStationsDialog() {
    auto* dialog = new CStationsDialog(m_settings, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, &CMainWindow::ApplySelection);
    dialog->open();
}

void CMainWindow::ApplySelection() {
    m_bridge.ReadSettings(m_settings);
    if (m_explorer) {
        m_explorer->SetNavArea(m_bridge.NavArea());
        m_explorer->SetSelection(m_bridge.Selection());
    }
}

int32_t CMainWindow::CentreFrequency() const {
    return m_tuning.Centre();
}

void CMainWindow::SetTuning(int32_t centre, int32_t halfShift) {
    m_tuning.SetTuning(centre, halfShift);
}

void CMainWindow::SetCommandChecked(int32_t commandId, bool checked) {
    const auto it = m_commands.find(commandId);
    if (it != m_commands.end()) {
        it->second->setChecked(checked);
    }
}

void CMainWindow::SetNavtexJChecked(bool checked) {
    m_navtexJ->setChecked(checked);
}

void CMainWindow::ShowMessagePane(bool shown) {
    m_rawButton->setVisible(shown);
    m_messagesButton->setVisible(shown);
    m_pane->ShowExplorer(shown);
    if (!shown && m_textViews->currentWidget() == m_messagesView) {
        ShowRawData();
        m_rawView->SetText(u"");
    }
}

void CMainWindow::EnableAfc(bool enabled) {
    m_afc->setEnabled(enabled);
}

void CMainWindow::EnableStrictFec(bool enabled) {
    m_strictFec->setEnabled(enabled);
}

void CMainWindow::CloseWorkingFile() {
    m_assembler.CloseWorkingFile();
}

void CMainWindow::ModeSelected(Mode mode) {
    m_assembler.SetMode(mode);
    // The box follows modes chosen from the menu too.
    m_navtexJ->setChecked(mode == Mode::NavtexJ);
}

void CMainWindow::HideStatusLine() {
    m_statusLine->hide();
    m_statusLine->clear();
}

bool CMainWindow::StartDecoding(DecoderType type, int32_t centre, int32_t halfShift, int32_t baud) {
    const bool started = m_decoding.StartDecoder(type, centre, halfShift, baud);
    ShowSearch();
    return started;
}

void CMainWindow::ShowSearch() {
    // The weak-signal chain's own search finds what it can decode.
    m_spectrum->SetSearch(m_decoding.EnhancedChain() ? CBandScope::Search::TonePair
                                                     : CBandScope::Search::Valley);
}

std::unique_ptr<IWindowChannel> CMainWindow::OpenChannel() {
    return std::make_unique<CQtWindowTarget>(*m_router);
}

void CMainWindow::StartWatchdog(std::chrono::milliseconds period) {
    m_watchdog.start(period);
}

void CMainWindow::StopWatchdog() {
    m_watchdog.stop();
}

void CMainWindow::ShowCurrentSource(int32_t index) {
    for (const auto& [source, action] : m_sources) {
        action->setChecked(source == index);
    }
}

void CMainWindow::RestartDecoding() {
    m_modes.RestartDecoding();
}

void CMainWindow::ReportNoDevices() {
    Report(tr("No sound devices found"));
}

void CMainWindow::ReportStartFailure() {
    Report(
        tr("Could not start decoder for this sound device. Check that no other applications are "
           "trying to use this sound device."));
}

void CMainWindow::ReportSwitch(std::u16string_view from, std::u16string_view to) {
    Report(tr("There was an error opening sound device \"%1\", switching to device \"%2\"")
               .arg(FromU16(from), FromU16(to)));
}

void CMainWindow::ReportNoSourceLeft(std::u16string_view current) {
    Report(tr("There was an error opening device \"%1\".\nNo other sound devices are "
              "available.\nDecoding cannot continue.")
               .arg(FromU16(current)));
}

void CMainWindow::CloseWindow() {
    // Also during initialisation, before the window is shown: close once
    // the event loop runs.
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void CMainWindow::AddStoredMessage(const MessageHeader& header, const std::filesystem::path& path) {
    if (m_explorer) {
        m_explorer->AddStoredMessage(header, path);
    }
}

void CMainWindow::AppendRawText(std::u16string_view chunk) {
    m_rawView->AppendText(chunk);
}

void CMainWindow::ShowAlarm(const MessageRecord& record) {
    // Forward from the notification area or from under other windows.
    if (isHidden() || isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
    const QString identity = QString::fromStdU16String(record.b1 + record.b2 + record.number);
    const QString station =
        QString::fromStdU16String(CStationTable::DisplayName(m_bridge.NavArea(), record.b1));
    m_tray->Notify(tr("Search and rescue message"),
                   tr("%1 from %2, received %3 %4")
                       .arg(identity, station, QString::fromStdU16String(record.date),
                            QString::fromStdU16String(record.time)));
    if (m_alarm.Sounding()) {
        m_silenceAlarm->setEnabled(true);
        m_alarmWatch.start();
    }
}

void CMainWindow::SilenceAlarm() {
    m_alarm.Silence();
    m_alarmWatch.stop();
    if (m_silenceAlarm) {
        m_silenceAlarm->setEnabled(false);
    }
    // The icon came for the notification: it goes unless the window is
    // in the notification area.
    if (isVisible() && !isMinimized()) {
        m_tray->HideIcon();
    }
}

void CMainWindow::ApplyNmeaOutput() {
    const int32_t port = m_settings.NmeaPort();
    const CNmeaTcpServer::Options options = CNmeaServerSettings(m_settings).ServerOptions();
    const CNmeaTcpServer::Options& running = m_bridge.NmeaTcp().Configuration();
    m_nmeaOutput->setText(tr("NMEA output on TCP port %1").arg(port));
    if (!m_settings.NmeaOutput()) {
        m_bridge.StopNmeaTcp();
    } else if (!m_bridge.NmeaTcpRunning() || m_bridge.NmeaTcpPort() != port ||
               running.bindAddress != options.bindAddress ||
               running.maxClients != options.maxClients) {
        std::string error;
        if (!m_bridge.StartNmeaTcp(static_cast<uint16_t>(port), options, error)) {
            // The setting stays: the next start tries the port again.
            Report(tr("The NMEA output is off: %1. Choose another port with \"NMEA port...\" "
                      "or another address with \"NMEA address...\" in the Options menu.")
                       .arg(QString::fromStdString(error)));
        }
    }
    m_nmeaOutput->setChecked(m_bridge.NmeaTcpRunning());
}

QInputDialog* CMainWindow::MakeInputDialog(const QString& title, const QString& label) {
    auto* dialog = new QInputDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    dialog->setLabelText(label);
    return dialog;
}

void CMainWindow::ShowNmeaPortDialog() {
    QInputDialog* dialog = MakeInputDialog(
        tr("NMEA port"), tr("TCP port for the NMEA output (10110 is the usual one):"));
    dialog->setInputMode(QInputDialog::IntInput);
    dialog->setIntRange(1, 65535);
    dialog->setIntValue(m_settings.NmeaPort());
    connect(dialog, &QInputDialog::intValueSelected, this, [this](int port) {
        m_settings.WriteNmeaPort(port);
        ApplyNmeaOutput();
    });
    dialog->open();
}

void CMainWindow::ShowNmeaAddressDialog() {
    QInputDialog* dialog = MakeInputDialog(
        tr("NMEA address"), tr("Address of this computer the NMEA output listens on, e.g. "
                               "127.0.0.1 for programs on this computer alone.\n"
                               "Empty: every address, for chart plotters on the network."));
    dialog->setInputMode(QInputDialog::TextInput);
    dialog->setTextValue(QString::fromStdString(CNmeaServerSettings(m_settings).BindAddress()));
    connect(dialog, &QInputDialog::textValueSelected, this, [this](const QString& text) {
        const std::string address = text.trimmed().toStdString();
        if (!CNmeaServerSettings(m_settings).WriteBindAddress(address)) {
            Report(tr("%1 is not an IP address such as 127.0.0.1 or ::1. The NMEA output keeps "
                      "its address.")
                       .arg(text.trimmed()));
            return;
        }
        ApplyNmeaOutput();
    });
    dialog->open();
}

void CMainWindow::ShowNmeaClientsDialog() {
    QInputDialog* dialog =
        MakeInputDialog(tr("NMEA clients"),
                        tr("Chart plotters the NMEA output serves at once (more are refused):"));
    dialog->setInputMode(QInputDialog::IntInput);
    dialog->setIntRange(1, static_cast<int>(CNmeaTcpServer::kMostClients));
    dialog->setIntValue(CNmeaServerSettings(m_settings).MaxClients());
    connect(dialog, &QInputDialog::intValueSelected, this, [this](int clients) {
        CNmeaServerSettings(m_settings).WriteMaxClients(clients);
        ApplyNmeaOutput();
    });
    dialog->open();
}

void CMainWindow::ReportRefusedSettings() {
    QStringList lines;
    for (const RefusedSetting& refused : m_settings.TakeRefused()) {
        lines << TranslateUserText(CSettings::Notice(refused));
    }
    // One notice for all of them.
    if (!lines.isEmpty()) {
        Report(lines.join(QLatin1Char('\n')));
    }
}

void CMainWindow::Report(const QString& text) {
    m_setup.errors->ShowMessage(ToU16(text));
}

}  // namespace wavelore

#include "gui/main_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "app/nmea_server_settings.h"
#include "common/decoder_text.h"
#include "common/message_ids.h"
#include "common/program_version.h"
#include "common/sample_block.h"
#include "common/user_notifier.h"
#include "gui/app_icon.h"
#include "gui/band_strip_wnd.h"
#include "gui/chart_pane.h"
#include "gui/controls_panel.h"
#include "gui/display_panel.h"
#include "gui/explorer_host.h"
#include "gui/help_menu.h"
#include "gui/level_meter_wnd.h"
#include "gui/message_explorer_wnd.h"
#include "gui/message_pane_wnd.h"
#include "gui/nmea_panel.h"
#include "gui/qt_window_target.h"
#include "gui/receiver_menus.h"
#include "gui/signal_wnd.h"
#include "gui/stations_dialog.h"
#include "gui/system_tray.h"
#include "gui/translated_text.h"
#include "gui/waterfall_wnd.h"
#include "net/http_client.h"
#include "system/tips_reader.h"

namespace wavelore {

namespace {

constexpr int kMinimumWidth = 720;
constexpr int kMinimumHeight = 470;
constexpr int32_t kStartHalfShift = 85;  // until the mode sets its own

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

}  // namespace

CMainWindow::CMainWindow(const MainWindowSetup& setup, QWidget* parent)
    : QMainWindow(parent),
      m_setup(WithDefaults(setup)),
      m_settings(*setup.profile),
      // The upload ID and host are read at every upload: a new one applies
      // to the next message.
      m_reception({.base = setup.workDir,
                   .clock = setup.clock,
                   .notifier = setup.errors,
                   .rawView = this,
                   .uid = [this] { return m_settings.Uid(); },
                   .host = [this] { return m_settings.UploadHost(); },
                   .network = m_setup.network}),
      m_tuning(
          [this](int32_t centre, int32_t halfShift) {
              m_spectrum->SetTuning(centre, halfShift);
              m_displays->SetTuning(centre, halfShift);
          },
          [this](Message m) { return m_decoding.PostToDecoder(std::move(m)); }),
      m_modeView(m_tuning, m_reception, m_decoding),
      m_modes(m_settings, m_modeView),
      m_decoding(*setup.devices, *setup.soundMessages, m_settings, *this, setup.cpuTimes) {
    m_router = new CWindowMessageRouter([this](Message& m) { OnWindowMessage(m); }, this);
    m_self = std::make_unique<CQtWindowTarget>(*m_router);
    m_watchdog.setParent(this);
    m_storeRetry.setParent(this);
    connect(&m_watchdog, &QTimer::timeout, this, [this] { m_decoding.OnWatchdog(); });
    connect(&m_storeRetry, &QTimer::timeout, this, [this] {
        m_reception.RetryPending();
        ShowStorage();
    });
    m_storeRetry.start(10000);
    CreateParts();
    Start();
}

CMainWindow::~CMainWindow() {
    Shutdown();
    if (!m_shutDownDone) {
        // Gone before the drain ended: what is left of it waits here.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            m_drainDeadline - std::chrono::steady_clock::now());
        m_reception.Uploads().Stop({}, std::max(left, std::chrono::milliseconds(0)));
        FinishShutdown();
    }
}

WindowTarget& CMainWindow::Target() {
    return *m_self;
}

void CMainWindow::CreateParts() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    m_spectrum = new CSpectrumWnd(central);
    m_spectrum->setMinimumHeight(90);
    connect(m_spectrum, &CSpectrumWnd::frequencyRequested, this,
            [this](int32_t centre) { m_tuning.OnSetFrequency(centre); });
    layout->addWidget(m_spectrum, 3);
    m_displays = new CDisplayPanel(m_spectrum, central);
    connect(m_displays, &CDisplayPanel::frequencyRequested, this,
            [this](int32_t centre) { m_tuning.OnSetFrequency(centre); });
    layout->addWidget(m_displays->Waterfall(), 3);

    auto* middle = new QHBoxLayout;
    m_signal = new CSignalWnd(central);
    m_signal->setMinimumHeight(60);
    middle->addWidget(m_signal, 1);
    middle->addWidget(m_displays->LevelMeter());
    m_controls = new CControlsPanel(
        m_decoding, m_modes, [this] { ReportRefusedSettings(); }, central);
    middle->addWidget(m_controls);
    layout->addLayout(middle, 2);

    m_messages =
        new CExplorerHost(m_settings, m_reception, m_setup.workDir / kLogsDirName, central);
    connect(m_messages, &CExplorerHost::MessageChosen, this,
            [this](const std::filesystem::path& path) {
                Message show = Message::With(WM_SHOW_MESSAGE, 0, 0, path);
                m_self->Send(show);
            });
    layout->addWidget(m_messages->Pane(), 8);
    m_chart = new CChartPane(&Bridge().Index(), *m_setup.clock, this);
    m_chart->SetNavArea(Bridge().NavArea());
    m_chart->SetHideRepeats(m_settings.HideRepeats());
    connect(m_messages, &CExplorerHost::MessageChosen, m_chart, &CChartPane::ShowStoredMessage);
    connect(m_chart, &CChartPane::messageOpened, this, &CMainWindow::ShowStoredMessage);
    setCentralWidget(central);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(800, 560);

    setWindowIcon(WindowIcon());
    m_tray = new CSystemTray(this, WindowIcon(), tr("Tarvolt Wavelore"),
                             std::function<bool()>(&QSystemTrayIcon::isSystemTrayAvailable));
    const auto report = [this](const QString& text) { Report(text); };
    m_menus = new CReceiverMenus(
        this, m_decoding, m_modes, [this] { ReportRefusedSettings(); }, report);
    m_nmea = new CNmeaPanel(this, m_settings, Bridge(), report);
    m_alarm =
        new CAlarmPanel(this, m_settings, Bridge(), *m_tray, m_setup.alarmSound, m_setup.errors);
    Bridge().SetAlarm(&m_alarm->Model());
    m_modeView.Bind(m_menus, m_controls, m_messages);
    m_help =
        new CHelpMenu(this, *m_setup.profile, m_settings, m_setup.workDir / CTipsReader::kFileName,
                      m_setup.network, m_setup.boxes);
}

void CMainWindow::CreateMenus() {
    m_menus->AddSoundMenu(menuBar());
    m_menus->AddModeMenu(menuBar());
    QMenu* options = menuBar()->addMenu(tr("&Options"));
    options->addAction(tr("Stations and subjects..."), this, &CMainWindow::ShowStationsDialog);
    options->addSeparator();
    options->addAction(Explorer()->HideRepeatsAction());
    options->addAction(Explorer()->ShowAllAction());
    options->addSeparator();
    m_alarm->AddTo(options);
    options->addSeparator();
    m_nmea->AddTo(options);
    menuBar()->addMenu(m_displays->ViewMenu());
    m_displays->ViewMenu()->addAction(tr("C&hart"), m_chart, &CChartPane::Open);
    m_help->AddTo(menuBar());
    // The menu bar from the keyboard, as on other desktops.
    connect(new QShortcut(QKeySequence(Qt::Key_F10), this), &QShortcut::activated, this,
            [this] { menuBar()->setActiveAction(menuBar()->actions().value(0)); });
}

void CMainWindow::StartOwnPosition() {
    const CNmeaServerSettings nmea(m_settings);
    Bridge().Nmea().SetWaypoints(nmea.Waypoints());
    const std::string source = nmea.NmeaIn();
    if (source.empty()) {
        return;
    }
    std::string error;
    if (!m_ownPosition.Start(source, error)) {
        Report(tr("Own position is not read from %1: %2")
                   .arg(QString::fromStdString(source), QString::fromStdString(error)));
        return;
    }
    // A fix older than a minute is no longer where the ship is.
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this] {
        const auto fix = m_ownPosition.Fix(std::chrono::minutes(1));
        m_chart->SetOwnPosition(fix ? std::optional<GeoPosition>(fix->position) : std::nullopt);
    });
    poll->start(2000);
}

void CMainWindow::Start() {
    m_systemInfo.Collect(*m_setup.systemFacts);
    // Without it each file says why it cannot be written.
    std::string ignored;
    m_reception.CreateLogTree(ignored);
    Bridge().ReadSettings(m_settings);
    m_reception.OpenIndex();
    // Chart programs find the feeds of the warnings in force at once, not
    // only after the next message.
    Bridge().Feeds().Rewrite(m_setup.clock->Now());
    StartOwnPosition();
    m_messages->CreateExplorer();
    CreateMenus();
    m_messages->RestoreSplit();
    m_tuning.SetTuning(m_settings.Frequency(), kStartHalfShift);
    setWindowTitle(QStringLiteral("%1 v%2").arg(tr("Tarvolt Wavelore"), FromU16(kProgramVersion)));
    m_reception.StartLogDay();
    PostStartupBanner();
    BuildSoundSources();
    RestoreSwitches();
    // Without a worker completed messages are simply not uploaded.
    m_reception.StartUploads(m_self.get());
    m_messages->ShowRawData();
    m_modes.RestoreMode();
    m_help->Start();
    ReportRefusedSettings();
}

void CMainWindow::PostStartupBanner() {
    DecoderText banner;
    banner.text = m_systemInfo.Report(windowTitle().toStdU16String());
    banner.good = static_cast<int32_t>(banner.text.size());
    banner.errors = 1;
    m_self->Post(Message::With(WM_DECODER_TEXT, 0, 0, std::move(banner)));
}

void CMainWindow::BuildSoundSources() {
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
    m_menus->FillSoundSources();
}

void CMainWindow::RestoreSwitches() {
    m_decoding.RestoreSwitches();
    m_controls->ShowSwitches();
    m_menus->SetEnhancedChecked(m_decoding.Config().enhanced);
}

void CMainWindow::closeEvent(QCloseEvent* event) {
    Shutdown();
    if (!m_shutDownDone) {
        // Hidden while the uploads drain; closed again when they have.
        event->ignore();
        hide();
        return;
    }
    event->accept();
    m_tray->HideIcon();
    // The program ends with its window, also when the window was hidden in
    // the notification area, where closing it closes no visible window.
    QCoreApplication::quit();
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
    // The decoder stops first: what it gave until then, the text its chain
    // held back included, is handled as any decoded text.
    m_decoding.Stop();
    m_router->DeliverPosted();
    // From here on decoded text and spectra go nowhere.
    m_closing = true;
    m_alarm->Silence();
    m_reception.SetClosing();
    m_storeRetry.stop();
    m_settings.WriteFrequency(m_spectrum->GetCentre());
    m_help->Close();
    m_drainDeadline = std::chrono::steady_clock::now() + CMessageUploads::kShutdownWait;
    DrainUploads();
}

void CMainWindow::DrainUploads() {
    CMessageUploads& uploads = m_reception.Uploads();
    if (!uploads.Drained() && std::chrono::steady_clock::now() < m_drainDeadline) {
        // The event loop runs on meanwhile: no loop of our own.
        QTimer::singleShot(CUploadWorker::kShutdownPoll, this, [this] {
            DrainUploads();
            if (m_shutDownDone) {
                close();
            }
        });
        return;
    }
    uploads.Stop({}, std::chrono::milliseconds(0));
    FinishShutdown();
}

void CMainWindow::FinishShutdown() {
    m_reception.Finish();
    m_decoding.Release();
    m_messages->DestroyExplorer();
    m_self->Close();
    m_shutDownDone = true;
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
                m_reception.Handle(*text);
                ShowStorage();
            }
            break;
        case WM_DECODER_CPULOAD:
            m_controls->ShowLoad(static_cast<int32_t>(message.wParam),
                                 m_decoding.TenthsOfSecondsLost());
            break;
        case WM_UPLOAD_RESULT:
            m_reception.Uploads().HandleResult(message);
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
    // The block stays the decoder thread's, which demodulates it next: only
    // what is computed from it is kept.
    const SampleBlock* block = m_closing ? nullptr : message.Get<SampleBlock>();
    const auto request = m_decoding.OnSpectrum(block, m_tuning.Centre(), m_tuning.HalfShift());
    if (block != nullptr) {
        m_tuning.OnSearchResult(request);
        m_spectrum->ShowSpectrum(m_decoding.Tuning().Analyzer().Spectrum());
        m_displays->SpectrumShown(*block, ChainQualityOf(message));
    }
}

void CMainWindow::ShowStorage() {
    m_controls->ShowStorage(m_reception.WaitingMessages(), m_reception.LostMessages());
}

void CMainWindow::ShowStoredMessage(const std::filesystem::path& path) {
    m_messages->ShowStoredMessage(path);
}

void CMainWindow::ShowStationsDialog() {
    auto* dialog = new CStationsDialog(m_settings, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, m_messages, &CExplorerHost::ApplySelection);
    connect(dialog, &QDialog::accepted, m_chart,
            [this] { m_chart->SetNavArea(Bridge().NavArea()); });
    dialog->open();
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
    m_menus->ShowCurrentSource(index);
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

void CMainWindow::AppendRawText(std::u16string_view chunk) {
    m_messages->AppendRawText(chunk);
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
    m_setup.errors->ShowMessage(text.toStdU16String());
}

}  // namespace wavelore

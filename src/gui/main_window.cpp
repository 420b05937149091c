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
#include "gui/status_bar_wnd.h"
#include "gui/system_tray.h"
#include "gui/translated_text.h"
#include "gui/waterfall_wnd.h"
#include "gui/window_geometry.h"
#include "net/http_client.h"
#include "system/tips_reader.h"

namespace wavelore {

namespace {

constexpr int kMinimumWidth = 720;
constexpr int kMinimumHeight = 470;
constexpr QSize kDefaultSize(800, 560);
constexpr int32_t kStartHalfShift = 85;  // until the mode sets its own

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
      m_receptions(m_reception, m_reception.Config()),
      m_tuning(
          [this](int32_t centre, int32_t halfShift) {
              m_spectrum->SetTuning(centre, halfShift);
              m_displays->SetTuning(centre, halfShift);
              m_status->Refresh();
          },
          [this](Message m) { return m_decoding.PostToDecoder(std::move(m)); }),
      m_modeView(m_tuning, m_receptions, m_decoding),
      m_modes(m_settings, m_modeView),
      m_host(this, *setup.errors),
      m_decoding(*setup.devices, *setup.soundMessages, m_settings, m_host, setup.cpuTimes,
                 StartThread, setup.radios) {
    m_router = new CWindowMessageRouter([this](Message& m) { OnWindowMessage(m); }, this);
    m_self = std::make_unique<CQtWindowTarget>(*m_router);
    m_storeRetry.setParent(this);
    connect(&m_storeRetry, &QTimer::timeout, this, [this] {
        m_receptions.ForEach([](CReception& reception) { reception.RetryPending(); });
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
        new CExplorerHost(m_settings, m_receptions, m_setup.workDir / kLogsDirName, central);
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
    m_status = new CStatusBarWnd(
        {&m_decoding, &m_modes, &m_tuning, &Bridge().Index(), m_setup.clock}, this);
    setStatusBar(m_status);
    Bridge().AddOutput(m_status, CMessageFilter::Wants::Every);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    RestoreWindowGeometry(*this, m_settings, kDefaultSize);

    setWindowIcon(WindowIcon());
    m_tray = new CSystemTray(this, WindowIcon(), tr("Tarvolt Wavelore"),
                             std::function<bool()>(&QSystemTrayIcon::isSystemTrayAvailable));
    const auto report = [this](const QString& text) { m_host.Report(text); };
    m_menus = new CReceiverMenus(
        this, m_decoding, m_modes, [this] { ReportRefusedSettings(); }, report);
    m_nmea = new CNmeaPanel(this, m_settings, Bridge(), report);
    connect(m_nmea, &CNmeaPanel::ownPositionChanged, m_chart, &CChartPane::SetOwnPosition);
    m_alarm =
        new CAlarmPanel(this, m_settings, Bridge(), *m_tray, m_setup.alarmSound, m_setup.errors);
    Bridge().SetAlarm(&m_alarm->Model());
    m_modeView.Bind(m_menus, m_controls, m_messages);
    m_host.Bind(&m_decoding, &m_modes, m_router, m_menus);
    m_host.SetChannelHandler(
        [this](int32_t frequencyHz, Message& m) { OnDecoderMessage(frequencyHz, m); });
    connect(&m_host, &CDecodingHost::channelsChanged, this, &CMainWindow::ShowChannels);
    m_help =
        new CHelpMenu(this, *m_setup.profile, m_settings, m_setup.workDir / CTipsReader::kFileName,
                      m_setup.network, m_setup.boxes);
}

void CMainWindow::CreateMenus() {
    m_menus->AddSoundMenu(menuBar());
    m_menus->AddModeMenu(menuBar());
    m_menus->AddChannelMenu(menuBar());
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
    m_messages->CreateExplorer();
    CreateMenus();
    m_messages->RestoreSplit();
    m_tuning.SetTuning(m_settings.Frequency(), kStartHalfShift);
    setWindowTitle(
        QStringLiteral("%1 v%2").arg(tr("Tarvolt Wavelore"), ToQString(kProgramVersion)));
    m_reception.StartLogDay();
    PostStartupBanner();
    m_host.BuildSources(m_setup.play, m_setup.fast);
    RestoreSwitches();
    // Without a worker completed messages are simply not uploaded.
    m_reception.StartUploads(m_self.get());
    m_messages->ShowRawData();
    m_modes.RestoreMode();
    m_help->Start();
    ReportRefusedSettings();
    m_status->Refresh();
}

void CMainWindow::PostStartupBanner() {
    DecoderText banner;
    banner.text = m_systemInfo.Report(windowTitle().toStdU16String());
    banner.good = static_cast<int32_t>(banner.text.size());
    banner.errors = 1;
    m_self->Post(Message::With(WM_DECODER_TEXT, 0, 0, std::move(banner)));
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
    m_host.DeliverPosted();
    // From here on decoded text and spectra go nowhere.
    m_closing = true;
    m_alarm->Silence();
    m_receptions.ForEach([](CReception& reception) { reception.SetClosing(); });
    m_storeRetry.stop();
    m_settings.WriteFrequency(m_spectrum->GetCentre());
    SaveWindowGeometry(*this, m_settings);
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
    m_receptions.Finish();
    m_decoding.Release();
    m_messages->DestroyExplorer();
    m_self->Close();
    m_shutDownDone = true;
}

void CMainWindow::OnWindowMessage(Message& message) {
    switch (message.id) {
        case WM_SET_FREQUENCY:
            m_tuning.OnSetFrequency(static_cast<int32_t>(message.wParam));
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
            OnDecoderMessage(0, message);
            break;
    }
}

void CMainWindow::OnDecoderMessage(int32_t frequencyHz, Message& message) {
    // Of a radio's channels only the one shown reaches the displays; each
    // stores its own messages.
    const bool shown = frequencyHz == m_decoding.ShownFrequency();
    switch (message.id) {
        case WM_DECODER_SPECTRUM:
            if (shown) {
                OnDecoderSpectrum(message);
            } else {
                m_decoding.OnChannelSpectrum(frequencyHz,
                                             m_closing ? nullptr : message.Get<SampleBlock>());
            }
            break;
        case WM_DECODER_SIGNAL:
            if (const SampleBlock* block = message.Get<SampleBlock>(); block && shown) {
                m_signal->AddBlock(*block);
            }
            break;
        case WM_DECODER_TEXT:
            if (const DecoderText* text = message.Get<DecoderText>()) {
                m_receptions.For(frequencyHz).Handle(*text);
                ShowStorage();
            }
            break;
        case WM_DECODER_CPULOAD:
            if (shown) {
                m_controls->ShowLoad(static_cast<int32_t>(message.wParam),
                                     m_decoding.TenthsOfSecondsLost());
            }
            break;
        default:
            break;
    }
}

void CMainWindow::ShowChannels(int32_t centre) {
    m_receptions.Show(m_decoding.ShownFrequency());
    m_tuning.SetTuning(centre, m_modes.HalfShift());
    m_menus->FillChannels();
    m_status->Refresh();
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
    m_controls->ShowStorage(m_receptions.WaitingMessages(), m_receptions.LostMessages());
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

void CMainWindow::AppendRawText(std::u16string_view chunk) {
    m_messages->AppendRawText(chunk);
}

}  // namespace wavelore

#include "gui/receiver_menus.h"

#include <string>

#include <QActionGroup>
#include <QFileDialog>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "app/decoding_control.h"
#include "app/mode_controller.h"
#include "gui/radio_settings_dialog.h"

namespace wavelore {

namespace {

QString FromU16(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// A menu item's text shows "&" as itself, not as a mnemonic.
QString MenuText(std::u16string_view name) {
    return FromU16(name).replace(QLatin1Char('&'), QLatin1String("&&"));
}

}  // namespace

CReceiverMenus::CReceiverMenus(QWidget* window, CDecodingControl& decoding, CModeController& modes,
                               std::function<void()> changed,
                               std::function<void(const QString&)> report)
    : QObject(window),
      m_window(window),
      m_decoding(decoding),
      m_modes(modes),
      m_changed(std::move(changed)),
      m_report(std::move(report)) {}

void CReceiverMenus::AddSoundMenu(QMenuBar* bar) {
    m_soundMenu = bar->addMenu(tr("&Sound source"));
    m_sourceGroup = new QActionGroup(this);
    // Owned here, so that refilling the menu keeps them and their shortcut.
    m_playAtSpeed = new QAction(tr("Play at recording speed"), this);
    m_playAtSpeed->setCheckable(true);
    connect(m_playAtSpeed, &QAction::triggered, this, [this](bool realTime) {
        m_decoding.SetRecordingPace(realTime ? CRecordingWaveIn::Pace::RealTime
                                             : CRecordingWaveIn::Pace::AsTaken);
    });
    m_pause = new QAction(tr("Pause recording"), this);
    m_pause->setCheckable(true);
    m_pause->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(m_pause, &QAction::triggered, this, [this](bool paused) {
        m_decoding.PauseRecording(paused);
        ShowRecordingState();
    });
}

void CReceiverMenus::AddModeMenu(QMenuBar* bar) {
    m_modeMenu = bar->addMenu(tr("&Mode"));
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
            m_changed();
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
    connect(m_enhanced, &QAction::triggered, this, [this](bool on) { m_decoding.SetEnhanced(on); });
}

void CReceiverMenus::AddChannelMenu(QMenuBar* bar) {
    m_bar = bar;
    m_channelMenu = new QMenu(tr("&Channel"), m_window);
    m_channelGroup = new QActionGroup(this);
    FillChannels();
}

void CReceiverMenus::FillChannels() {
    if (m_channelMenu == nullptr) {
        return;
    }
    m_channelMenu->clear();
    const std::vector<double> channels = m_decoding.Channels();
    for (size_t i = 0; i < channels.size(); ++i) {
        QAction* action =
            m_channelMenu->addAction(tr("%1 kHz").arg(channels[i] / 1000.0, 0, 'g', 10));
        action->setCheckable(true);
        action->setChecked(i == m_decoding.ShownChannel());
        if (i < 9) {
            action->setShortcut(QKeySequence(Qt::ALT | static_cast<Qt::Key>(Qt::Key_1 + i)));
        }
        m_channelGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, i] { m_decoding.ShowChannel(i); });
    }
    // In the bar, right after "Mode", only while there are channels to
    // choose from.
    QAction* menu = m_channelMenu->menuAction();
    const QList<QAction*> bar = m_bar->actions();
    if (channels.empty()) {
        m_bar->removeAction(menu);
    } else if (!bar.contains(menu)) {
        const qsizetype mode = bar.indexOf(m_modeMenu->menuAction());
        m_bar->insertMenu(bar.value(mode + 1), m_channelMenu);
    }
}

void CReceiverMenus::FillSoundSources() {
    m_soundMenu->clear();
    m_sources.clear();
    const CSoundSourceSelector& sources = m_decoding.Sources();
    if (sources.Items().empty()) {
        m_soundMenu->addAction(tr("(none)"))->setEnabled(false);
    }
    bool radios = false;
    for (const auto& item : sources.Items()) {
        if (sources.IsRadio(item.index) && !radios) {
            radios = true;
            m_soundMenu->addSeparator();
        }
        QAction* action = m_soundMenu->addAction(MenuText(item.name));
        action->setCheckable(true);
        m_sourceGroup->addAction(action);
        const int32_t index = item.index;
        connect(action, &QAction::triggered, this,
                [this, index] { m_decoding.OnSoundSource(index); });
        m_sources[index] = action;
    }
    m_soundMenu->addSeparator();
    m_soundMenu->addAction(tr("Open recording..."), this, &CReceiverMenus::OpenRecording);
    m_soundMenu->addAction(tr("Open IQ recording..."), this, &CReceiverMenus::OpenIqRecording);
    m_soundMenu->addAction(tr("Radio settings..."), this, &CReceiverMenus::EditRadioSettings);
    m_soundMenu->addAction(m_playAtSpeed);
    m_soundMenu->addAction(m_pause);
    m_playAtSpeed->setChecked(m_decoding.RecordingPace() == CRecordingWaveIn::Pace::RealTime);
    ShowCurrentSource(sources.Current());
}

void CReceiverMenus::ShowCurrentSource(int32_t index) {
    for (const auto& [source, action] : m_sources) {
        action->setChecked(source == index);
    }
    ShowRecordingState();
}

void CReceiverMenus::ShowRecordingState() {
    const CSoundSourceSelector& sources = m_decoding.Sources();
    m_pause->setEnabled(m_decoding.Recording() != nullptr &&
                        sources.IsRecording(sources.Current()));
    m_pause->setChecked(m_decoding.RecordingPaused());
}

void CReceiverMenus::SetCommandChecked(int32_t commandId, bool checked) {
    const auto it = m_commands.find(commandId);
    if (it != m_commands.end()) {
        it->second->setChecked(checked);
    }
}

void CReceiverMenus::SetEnhancedChecked(bool checked) {
    m_enhanced->setChecked(checked);
}

void CReceiverMenus::OpenRecording() {
    const QString path = QFileDialog::getOpenFileName(
        m_window, tr("Open recording"), QString(),
        tr("Recordings (*.wav *.flac *.ogg *.raw *.s16le);;All files (*)"));
    if (path.isEmpty()) {
        return;
    }
    std::string error;
    if (!m_decoding.OpenRecording(path.toStdString(), m_decoding.RecordingPace(), error)) {
        m_report(tr("Cannot play the recording: %1").arg(QString::fromStdString(error)));
        return;
    }
    FillSoundSources();
    m_decoding.OnSoundSource(m_decoding.Sources().Current());
}

void CReceiverMenus::OpenIqRecording() {
    const QString path = QFileDialog::getOpenFileName(
        m_window, tr("Open IQ recording"), QString(),
        tr("IQ recordings (*.cu8 *.cs16 *.cf32 *.wav *.raw);;All files (*)"));
    if (path.isEmpty()) {
        return;
    }
    CRadioSettingsDialog dialog(m_decoding.Radio(), CRadioSettingsDialog::For::IqRecording,
                                m_window);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    m_decoding.SetRadio(dialog.Settings(), false);
    std::string error;
    if (!m_decoding.OpenIqRecording(path.toStdString(), dialog.Format(), error)) {
        m_report(tr("Cannot play the recording: %1").arg(QString::fromStdString(error)));
        return;
    }
    FillSoundSources();
    m_decoding.OnSoundSource(m_decoding.Sources().Current());
}

void CReceiverMenus::EditRadioSettings() {
    CRadioSettingsDialog dialog(m_decoding.Radio(), CRadioSettingsDialog::For::Sdr, m_window);
    if (dialog.exec() == QDialog::Accepted) {
        m_decoding.SetRadio(dialog.Settings(), true);
        FillSoundSources();
    }
}

}  // namespace wavelore

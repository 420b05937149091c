#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include <QObject>
#include <QString>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;
class QWidget;

namespace wavelore {

class CDecodingControl;
class CModeController;

// The "Sound source", "Mode" and "Channel" menus: the devices, the
// recording and the radios to decode from, "Open recording...", "Open IQ
// recording...", the radio's settings, the recording's pace and its pause;
// the modes, bauds and shifts, and the "Enhanced decoder"; and, while a
// radio is the source, its channels, one of them shown. Each item is
// checked as the decoding and the modes (CDecodingControl,
// CModeController) have it and switches them.
class CReceiverMenus final : public QObject {
    Q_OBJECT

  public:
    // changed: after a menu switched the mode (settings it refused are
    // then said); report: what could not be done.
    CReceiverMenus(QWidget* window, CDecodingControl& decoding, CModeController& modes,
                   std::function<void()> changed, std::function<void(const QString&)> report);

    void AddSoundMenu(QMenuBar* bar);
    void AddModeMenu(QMenuBar* bar);
    // Shown only while a radio is the source.
    void AddChannelMenu(QMenuBar* bar);
    // The radio's channels as the decoding has them now.
    void FillChannels();
    // The sources as the decoding has them now.
    void FillSoundSources();
    void ShowCurrentSource(int32_t index);
    void SetCommandChecked(int32_t commandId, bool checked);
    void SetEnhancedChecked(bool checked);

  private:
    void OpenRecording();
    void OpenIqRecording();
    void EditRadioSettings();
    // The pause item as the recording in use has it.
    void ShowRecordingState();

    QWidget* m_window;
    CDecodingControl& m_decoding;
    CModeController& m_modes;
    std::function<void()> m_changed;
    std::function<void(const QString&)> m_report;
    QMenu* m_soundMenu = nullptr;
    QActionGroup* m_sourceGroup = nullptr;
    QMenu* m_modeMenu = nullptr;
    QMenuBar* m_bar = nullptr;
    QMenu* m_channelMenu = nullptr;
    QActionGroup* m_channelGroup = nullptr;
    QAction* m_enhanced = nullptr;           // "Enhanced decoder"
    QAction* m_playAtSpeed = nullptr;        // "Play at recording speed"
    QAction* m_pause = nullptr;              // "Pause recording"
    std::map<int32_t, QAction*> m_commands;  // mode, baud and shift commands
    std::map<int32_t, QAction*> m_sources;   // sound source index -> item
};

}  // namespace wavelore

#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include <QWidget>

class QCheckBox;
class QLabel;

namespace wavelore {

class CDecodingControl;
class CModeController;

// The receiver's switches beside the signal panel: AFC, SmartTune, Strict
// FEC, Invert and NAVTEX-J, with the processor load, the sound lost and the
// messages waiting to be stored. The boxes show the decoding's
// configuration (ReceiverConfig) and switch it there; the labels keep their
// width, so nothing beside them moves as the figures change.
class CControlsPanel final : public QWidget {
    Q_OBJECT

  public:
    // changed: after the NAVTEX-J box switched the mode (settings it
    // refused are then said).
    CControlsPanel(CDecodingControl& decoding, CModeController& modes,
                   std::function<void()> changed, QWidget* parent = nullptr);

    // The boxes as the configuration has them.
    void ShowSwitches();
    void SetNavtexJChecked(bool checked);
    void EnableAfc(bool enabled);
    void EnableStrictFec(bool enabled);
    // percent < 0 keeps the figure shown.
    void ShowLoad(int32_t percent, uint64_t tenthsLost);
    void ShowStorage(size_t waiting, size_t lost);
    void HideStatusLine();

  private:
    CDecodingControl& m_decoding;
    QCheckBox* m_afc = nullptr;
    QCheckBox* m_strictFec = nullptr;
    QCheckBox* m_invert = nullptr;
    QCheckBox* m_smartTune = nullptr;
    QCheckBox* m_navtexJ = nullptr;
    QLabel* m_cpuLoad = nullptr;
    QLabel* m_soundLost = nullptr;  // sound lost to overflows, once there is any
    QLabel* m_notStored = nullptr;  // messages without room on disk, once there are any
    QLabel* m_statusLine = nullptr;
};

}  // namespace wavelore

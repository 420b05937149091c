#pragma once

#include <QObject>
#include <cstdint>
#include <optional>

#include "common/chain_quality.h"

class QAction;
class QMenu;
class QWidget;

namespace wavelore {

class CLevelMeterWnd;
class CSpectrumWnd;
class CWaterfallWnd;
class SampleBlock;

// What the window shows around the spectrum strip: the waterfall under it,
// the input level meter, and the View menu that switches them, chooses the
// strip's trace and tunes from the keyboard (the arrow keys while the strip
// or the waterfall has the focus, Shift for 10 Hz steps, and a dialog to
// type the centre). Every tuning it asks for leaves through
// frequencyRequested, as a click on the strip does.
class CDisplayPanel : public QObject {
    Q_OBJECT

  public:
    // spectrum: the window's strip, whose shown spectrum feeds the
    // waterfall; parent: where the widgets live.
    CDisplayPanel(CSpectrumWnd* spectrum, QWidget* parent);

    CWaterfallWnd* Waterfall() const { return m_waterfall; }
    CLevelMeterWnd* LevelMeter() const { return m_meter; }
    QMenu* ViewMenu() const { return m_viewMenu; }

    // After the strip has shown a new spectrum: its buffer of input and the
    // weak-signal chain's figures that came with it, for the level meter.
    void SpectrumShown(const SampleBlock& input, const std::optional<ChainQuality>& quality);
    // The tuning in effect, Hz.
    void SetTuning(int32_t centre, int32_t halfShift);

  signals:
    void frequencyRequested(int32_t centre);

  private:
    void AddTraceMenu();
    void AddKeyboardTuning();
    void Step(bool up, bool large);
    void TypeCentre();

    CSpectrumWnd* m_spectrum;
    CWaterfallWnd* m_waterfall;
    CLevelMeterWnd* m_meter;
    QMenu* m_viewMenu;
    int32_t m_centre = 0;
    int32_t m_halfShift = 0;
    bool m_tuned = false;
};

}  // namespace wavelore

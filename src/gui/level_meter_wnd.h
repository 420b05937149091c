#pragma once

#include <QWidget>

#include "display/level_meter.h"

namespace wavelore {

// The input level: a bar of each buffer's peak from -60 to 0 dBFS with the
// held peak, "Clip" in red while clipping is held, and the weak-signal
// chain's signal-to-noise figure and lock when it runs.
//
// The host feeds it the raw block of each buffer (WM_DECODER_SPECTRUM) with
// AddBlock, and the chain's state with SetChainState after each buffer
// (nullopt when the weak-signal chain does not run).
class CLevelMeterWnd : public QWidget {
    Q_OBJECT

  public:
    explicit CLevelMeterWnd(QWidget* parent = nullptr);

    void AddBlock(const SampleBlock& block);
    void SetChainState(std::optional<CLevelMeter::ChainState> state);
    // A stopped source: the bar empties.
    void Reset();

    const CLevelMeter& Model() const { return m_meter; }
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    CLevelMeter m_meter;
};

}  // namespace wavelore

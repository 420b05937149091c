#pragma once

#include "common/sample_block.h"
#include "display/signal_history.h"
#include "gui/display_wnd.h"

namespace wavelore {

// The signal panel: the demodulator output of the last five buffers as a
// red trace, positive values (the upper tone) below the middle.
class CSignalWnd : public CDisplayWnd {
    Q_OBJECT

  public:
    explicit CSignalWnd(QWidget* parent = nullptr);

    // One buffer of demodulator output; nothing of it is kept but the
    // reduced points.
    void AddBlock(const SampleBlock& block);

    const CSignalHistory& Model() const { return m_history; }

  protected:
    void Paint(QPainter& painter, int width, int height) override;

  private:
    CSignalHistory m_history;
};

}  // namespace wavelore

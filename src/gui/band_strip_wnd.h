#pragma once

#include <cstdint>
#include <optional>

#include "common/sample_block.h"
#include "display/band_scope.h"
#include "gui/display_wnd.h"

namespace wavelore {

// The spectrum strip: the spectrum of each audio buffer in cyan, the
// tuning markers, the frequency scale and the centre frequency. Clicks,
// drags and the automatic tuning search ask for a new centre through
// frequencyRequested; the markers move only when SetTuning comes back.
class CSpectrumWnd : public CDisplayWnd {
    Q_OBJECT

  public:
    explicit CSpectrumWnd(QWidget* parent = nullptr);

    // centre, halfShift: Hz. Also lets the strip take mouse input, which it
    // ignores until the first call.
    void SetTuning(int32_t centre, int32_t halfShift);
    int32_t GetCentre() const { return m_scope.GetCentre(); }

    // The automatic tuning search (SmartTune/AFC).
    void SetAutoTune(bool on) { m_scope.autoTune = on; }
    bool AutoTune() const { return m_scope.autoTune; }
    void SetSearch(CBandScope::Search search) { m_scope.SetSearch(search); }

    // A copy of one buffer's raw samples: analysed, searched, repainted.
    void AddBlock(const SampleBlock& block);

    const CBandScope& Model() const { return m_scope; }

  signals:
    // A centre frequency (Hz) the user or the search asks for.
    void frequencyRequested(int32_t centre);

  protected:
    void Paint(QPainter& painter, int width, int height) override;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void EndDrag();
    void Request(std::optional<int32_t> centre);

    CBandScope m_scope;
};

}  // namespace wavelore

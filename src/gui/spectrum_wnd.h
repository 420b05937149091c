#pragma once

#include <cstdint>
#include <optional>

#include "display/band_scope.h"
#include "gui/display_wnd.h"

namespace wavelore {

// The spectrum strip: the spectrum of each audio buffer in cyan, the
// tuning markers, the frequency scale and the centre frequency. Clicks and
// drags ask for a new centre through frequencyRequested; the markers move
// only when SetTuning comes back.
class CSpectrumWnd : public CDisplayWnd {
    Q_OBJECT

  public:
    explicit CSpectrumWnd(QWidget* parent = nullptr);

    // centre, halfShift: Hz. Also lets the strip take mouse input, which it
    // ignores until the first call.
    void SetTuning(int32_t centre, int32_t halfShift);
    int32_t GetCentre() const { return m_scope.GetCentre(); }

    // The spectrum of one buffer (CSpectrumAnalyzer::Spectrum, copied), or
    // null for none: repainted.
    void ShowSpectrum(const int32_t* levels);

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

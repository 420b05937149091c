#pragma once

#include <cstdint>
#include <optional>

#include "display/band_scope.h"
#include "gui/tuning_display_wnd.h"

namespace wavelore {

// The spectrum strip: the spectrum of each audio buffer in cyan, the
// tuning markers, the frequency scale and the centre frequency. Clicks and
// drags ask for a new centre through frequencyRequested; the markers move
// only when SetTuning comes back.
class CSpectrumWnd : public CTuningDisplayWnd {
    Q_OBJECT

  public:
    explicit CSpectrumWnd(QWidget* parent = nullptr);

    // centre, halfShift: Hz. Also lets the strip take mouse input, which it
    // ignores until the first call.
    void SetTuning(int32_t centre, int32_t halfShift);
    int32_t GetCentre() const { return m_scope.GetCentre(); }

    // The spectrum of one buffer (CBandAnalyzer::Spectrum, copied), or
    // null for none: repainted.
    void ShowSpectrum(const int32_t* levels);
    // Plain (the default), averaged or peak-held trace.
    void SetTrace(CBandScope::Trace trace) {
        m_scope.SetTrace(trace);
        RedrawNow();
    }

    const CBandScope& Model() const { return m_scope; }

  protected:
    void Paint(QPainter& painter, int width, int height) override;
    CTuningPointer* Pointer() override { return m_scope.Tuned() ? &m_scope.Pointer() : nullptr; }
    int32_t PointerHalfShift() const override { return m_scope.HalfShift(); }

  private:
    CBandScope m_scope;
};

}  // namespace wavelore

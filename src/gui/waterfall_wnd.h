#pragma once

#include <QImage>
#include <cstdint>

#include "display/waterfall.h"
#include "gui/tuning_display_wnd.h"

namespace wavelore {

// The waterfall: the spectra of the last seconds as rows of colour, the
// newest at the top, 0 to 5512 Hz across like the spectrum strip, with
// the centre and tone markers. Clicks and drags (Ctrl for fine steps) ask
// for a new centre through frequencyRequested, as on the strip.
//
// The host feeds it the strip's spectrum after each block:
//   waterfall->AddSpectrum(spectrum->Model().TraceLevels());
class CWaterfallWnd : public CTuningDisplayWnd {
    Q_OBJECT

  public:
    explicit CWaterfallWnd(QWidget* parent = nullptr);

    // centre, halfShift: Hz. Also lets the waterfall take mouse input.
    void SetTuning(int32_t centre, int32_t halfShift);
    // One spectrum of CWaterfall::kBins levels (null is ignored).
    void AddSpectrum(const int32_t* levels);
    // Forgets the rows shown (a new recording, say).
    void Clear();

    const CWaterfall& Model() const { return m_model; }

  protected:
    void Paint(QPainter& painter, int width, int height) override;
    CTuningPointer* Pointer() override { return m_model.Tuned() ? &m_model.Pointer() : nullptr; }
    int32_t PointerHalfShift() const override { return m_model.HalfShift(); }

  private:
    // Brings the image to the widget's size and to the rows added since it
    // was last drawn: new rows scroll it down, a new size redraws it all.
    void UpdateImage(int width, int height);

    CWaterfall m_model;
    QImage m_image;
    uint64_t m_drawn = 0;  // m_model.Added() when the image was last brought up to date
};

}  // namespace wavelore

#pragma once

#include <QDialog>
#include <cstdint>

class QSpinBox;

namespace wavelore {

// Where the user types the centre frequency: a number of hertz within the
// range the spectrum strip can tune to for the shift in effect
// (CKeyboardTuning), starting at the present centre. OK gives the value;
// the host asks for it as for a click on the strip.
class CCentreFrequencyDialog final : public QDialog {
    Q_OBJECT

  public:
    // centre, halfShift: Hz, as in effect.
    CCentreFrequencyDialog(int32_t centre, int32_t halfShift, QWidget* parent = nullptr);

    int32_t Frequency() const;
    QSpinBox* FrequencyEdit() const { return m_edit; }

  private:
    QSpinBox* m_edit = nullptr;
};

}  // namespace wavelore

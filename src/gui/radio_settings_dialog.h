#pragma once

#include <string>

#include <QDialog>

#include "sdr/radio_settings.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;

namespace wavelore {

// The radio's settings: for an SDR its arguments, rate, centre, gain,
// frequency correction and direct sampling; for an IQ recording its format,
// rate and centre; for both the channels decoded. OK is taken only when
// every field reads.
class CRadioSettingsDialog final : public QDialog {
    Q_OBJECT

  public:
    enum class For { Sdr, IqRecording };

    CRadioSettingsDialog(const RadioSettings& radio, For kind, QWidget* parent = nullptr);

    RadioSettings Settings() const { return m_radio; }
    // The IQ recording's format: "cu8", "cs16", "cf32", "wav", or empty
    // to tell it by the file's name.
    std::string Format() const;

  private:
    void Accept();

    RadioSettings m_radio;
    QLineEdit* m_args = nullptr;
    QComboBox* m_format = nullptr;
    QLineEdit* m_rate = nullptr;
    QLineEdit* m_centre = nullptr;
    QLineEdit* m_gain = nullptr;
    QDoubleSpinBox* m_ppm = nullptr;
    QLineEdit* m_upconverter = nullptr;
    QComboBox* m_directSampling = nullptr;
    QLineEdit* m_channels = nullptr;
    QLabel* m_error = nullptr;
};

}  // namespace wavelore

#include "gui/radio_settings_dialog.h"

#include <algorithm>
#include <optional>
#include <vector>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace wavelore {

namespace {

QString Hz(double hz) {
    return hz > 0.0 ? QString::number(hz, 'f', 0) : QString();
}

}  // namespace

CRadioSettingsDialog::CRadioSettingsDialog(const RadioSettings& radio, For kind, QWidget* parent)
    : QDialog(parent), m_radio(radio) {
    const bool sdr = kind == For::Sdr;
    setWindowTitle(sdr ? tr("Radio Settings") : tr("IQ Recording"));
    auto* layout = new QFormLayout(this);
    if (sdr) {
        m_args = new QLineEdit(QString::fromStdString(radio.args), this);
        m_args->setPlaceholderText(tr("the first radio found"));
        m_args->setToolTip(tr("SoapySDR device arguments, e.g. driver=rtlsdr"));
        layout->addRow(tr("&Device arguments:"), m_args);
    } else {
        m_format = new QComboBox(this);
        m_format->addItem(tr("By the file's name"), QString());
        for (const char* format : {"cu8", "cs16", "cf32", "wav"}) {
            m_format->addItem(QString::fromLatin1(format), QString::fromLatin1(format));
        }
        layout->addRow(tr("&Format:"), m_format);
    }
    m_rate = new QLineEdit(Hz(radio.sampleRate), this);
    layout->addRow(tr("Sample &rate (Hz):"), m_rate);
    m_centre = new QLineEdit(Hz(radio.centreHz), this);
    m_centre->setPlaceholderText(sdr ? tr("between the channels") : tr("from the file"));
    layout->addRow(tr("C&entre frequency (Hz):"), m_centre);
    if (sdr) {
        m_gain = new QLineEdit(QString::fromStdString(RadioSettings::GainText(radio.gainDb)), this);
        m_gain->setToolTip(tr("dB, or auto for the radio's own gain control"));
        layout->addRow(tr("&Gain (dB):"), m_gain);
        m_ppm = new QDoubleSpinBox(this);
        m_ppm->setRange(-1000.0, 1000.0);
        m_ppm->setDecimals(1);
        m_ppm->setValue(radio.ppm);
        layout->addRow(tr("Frequency &correction (ppm):"), m_ppm);
        m_upconverter = new QLineEdit(Hz(radio.upconverterHz), this);
        m_upconverter->setPlaceholderText(tr("none"));
        m_upconverter->setToolTip(
            tr("The oscillator of an upconverter in front of the radio, "
               "e.g. 125000000"));
        layout->addRow(tr("&Upconverter (Hz):"), m_upconverter);
        m_directSampling = new QComboBox(this);
        m_directSampling->addItem(tr("Off"), QString());
        m_directSampling->addItem(tr("I branch"), QStringLiteral("1"));
        m_directSampling->addItem(tr("Q branch"), QStringLiteral("2"));
        m_directSampling->setCurrentIndex(
            std::max(0, m_directSampling->findData(QString::fromStdString(radio.directSampling))));
        layout->addRow(tr("D&irect sampling:"), m_directSampling);
    }
    m_channels =
        new QLineEdit(QString::fromStdString(RadioSettings::ChannelsText(radio.channels)), this);
    m_channels->setPlaceholderText(tr("490, 518 and 4209.5 kHz where the band holds them"));
    layout->addRow(tr("C&hannels (kHz):"), m_channels);
    m_error = new QLabel(this);
    m_error->setWordWrap(true);
    m_error->hide();
    layout->addRow(m_error);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CRadioSettingsDialog::Accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addRow(buttons);
}

std::string CRadioSettingsDialog::Format() const {
    return m_format != nullptr ? m_format->currentData().toString().toStdString() : std::string();
}

void CRadioSettingsDialog::Accept() {
    RadioSettings radio = m_radio;
    QString problem;
    const std::optional<double> rate = RadioSettings::ParseFrequency(m_rate->text().toStdString());
    const QString centreText = m_centre->text().trimmed();
    const std::optional<double> centre =
        centreText.isEmpty() ? std::optional<double>(0.0)
                             : RadioSettings::ParseFrequency(centreText.toStdString());
    const std::optional<std::vector<double>> channels =
        RadioSettings::ParseChannelsKhz(m_channels->text().toStdString());
    if (!rate || !RadioSettings::TakesSampleRate(*rate)) {
        problem = tr("The sample rate is a number of Hz, from 11025 to 1000000000.");
    } else if (!centre) {
        problem = tr("The centre frequency is a number of Hz, or empty.");
    } else if (!channels) {
        problem = tr("The channels are frequencies in kHz, separated by commas.");
    } else if (m_upconverter != nullptr && !m_upconverter->text().trimmed().isEmpty() &&
               !RadioSettings::ParseFrequency(m_upconverter->text().toStdString())) {
        problem = tr("The upconverter is a number of Hz, or empty.");
    } else if (m_gain != nullptr &&
               !RadioSettings::ParseGain(m_gain->text().toStdString(), radio.gainDb)) {
        problem = tr("The gain is a number of dB, or auto.");
    }
    if (!problem.isEmpty()) {
        m_error->setText(problem);
        m_error->show();
        return;
    }
    radio.sampleRate = *rate;
    radio.centreHz = *centre;
    radio.channels = *channels;
    if (m_args != nullptr) {
        radio.args = m_args->text().trimmed().toStdString();
        radio.ppm = m_ppm->value();
        radio.upconverterHz =
            RadioSettings::ParseFrequency(m_upconverter->text().toStdString()).value_or(0.0);
        radio.directSampling = m_directSampling->currentData().toString().toStdString();
    }
    m_radio = radio;
    accept();
}

}  // namespace wavelore

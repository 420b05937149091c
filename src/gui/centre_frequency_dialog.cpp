#include "gui/centre_frequency_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

#include "display/keyboard_tuning.h"

namespace wavelore {

CCentreFrequencyDialog::CCentreFrequencyDialog(int32_t centre, int32_t halfShift, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Centre Frequency"));
    m_edit = new QSpinBox(this);
    m_edit->setRange(CKeyboardTuning::Lowest(halfShift), CKeyboardTuning::Highest(halfShift));
    m_edit->setValue(CKeyboardTuning::Typed(centre, halfShift));
    m_edit->setSuffix(tr(" Hz"));
    m_edit->setAccelerated(true);
    m_edit->selectAll();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QFormLayout(this);
    layout->addRow(tr("&Centre frequency:"), m_edit);
    layout->addRow(buttons);
}

int32_t CCentreFrequencyDialog::Frequency() const {
    return m_edit->value();
}

}  // namespace wavelore

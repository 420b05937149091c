#include "gui/tip_dialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/tip_of_the_day.h"
#include "gui/app_icon.h"

namespace wavelore {

namespace {

std::function<void()> SeekTrouble(const MessageBoxRunner& boxes, QWidget* parent) {
    return [boxes, parent] {
        boxes(parent,
              MessageBoxContent{QMessageBox::Warning, CTipDialog::tr("Tip of the Day"),
                                CTipDialog::tr("Trouble reading the tips file"), QMessageBox::Ok});
    };
}

}  // namespace

CTipDialog::CTipDialog(IProfileStore& profile, const std::filesystem::path& tipsFile,
                       MessageBoxRunner boxes, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Tip of the Day"));
    m_tips = std::make_unique<CTipOfTheDay>(profile, tipsFile, SeekTrouble(boxes, this));

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::Box);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(white);
    panel->setAutoFillBackground(true);

    auto* bitmap = new QLabel(panel);
    bitmap->setPixmap(TipBitmap());
    auto* heading = new QLabel(tr("Did you know..."), panel);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    heading->setFont(bold);
    m_tip = new QLabel(panel);
    m_tip->setWordWrap(true);
    m_tip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_tip->setMinimumSize(360, 90);
    m_tip->setTextFormat(Qt::PlainText);

    auto* top = new QHBoxLayout;
    top->addWidget(bitmap, 0, Qt::AlignTop);
    top->addWidget(heading, 1, Qt::AlignVCenter);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addLayout(top);
    panelLayout->addWidget(m_tip, 1);

    m_startUp = new QCheckBox(tr("&Show Tips on StartUp"), this);
    m_startUp->setChecked(m_tips->ShowAtStartUp());
    m_next = new QPushButton(tr("&Next Tip"), this);
    m_close = new QPushButton(tr("&Close"), this);
    m_close->setDefault(true);
    m_next->setEnabled(m_tips->FileOpen());
    connect(m_next, &QPushButton::clicked, this, [this] {
        m_tips->Next();
        ShowTip();
    });
    connect(m_close, &QPushButton::clicked, this, &CTipDialog::CloseAndStore);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_startUp, 1);
    bottom->addWidget(m_next);
    bottom->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel, 1);
    layout->addLayout(bottom);
    ShowTip();
}

CTipDialog::~CTipDialog() = default;

bool CTipDialog::ShowAtStartUp(IProfileStore& profile, const std::filesystem::path& tipsFile,
                               const MessageBoxRunner& boxes, QWidget* parent) {
    return CTipOfTheDay(profile, tipsFile, SeekTrouble(boxes, parent)).ShowAtStartUp();
}

void CTipDialog::ShowTip() {
    if (!m_tips->FileOpen()) {
        m_tip->setText(tr("Tips file does not exist in the prescribed directory"));
        return;
    }
    QString tip = QString::fromStdU16String(m_tips->Tip());
    while (tip.endsWith(QLatin1Char('\n'))) {
        tip.chop(1);
    }
    m_tip->setText(tip);
}

void CTipDialog::CloseAndStore() {
    accept();
    m_tips->Close(m_startUp->isChecked());
}

}  // namespace wavelore

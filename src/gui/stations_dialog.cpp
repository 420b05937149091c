#include "gui/stations_dialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/message_selection.h"
#include "app/settings.h"
#include "app/station_table.h"
#include "app/subject_table.h"
#include "common/utf.h"
#include "gui/translated_text.h"

namespace wavelore {

namespace {

// The explorer's category texts carry their translations.
constexpr const char* kCategoryContext = "wavelore::CMessageExplorerWnd";

QListWidget* NewLetterList(std::u16string_view checked, QWidget* parent) {
    auto* list = new QListWidget(parent);
    for (const char16_t letter : CMessageSelection::kAllLetters) {
        auto* item = new QListWidgetItem(QString(QChar(letter)), list);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        item->setCheckState(checked.find(letter) != std::u16string_view::npos ? Qt::Checked
                                                                              : Qt::Unchecked);
    }
    return list;
}

std::u16string CheckedLetters(const QListWidget* list) {
    std::u16string letters;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->checkState() == Qt::Checked) {
            letters += CMessageSelection::kAllLetters[static_cast<size_t>(i)];
        }
    }
    return letters;
}

// A list with "All" and "None" under it, in a group.
QGroupBox* ListGroup(const QString& title, QListWidget* list, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    auto* all = new QPushButton(CStationsDialog::tr("All"), group);
    auto* none = new QPushButton(CStationsDialog::tr("None"), group);
    const auto checkAll = [list](Qt::CheckState state) {
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->flags().testFlag(Qt::ItemIsEnabled)) {
                list->item(i)->setCheckState(state);
            }
        }
    };
    QObject::connect(all, &QPushButton::clicked, list, [checkAll] { checkAll(Qt::Checked); });
    QObject::connect(none, &QPushButton::clicked, list, [checkAll] { checkAll(Qt::Unchecked); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(all);
    buttons->addWidget(none);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(list);
    layout->addLayout(buttons);
    return group;
}

}  // namespace

CStationsDialog::CStationsDialog(CSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setWindowTitle(tr("Stations and subjects"));
    const CMessageSelection selection = m_settings.Selection();

    m_navArea = new QComboBox(this);
    for (int32_t area = CStationTable::kFirstNavArea; area <= CStationTable::kLastNavArea; ++area) {
        m_navArea->addItem(QString::number(area), area);
    }
    m_navArea->setCurrentIndex(m_settings.NavArea() - CStationTable::kFirstNavArea);
    auto* areaLabel = new QLabel(tr("&NAVAREA:"), this);
    areaLabel->setBuddy(m_navArea);
    auto* area = new QHBoxLayout;
    area->addWidget(areaLabel);
    area->addWidget(m_navArea);
    area->addStretch();

    m_stations = NewLetterList(selection.Stations(), this);
    NameStations();
    m_subjects = NewLetterList(selection.Subjects(), this);
    for (int i = 0; i < m_subjects->count(); ++i) {
        QListWidgetItem* item = m_subjects->item(i);
        const char16_t letter = CMessageSelection::kAllLetters[static_cast<size_t>(i)];
        const std::u16string category(SubjectTable::Category(letter));
        item->setText(QStringLiteral("%1  %2").arg(
            QChar(letter),
            QCoreApplication::translate(kCategoryContext, ToUtf8(category).c_str())));
        if (CMessageSelection::IsFixedSubject(letter)) {
            // Warnings and search and rescue are always received.
            item->setCheckState(Qt::Checked);
            item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
        }
    }
    auto* lists = new QHBoxLayout;
    lists->addWidget(ListGroup(tr("Stations"), m_stations, this));
    lists->addWidget(ListGroup(tr("Subjects"), m_subjects, this));

    auto* note = new QLabel(tr("Messages from other stations and of other subjects are still "
                               "stored; they raise no alarm, are not sent on, and show in the "
                               "explorer only with \"Show all messages\". Subjects A, B, D and "
                               "L cannot be left out."),
                            this);
    note->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QDialogButtonBox::Ok);
    m_cancel = buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CStationsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CStationsDialog::reject);
    connect(m_navArea, &QComboBox::currentIndexChanged, this, &CStationsDialog::NameStations);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(area);
    layout->addLayout(lists);
    layout->addWidget(note);
    layout->addWidget(buttons);
    resize(560, 520);
}

void CStationsDialog::NameStations() {
    const int32_t navArea = m_navArea->currentData().toInt();
    for (int i = 0; i < m_stations->count(); ++i) {
        const char16_t letter = CMessageSelection::kAllLetters[static_cast<size_t>(i)];
        const StationName station = CStationTable::Lookup(navArea, letter);
        QListWidgetItem* item = m_stations->item(i);
        item->setText(station.name.empty()
                          ? QString(QChar(letter))
                          : QStringLiteral("%1  %2").arg(QChar(letter), ToQString(station.name)));
        item->setToolTip(ToQString(CStationTable::FrequencyText(station.frequencyHz)));
    }
}

void CStationsDialog::accept() {
    m_settings.WriteSelection(
        CMessageSelection(CheckedLetters(m_stations), CheckedLetters(m_subjects)));
    m_settings.WriteNavArea(m_navArea->currentData().toInt());
    QDialog::accept();
}

}  // namespace wavelore

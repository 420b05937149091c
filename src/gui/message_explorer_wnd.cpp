#include "gui/message_explorer_wnd.h"

#include <QAction>
#include <QHeaderView>
#include <QIcon>
#include <QResizeEvent>
#include <QSplitter>
#include <QTreeWidget>

#include "app/station_table.h"
#include "common/utf.h"
#include "gui/translated_text.h"

namespace wavelore {

namespace {

// The subject table's category texts, for the translation files; they are
// looked up by their English text when a row is shown.
[[maybe_unused]] constexpr const char* kCategoryTexts[] = {
    QT_TRANSLATE_NOOP("wavelore::CMessageExplorerWnd", "Nav warning"),
    QT_TRANSLATE_NOOP("wavelore::CMessageExplorerWnd", "Met warning"),
    QT_TRANSLATE_NOOP("wavelore::CMessageExplorerWnd", "Ice"),
    QT_TRANSLATE_NOOP("wavelore::CMessageExplorerWnd", "Search & Rescue"),
    QT_TRANSLATE_NOOP("wavelore::CMessageExplorerWnd", "Met forecast"),
    QT_TRANSLATE_NOOP("wavelore::CMessageExplorerWnd", "Pilot"),
    QT_TRANSLATE_NOOP("wavelore::CMessageExplorerWnd", "Decca"),
    QT_TRANSLATE_NOOP("wavelore::CMessageExplorerWnd", "Loran"),
    QT_TRANSLATE_NOOP("wavelore::CMessageExplorerWnd", "Omega"),
    QT_TRANSLATE_NOOP("wavelore::CMessageExplorerWnd", "Satnav"),
    QT_TRANSLATE_NOOP("wavelore::CMessageExplorerWnd", "Other navaid"),
    QT_TRANSLATE_NOOP("wavelore::CMessageExplorerWnd", "Navigation"),
    QT_TRANSLATE_NOOP("wavelore::CMessageExplorerWnd", "?"),
    QT_TRANSLATE_NOOP("wavelore::CMessageExplorerWnd", "Special"),
    QT_TRANSLATE_NOOP("wavelore::CMessageExplorerWnd", "No messsage"),
};

// The station column has room for a name ("E Niton").
constexpr int kColumnWidths[CExplorerModel::kColumns] = {50, 110, 50, 65, 90};
// Repeats: received before, so of less interest.
constexpr QColor kRepeatColour(128, 128, 128);
// The explorer's first size, before the main window lays it out.
constexpr int kInitialWidth = 400;
constexpr int kInitialHeight = 250;
constexpr int kIdRole = Qt::UserRole;

const QIcon& DayIcon() {
    static const QIcon icon = [] {
        QIcon i;
        i.addFile(QStringLiteral(":/icons/day.png"), QSize(), QIcon::Normal);
        i.addFile(QStringLiteral(":/icons/day_selected.png"), QSize(), QIcon::Selected);
        return i;
    }();
    return icon;
}

const QIcon& MessageIcon(int32_t image) {
    static const QIcon ordinary(QStringLiteral(":/icons/message.png"));
    static const QIcon important(QStringLiteral(":/icons/message_important.png"));
    return image == CExplorerModel::kImageImportant ? important : ordinary;
}

QTreeWidget* NewTree(QWidget* parent) {
    auto* tree = new QTreeWidget(parent);
    tree->setRootIsDecorated(false);
    tree->setUniformRowHeights(true);
    tree->setIconSize(QSize(16, 16));
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    return tree;
}

}  // namespace

CMessageExplorerWnd::CMessageExplorerWnd(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Message Explorer Window"));
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);

    m_days = NewTree(m_splitter);
    m_days->setHeaderHidden(true);
    m_days->setColumnCount(1);
    m_days->header()->setSectionResizeMode(QHeaderView::Stretch);
    m_days->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    m_messages = NewTree(m_splitter);
    m_messages->setColumnCount(CExplorerModel::kColumns);
    m_messages->setHeaderLabels(
        {tr("Message"), tr("Station"), tr("Type"), tr("Time"), tr("Category")});
    m_messages->setAllColumnsShowFocus(true);
    m_messages->header()->setSectionsClickable(true);
    m_messages->header()->setStretchLastSection(false);
    for (int column = 0; column < CExplorerModel::kColumns; ++column) {
        m_messages->setColumnWidth(column, kColumnWidths[column]);
    }

    m_hideRepeats = new QAction(tr("Hide repeats"), this);
    m_hideRepeats->setCheckable(true);
    m_hideRepeats->setChecked(m_model.HideRepeats());
    m_showAll = new QAction(tr("Show all messages"), this);
    m_showAll->setCheckable(true);
    m_showAll->setChecked(m_model.ShowAll());
    m_showAll->setToolTip(tr("Show the messages outside the chosen stations and subjects too"));
    m_messages->addAction(m_hideRepeats);
    m_messages->addAction(m_showAll);
    m_messages->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(m_hideRepeats, &QAction::triggered, this, [this](bool hide) {
        SetHideRepeats(hide);
        emit HideRepeatsChanged(hide);
    });
    connect(m_showAll, &QAction::toggled, this, [this](bool all) {
        m_model.SetShowAll(all);
        ShowRows();
    });

    m_treeWidth = kInitialWidth / 4;
    resize(kInitialWidth, kInitialHeight);

    connect(m_days, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { OnDaySelected(item); });
    connect(m_messages->header(), &QHeaderView::sectionClicked, this,
            &CMessageExplorerWnd::OnColumnClicked);
    connect(m_messages, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { OnMessageClicked(item); });
    // Enter on a row chooses it like a click; a second choice of the same
    // row is ignored, so platforms that activate on a click send it once.
    connect(m_messages, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { OnMessageClicked(item); });
    connect(m_splitter, &QSplitter::splitterMoved, this,
            [this](int position) { m_treeWidth = position; });
}

void CMessageExplorerWnd::SetLogRoot(const std::filesystem::path& root) {
    m_model.SetLogRoot(root);
    ShowDays();
    ShowRows();
}

void CMessageExplorerWnd::Clear() {
    m_model.Clear();
    ShowDays();
    ShowRows();
}

void CMessageExplorerWnd::SetIndex(CMessageIndex* index) {
    m_model.SetIndex(index);
    const int32_t day = m_model.SelectedDay();
    m_model.SelectDay(day);
    ShowRows();
}

void CMessageExplorerWnd::SetNavArea(int32_t navArea) {
    m_model.SetNavArea(navArea);
    ShowRows();
}

void CMessageExplorerWnd::SetSelection(const CMessageSelection& selection) {
    m_model.SetSelection(selection);
    ShowRows();
}

void CMessageExplorerWnd::SetHideRepeats(bool hide) {
    m_hideRepeats->setChecked(hide);
    m_model.SetHideRepeats(hide);
    ShowRows();
}

void CMessageExplorerWnd::AddStoredMessage(const MessageHeader& header,
                                           const std::filesystem::path& path) {
    const CExplorerModel::Added added = m_model.AddStoredMessage(header, path);
    if (added.day) {
        // Not selected: the user keeps reading the day they chose.
        auto* item = new QTreeWidgetItem(m_days, {ToQString(m_model.Days().back())});
        item->setIcon(0, DayIcon());
    }
    if (added.row) {
        AppendRow(m_model.Rows().back());
    }
}

void CMessageExplorerWnd::ShowDays() {
    const QSignalBlocker block(m_days);
    m_days->clear();
    for (const std::u16string& day : m_model.Days()) {
        auto* item = new QTreeWidgetItem(m_days, {ToQString(day)});
        item->setIcon(0, DayIcon());
    }
    if (m_model.SelectedDay() != CExplorerModel::kNoDay) {
        m_days->setCurrentItem(m_days->topLevelItem(m_model.SelectedDay()));
    }
}

void CMessageExplorerWnd::ShowRows() {
    // The selected message stays selected when the rows are sorted.
    const QTreeWidgetItem* current = m_messages->currentItem();
    const QVariant currentId = current ? current->data(0, kIdRole) : QVariant();
    m_messages->clear();
    for (const ExplorerRow& row : m_model.Rows()) {
        AppendRow(row);
    }
    for (int i = 0; currentId.isValid() && i < m_messages->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_messages->topLevelItem(i);
        if (item->data(0, kIdRole) == currentId) {
            m_messages->setCurrentItem(item);
            break;
        }
    }
}

void CMessageExplorerWnd::AppendRow(const ExplorerRow& row) {
    auto* item = new QTreeWidgetItem(m_messages);
    for (int column = 0; column < CExplorerModel::kColumns; ++column) {
        const std::u16string_view text = CExplorerModel::ColumnText(row, column);
        item->setText(column, column == CExplorerModel::kCategory ? tr(ToUtf8(text).c_str())
                                                                  : ToQString(text));
    }
    item->setIcon(0, MessageIcon(CExplorerModel::Image(row)));
    item->setData(0, kIdRole, QVariant::fromValue<qulonglong>(row.id));
    if (row.frequencyHz > 0) {
        item->setToolTip(CExplorerModel::kStation,
                         ToQString(CStationTable::FrequencyText(row.frequencyHz)));
    }
    for (int column = 0; column < CExplorerModel::kColumns; ++column) {
        if (row.repeat) {
            item->setForeground(column, kRepeatColour);
        }
        if (!row.selected) {
            QFont font = item->font(column);
            font.setItalic(true);
            item->setFont(column, font);
        }
    }
}

void CMessageExplorerWnd::OnDaySelected(QTreeWidgetItem* item) {
    const int32_t index = item ? m_days->indexOfTopLevelItem(item) : CExplorerModel::kNoDay;
    if (index == m_model.SelectedDay()) {
        return;
    }
    m_model.SelectDay(index);
    ShowRows();
}

void CMessageExplorerWnd::OnColumnClicked(int column) {
    m_model.Sort(column);
    ShowRows();
}

void CMessageExplorerWnd::OnMessageClicked(QTreeWidgetItem* item) {
    std::filesystem::path path;
    if (item && m_model.Choose(m_messages->indexOfTopLevelItem(item), path)) {
        emit MessageChosen(path);
    }
}

void CMessageExplorerWnd::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int width = event->size().width();
    m_splitter->setGeometry(0, 0, width, event->size().height());
    // The tree keeps its width; the list takes what is left.
    const int tree = std::min(m_treeWidth, width);
    m_splitter->setSizes({tree, width - tree});
}

}  // namespace wavelore

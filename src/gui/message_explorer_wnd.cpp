#include "gui/message_explorer_wnd.h"

#include <QAction>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QResizeEvent>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "app/message_export.h"
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

constexpr int kSearchDelayMs = 300;
// Files named in an error box, the rest counted.
constexpr int kNamedFiles = 10;
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

// Files and why each failed, for an error box.
template <typename Failures, typename Reason>
QString FileList(const Failures& failures, Reason reason) {
    QStringList lines;
    for (const auto& failure : failures) {
        if (lines.size() == kNamedFiles) {
            lines << QStringLiteral("...");
            break;
        }
        lines << reason(failure);
    }
    return lines.join(u'\n');
}

QString PathText(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
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
        {tr("Message"), tr("Station"), tr("Type"), tr("Time"), tr("Category"), tr("Frequency")});
    m_messages->headerItem()->setToolTip(CExplorerModel::kFrequency,
                                         tr("The channel the message came on, in kHz"));
    m_messages->setAllColumnsShowFocus(true);
    m_messages->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_messages->header()->setSectionsClickable(true);
    m_messages->header()->setSortIndicatorShown(true);
    m_messages->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_messages->header()->setStretchLastSection(false);
    // The category beside its letter: in view in the explorer's first width
    // even when the time is not. The user may order them anew.
    m_messages->header()->setSectionsMovable(true);
    m_messages->header()->moveSection(CExplorerModel::kCategory, CExplorerModel::kTime);

    m_hideRepeats = new QAction(tr("Hide repeats"), this);
    m_hideRepeats->setCheckable(true);
    m_hideRepeats->setChecked(m_model.HideRepeats());
    m_showAll = new QAction(tr("Show all messages"), this);
    m_showAll->setCheckable(true);
    m_showAll->setChecked(m_model.ShowAll());
    m_showAll->setToolTip(tr("Show the messages outside the chosen stations and subjects too"));
    m_exportText = new QAction(tr("Export as text..."), this);
    m_exportCsv = new QAction(tr("Export as CSV..."), this);
    m_delete = new QAction(tr("Delete..."), this);
    m_delete->setShortcut(QKeySequence::Delete);
    m_delete->setShortcutContext(Qt::WidgetShortcut);
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    m_messages->addActions(
        {m_hideRepeats, m_showAll, separator, m_exportText, m_exportCsv, m_delete});
    m_messages->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(m_exportText, &QAction::triggered, this, [this] { Export(false); });
    connect(m_exportCsv, &QAction::triggered, this, [this] { Export(true); });
    connect(m_delete, &QAction::triggered, this, &CMessageExplorerWnd::DeleteChosen);
    connect(m_messages, &QTreeWidget::itemSelectionChanged, this,
            &CMessageExplorerWnd::UpdateActions);
    UpdateActions();

    m_searchRow = new QWidget(this);
    auto* row = new QHBoxLayout(m_searchRow);
    row->setContentsMargins(0, 0, 0, 0);
    m_searchBox = new QLineEdit(m_searchRow);
    m_searchBox->setPlaceholderText(tr("Search messages"));
    m_searchBox->setClearButtonEnabled(true);
    m_searchBox->setEnabled(false);
    m_searchStatus = new QLabel(m_searchRow);
    row->addWidget(m_searchBox, 1);
    row->addWidget(m_searchStatus);
    m_searchDelay = new QTimer(this);
    m_searchDelay->setSingleShot(true);
    m_searchDelay->setInterval(kSearchDelayMs);
    connect(m_searchDelay, &QTimer::timeout, this, &CMessageExplorerWnd::RunSearch);
    connect(m_searchBox, &QLineEdit::textChanged, this, [this](const QString& text) {
        // Emptied (the clear button): back to the day at once.
        if (text.trimmed().isEmpty()) {
            RunSearch();
        } else {
            m_searchDelay->start();
        }
    });
    connect(m_searchBox, &QLineEdit::returnPressed, this, &CMessageExplorerWnd::RunSearch);
    auto* find = new QAction(this);
    find->setShortcut(QKeySequence::Find);
    find->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(find);
    connect(find, &QAction::triggered, this, [this] {
        m_searchBox->setFocus();
        m_searchBox->selectAll();
    });
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
    // A day clicked while a search is shown: that day again.
    connect(m_days, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (m_model.Searching()) {
            m_searchBox->clear();
            OnDaySelected(item);
        }
    });
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

void CMessageExplorerWnd::SetSearch(CMessageSearch* search, CReadMarks* marks) {
    m_model.SetSearch(search);
    m_model.SetReadMarks(marks);
    m_searchBox->setEnabled(search != nullptr);
    m_model.SelectDay(m_model.SelectedDay());
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
    if (added.selected) {
        // Nothing was shown yet: the message's day is.
        ShowDays();
        ShowRows();
        return;
    }
    if (added.day) {
        // Not selected: the user keeps reading the day they chose.
        auto* item = new QTreeWidgetItem(m_days, {ToQString(m_model.Days().back())});
        item->setIcon(0, DayIcon());
    }
    if (added.row) {
        AppendRow(m_model.Rows().back());
        FitColumns();
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
    m_messages->header()->setSortIndicator(m_model.SortColumn(), m_model.SortedDescending()
                                                                     ? Qt::DescendingOrder
                                                                     : Qt::AscendingOrder);
    FitColumns();
    UpdateActions();
}

void CMessageExplorerWnd::FitColumns() {
    // Room for the sort arrow only where it is drawn: Qt keeps it in every
    // title, which would push "Category" out of a narrow explorer.
    QHeaderView* header = m_messages->header();
    std::array<int, CExplorerModel::kColumns> titles{};
    header->setSortIndicatorShown(false);
    for (int column = 0; column < CExplorerModel::kColumns; ++column) {
        titles[static_cast<size_t>(column)] = header->sectionSizeHint(column);
    }
    header->setSortIndicatorShown(true);
    const int sorted = header->sortIndicatorSection();
    if (sorted >= 0 && sorted < CExplorerModel::kColumns) {
        titles[static_cast<size_t>(sorted)] = header->sectionSizeHint(sorted);
    }
    const QAbstractItemView* view = m_messages;
    for (int column = 0; column < CExplorerModel::kColumns; ++column) {
        m_messages->setColumnWidth(
            column, std::max(view->sizeHintForColumn(column), titles[static_cast<size_t>(column)]));
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
    for (int column = 0; !row.snippet.empty() && column < CExplorerModel::kColumns; ++column) {
        if (column != CExplorerModel::kStation || item->toolTip(column).isEmpty()) {
            item->setToolTip(column, ToQString(row.snippet));
        }
    }
    Style(item, row);
}

void CMessageExplorerWnd::Style(QTreeWidgetItem* item, const ExplorerRow& row) {
    for (int column = 0; column < CExplorerModel::kColumns; ++column) {
        if (row.repeat) {
            item->setForeground(column, kRepeatColour);
        }
        QFont font = item->font(column);
        font.setItalic(!row.selected);
        font.setBold(row.unread);
        item->setFont(column, font);
    }
}

void CMessageExplorerWnd::OnDaySelected(QTreeWidgetItem* item) {
    const int32_t index = item ? m_days->indexOfTopLevelItem(item) : CExplorerModel::kNoDay;
    if (index == m_model.SelectedDay() && !m_model.Searching()) {
        return;
    }
    if (m_model.Searching()) {
        const QSignalBlocker block(m_searchBox);
        m_searchBox->clear();
        m_searchStatus->clear();
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
    const int row = item ? m_messages->indexOfTopLevelItem(item) : -1;
    if (item && m_model.Choose(row, path)) {
        Style(item, m_model.Rows()[static_cast<size_t>(row)]);
        emit MessageChosen(path);
    }
}

void CMessageExplorerWnd::RunSearch() {
    m_searchDelay->stop();
    const QString query = m_searchBox->text();
    if (query.trimmed().isEmpty() && !m_model.Searching()) {
        m_searchStatus->clear();
        return;
    }
    switch (m_model.Search(query.toStdU16String())) {
        case CExplorerModel::SearchResult::Listed:
            ShowHitCount();
            if (!m_model.Searching()) {
                ShowDays();
            }
            ShowRows();
            break;
        case CExplorerModel::SearchResult::Building:
            m_searchStatus->setText(tr("The message index is being built; search again soon"));
            break;
        case CExplorerModel::SearchResult::Unavailable:
            m_searchStatus->setText(tr("No message index to search"));
            break;
    }
}

void CMessageExplorerWnd::ShowHitCount() {
    m_searchStatus->setText(m_model.Searching()
                                ? tr("%n message(s) found", "", int(m_model.Rows().size()))
                                : QString());
}

std::vector<int32_t> CMessageExplorerWnd::ChosenRows() const {
    std::vector<int32_t> rows;
    for (int i = 0; i < m_messages->topLevelItemCount(); ++i) {
        if (m_messages->topLevelItem(i)->isSelected()) {
            rows.push_back(i);
        }
    }
    return rows;
}

void CMessageExplorerWnd::UpdateActions() {
    const bool chosen = !m_messages->selectedItems().isEmpty();
    for (QAction* action : {m_exportText, m_exportCsv, m_delete}) {
        action->setEnabled(chosen);
    }
}

void CMessageExplorerWnd::Export(bool csv) {
    const std::vector<int32_t> rows = ChosenRows();
    if (rows.empty()) {
        return;
    }
    QFileDialog dialog(this, csv ? tr("Export as CSV") : tr("Export as text"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(csv ? tr("CSV files (*.csv)") : tr("Text files (*.txt)"));
    dialog.setDefaultSuffix(csv ? QStringLiteral("csv") : QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString file = dialog.selectedFiles().first();
    std::vector<std::filesystem::path> unreadable;
    std::ofstream out(std::filesystem::path(file.toStdString()), std::ios::binary);
    if (out) {
        if (csv) {
            ExportCsv(m_model.Indexed(rows), out);
        } else {
            unreadable = ExportText(m_model.Paths(rows), out);
        }
        out.close();
    }
    if (!out) {
        QMessageBox::critical(this, tr("Error"),
                              tr("Could not write \"%1\": %2")
                                  .arg(file, QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    if (!unreadable.empty()) {
        QMessageBox::warning(this, tr("Error"),
                             tr("These messages could not be read and were left out:\n%1")
                                 .arg(FileList(unreadable, PathText)));
    }
}

void CMessageExplorerWnd::DeleteChosen() {
    const std::vector<int32_t> rows = ChosenRows();
    if (rows.empty()) {
        return;
    }
    const auto answer = QMessageBox::question(
        this, tr("Delete messages"),
        tr("Delete the %n chosen message(s)? Their files are removed from the log.", "",
           int(rows.size())),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        return;
    }
    const std::vector<RemovalFailure> failures = m_model.Remove(rows);
    ShowRows();
    ShowHitCount();
    if (!failures.empty()) {
        QMessageBox::warning(this, tr("Error"),
                             tr("These messages could not be deleted:\n%1")
                                 .arg(FileList(failures, [](const RemovalFailure& failure) {
                                     return PathText(failure.path) + QStringLiteral(": ") +
                                            QString::fromStdString(failure.error.message());
                                 })));
    }
}

void CMessageExplorerWnd::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int width = event->size().width();
    // The search box above the tree and the list, its count beside it.
    const int line = m_searchRow->sizeHint().height();
    m_searchRow->setGeometry(0, 0, width, line);
    m_splitter->setGeometry(0, line, width, std::max(0, event->size().height() - line));
    // The tree keeps its width; the list takes what is left.
    const int tree = std::min(m_treeWidth, width);
    m_splitter->setSizes({tree, width - tree});
}

}  // namespace wavelore

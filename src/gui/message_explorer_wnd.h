#pragma once

#include <filesystem>
#include <vector>

#include <QWidget>

#include "app/explorer_model.h"
#include "app/message_sinks.h"

class QAction;
class QLabel;
class QLineEdit;
class QSplitter;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace wavelore {

// The Message Explorer: a tree of the days under the log root beside a list
// of the selected day's stored messages. A click on a message asks the main
// window to show it (MessageChosen); the assembler tells it of every message
// stored while the program runs. Repeats are drawn in grey, messages
// outside the selection in italics, unread ones in bold; the list's
// context menu holds "Hide repeats", "Show all messages", export and
// delete of the chosen messages. The search box above lists the messages
// of every day holding its words, until it is emptied.
class CMessageExplorerWnd final : public QWidget, public IStoredMessageSink {
    Q_OBJECT

  public:
    explicit CMessageExplorerWnd(QWidget* parent = nullptr);

    // Forgets what is shown and scans root for days, selecting the last.
    void SetLogRoot(const std::filesystem::path& root);
    // Empties the tree and the list.
    void Clear();

    // What the list shows (CExplorerModel); each redraws the list.
    void SetIndex(CMessageIndex* index);
    // The full-text search and the unread marks beside that index.
    void SetSearch(CMessageSearch* search, CReadMarks* marks);
    void SetNavArea(int32_t navArea);
    void SetSelection(const CMessageSelection& selection);
    void SetHideRepeats(bool hide);
    // Checkable items, for the window's menu too.
    QAction* HideRepeatsAction() const { return m_hideRepeats; }
    QAction* ShowAllAction() const { return m_showAll; }
    QAction* ExportTextAction() const { return m_exportText; }
    QAction* ExportCsvAction() const { return m_exportCsv; }
    QAction* DeleteAction() const { return m_delete; }

    // IStoredMessageSink
    void AddStoredMessage(const MessageHeader& header, const std::filesystem::path& path) override;

    const CExplorerModel& Model() const { return m_model; }
    QTreeWidget* DayTree() const { return m_days; }
    QTreeWidget* MessageList() const { return m_messages; }
    QLineEdit* SearchBox() const { return m_searchBox; }
    // How many messages the search found, or why it could not run.
    QLabel* SearchStatus() const { return m_searchStatus; }

  signals:
    // The path of the message the user chose (never the same row twice in
    // a row).
    void MessageChosen(const std::filesystem::path& path);
    // The user switched "Hide repeats".
    void HideRepeatsChanged(bool hide);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void ShowDays();
    void ShowRows();
    void AppendRow(const ExplorerRow& row);
    // Fonts and colours as the row's marks say.
    static void Style(QTreeWidgetItem* item, const ExplorerRow& row);
    // Each column as wide as its title and texts, and no narrower than at
    // first.
    void FitColumns();
    void OnDaySelected(QTreeWidgetItem* item);
    void OnColumnClicked(int column);
    void OnMessageClicked(QTreeWidgetItem* item);
    void RunSearch();
    // "n messages found" while a search is shown.
    void ShowHitCount();
    // The rows chosen in the list, in list order.
    std::vector<int32_t> ChosenRows() const;
    void UpdateActions();
    void Export(bool csv);
    void DeleteChosen();

    CExplorerModel m_model;
    QSplitter* m_splitter = nullptr;
    QTreeWidget* m_days = nullptr;
    QTreeWidget* m_messages = nullptr;
    QAction* m_hideRepeats = nullptr;
    QAction* m_showAll = nullptr;
    QAction* m_exportText = nullptr;
    QAction* m_exportCsv = nullptr;
    QAction* m_delete = nullptr;
    QWidget* m_searchRow = nullptr;
    QLineEdit* m_searchBox = nullptr;
    QLabel* m_searchStatus = nullptr;
    // Searches a moment after the typing stops.
    QTimer* m_searchDelay = nullptr;
    // The tree's width: a quarter of the first width, then where the user
    // puts the bar; kept while the explorer slides shut and open.
    int m_treeWidth = 0;
};

}  // namespace wavelore

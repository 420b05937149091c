#pragma once

#include <filesystem>

#include <QWidget>

#include "app/explorer_model.h"
#include "app/message_sinks.h"

class QAction;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;

namespace wavelore {

// The Message Explorer: a tree of the days under the log root beside a list
// of the selected day's stored messages. A click on a message asks the main
// window to show it (MessageChosen); the assembler tells it of every message
// stored while the program runs. Repeats are drawn in grey, messages
// outside the selection in italics; the list's context menu holds "Hide
// repeats" and "Show all messages".
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
    void SetNavArea(int32_t navArea);
    void SetSelection(const CMessageSelection& selection);
    void SetHideRepeats(bool hide);
    // Checkable items, for the window's menu too.
    QAction* HideRepeatsAction() const { return m_hideRepeats; }
    QAction* ShowAllAction() const { return m_showAll; }

    // IStoredMessageSink
    void AddStoredMessage(const MessageHeader& header, const std::filesystem::path& path) override;

    const CExplorerModel& Model() const { return m_model; }
    QTreeWidget* DayTree() const { return m_days; }
    QTreeWidget* MessageList() const { return m_messages; }

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
    void OnDaySelected(QTreeWidgetItem* item);
    void OnColumnClicked(int column);
    void OnMessageClicked(QTreeWidgetItem* item);

    CExplorerModel m_model;
    QSplitter* m_splitter = nullptr;
    QTreeWidget* m_days = nullptr;
    QTreeWidget* m_messages = nullptr;
    QAction* m_hideRepeats = nullptr;
    QAction* m_showAll = nullptr;
    // The tree's width: a quarter of the first width, then where the user
    // puts the bar; kept while the explorer slides shut and open.
    int m_treeWidth = 0;
};

}  // namespace wavelore

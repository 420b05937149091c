#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include <QObject>

class QRadioButton;
class QStackedWidget;
class QWidget;

namespace wavelore {

class CLinkStatic;
class CMessageExplorerWnd;
class CMessagePaneWnd;
class ColorEditWnd;
class CChannelReceptions;
class CSettings;

// The message pane: the "Raw data" and "Messages" buttons, the two text
// views and the Message Explorer beside them. The explorer lists what the
// reception stores, from its index, with the selection and NAVAREA the
// settings hold; the pane's split is a setting too.
class CExplorerHost final : public QObject {
    Q_OBJECT

  public:
    CExplorerHost(CSettings& settings, CChannelReceptions& reception, std::filesystem::path logRoot,
                  QWidget* parent);

    CMessagePaneWnd* Pane() const { return m_pane; }
    ColorEditWnd* RawView() const { return m_rawView; }
    ColorEditWnd* MessagesView() const { return m_messagesView; }
    CMessageExplorerWnd* Explorer() const { return m_explorer; }

    // The explorer, once the reception's index is open.
    void CreateExplorer();
    // Before the reception ends: nothing more is listed.
    void DestroyExplorer();
    // The selection and NAVAREA the settings now hold.
    void ApplySelection();
    void RestoreSplit();

    void ShowRawData();
    void ShowMessages();
    void AppendRawText(std::u16string_view chunk);
    // Reads a stored message (UTF-8) into the "Messages" view and shows it.
    void ShowStoredMessage(const std::filesystem::path& path);
    // Hidden for modes without messages, with the raw view emptied.
    void ShowMessagePane(bool shown);

  signals:
    // The user opened a stored message in the explorer.
    void MessageChosen(const std::filesystem::path& path);

  private:
    CSettings& m_settings;
    CChannelReceptions& m_reception;
    std::filesystem::path m_logRoot;
    CMessagePaneWnd* m_pane = nullptr;
    QRadioButton* m_rawButton = nullptr;
    QRadioButton* m_messagesButton = nullptr;
    CLinkStatic* m_siteLink = nullptr;
    QStackedWidget* m_textViews = nullptr;
    ColorEditWnd* m_rawView = nullptr;
    ColorEditWnd* m_messagesView = nullptr;
    CMessageExplorerWnd* m_explorer = nullptr;
};

}  // namespace wavelore

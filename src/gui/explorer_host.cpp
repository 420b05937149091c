#include "gui/explorer_host.h"

#include <fstream>
#include <sstream>

#include <QRadioButton>
#include <QStackedWidget>

#include "app/reception/channel_receptions.h"
#include "app/settings.h"
#include "common/utf.h"
#include "gui/color_edit_wnd.h"
#include "gui/link_static.h"
#include "gui/message_explorer_wnd.h"
#include "gui/message_pane_wnd.h"
#include "system/system_info.h"

namespace wavelore {

CExplorerHost::CExplorerHost(CSettings& settings, CChannelReceptions& reception,
                             std::filesystem::path logRoot, QWidget* parent)
    : QObject(parent), m_settings(settings), m_reception(reception), m_logRoot(std::move(logRoot)) {
    m_pane = new CMessagePaneWnd(parent);
    m_rawButton = new QRadioButton(tr("Raw data"), m_pane);
    m_messagesButton = new QRadioButton(tr("Messages"), m_pane);
    connect(m_rawButton, &QRadioButton::clicked, this, [this] { ShowRawData(); });
    connect(m_messagesButton, &QRadioButton::clicked, this, [this] { ShowMessages(); });
    m_siteLink = new CLinkStatic(m_pane);
    const std::u16string_view site = CSystemInfo::kSiteAddress;
    m_siteLink->SetLinkText(QString::fromUtf16(site.data(), static_cast<qsizetype>(site.size())));
    m_siteLink->SetLinkStyle(CLinkStatic::kClickable, QColor(0, 0, 255));
    m_pane->SetButtons(m_rawButton, m_messagesButton, m_siteLink);
    m_textViews = new QStackedWidget(m_pane);
    m_pane->SetTextPane(m_textViews);
    connect(m_pane, &CMessagePaneWnd::paneSplitDragged, this,
            [this](int32_t perMille) { m_settings.WritePaneSplit(perMille); });
    m_rawView = new ColorEditWnd(m_textViews);
    m_messagesView = new ColorEditWnd(m_textViews);
    for (ColorEditWnd* view : {m_rawView, m_messagesView}) {
        view->SetReadOnly(true);
        view->SetSelectionColor(QColor(0, 0, 255));
        m_textViews->addWidget(view);
    }
}

void CExplorerHost::CreateExplorer() {
    CMessageBridge& bridge = m_reception.For(0).Bridge();
    m_explorer = new CMessageExplorerWnd(m_pane);
    m_explorer->SetIndex(&bridge.Index());
    m_explorer->SetSearch(&bridge.Search(), &bridge.ReadMarks());
    m_explorer->SetNavArea(bridge.NavArea());
    m_explorer->SetSelection(bridge.Selection());
    m_explorer->SetHideRepeats(m_settings.HideRepeats());
    m_explorer->SetLogRoot(m_logRoot);
    connect(m_explorer, &CMessageExplorerWnd::HideRepeatsChanged, this,
            [this](bool hide) { m_settings.WriteHideRepeats(hide); });
    connect(m_explorer, &CMessageExplorerWnd::MessageChosen, this, &CExplorerHost::MessageChosen);
    m_pane->SetExplorer(m_explorer);
    m_reception.SetExplorer(m_explorer);
}

void CExplorerHost::DestroyExplorer() {
    if (m_explorer) {
        m_reception.SetExplorer(nullptr);
        m_explorer->Clear();
        m_pane->SetExplorer(nullptr);
        delete m_explorer;
        m_explorer = nullptr;
    }
}

void CExplorerHost::ApplySelection() {
    CMessageBridge& bridge = m_reception.For(0).Bridge();
    bridge.ReadSettings(m_settings);
    if (m_explorer) {
        m_explorer->SetNavArea(bridge.NavArea());
        m_explorer->SetSelection(bridge.Selection());
    }
}

void CExplorerHost::RestoreSplit() {
    m_pane->SetPaneSplit(m_settings.PaneSplit());
}

void CExplorerHost::ShowRawData() {
    m_rawButton->setChecked(true);
    m_textViews->setCurrentWidget(m_rawView);
}

void CExplorerHost::ShowMessages() {
    m_messagesButton->setChecked(true);
    m_textViews->setCurrentWidget(m_messagesView);
}

void CExplorerHost::AppendRawText(std::u16string_view chunk) {
    m_rawView->AppendText(chunk);
}

void CExplorerHost::ShowStoredMessage(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    if (in) {
        bytes << in.rdbuf();
    }
    if (in && !in.bad()) {
        m_messagesView->SetText(FromUtf8(CMessageStore::TextToShow(bytes.str())));
    } else {
        m_messagesView->SetText(tr("Error opening message file").toStdU16String());
    }
    ShowMessages();
}

void CExplorerHost::ShowMessagePane(bool shown) {
    m_rawButton->setVisible(shown);
    m_messagesButton->setVisible(shown);
    m_pane->ShowExplorer(shown);
    if (!shown && m_textViews->currentWidget() == m_messagesView) {
        ShowRawData();
        m_rawView->SetText(u"");
    }
}

}  // namespace wavelore

#include "gui/chart_pane.h"

#include <QVBoxLayout>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "common/utf.h"
#include "geo/chart_model.h"
#include "geo/position_reader.h"
#include "gui/chart_wnd.h"

namespace wavelore {

namespace {

std::u16string TwoDigits(int32_t n) {
    return QString::asprintf("%02d", n).toStdU16String();
}

// The text of a stored message; empty when it cannot be read.
std::u16string ReadMessageText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return in ? FromUtf8(bytes.str()) : std::u16string();
}

// The warnings of one stored message, read from its text.
void AppendWarnings(const IndexedMessage& row, const WarningIdentity& identity,
                    std::vector<ChartWarning>& warnings) {
    for (WarningFeature& feature : ReadFeatures(ReadMessageText(row.path), identity)) {
        ChartWarning warning;
        warning.feature = std::move(feature);
        warning.repeat = row.repeat;
        warning.selected = row.selected;
        warnings.push_back(std::move(warning));
    }
}

}  // namespace

CChartPane::CChartPane(CMessageIndex* index, const IClock& clock, QWidget* parent)
    : QWidget(parent, Qt::Window), m_index(index), m_clock(clock), m_chart(new CChartWnd(this)) {
    setWindowTitle(tr("Chart"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_chart);
    resize(800, 560);
    // The chart left open never keeps the program running.
    setAttribute(Qt::WA_QuitOnClose, false);
    connect(m_chart, &CChartWnd::MessageClicked, this, [this](const WarningIdentity& identity) {
        if (const auto it = m_paths.find(Key(identity)); it != m_paths.end()) {
            emit messageOpened(it->second);
        }
    });
}

std::string CChartPane::Key(const WarningIdentity& identity) {
    return ToUtf8(identity.code + u' ' + identity.date + u' ' + identity.time);
}

WarningIdentity CChartPane::IdentityOf(const IndexedMessage& row) {
    const LocalTime& t = row.frameTime;
    WarningIdentity identity;
    identity.code = row.identity;
    identity.station = row.b1;
    identity.subject = row.b2;
    identity.date = QString::asprintf("%04d-", t.year).toStdU16String() + TwoDigits(t.month) +
                    u'-' + TwoDigits(t.day);
    identity.time = TwoDigits(t.hour) + u':' + TwoDigits(t.minute) + u':' + TwoDigits(t.second);
    return identity;
}

void CChartPane::SetNavArea(int32_t navArea) {
    m_chart->SetNavArea(navArea);
}

void CChartPane::SetHideRepeats(bool hide) {
    m_chart->SetHideRepeats(hide);
}

void CChartPane::SetOwnPosition(std::optional<GeoPosition> position) {
    m_chart->SetOwnPosition(position);
}

void CChartPane::Reload() {
    if (m_index == nullptr) {
        return;
    }
    std::vector<ChartWarning> warnings;
    m_paths.clear();
    const LocalTime now = m_clock.Now();
    for (int32_t back = kDays - 1; back >= 0; --back) {
        const LocalTime day = AddSeconds(now, -int64_t{back} * 86400);
        const QString date = QString::asprintf("%04d-%02d-%02d", day.year, day.month, day.day);
        for (const IndexedMessage& row : m_index->RowsOfDay(date.toStdU16String())) {
            const WarningIdentity identity = IdentityOf(row);
            AppendWarnings(row, identity, warnings);
            m_paths[Key(identity)] = row.path;
        }
    }
    // Warnings cancel themselves at UTC times.
    LocalTime utc = now;
    LocalToUtc(now, utc);
    m_chart->SetNow(utc);
    m_chart->SetWarnings(std::move(warnings));
}

bool CChartPane::ShowStoredMessage(const std::filesystem::path& path) {
    if (m_index == nullptr || !isVisible()) {
        return false;
    }
    const std::optional<IndexedMessage> row = m_index->Find(path);
    if (!row) {
        return false;
    }
    const WarningIdentity identity = IdentityOf(*row);
    if (m_paths.find(Key(identity)) == m_paths.end()) {
        // Older than the days shown: its warnings join the chart.
        std::vector<ChartWarning> warnings = m_chart->Model().Warnings();
        AppendWarnings(*row, identity, warnings);
        m_paths[Key(identity)] = path;
        m_chart->SetWarnings(std::move(warnings));
    }
    return m_chart->ShowMessage(identity);
}

void CChartPane::Open() {
    show();
    raise();
    activateWindow();
}

void CChartPane::showEvent(QShowEvent* event) {
    Reload();
    QWidget::showEvent(event);
}

}  // namespace wavelore
